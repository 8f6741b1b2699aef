// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's windows driven through their controls, with a recording message
// box and desktop shell, in a fresh working folder per test.
#include "grideon/about.h"
#include "grideon/form1.h"
#include "grideonfakes.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace grideon;

namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::Russian, QLocale::Russia);

const QStringList kExample{"44", "1", "1500", "250", "470", "20"};
const QByteArray kExampleFile(" 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\n");
const QByteArray kZeroFile(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");

template<typename T = QWidget>
T *control(QWidget *window, const char *name)
{
    T *widget = window->findChild<T *>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

void typeInputs(QWidget *form, const QStringList &texts)
{
    for (int i = 0; i < kStageInputCount; ++i) {
        auto *box = control<QLineEdit>(form, kInputBoxes[i]);
        box->clear();
        QTest::keyClicks(box, texts[i]);
    }
}

QStringList inputTexts(QWidget *form)
{
    QStringList texts;
    for (const char *name : kInputBoxes)
        texts.append(control<QLineEdit>(form, name)->text());
    return texts;
}

QStringList outputTexts(QWidget *form)
{
    QStringList texts;
    for (const char *name : kResultLabels)
        texts.append(control<QLabel>(form, name)->text());
    return texts;
}

void pressCalculate(QWidget *form)
{
    QTest::mouseClick(control<QPushButton>(form, "Command1"), Qt::LeftButton);
}

QByteArray savedFile()
{
    QFile file(QStringLiteral("data.dat"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeSavedFile(const QByteArray &bytes)
{
    QFile file(QStringLiteral("data.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QList<QWidget *> visibleTopLevels()
{
    QList<QWidget *> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            windows.append(w);
    return windows;
}

QList<About *> aboutWindows()
{
    QList<About *> windows;
    for (QWidget *w : visibleTopLevels())
        if (auto *about = qobject_cast<About *>(w))
            windows.append(about);
    return windows;
}

// The name and the description a screen reader speaks for the control.
QString spokenName(QWidget *widget)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

QString spokenDescription(QWidget *widget)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Description) : QString();
}

QStringList spokenOutputs(QWidget *form)
{
    QStringList names;
    for (const char *name : kResultLabels)
        names.append(spokenName(control(form, name)));
    return names;
}

void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Every label's text, wrapped as the label wraps it, lies inside the label, the
// label's text inside its window, and no two label texts overlap.
void verifyTextsFit(QWidget *client)
{
    QList<QPair<QString, QRect>> placed;
    for (QLabel *label : client->findChildren<QLabel *>()) {
        if (label->text().isEmpty() || !label->isVisible())
            continue;
        const QFontMetrics metrics = label->fontMetrics();
        QRect used = metrics.boundingRect(QRect(0, 0, label->width(), 10000), Qt::AlignLeft | Qt::TextWordWrap,
                                          label->text());
        // The leading below the last line is empty space.
        used.setHeight(used.height() - (metrics.lineSpacing() - metrics.height()));
        QVERIFY2(used.width() <= label->width() && used.height() <= label->height(),
                 qPrintable(QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                                .arg(label->objectName(), label->text())
                                .arg(used.width()).arg(used.height()).arg(label->width()).arg(label->height())));
        QRect onWindow = used.translated(label->pos());
        QVERIFY2(client->rect().contains(onWindow), qPrintable(label->objectName()));
        // Neighbours may share empty bearings, as the designer placed them; their ink may not meet.
        if (used.height() <= metrics.height())
            onWindow = metrics.tightBoundingRect(label->text()).translated(label->x(), label->y() + metrics.ascent());
        for (const auto &[name, other] : placed)
            QVERIFY2(!other.intersects(onWindow), qPrintable(name + " overlaps " + label->objectName()));
        placed.append({label->objectName(), onWindow});
    }
    for (QPushButton *button : client->findChildren<QPushButton *>())
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 8 <= button->width(),
                 qPrintable(button->objectName()));
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Form1> openForm(const QLocale &locale = kPoint)
    {
        auto form = std::make_unique<Form1>(m_dialogs, m_shell, locale);
        form->show();
        return form;
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_previousFolder;
    RecordingDialogs m_dialogs;
    FakeDesktopShell m_shell;

private slots:
    void init();
    void cleanup();

    void formShowsItsTitleMenuAndSizes();
    void theSchematicFollowsTheFirstPaint();
    void layoutsFollowTheirTables();
    void everyTextFitsItsPlace();
    void focusStartsInRiAndTabFollowsTheInputs();
    void workedExamplesThroughTheControls_data();
    void workedExamplesThroughTheControls();
    void longResultsPushTheirUnitsAside();
    void everyControlHasANameToSpeak();
    void boxesAreNamedByTheCaptionBesideThem();
    void resultsAreSpokenWithCaptionValueAndUnit_data();
    void resultsAreSpokenWithCaptionValueAndUnit();
    void refusedInputShowsItsMessageAndChangesNothing_data();
    void refusedInputShowsItsMessageAndChangesNothing();
    void arithmeticFaultIsReportedAfterTheResultsComputedSoFar();
    void closingSavesTheLastAcceptedInputsNotTheBoxTexts();
    void inputsOfAFaultedCalculationAreSaved();
    void firstRunHasEmptyBoxesAndSavesZeros();
    void reopeningFillsTheBoxesInTheLocaleForm_data();
    void reopeningFillsTheBoxesInTheLocaleForm();
    void aShortFileLeavesTheBoxesEmptyAndIsMadeWholeAtClose();
    void aFailedSaveIsReportedAndTheWindowStillCloses();
    void aFullDiskAtCloseIsNamedAndKeepsTheFile();
    void aLinkOrPipeNamedDataDatIsLeftAsItWas_data();
    void aLinkOrPipeNamedDataDatIsLeftAsItWas();
    void aboutOpensOnceAndOkClosesIt();
    void aboutLabelsHandOverTheExactAddresses();
    void anAddressTheDesktopCannotOpenIsReported();
    void aboutStaysOpenWhenTheCalculatorCloses();
};

void TestWindows::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_previousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_folder->path()));
    m_dialogs.shown.clear();
    m_shell.opened.clear();
    m_shell.succeeds = true;
}

void TestWindows::cleanup()
{
    deleteClosedWindows();
    const QList<QWidget *> left = visibleTopLevels();
    for (QWidget *w : left)
        w->close();
    deleteClosedWindows();
    QDir::setCurrent(m_previousFolder);
    m_folder.reset();
    QVERIFY2(left.isEmpty(), "a window was left open");
}

void TestWindows::theSchematicFollowsTheFirstPaint()
{
    auto form = openForm();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QWidget *picture = control(form.get(), "Picture1");
    // Lines of the drawing: dark pixels inside the frame, which is all the first paint has.
    const auto drawn = [picture] {
        const QImage image = picture->grab().toImage();
        for (int y = 4; y < image.height() - 4; ++y)
            for (int x = 4; x < image.width() - 4; ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(drawn(), 5000);
    form->close();
}

void TestWindows::formShowsItsTitleMenuAndSizes()
{
    auto form = openForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("Valvora (Grideon)"));
    QCOMPARE(control(form.get(), "client")->size(), QSize(842, 392));
    QCOMPARE(form->minimumSize(), form->maximumSize());

    auto *help = control<QMenu>(form.get(), "help");
    QCOMPARE(help->title(), QStringLiteral("Справка"));
    QCOMPARE(form->findChild<QMenuBar *>()->actions(), QList<QAction *>{help->menuAction()});
    QCOMPARE(help->actions().size(), 1);
    QCOMPARE(help->actions().first()->objectName(), QStringLiteral("about1"));
    QCOMPARE(help->actions().first()->text(), QStringLiteral("О программе"));
    QVERIFY(help->actions().first()->shortcut().isEmpty());

    QVERIFY(control<PictureBox>(form.get(), "Picture1")->hasPicture());
    QCOMPARE(outputTexts(form.get()), QStringList(7, QStringLiteral("0")));

    QCOMPARE(control<QLabel>(form.get(), "Label11")->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    QCOMPARE(control<QLabel>(form.get(), "Label2")->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    QCOMPARE(QFontInfo(control(form.get(), "Label4")->font()).family(), QFontInfo(QFont("Times New Roman")).family());
    QVERIFY(control(form.get(), "Command1")->font().bold());

    form->findChild<QAction *>(QStringLiteral("about1"))->trigger();
    About *about = form->aboutWindow();
    QVERIFY(about);
    QCOMPARE(about->windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(about->size(), QSize(362, 273));
    QVERIFY(!about->windowIcon().pixmap(32).isNull());
    about->close();
    form->close();
}

void TestWindows::layoutsFollowTheirTables()
{
    auto form = openForm();
    form->findChild<QAction *>(QStringLiteral("about1"))->trigger();
    const QList<QPair<QWidget *, std::span<const ControlRow>>> windows{
        {control(form.get(), "client"), Form1::layoutTable()}, {form->aboutWindow(), About::layoutTable()}};

    for (const auto &[window, table] : windows) {
        for (const ControlRow &row : table) {
            QWidget *widget = control(window, row.name);
            if (row.kind == Kind::Line) {
                const QRect expected = QRect(QPoint(twips(row.left), twips(row.top)),
                                             QPoint(twips(row.width), twips(row.height))).normalized();
                QCOMPARE(widget->geometry(), expected);
                continue;
            }
            if (row.kind == Kind::Label || row.kind == Kind::LinkLabel)
                QCOMPARE(qobject_cast<QLabel *>(widget)->text(), QString::fromUtf8(row.text));
            if (row.kind == Kind::Button)
                QCOMPARE(qobject_cast<QPushButton *>(widget)->text(), QString::fromUtf8(row.text));
            QCOMPARE(widget->geometry(), QRect(twips(row.left), twips(row.top), twips(row.width), twips(row.height)));
        }
    }
    // A few positions as the designer gave them, independent of the tables.
    QCOMPARE(control(form.get(), "ri")->geometry(), QRect(272, 88, 177, 25));
    QCOMPARE(control(form.get(), "Command1")->geometry(), QRect(248, 344, 201, 25));
    QCOMPARE(control(form.get(), "Picture1")->geometry(), QRect(480, 56, 345, 185));
    QCOMPARE(control(form->aboutWindow(), "Command1")->geometry(), QRect(104, 232, 137, 25));
    form->aboutWindow()->close();
    form->close();
}

void TestWindows::everyTextFitsItsPlace()
{
    auto form = openForm();
    verifyTextsFit(control(form.get(), "client"));
    form->findChild<QAction *>(QStringLiteral("about1"))->trigger();
    verifyTextsFit(form->aboutWindow());
    // The title of the About window takes its two lines.
    auto *title = control<QLabel>(form->aboutWindow(), "Label1");
    const QRect used = title->fontMetrics().boundingRect(title->rect(), Qt::TextWordWrap, title->text());
    QCOMPARE(used.height() / title->fontMetrics().lineSpacing(), 2);
    form->aboutWindow()->close();
    form->close();
}

void TestWindows::focusStartsInRiAndTabFollowsTheInputs()
{
    auto form = openForm();
    QApplication::setActiveWindow(form.get());
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(QApplication::focusWidget(), control(form.get(), "ri"));

    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(order, (QStringList{"ri", "ia", "rk", "ea", "ru", "fmin", "Command1"}));
    form->close();
}

void TestWindows::workedExamplesThroughTheControls_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("outputs");

    QTest::newRow("point: the first example")
        << kPoint << kExample << QStringList{" 470", " 1500", " 204", "0.01693", "0.01693", " 44", " 1.5"};
    QTest::newRow("comma: the first example")
        << kComma << kExample << QStringList{" 470", " 1500", " 204", "0,01693", "0,01693", " 44", " 1.5"};
    QTest::newRow("point: ia 1.2 and rk 1200")
        << kPoint << QStringList{"44", "1.2", "1200", "250", "470", "20"}
        << QStringList{" 470", " 1200", " 163", "0.01693", "0.01693", " 52.8", " 1.44"};
    QTest::newRow("comma: ia 1,2 and rk 1200")
        << kComma << QStringList{"44", "1,2", "1200", "250", "470", "20"}
        << QStringList{" 470", " 1200", " 163", "0,01693", "0,01693", " 52.8", " 1.44"};
    QTest::newRow("comma: a negative R3")
        << kComma << QStringList{"44", "1", "1500", "10", "470", "20"}
        << QStringList{" 470", " 1500", "-36", "0,01693", "0,01693", " 44", " 1.5"};
}

void TestWindows::workedExamplesThroughTheControls()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outputs);

    auto form = openForm(locale);
    typeInputs(form.get(), inputs);
    pressCalculate(form.get());
    QCOMPARE(m_dialogs.texts(), QStringList());
    QCOMPARE(outputTexts(form.get()), outputs);
    QCOMPARE(form->stageInputs(), ReadStageInputs({inputs[0], inputs[1], inputs[2], inputs[3], inputs[4], inputs[5]}, locale));
    verifyTextsFit(control(form.get(), "client"));
    form->close();
}

void TestWindows::longResultsPushTheirUnitsAside()
{
    auto form = openForm(kComma);
    typeInputs(form.get(), {"0,5", "1,25", "123456", "999999", "47000", "0,5"});
    pressCalculate(form.get());
    QCOMPARE(m_dialogs.texts(), QStringList());
    QCOMPARE(outputTexts(form.get()),
             (QStringList{" 47000", " 123456", " 799875", "0,006773", "0,006773", " .625", " 154.32"}));
    verifyTextsFit(control(form.get(), "client"));
    for (const char *name : kResultLabels) {
        const auto *label = control<QLabel>(form.get(), name);
        QVERIFY2(label->sizeHint().width() <= label->width(), name);
    }
    QCOMPARE(spokenName(control(form.get(), "r3")), QStringLiteral("R3: 799875 кОм"));
    form->close();
}

void TestWindows::everyControlHasANameToSpeak()
{
    auto form = openForm();
    form->findChild<QAction *>(QStringLiteral("about1"))->trigger();
    for (QWidget *window : {control(form.get(), "client"), static_cast<QWidget *>(form->aboutWindow())}) {
        int named = 0;
        for (QWidget *widget : window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (widget->metaObject() == &QFrame::staticMetaObject) // a line
                continue;
            QVERIFY2(!spokenName(widget).trimmed().isEmpty(), qPrintable(widget->objectName()));
            ++named;
        }
        QVERIFY(named > 5);
    }
    QCOMPARE(spokenName(control(form.get(), "Picture1")), QStringLiteral("Схема каскада"));
    QVERIFY(spokenDescription(control(form.get(), "Picture1")).contains(QStringLiteral("VL1")));
    QVERIFY(!spokenDescription(control(form->aboutWindow(), "Label4")).isEmpty());
    QVERIFY(!spokenDescription(control(form->aboutWindow(), "Label5")).isEmpty());
    form->aboutWindow()->close();
    form->close();
}

void TestWindows::boxesAreNamedByTheCaptionBesideThem()
{
    auto form = openForm();
    QStringList names;
    for (const char *box : kInputBoxes)
        names.append(spokenName(control(form.get(), box)));
    QCOMPARE(names, (QStringList{"Внутреннее сопротивление, кОм", "Анодный ток (Ia), мА", "Катодный резистор (R2), Ом",
                                 "Напряжение питания (Ea), В", "Сопротивление утечки (R1), кОм",
                                 "Мин. частота пропускания, Гц"}));
    QCOMPARE(control<QLabel>(form.get(), "Label4")->buddy(), control(form.get(), "ri"));
    form->close();
}

void TestWindows::resultsAreSpokenWithCaptionValueAndUnit_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("ia");
    QTest::addColumn<QStringList>("spoken");
    QTest::newRow("point") << kPoint << "1"
                           << QStringList{"R1: 470 кОм", "R2: 1500 Ом", "R3: 204 кОм", "C1: 0.01693 мкФ",
                                          "C2: 0.01693 мкФ", "Напряжение на радиолампе: 44 В",
                                          "Напряжение на катоде: 1.5 В"};
    QTest::newRow("comma") << kComma << "1"
                           << QStringList{"R1: 470 кОм", "R2: 1500 Ом", "R3: 204 кОм", "C1: 0,01693 мкФ",
                                          "C2: 0,01693 мкФ", "Напряжение на радиолампе: 44 В",
                                          "Напряжение на катоде: 1.5 В"};
    QTest::newRow("comma, ia 1,2") << kComma << "1,2"
                                   << QStringList{"R1: 470 кОм", "R2: 1500 Ом", "R3: 163 кОм", "C1: 0,01693 мкФ",
                                                  "C2: 0,01693 мкФ", "Напряжение на радиолампе: 52.8 В",
                                                  "Напряжение на катоде: 1.8 В"};
}

void TestWindows::resultsAreSpokenWithCaptionValueAndUnit()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, ia);
    QFETCH(QStringList, spoken);
    auto form = openForm(locale);
    QCOMPARE(spokenOutputs(form.get()),
             (QStringList{"R1: 0 кОм", "R2: 0 Ом", "R3: 0 кОм", "C1: 0 мкФ", "C2: 0 мкФ",
                          "Напряжение на радиолампе: 0 В", "Напряжение на катоде: 0 В"}));
    // A first calculation, then the one whose values must be spoken.
    typeInputs(form.get(), {"62", "2", "1000", "300", "100", "25"});
    pressCalculate(form.get());
    QStringList inputs = kExample;
    inputs[1] = ia;
    typeInputs(form.get(), inputs);
    pressCalculate(form.get());
    QCOMPARE(m_dialogs.texts(), QStringList());
    QCOMPARE(spokenOutputs(form.get()), spoken);
    form->close();
}

void TestWindows::refusedInputShowsItsMessageAndChangesNothing_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("message");

    const QString notNumeric = QStringLiteral("Ошибка ввода: Введено не числовое значение");
    const QString zero = QStringLiteral("Ошибка ввода: Имеются нулевые исходные данные");
    for (const QLocale &locale : {kPoint, kComma}) {
        const QString tag = locale == kPoint ? "point" : "comma";
        QTest::addRow("%s: an empty box", qPrintable(tag)) << locale << QStringList{"62", "2", "1000", "300", "", "25"} << notNumeric;
        QTest::addRow("%s: letters", qPrintable(tag)) << locale << QStringList{"62", "2", "1000", "300", "100", "x"} << notNumeric;
        QTest::addRow("%s: a 0 and letters", qPrintable(tag)) << locale << QStringList{"0", "2", "1000", "abc", "100", "25"} << notNumeric;
        QTest::addRow("%s: a 0", qPrintable(tag)) << locale << QStringList{"62", "2", "0", "300", "100", "25"} << zero;
    }
    QTest::newRow("comma: a decimal point") << kComma << QStringList{"62", "2.5", "1000", "300", "100", "25"} << notNumeric;
    QTest::newRow("point: a decimal comma") << kPoint << QStringList{"62", "2,5", "1000", "300", "100", "25"} << notNumeric;
}

