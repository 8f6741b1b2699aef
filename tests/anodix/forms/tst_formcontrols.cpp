// SPDX-License-Identifier: GPL-3.0-or-later
// The form builder's controls by name: a name the form lacks or a control of
// another kind is reported with the form's and the control's name; the rows
// of a results grid.
#include "anodix/forms/formlayout.h"
#include "anodix/forms/resultgrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QTest>

using namespace anodix;

namespace {

constexpr ControlRow kForm[] = {
    {ControlKind::TextBox, "Ea", -1, "", 120, 360, 1335, 285},
    {ControlKind::Label, "R1", -1, "0", 720, 4080, 1215, 255},
    {ControlKind::Label, "Label2", 4, "Радиолампа:", 3840, 240, 1695, 375},
};

QRect boxOf(const ControlRow &row)
{
    return QRect(row.left, row.top, row.width, row.height);
}

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

    void aResultRowReadsAcrossAndLeavesTheNextRowFree_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::newRow("first row of the first column") << 3960 << 240 << 0;
        QTest::newRow("a row far down a middle column") << 4560 << 4200 << 5;
        QTest::newRow("the last column") << 5340 << 7680 << 6;
    }
    void aResultRowReadsAcrossAndLeavesTheNextRowFree()
    {
        QFETCH(int, top);
        QFETCH(int, column);
        QFETCH(int, row);
        const ResultGrid grid{top};
        const ControlRow caption = grid.caption(7, "Напряжение анод–катод", column, row);
        const ControlRow value = grid.value("Uq", column, row);
        const ControlRow unit = grid.unit(7, "В", column, row);
        const ControlRow below = grid.caption(8, "Ток покоя", column, row + 1);
        const ControlRow word = grid.shortCaption(9, "Ограничение", column, row);
        const ControlRow wide = grid.wideValue("Ogr", column, row);

        // The caption's first line, its value and its unit stand on one line, left to right.
        QCOMPARE(value.top, caption.top);
        QCOMPARE(unit.top, caption.top);
        QCOMPARE(caption.left, column);
        QVERIFY(boxOf(caption).right() < value.left);
        QVERIFY(boxOf(value).right() < unit.left);
        // A caption of two lines ends above the next row's.
        QVERIFY(boxOf(caption).bottom() < below.top);
        QVERIFY(below.top > caption.top);
        // The unit belongs to its caption: one index in the two arrays.
        QCOMPARE(QString::fromLatin1(caption.name), QStringLiteral("Label9"));
        QCOMPARE(QString::fromLatin1(unit.name), QStringLiteral("Label10"));
        QCOMPARE(unit.index, caption.index);
        QCOMPARE(value.index, -1);
        // A word result takes the row's width, no more.
        QCOMPARE(wide.top, word.top);
        QVERIFY(boxOf(word).right() < wide.left);
        QCOMPARE(boxOf(wide).right(), boxOf(unit).right());
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
