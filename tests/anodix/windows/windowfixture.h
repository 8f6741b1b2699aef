// SPDX-License-Identifier: GPL-3.0-or-later
// A whole Anodix run for window tests: the program's windows registered in a
// navigator, scripted dialogs and a temporary working folder with bd/.
#pragma once

#include "anodix/shell/application.h"
#include "anodix/forms/filelistbox.h"
#include "anodix/forms/navigator.h"
#include "anodix/tubedb/tuberecord.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

inline const QLocale kPointLocale(QLocale::English, QLocale::UnitedStates);
inline const QLocale kCommaLocale(QLocale::Russian, QLocale::Russia);

inline const QString kInputError = QStringLiteral("Ошибка ввода: Введено не числовое значение или не выбрана лампа");
inline const QString kDivisionByZero = QStringLiteral("Ошибка: Деление на ноль. Проверьте исходные данные");

// Typical operating points of the worked examples, one per tube class.
inline const QStringList kTriodeRecord{"6.3", "0.3", "150", "2", "1.5", "2", "20", "10"};
inline const QStringList kPreampPentodeRecord{"6.3", "0.3", "250", "3", "2", "2", "2000", "1000", "100", "0.8"};
inline const QStringList kPowerPentodeRecord{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "5"};
inline const QStringList k300BRecord{"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"};
// ECC83 (12AX7), the cathode follower's and the split-load splitter's worked example.
inline const QStringList kECC83Record{"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"};
// EL84, the push-pull stage's worked example.
inline const QStringList kEL84Record{"6.3", "0.76", "250", "48", "7.3", "11.3", "430", "38", "250", "5.5"};

using Texts = QList<std::pair<QString, QString>>; // control name, text

// One stage's worked example: the record, the typed inputs and the outputs in order.
struct Stage
{
    anodix::TubeClass tubeClass;
    QStringList record;
    Texts inputs;
    Texts outputs;
    QStringList updatedBeforeZeroCurrent; // outputs written before the zero-current message
};

inline Stage stage(anodix::WindowId id)
{
    const Texts threeInputs{{"Ea", "250"}, {"Fn1", "20"}, {"R11", "470"}};
    switch (id) {
    case anodix::WindowId::Pentod:
        return {anodix::TubeClass::PreampPentode, kPreampPentodeRecord, threeInputs,
                {{"R1", "470"}, {"R2", "0.6667"}, {"R4", "41.66667"}, {"C1", "0.01693"}, {"R3", "187.5"},
                 {"Ku", "80.00001"}, {"C4", "0.01693"}, {"Vt", "2.64"}},
                {"R1"}};
    case anodix::WindowId::Tetrod:
        return {anodix::TubeClass::PowerPentode, kPowerPentodeRecord, threeInputs + Texts{{"Rn", "8"}},
                {{"R1", "470"}, {"C1", "0.01693"}, {"R2", "0.135"}, {"Uvh", "9.09"}, {"Rt1", "1.95"},
                 {"Vih", "9.75"}, {"Kt", "15.612"}, {"Vt", "34.45"}},
                {"R1", "C1"}};
    case anodix::WindowId::TriodVihod:
        // The ratio box opens holding 3, the value of this example.
        return {anodix::TubeClass::Triode, k300BRecord,
                {{"Ea", "361"}, {"Fn1", "20"}, {"R11", "220"}, {"Rn", "8"}},
                {{"R1", "220"}, {"C1", "0.03617"}, {"R2", "1.017"}, {"C2", "21.6"}, {"PR2", "3.66"}, {"Uq", "300"},
                 {"Iq", "60"}, {"Ugq", "-61"}, {"Pa", "18"}, {"Ra", "2.1"}, {"Kt", "16.202"}, {"L1", "4.18"},
                 {"Imag", "60"}, {"Uvh", "61"}, {"Pout", "6.08"}, {"D2", "9.9"}, {"D3", "5"}, {"THD", "11.4"},
                 {"Eff", "28.1"}, {"Vt", "27.66"}},
                {}};
    case anodix::WindowId::Dvuhtakt:
        return {anodix::TubeClass::PowerPentode, kEL84Record,
                {{"Ea", "250"}, {"Ug2", "250"}, {"Fn1", "20"}, {"R11", "470"}, {"Rn", "8"}, {"Raa", "8"}, {"Rk", "130"}},
                {{"R1", "470"}, {"C1", "0.01693"}, {"Ugq", "-8.58"}, {"Iq", "29.5"}, {"Ig2q", "3.53"}, {"Pa", "7.12"},
                 {"Klass", "AB1"}, {"Kt", "31.623"}, {"L1", "57.6"}, {"Uvh", "8.6"}, {"Ipk", "90.2"},
                 {"Uamin", "59.1"}, {"Pout", "8.69"}, {"D2", "0"}, {"D3", "3.8"}, {"THD", "4.2"}, {"Vt", "26.08"}},
                {}};
    case anodix::WindowId::Povtoritel:
        return {anodix::TubeClass::Triode, kECC83Record,
                {{"Ea", "250"}, {"Rk", "100"}, {"R11", "1000"}, {"Fn1", "20"}, {"Rn", "470"}},
                {{"R1", "1000"}, {"R2", "1.667"}, {"R3", "98.333"}, {"C1", "0.0002744"}, {"C2", "0.01691"},
                 {"Uq", "166.1"}, {"Iq", "0.839"}, {"Ugq", "-1.4"}, {"Uk", "83.9"}, {"Ku", "0.982"}, {"Rvyh", "692"},
                 {"Cvh", "1.73"}, {"Uvh", "51.3"}, {"Ogr", "отсечка тока"}, {"Vt", "2.1"}},
                {}};
    case anodix::WindowId::FazoinvertorRN:
        return {anodix::TubeClass::Triode, kECC83Record,
                {{"Ea", "300"}, {"Rak", "100"}, {"R11", "1000"}, {"Fn1", "20"}, {"Rn", "470"}},
                {{"R1", "1000"}, {"R2", "1.667"}, {"R3", "100"}, {"R4", "100"}, {"C1", "0.0003468"},
                 {"C2", "0.01399"}, {"C3", "0.01688"}, {"Uq", "146.9"}, {"Iq", "0.759"}, {"Ugq", "-1.27"},
                 {"Kua", "0.956"}, {"Kuk", "0.972"}, {"Nebalans", "1.75"}, {"Rvyha", "98700"}, {"Rvyhk", "1510"},
                 {"Uvyha", "31.4"}, {"Uvyhk", "31.8"}, {"Ogr", "сеточный ток"}, {"Vt", "2.12"}},
                {}};
    case anodix::WindowId::FazoinvertorKS:
        // ECC83's figures; the pair's own test holds its results.
        return {anodix::TubeClass::Triode, {"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"},
                {{"Ea", "300"}, {"Ra", "100"}, {"Rt", "22"}, {"R11", "1000"}, {"Fn1", "20"}, {"Rn", "470"}},
                {},
                {}};
    default:
        return {anodix::TubeClass::Triode, kTriodeRecord, threeInputs,
                {{"R1", "470"}, {"R2", "0.75"}, {"R3", "62.5"}, {"C1", "0.01693"}, {"Ku", "17.24138"},
                 {"C3", "0.01693"}, {"Vt", "2.19"}},
                {"R1"}};
    }
}