void TestWindows::refusedInputShowsItsMessageAndChangesNothing()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, inputs);
    QFETCH(QString, message);

    auto form = openForm(locale);
    typeInputs(form.get(), kExample);
    pressCalculate(form.get());
    const QStringList before = outputTexts(form.get());
    const StageInputs stored = form->stageInputs();

    typeInputs(form.get(), inputs);
    pressCalculate(form.get());
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(m_dialogs.shown[0].text, message);
    QCOMPARE(m_dialogs.shown[0].title, QStringLiteral("Ошибка"));
    QCOMPARE(outputTexts(form.get()), before);
    QCOMPARE(form->stageInputs(), stored);
    QCOMPARE(inputTexts(form.get()), inputs);
    form->close();
}

void TestWindows::arithmeticFaultIsReportedAfterTheResultsComputedSoFar()
{
    auto form = openForm();
    typeInputs(form.get(), kExample);
    pressCalculate(form.get());

    typeInputs(form.get(), {"62", "0.0", "1000", "300", "100", "25"});
    pressCalculate(form.get());
    QCOMPARE(outputTexts(form.get()), (QStringList{" 100", " 1000", " 204", "0.01693", "0.01693", " 44", " 1.5"}));
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(m_dialogs.shown[0].title, QStringLiteral("Ошибка"));
    QVERIFY2(m_dialogs.shown[0].text.contains(QStringLiteral("R3")), qPrintable(m_dialogs.shown[0].text));
    QCOMPARE(form->stageInputs().ia_ma, 0.0f);
    QCOMPARE(form->stageInputs().ri_kohm, 62.0f);

    // The window stays usable.
    typeInputs(form.get(), kExample);
    pressCalculate(form.get());
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(control<QLabel>(form.get(), "r3")->text(), QStringLiteral(" 204"));
    form->close();
}

