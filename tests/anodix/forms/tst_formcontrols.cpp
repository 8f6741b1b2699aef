// SPDX-License-Identifier: GPL-3.0-or-later
// The form builder's controls by name: a name the form lacks or a control of
// another kind is reported with the form's and the control's name.
#include "anodix/forms/formlayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace anodix;

namespace {

constexpr ControlRow kForm[] = {
    {ControlKind::TextBox, "Ea", -1, "", 120, 360, 1335, 285},
    {ControlKind::Label, "R1", -1, "0", 720, 4080, 1215, 255},
    {ControlKind::Label, "Label2", 4, "Радиолампа:", 3840, 240, 1695, 375},
};

} // namespace

class TestFormControls : public QObject
{
    Q_OBJECT

private slots:
    void findsTheControlsOfTheTableAndNamesWhatIsWrong_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<const QMetaObject *>("kind");
        QTest::addColumn<QString>("problem");

        QTest::newRow("a label by its name") << "R1" << &QLabel::staticMetaObject << QString();
        QTest::newRow("an array element by name and index") << "Label2(4)" << &QLabel::staticMetaObject << QString();
        QTest::newRow("any control as a widget") << "Ea" << &QWidget::staticMetaObject << QString();
        QTest::newRow("a renamed row") << "R2" << &QLabel::staticMetaObject
                                       << "form Calc has no control named R2";
        QTest::newRow("an array element without its index") << "Label2" << &QWidget::staticMetaObject
                                                             << "form Calc has no control named Label2";
        QTest::newRow("a box taken for a label") << "Ea" << &QLabel::staticMetaObject
                                                 << "control Ea of form Calc is a QLineEdit, not a QLabel";
    }

    void findsTheControlsOfTheTableAndNamesWhatIsWrong()
    {
        QFETCH(QString, name);
        QFETCH(const QMetaObject *, kind);
        QFETCH(QString, problem);

        QWidget window;
        window.setObjectName(QStringLiteral("Calc"));
        auto *client = new QWidget(&window);
        const FormControls controls = buildForm(client, kForm);
        QCOMPARE(controls.problem(name, *kind), problem);
        // What the builder returns and what the form holds are the same controls.
        QCOMPARE(FormControls::of(client).problem(name, *kind), problem);
        if (problem.isEmpty()) {
            QWidget *widget = controls.widget(name, *kind);
            QCOMPARE(widget->objectName(), name);
            QCOMPARE(widget->parentWidget(), client);
        }
    }

    void refusesASecondControlOfOneName()
    {
        QWidget window;
        window.setObjectName(QStringLiteral("Calc"));
        auto *first = new QLabel(&window);
        auto *second = new QLineEdit(&window);
        first->setObjectName(QStringLiteral("R1"));
        second->setObjectName(QStringLiteral("R1"));
        FormControls controls;
        QCOMPARE(controls.add(first), QString());
        QCOMPARE(controls.add(second), QStringLiteral("form Calc has two controls named R1"));
        QCOMPARE(controls.get<QLabel>("R1"), first);
    }

    void aControlClosedWithItsFormIsNoLongerFound()
    {
        auto *client = new QWidget;
        client->setObjectName(QStringLiteral("Calc"));
        const FormControls controls = buildForm(client, kForm);
        delete client;
        QCOMPARE(controls.problem<QLabel>(QStringLiteral("R1")), QStringLiteral("form Calc has no control named R1"));
    }
};

QTEST_MAIN(TestFormControls)
#include "tst_formcontrols.moc"