inline QString classFolder(anodix::TubeClass tubeClass)
{
    switch (tubeClass) {
    case anodix::TubeClass::Triode: return QStringLiteral("bd/triod");
    case anodix::TubeClass::PreampPentode: return QStringLiteral("bd/pentod");
    case anodix::TubeClass::PowerPentode: return QStringLiteral("bd/tetrod");
    }
    return {};
}

// The window as drawn, into the folder ANODIX_SCREENSHOTS names (for the
// README and for looking at a layout at any QT_SCALE_FACTOR); nothing when unset.
inline void saveScreenshot(QWidget *window, const QString &name)
{
    const QString folder = qEnvironmentVariable("ANODIX_SCREENSHOTS");
    if (!folder.isEmpty() && QDir().mkpath(folder))
        QVERIFY(window->grab().save(folder + u'/' + name + QStringLiteral(".png")));
}

// The names of the top-level windows on screen, sorted.
inline QStringList visibleWindows()
{
    QStringList names;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            names.append(widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                                         : widget->objectName());
    names.sort();
    return names;
}

// The shown top-level window of that name, or null.
inline anodix::FormWindow *shownWindow(const QString &name)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->objectName() == name)
            return qobject_cast<anodix::FormWindow *>(widget);
    return nullptr;
}

struct WindowFixture
{
    explicit WindowFixture(const QLocale &locale = kPointLocale, bool withFolders = true)
        : context{dialogs, navigator, dir.path(), locale}
    {
        if (withFolders)
            for (auto tubeClass : {anodix::TubeClass::Triode, anodix::TubeClass::PreampPentode,
                                   anodix::TubeClass::PowerPentode})
                QDir(dir.path()).mkpath(classFolder(tubeClass));
        anodix::registerWindows(navigator, context);
    }