void TestWindows::closingSavesTheLastAcceptedInputsNotTheBoxTexts()
{
    auto form = openForm();
    typeInputs(form.get(), kExample);
    pressCalculate(form.get());
    // Refused by the checks, then typed without a calculation: neither is saved.
    typeInputs(form.get(), {"62", "2", "0", "300", "100", "25"});
    pressCalculate(form.get());
    typeInputs(form.get(), {"62", "2", "1000", "300", "100", "25"});
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(savedFile(), kExampleFile);
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Ошибка ввода: Имеются нулевые исходные данные")});
}

void TestWindows::inputsOfAFaultedCalculationAreSaved()
{
    auto form = openForm(kComma);
    typeInputs(form.get(), {"44", "0,0", "1500", "250", "470", "20"});
    pressCalculate(form.get());
    QCOMPARE(m_dialogs.shown.size(), 1);
    form->close();
    QCOMPARE(savedFile(), QByteArray(" 44 \r\n 0 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\n"));
}

void TestWindows::firstRunHasEmptyBoxesAndSavesZeros()
{
    auto form = openForm();
    QCOMPARE(inputTexts(form.get()), QStringList(6, QString()));
    QCOMPARE(form->stageInputs(), StageInputs{});
    form->close();
    QCOMPARE(savedFile(), kZeroFile);
    QCOMPARE(m_dialogs.shown.size(), 0);

    auto again = openForm();
    QCOMPARE(inputTexts(again.get()), QStringList(6, QStringLiteral("0")));
    pressCalculate(again.get());
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Ошибка ввода: Имеются нулевые исходные данные")});
    again->close();
}

void TestWindows::reopeningFillsTheBoxesInTheLocaleForm_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("point") << kPoint << QStringList{"44", "1.2", "1500", "250", "470", "0.5"};
    QTest::newRow("comma") << kComma << QStringList{"44", "1,2", "1500", "250", "470", "0,5"};
}

void TestWindows::reopeningFillsTheBoxesInTheLocaleForm()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, boxes);

    auto first = openForm(locale);
    typeInputs(first.get(), boxes);
    pressCalculate(first.get());
    first->close();
    QCOMPARE(savedFile(), QByteArray(" 44 \r\n 1.2 \r\n 1500 \r\n 250 \r\n 470 \r\n .5 \r\n"));

    auto form = openForm(locale);
    QCOMPARE(inputTexts(form.get()), boxes);
    QCOMPARE(form->stageInputs(), first->stageInputs());
    // A value brought back computes as the value saved, in every locale.
    pressCalculate(form.get());
    QCOMPARE(m_dialogs.shown.size(), 0);
    QCOMPARE(form->stageInputs().ia_ma, 1.2f);
    QCOMPARE(control<QLabel>(form.get(), "uk")->text(), QStringLiteral(" 1.8"));
    form->close();
}

void TestWindows::aShortFileLeavesTheBoxesEmptyAndIsMadeWholeAtClose()
{
    writeSavedFile(" 44 \r\n 1 \r\n 15");
    auto form = openForm();
    QCOMPARE(inputTexts(form.get()), QStringList(6, QString()));
    QCOMPARE(form->stageInputs(), (StageInputs{44, 1, 15, 0, 0, 0}));
    form->close();
    QCOMPARE(savedFile(), QByteArray(" 44 \r\n 1 \r\n 15 \r\n 0 \r\n 0 \r\n 0 \r\n"));
    QCOMPARE(m_dialogs.shown.size(), 0);
}