    ~WindowFixture()
    {
        // Windows go before the folder; their deferred deletions are flushed.
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Writes a record file as the editors do: each line ends in CR LF.
    void writeRecord(anodix::TubeClass tubeClass, const QString &name, const QStringList &lines) const
    {
        QFile file(dir.filePath(classFolder(tubeClass) + QLatin1Char('/') + name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const QString &line : lines)
            file.write(line.toLatin1() + "\r\n");
    }

    // Starts the program: the main window opens.
    anodix::FormWindow *start()
    {
        navigator.switchTo(nullptr, anodix::WindowId::Obshaya);
        return navigator.window(anodix::WindowId::Obshaya);
    }

    // Opens a window from nowhere, as the main window's buttons do.
    anodix::FormWindow *open(anodix::WindowId id)
    {
        navigator.switchTo(nullptr, id);
        return navigator.window(id);
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    anodix::Navigator navigator;
    anodix::AppContext context;
};

template <typename T = QWidget>
T *control(const anodix::FormWindow *window, const QString &name)
{
    return window->client() ? window->client()->findChild<T *>(name) : nullptr;
}

inline void clickButton(const anodix::FormWindow *window, const QString &name)
{
    auto *button = control<QPushButton>(window, name);
    QVERIFY2(button, qPrintable(name));
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void triggerItem(const anodix::FormWindow *window, const QString &name)
{
    auto *item = window->findChild<QAction *>(name);
    QVERIFY2(item, qPrintable(name));
    item->trigger();
}

inline void typeInto(const anodix::FormWindow *window, const QString &box, const QString &text)
{
    auto *edit = control<QLineEdit>(window, box);
    QVERIFY2(edit, qPrintable(box));
    QTest::keyClicks(edit, text);
}

// Clicks the list entry of that name with the mouse; a refused record may
// leave the highlight elsewhere.
inline void clickRecord(const anodix::FormWindow *window, const QString &name)
{
    auto *list = control<anodix::FileListBox>(window, QStringLiteral("File"));
    QVERIFY(list);
    const int row = list->names().indexOf(name);
    QVERIFY2(row >= 0, qPrintable(name));
    const QRect place = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
}

// Clicks the list entry of that name, which stays highlighted.
inline void pickRecord(const anodix::FormWindow *window, const QString &name)
{
    clickRecord(window, name);
    QCOMPARE(control<anodix::FileListBox>(window, QStringLiteral("File"))->selectedName(), name);
}

inline void enterInputs(const anodix::FormWindow *window, const Stage &s)
{
    for (const auto &[box, text] : s.inputs)
        typeInto(window, box, text);
}

inline QString outputText(const anodix::FormWindow *window, const QString &name)
{
    auto *label = control<QLabel>(window, name);
    return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

// Types the stage's worked example, presses "Рассчитать" and checks that no
// message came and every output shows its text, with the locale's separator.
// Use as QVERIFY(calculatesWorkedExample(...)) so a mismatch fails the test.
inline bool calculatesWorkedExample(const anodix::FormWindow *window, const ScriptedDialogs &dialogs,
                                    const Stage &s, const QLocale &locale = kPointLocale)
{
    enterInputs(window, s);
    clickButton(window, QStringLiteral("Command1"));
    bool same = true;
    if (!dialogs.messageTexts().isEmpty()) {
        qWarning() << "unexpected messages" << dialogs.messageTexts();
        same = false;
    }
    for (auto [output, text] : s.outputs) {
        text.replace(QLatin1Char('.'), locale.decimalPoint());
        if (outputText(window, output) != text) {
            qWarning() << output << "shows" << outputText(window, output) << "instead of" << text;
            same = false;
        }
    }
    return same;
}

// Ends a test's run. A window the test left on screen, or a question it did
// not script an answer for, is a fault; returns what went wrong, empty if nothing.
inline QString endRun(std::unique_ptr<WindowFixture> &app)
{
    const QStringList left = visibleWindows();
    const int unexpected = app ? app->dialogs.unexpected : 0;
    app.reset();
    QStringList faults;
    if (!left.isEmpty())
        faults.append(QStringLiteral("still open: ") + left.join(QStringLiteral(", ")));
    if (unexpected)
        faults.append(QStringLiteral("%1 unexpected question(s)").arg(unexpected));
    return faults.join(QStringLiteral("; "));
}

// Rows of window ids for a data-driven test, named as a user knows the windows.
inline void addWindowRows(std::initializer_list<anodix::WindowId> ids)
{
    QTest::addColumn<anodix::WindowId>("id");
    for (anodix::WindowId id : ids) {
        switch (id) {
        case anodix::WindowId::Obshaya: QTest::newRow("main window") << id; break;
        case anodix::WindowId::About: QTest::newRow("About") << id; break;
        case anodix::WindowId::Triod: QTest::newRow("triode window") << id; break;
        case anodix::WindowId::Pentod: QTest::newRow("pentode window") << id; break;
        case anodix::WindowId::Tetrod: QTest::newRow("power stage window") << id; break;
        case anodix::WindowId::TriodVihod: QTest::newRow("triode power stage window") << id; break;
        case anodix::WindowId::Files: QTest::newRow("triode editor") << id; break;
        case anodix::WindowId::Files_Pentod: QTest::newRow("preamplifier pentode editor") << id; break;
        case anodix::WindowId::Files_Pentod_Vihod: QTest::newRow("power pentode editor") << id; break;
        case anodix::WindowId::Dvuhtakt: QTest::newRow("push-pull stage window") << id; break;
        case anodix::WindowId::BlokPitaniya: QTest::newRow("supply window") << id; break;
        case anodix::WindowId::Povtoritel: QTest::newRow("cathode follower window") << id; break;
        case anodix::WindowId::FazoinvertorRN: QTest::newRow("split-load phase splitter window") << id; break;
        case anodix::WindowId::FazoinvertorKS: QTest::newRow("long-tailed pair window") << id; break;
        }
    }
}