void TestWindows::aFailedSaveIsReportedAndTheWindowStillCloses()
{
    QVERIFY(QDir().mkdir(QStringLiteral("data.dat")));
    auto form = openForm();
    QCOMPARE(inputTexts(form.get()), QStringList(6, QString()));
    typeInputs(form.get(), kExample);
    pressCalculate(form.get());
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(m_dialogs.shown[0].title, QStringLiteral("Ошибка"));
    QVERIFY2(m_dialogs.shown[0].text.contains(QStringLiteral("\"data.dat\"")), qPrintable(m_dialogs.shown[0].text));
    QVERIFY(QFileInfo(QStringLiteral("data.dat")).isDir());
}

void TestWindows::aFullDiskAtCloseIsNamedAndKeepsTheFile()
{
    writeSavedFile(" 1 \r\n 2 \r\n 3 \r\n 4 \r\n 5 \r\n 6 \r\n");
    auto form = openForm();
    typeInputs(form.get(), kExample);
    pressCalculate(form.get());
    {
        const InjectedWriteFault diskFull(common::detail::WriteStep::Write, ENOSPC);
        QVERIFY(form->close());
    }
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(m_dialogs.shown[0].title, QStringLiteral("Ошибка"));
    QVERIFY2(m_dialogs.shown[0].text.contains(QStringLiteral("на диске нет свободного места")),
             qPrintable(m_dialogs.shown[0].text));
    QCOMPARE(savedFile(), QByteArray(" 1 \r\n 2 \r\n 3 \r\n 4 \r\n 5 \r\n 6 \r\n"));
}

void TestWindows::aLinkOrPipeNamedDataDatIsLeftAsItWas_data()
{
    QTest::addColumn<bool>("link");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("mentioned");
    QTest::newRow("a link is read through but not replaced at close")
        << true << kExample << QStringLiteral("ссылка на другой файл");
    QTest::newRow("a pipe leaves the boxes empty and is not replaced at close")
        << false << QStringList(6, QString()) << QStringLiteral("это не обычный файл");
}

void TestWindows::aLinkOrPipeNamedDataDatIsLeftAsItWas()
{
#ifdef Q_OS_UNIX
    QFETCH(bool, link);
    QFETCH(QStringList, boxes);
    QFETCH(QString, mentioned);
    QFile target(QStringLiteral("saved.dat"));
    QVERIFY(target.open(QIODevice::WriteOnly));
    target.write(kExampleFile);
    target.close();
    if (link)
        QVERIFY(QFile::link(QStringLiteral("saved.dat"), QStringLiteral("data.dat")));
    else
        QCOMPARE(::mkfifo("data.dat", 0644), 0);

    auto form = openForm();
    QCOMPARE(inputTexts(form.get()), boxes);
    QCOMPARE(m_dialogs.shown.size(), 0);
    typeInputs(form.get(), {"6.3", "1", "1000", "200", "100", "10"});
    pressCalculate(form.get());
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(m_dialogs.shown[0].title, QStringLiteral("Ошибка"));
    QVERIFY2(m_dialogs.shown[0].text.contains(mentioned), qPrintable(m_dialogs.shown[0].text));
    struct stat status;
    QCOMPARE(::lstat("data.dat", &status), 0);
    QVERIFY(link ? S_ISLNK(status.st_mode) : S_ISFIFO(status.st_mode));
    QVERIFY(target.open(QIODevice::ReadOnly));
    QCOMPARE(target.readAll(), kExampleFile);
#else
    QSKIP("links and named pipes as tested here are Unix ones");
#endif
}

void TestWindows::aboutOpensOnceAndOkClosesIt()
{
    auto form = openForm();
    QAction *about1 = form->findChild<QAction *>(QStringLiteral("about1"));
    about1->trigger();
    QPointer<About> about = form->aboutWindow();
    QVERIFY(about);
    about1->trigger();
    QCOMPARE(aboutWindows(), QList<About *>{about.data()});
    QCOMPARE(form->aboutWindow(), about.data());
    QCOMPARE(about->focusWidget(), control(about.data(), "Command1"));

    QTest::mouseClick(control<QPushButton>(about.data(), "Command1"), Qt::LeftButton);
    deleteClosedWindows();
    QVERIFY(about.isNull());
    QCOMPARE(form->aboutWindow(), nullptr);

    about1->trigger();
    QCOMPARE(aboutWindows().size(), 1);
    form->aboutWindow()->close();
    form->close();
    QCOMPARE(m_dialogs.shown.size(), 0);
}

void TestWindows::aboutLabelsHandOverTheExactAddresses()
{
    auto form = openForm();
    form->findChild<QAction *>(QStringLiteral("about1"))->trigger();
    About *about = form->aboutWindow();
    QCOMPARE(control<QLabel>(about, "Label4")->text(), QStringLiteral("https://example.org"));
    QCOMPARE(control<QLabel>(about, "Label5")->text(), QStringLiteral("E-mail: mail@example.org"));

    QTest::mouseClick(control(about, "Label4"), Qt::LeftButton);
    QTest::mouseClick(control(about, "Label5"), Qt::LeftButton);
    QCOMPARE(m_shell.opened, (QStringList{"https://example.org", "mailto:mail@example.org"}));
    // Other labels are not links.
    QTest::mouseClick(control(about, "Label2"), Qt::LeftButton);
    QTest::mouseClick(control(about, "Label6"), Qt::LeftButton);
    QCOMPARE(m_shell.opened.size(), 2);
    QCOMPARE(m_dialogs.shown.size(), 0);
    about->close();
    form->close();
}

void TestWindows::anAddressTheDesktopCannotOpenIsReported()
{
    m_shell.succeeds = false;
    auto form = openForm();
    form->findChild<QAction *>(QStringLiteral("about1"))->trigger();
    About *about = form->aboutWindow();
    QTest::mouseClick(control(about, "Label5"), Qt::LeftButton);
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(m_dialogs.shown[0].title, QStringLiteral("Ошибка"));
    QVERIFY2(m_dialogs.shown[0].text.contains(QStringLiteral("mailto:mail@example.org")),
             qPrintable(m_dialogs.shown[0].text));
    QVERIFY(about->isVisible());
    about->close();
    form->close();
}

void TestWindows::aboutStaysOpenWhenTheCalculatorCloses()
{
    auto form = openForm();
    form->findChild<QAction *>(QStringLiteral("about1"))->trigger();
    QPointer<About> about = form->aboutWindow();
    form->close();
    form.reset();
    deleteClosedWindows();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QTest::mouseClick(control(about.data(), "Label4"), Qt::LeftButton);
    QCOMPARE(m_shell.opened, QStringList{"https://example.org"});
    about->close();
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
