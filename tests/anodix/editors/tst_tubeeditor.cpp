// SPDX-License-Identifier: GPL-3.0-or-later
// The three tube parameter editors driven through their controls: layout,
// selecting, saving, creating and deleting records, and every refusal.
#include "anodix/forms/filelistbox.h"
#include "anodix/forms/navigator.h"
#include "anodix/windows/tubeeditor.h"
#include "anodix/tubedb/tuberecord.h"
#include "anodix/windows/triod.h"
#include "support/injectedwritefault.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <memory>

using namespace anodix;
using Icon = Dialogs::Icon;

Q_DECLARE_METATYPE(anodix::TubeClass)
Q_DECLARE_METATYPE(anodix::WindowId)
Q_DECLARE_METATYPE(anodix::detail::WriteStep)

namespace {

const QString kNotSelectedSave = QStringLiteral("Ошибка сохранения: Файл не выбран");
const QString kNotSelectedDelete = QStringLiteral("Ошибка удаления: Файл не выбран");
const QString kNotNumeric = QStringLiteral("Ошибка ввода: Введено не числовое значение");

const QLocale kPointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale kCommaLocale(QLocale::Russian, QLocale::Russia);

const char *folderOf(TubeClass tubeClass)
{
    switch (tubeClass) {
    case TubeClass::Triode: return "bd/triod";
    case TubeClass::PreampPentode: return "bd/pentod";
    case TubeClass::PowerPentode: return "bd/tetrod";
    }
    return "";
}

WindowId editorId(TubeClass tubeClass)
{
    switch (tubeClass) {
    case TubeClass::Triode: return WindowId::Files;
    case TubeClass::PreampPentode: return WindowId::Files_Pentod;
    case TubeClass::PowerPentode: return WindowId::Files_Pentod_Vihod;
    }
    return WindowId::Files;
}

int linesOf(TubeClass tubeClass)
{
    return tubeClass == TubeClass::Triode ? 8 : 10;
}

// Record bytes: each text followed by CR LF.
QByteArray recordBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLocal8Bit() + "\r\n";
    return bytes;
}

// Distinct texts for each line, so a line in the wrong place shows.
QStringList sampleLines(int count)
{
    const QStringList all = {"6.3", "0.3", "250", "10", "-2", "2", "20", "10.5", "150", "2.5", "999"};
    return all.mid(0, count);
}

// Stands in for a calculation window or About: it only opens and closes.
class ProbeWindow final : public FormWindow
{
public:
    explicit ProbeWindow(const char *name)
        : FormWindow(QString::fromLatin1(name), QSize(3000, 1500))
    {
        setObjectName(QString::fromLatin1(name));
    }

protected:
    void createControls(QWidget *) override {}
};

// One working folder with the three class folders, the dialog fake and a
// navigator that knows the three editors.
struct Fixture
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    Navigator navigator;
    AppContext context{dialogs, navigator, QString(), kCommaLocale};

    Fixture()
    {
        context.workingFolder = dir.path();
        for (TubeClass tubeClass : {TubeClass::Triode, TubeClass::PreampPentode, TubeClass::PowerPentode}) {
            QDir(dir.path()).mkpath(QString::fromLatin1(folderOf(tubeClass)));
            navigator.registerWindow(editorId(tubeClass), [this, tubeClass] {
                return std::make_unique<TubeEditor>(context, tubeClass);
            });
        }
        for (auto [id, name] : {std::pair{WindowId::Triod, "Triod"}, {WindowId::Pentod, "Pentod"},
                                {WindowId::Tetrod, "Tetrod"}, {WindowId::About, "About"}})
            navigator.registerWindow(id, [name] { return std::make_unique<ProbeWindow>(name); });
    }

    QString pathOf(TubeClass tubeClass, const QString &fileName = QString()) const
    {
        const QString folder = QDir(dir.path()).filePath(QString::fromLatin1(folderOf(tubeClass)));
        return fileName.isEmpty() ? folder : QDir(folder).filePath(fileName);
    }
    void put(TubeClass tubeClass, const QString &fileName, const QByteArray &bytes) const
    {
        QFile file(pathOf(tubeClass, fileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray bytesOf(TubeClass tubeClass, const QString &fileName) const
    {
        QFile file(pathOf(tubeClass, fileName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList filesOf(TubeClass tubeClass) const
    {
        return QDir(pathOf(tubeClass)).entryList(QDir::Files, QDir::Name);
    }
};

// Running as root, permission bits stop no write; the read-only rows then
// prove nothing and are skipped.
bool permissionsAreEnforced(const QString &folder)
{
    const QString probeFolder = QDir(folder).filePath(QStringLiteral("probe"));
    QDir().mkpath(probeFolder);
    QFile::setPermissions(probeFolder, QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(QDir(probeFolder).filePath(QStringLiteral("x")));
    const bool refused = !probe.open(QIODevice::WriteOnly);
    probe.close();
    QFile::setPermissions(probeFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(probeFolder).removeRecursively();
    return refused;
}

} // namespace

class TestTubeEditor : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;
    TubeEditor *m_editor = nullptr;

    void addClassColumn()
    {
        QTest::addColumn<TubeClass>("tubeClass");
    }
    void addClassRows(const char *what)
    {
        QTest::addRow("Files %s", what) << TubeClass::Triode;
        QTest::addRow("Files_Pentod %s", what) << TubeClass::PreampPentode;
        QTest::addRow("Files_Pentod_Vihod %s", what) << TubeClass::PowerPentode;
    }

    TubeEditor *openEditor(TubeClass tubeClass)
    {
        m_editor = static_cast<TubeEditor *>(f->navigator.window(editorId(tubeClass)));
        m_editor->open();
        return m_editor;
    }
    template<typename T>
    T *control(const QString &name) const
    {
        return m_editor->client() ? m_editor->client()->findChild<T *>(name) : nullptr;
    }
    QLineEdit *box(const QString &name) const { return control<QLineEdit>(name); }
    FileListBox *list() const { return control<FileListBox>(QStringLiteral("File")); }
    QString file1() const { return control<QLabel>(QStringLiteral("FILE1"))->text(); }
    QAction *menuItem(const QString &name) const { return m_editor->findChild<QAction *>(name); }
    void press(const QString &buttonName) const { control<QPushButton>(buttonName)->click(); }
    // A button, or else the menu item, of that name.
    void trigger(const QString &name) const
    {
        if (QAction *item = menuItem(name))
            item->trigger();
        else
            press(name);
    }
    // A mouse click on the row of the name, as the user picks a record.
    bool clickRecord(const QString &name) const
    {
        const int row = list()->names().indexOf(name);
        if (row < 0)
            return false;
        const QModelIndex index = list()->model()->index(row, 0);
        list()->scrollTo(index);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
        return true;
    }
    // Box texts in file order.
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const QString &name : TubeEditor::boxNamesInFileOrder(m_editor->tubeClass()))
            texts.append(box(name)->text());
        return texts;
    }
    void typeInBoxes(const QStringList &textsInFileOrder) const
    {
        const QStringList names = TubeEditor::boxNamesInFileOrder(m_editor->tubeClass());
        for (int i = 0; i < names.size(); ++i) {
            box(names[i])->clear();
            QTest::keyClicks(box(names[i]), textsInFileOrder[i]);
        }
    }
    bool boxesEmpty() const
    {
        for (const QString &text : boxTexts())
            if (!text.isEmpty())
                return false;
        return true;
    }
    // The one dialog that came, checked in full.
    void verifyOnlyMessage(const QString &text, const QString &title, Icon icon) const
    {
        QCOMPARE(f->dialogs.asked.size(), 1);
        const AskedDialog &d = f->dialogs.asked.first();
        QCOMPARE(d.kind, AskedDialog::Kind::Message);
        QCOMPARE(d.text, text);
        QCOMPARE(d.title, title);
        QCOMPARE(d.icon, icon);
    }
    void verifyOnlyError(const QString &startsWith) const
    {
        QCOMPARE(f->dialogs.asked.size(), 1);
        const AskedDialog &d = f->dialogs.asked.first();
        QCOMPARE(d.kind, AskedDialog::Kind::Message);
        QVERIFY2(d.text.startsWith(startsWith), qPrintable(d.text));
        QVERIFY2(d.text.size() > startsWith.size() + 3, "the message names the problem");
        QCOMPARE(d.title, QStringLiteral("Ошибка"));
        QCOMPARE(d.icon, Icon::Error);
    }
    // Opens the class's editor on one selected record "6N2P.lamp".
    void openOnSelectedRecord(TubeClass tubeClass)
    {
        f->put(tubeClass, "6N2P.lamp", recordBytes(sampleLines(linesOf(tubeClass))));
        f->put(tubeClass, "6J1P.lamp", recordBytes(QStringList(linesOf(tubeClass), "1")));
        openEditor(tubeClass);
        QVERIFY(clickRecord("6N2P.lamp"));
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
    }

private slots:
    void init()
    {
        f = std::make_unique<Fixture>();
        QVERIFY(f->dir.isValid());
    }

    void cleanup()
    {
        const int unexpected = f->dialogs.unexpected;
        const bool answersUsed = f->dialogs.allAnswersUsed();
        // A test leaves its own windows open; anything else still on screen is a fault.
        if (m_editor)
            m_editor->close();
        m_editor = nullptr;
        QStringList leftOpen;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && !qobject_cast<TubeEditor *>(widget))
                leftOpen.append(widget->objectName() + QStringLiteral(" ") + widget->windowTitle());
        f.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(leftOpen.isEmpty(), qPrintable(leftOpen.join(QStringLiteral(", "))));
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "every window is gone with its navigator");
        QCOMPARE(unexpected, 0);
        QVERIFY2(answersUsed, "every scripted answer was asked for");
    }

    // ---- the form ----

    void formHasTheClassLayout_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QString>("windowName");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("listHeight");
        QTest::addColumn<int>("buttonsTop");
        QTest::addColumn<QStringList>("boxesTopDown");
        QTest::newRow("Files shows eight triode boxes")
            << TubeClass::Triode << "Files" << "Редактор параметров радиоламп - Триоды" << QSize(656, 254) << 123
            << 192 << QStringList{"Un", "In2", "Ua", "Ia", "Uc", "S", "Ku", "Ri"};
        QTest::newRow("Files_Pentod shows Ug2 and Ig2 fifth and sixth")
            << TubeClass::PreampPentode << "Files_Pentod"
            << "Редактор параметров радиоламп - Пентоды для предварительных усилителей" << QSize(656, 302) << 175
            << 240 << QStringList{"Un", "In2", "Ua", "Ia", "U2", "I2", "Uc", "S", "Ku", "Ri"};
        QTest::newRow("Files_Pentod_Vihod shows Ug2 and Ig2 fifth and sixth")
            << TubeClass::PowerPentode << "Files_Pentod_Vihod"
            << "Редактор параметров радиоламп - Пентоды для усилителей мощности" << QSize(656, 302) << 175 << 240
            << QStringList{"Un", "In2", "Ua", "Ia", "U2", "I2", "Uc", "S", "Ku", "Ri"};
    }
    void formHasTheClassLayout()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QString, windowName);
        QFETCH(QString, caption);
        QFETCH(QSize, client);
        QFETCH(int, listHeight);
        QFETCH(int, buttonsTop);
        QFETCH(QStringList, boxesTopDown);
        openEditor(tubeClass);
        QCOMPARE(m_editor->objectName(), windowName);
        QCOMPARE(m_editor->windowTitle(), caption);
        QCOMPARE(m_editor->client()->size(), client);
        QCOMPARE(list()->geometry(), QRect(24, 48, 209, listHeight));
        QCOMPARE(control<QPushButton>("DelFile1")->geometry(), QRect(24, buttonsTop, 105, 41));
        QCOMPARE(control<QPushButton>("Save")->geometry(), QRect(136, buttonsTop, 97, 41));
        QCOMPARE(control<QPushButton>("DelFile1")->text(), QStringLiteral("Удалить запись"));
        QCOMPARE(control<QPushButton>("Save")->text(), QStringLiteral("Сохранить изменения"));
        QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("Выбор лампы:"));
        QCOMPARE(control<QLabel>("Label2(4)")->text(), QStringLiteral("Радиолампа:"));

        const QMap<QString, QString> captions = {
            {"Un", "Uн (напряжение накала), В"}, {"In2", "In (ток накала), А"},
            {"Ua", "Ua (напряжение анода), В"}, {"Ia", "Ia (ток анода), мА"},
            {"U2", "Ug2 (напряжение 2 сетки), В"}, {"I2", "Ig2 (ток 2 сетки), мА"},
            {"Uc", "Uc (пост. напряжение управ. сетки), В"}, {"S", "S (крутизна характеристики), мА/В"},
            {"Ku", "Коеффициент усиления"}, {"Ri", "Ri (внутреннее сопротивление), кОм"}};
        QList<QLineEdit *> boxes = m_editor->client()->findChildren<QLineEdit *>();
        QCOMPARE(boxes.size(), boxesTopDown.size());
        std::sort(boxes.begin(), boxes.end(), [](auto *a, auto *b) { return a->y() < b->y(); });
        for (int row = 0; row < boxes.size(); ++row) {
            QLineEdit *b = boxes[row];
            QCOMPARE(b->objectName(), boxesTopDown[row]);
            QCOMPARE(b->geometry(), QRect(256, 48 + 24 * row, 89, 19));
            QVERIFY(b->text().isEmpty());
            // The caption to the right of the box is the label that names it.
            const auto labels = m_editor->client()->findChildren<QLabel *>();
            const auto buddy = std::find_if(labels.begin(), labels.end(), [b](QLabel *l) { return l->buddy() == b; });
            QVERIFY2(buddy != labels.end(), qPrintable(b->objectName()));
            QCOMPARE((*buddy)->text(), captions.value(b->objectName()));
            QCOMPARE((*buddy)->geometry().topLeft(), QPoint(360, b->y()));
        }
    }

    void everyTextFitsItsPlace_data()
    {
        addClassColumn();
        addClassRows("with a long tube name shown");
    }
    void everyTextFitsItsPlace()
    {
        QFETCH(TubeClass, tubeClass);
        f->put(tubeClass, "6Ж32П-ЕВ.lamp", recordBytes(QStringList(linesOf(tubeClass), "-123,456")));
        openEditor(tubeClass);
        QVERIFY(clickRecord("6Ж32П-ЕВ.lamp"));
        for (QLabel *label : m_editor->client()->findChildren<QLabel *>()) {
            const QRect needed = label->fontMetrics().boundingRect(QRect(QPoint(), label->size()),
                                                                   Qt::TextWordWrap, label->text());
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                     qPrintable(label->objectName() + ": " + label->text()));
        }
        for (QPushButton *button : m_editor->client()->findChildren<QPushButton *>()) {
            const QRect inside = button->rect().adjusted(4, 4, -4, -4);
            const QRect needed = button->fontMetrics().boundingRect(inside, Qt::TextWordWrap, button->text());
            QVERIFY2(needed.width() <= inside.width() && needed.height() <= inside.height(),
                     qPrintable(button->text()));
        }
        for (QLineEdit *b : m_editor->client()->findChildren<QLineEdit *>())
            QVERIFY2(b->fontMetrics().height() + 4 <= b->height(), qPrintable(b->objectName()));
    }

    void menuItemsHaveTheirCaptionsAndShortcuts_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("menuCaption");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::newRow("New creates a record with F5")
            << "abc" << "Файл" << "New" << "Создать запись" << QKeySequence(Qt::Key_F5);
        QTest::newRow("SaveFile saves with F2")
            << "abc" << "Файл" << "SaveFile" << "Сохранить изменения" << QKeySequence(Qt::Key_F2);
        QTest::newRow("DelFile deletes with Shift+Del")
            << "abc" << "Файл" << "DelFile" << "Удалить запись" << QKeySequence(Qt::SHIFT | Qt::Key_Delete);
        QTest::newRow("Exit leaves with Ctrl+X")
            << "abc" << "Файл" << "Exit" << "Выход" << QKeySequence(Qt::CTRL | Qt::Key_X);
        QTest::newRow("About11 with F1")
            << "Help" << "Справка" << "About11" << "О программе" << QKeySequence(Qt::Key_F1);
    }
    void menuItemsHaveTheirCaptionsAndShortcuts()
    {
        QFETCH(QString, menu);
        QFETCH(QString, menuCaption);
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        for (TubeClass tubeClass : {TubeClass::Triode, TubeClass::PreampPentode, TubeClass::PowerPentode}) {
            openEditor(tubeClass);
            auto *m = m_editor->menuBar()->findChild<QMenu *>(menu);
            QVERIFY(m);
            QCOMPARE(m->title(), menuCaption);
            QAction *action = m_editor->findChild<QAction *>(item);
            QVERIFY(action);
            QVERIFY(m->actions().contains(action));
            QCOMPARE(action->text(), caption);
            QCOMPARE(action->shortcut(), shortcut);
            m_editor->close();
        }
    }

    // ---- opening and selecting ----

    void openingListsTheClassRecordsWithNothingSelected_data()
    {
        addClassColumn();
        addClassRows("lists only its own *.lamp files");
    }
    void openingListsTheClassRecordsWithNothingSelected()
    {
        QFETCH(TubeClass, tubeClass);
        for (TubeClass other : {TubeClass::Triode, TubeClass::PreampPentode, TubeClass::PowerPentode})
            f->put(other, QStringLiteral("other%1.lamp").arg(int(other)), "0\r\n");
        f->put(tubeClass, "6N2P.lamp", "0\r\n");
        f->put(tubeClass, "notes.txt", "0\r\n");
        openEditor(tubeClass);
        QCOMPARE(list()->names(), (QStringList{"6N2P.lamp", QStringLiteral("other%1.lamp").arg(int(tubeClass))}));
        QVERIFY(list()->selectedName().isEmpty());
        QVERIFY(file1().isEmpty());
        QVERIFY(boxesEmpty());
        QVERIFY(f->dialogs.asked.isEmpty());
    }

    void selectingShowsEachLineInItsBox_data()
    {
        addClassColumn();
        addClassRows("puts line n into box n, extra lines ignored");
    }
    void selectingShowsEachLineInItsBox()
    {
        QFETCH(TubeClass, tubeClass);
        f->put(tubeClass, "6N2P.lamp", recordBytes(sampleLines(11)));
        openEditor(tubeClass);
        QVERIFY(clickRecord("6N2P.lamp"));
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(boxTexts(), sampleLines(linesOf(tubeClass)));
        if (tubeClass != TubeClass::Triode) {
            QCOMPARE(box("U2")->text(), QStringLiteral("150"));
            QCOMPARE(box("I2")->text(), QStringLiteral("2.5"));
        }
        QVERIFY(f->dialogs.asked.isEmpty());
    }

    void selectingAnotherRecordDropsTypedChanges_data()
    {
        addClassColumn();
        addClassRows("without a question");
    }
    void selectingAnotherRecordDropsTypedChanges()
    {
        QFETCH(TubeClass, tubeClass);
        openOnSelectedRecord(tubeClass);
        QTest::keyClicks(box("Ri"), "777");
        QVERIFY(clickRecord("6J1P.lamp"));
        QCOMPARE(file1(), QStringLiteral("6J1P.lamp"));
        QCOMPARE(boxTexts(), QStringList(linesOf(tubeClass), "1"));
        QVERIFY(clickRecord("6N2P.lamp"));
        QCOMPARE(boxTexts(), sampleLines(linesOf(tubeClass)));
        QVERIFY(f->dialogs.asked.isEmpty());
    }

    void unreadableRecordKeepsTheShownOne_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QString>("broken");
        QTest::newRow("a triode record in a pentode folder is too short")
            << TubeClass::PreampPentode << "short.lamp";
        QTest::newRow("a power pentode record of seven lines is too short") << TubeClass::PowerPentode << "short.lamp";
        QTest::newRow("a triode record that vanished after listing") << TubeClass::Triode << "vanished.lamp";
        QTest::newRow("a pentode record that vanished after listing") << TubeClass::PreampPentode << "vanished.lamp";
    }
    void unreadableRecordKeepsTheShownOne()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QString, broken);
        f->put(tubeClass, "short.lamp", recordBytes(sampleLines(tubeClass == TubeClass::PowerPentode ? 7 : 8)));
        f->put(tubeClass, "vanished.lamp", recordBytes(sampleLines(linesOf(tubeClass))));
        openOnSelectedRecord(tubeClass);
        QTest::keyClicks(box("Un"), "1");
        const QStringList typed = boxTexts();
        QVERIFY(QFile::remove(f->pathOf(tubeClass, "vanished.lamp")));

        QVERIFY(clickRecord(broken));
        verifyOnlyError(QStringLiteral("Ошибка чтения: "));
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(boxTexts(), typed);
        // Still usable: the shown record saves as typed.
        f->dialogs.clear();
        press("Save");
        verifyOnlyMessage(QStringLiteral("Сохранено !"), QString(), Icon::Information);
        QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), recordBytes(typed));
    }

    // A record file whose name the editor would refuse (here one that would
    // put commands into a netlist) is not listed, and is named in one error
    // message: once, not again at the next opening.
    void aRefusedFileNameIsToldOnceAndNotListed_data()
    {
        addClassColumn();
        addClassRows("leaves out a name with line ends");
    }
    void aRefusedFileNameIsToldOnceAndNotListed()
    {
        QFETCH(TubeClass, tubeClass);
        const QString hostile = QStringLiteral("EL84\n.control\nshell touch PWNED\n.endc.lamp");
        f->put(tubeClass, hostile, "0\r\n");
        f->put(tubeClass, "6N2P.lamp", "0\r\n");
        openEditor(tubeClass);
        QCOMPARE(list()->names(), QStringList{"6N2P.lamp"});
        verifyOnlyError(QStringLiteral("Файл «EL84?.control?shell touch PWNED?.endc.lamp» в папке "));
        f->dialogs.clear();
        m_editor->close();
        openEditor(tubeClass);
        QCOMPARE(list()->names(), QStringList{"6N2P.lamp"});
        QVERIFY(f->dialogs.asked.isEmpty());
        // A second such file is news: both are named.
        f->put(tubeClass, QStringLiteral("x\u2028y.lamp"), "0\r\n");
        m_editor->close();
        openEditor(tubeClass);
        verifyOnlyError(QStringLiteral("Файлы в папке "));
        QVERIFY(f->dialogs.asked.first().text.contains(QStringLiteral("«x?y.lamp»")));
    }

    void missingClassFolderOpensWithAnEmptyList()
    {
        QVERIFY(QDir(f->pathOf(TubeClass::PowerPentode)).removeRecursively());
        openEditor(TubeClass::PowerPentode);
        QVERIFY(m_editor->isVisible());
        QVERIFY(list()->names().isEmpty());
        QCOMPARE(f->dialogs.asked.size(), 1);
        QCOMPARE(f->dialogs.asked.first().title, QStringLiteral("Ошибка"));
        f->dialogs.clear();
        press("Save");
        verifyOnlyMessage(kNotSelectedSave, "Ошибка", Icon::Error);
    }

    // ---- saving ----

    void nothingSelectedIsRefused_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("message");
        for (auto [tubeClass, name] : {std::pair{TubeClass::Triode, "Files"}, {TubeClass::PreampPentode, "Files_Pentod"},
                                       {TubeClass::PowerPentode, "Files_Pentod_Vihod"}}) {
            QTest::addRow("%s Save button with nothing selected", name) << tubeClass << "Save" << kNotSelectedSave;
            QTest::addRow("%s SaveFile item with nothing selected", name) << tubeClass << "SaveFile" << kNotSelectedSave;
            QTest::addRow("%s DelFile1 button with nothing selected", name)
                << tubeClass << "DelFile1" << kNotSelectedDelete;
            QTest::addRow("%s DelFile item with nothing selected", name) << tubeClass << "DelFile" << kNotSelectedDelete;
        }
    }
    void nothingSelectedIsRefused()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QString, trigger);
        QFETCH(QString, message);
        f->put(tubeClass, "6N2P.lamp", "5\r\n");
        openEditor(tubeClass);
        typeInBoxes(sampleLines(linesOf(tubeClass)));
        this->trigger(trigger);
        verifyOnlyMessage(message, "Ошибка", Icon::Error);
        QCOMPARE(f->filesOf(tubeClass), QStringList{"6N2P.lamp"});
        QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), QByteArray("5\r\n"));
        QCOMPARE(boxTexts(), sampleLines(linesOf(tubeClass)));
    }

    void nonNumericBoxIsRefused_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("text");
        for (auto [tubeClass, name] : {std::pair{TubeClass::Triode, "Files"}, {TubeClass::PreampPentode, "Files_Pentod"},
                                       {TubeClass::PowerPentode, "Files_Pentod_Vihod"}})
            for (const QString &boxName : TubeEditor::boxNamesInFileOrder(tubeClass))
                QTest::addRow("%s empty %s", name, qPrintable(boxName)) << tubeClass << kCommaLocale << boxName << "";
        const QList<std::tuple<const char *, QLocale, QString>> texts = {
            {"letters", kCommaLocale, "abc"},
            {"a number followed by a unit", kPointLocale, "6.3V"},
            {"blanks only", kPointLocale, "   "},
            {"a group separator under a comma locale", kCommaLocale, "1 000"},
            {"a group separator under a point locale", kPointLocale, "1,000.5"},
            {"two decimal separators", kCommaLocale, "6,3,1"},
            {"mixed separators", kPointLocale, "6.3,1"},
            {"Cyrillic letters", kCommaLocale, "шесть"},
        };
        for (const auto &[what, locale, text] : texts) {
            QTest::addRow("Files %s in Ri", what) << TubeClass::Triode << locale << "Ri" << text;
            QTest::addRow("Files_Pentod %s in U2", what) << TubeClass::PreampPentode << locale << "U2" << text;
            QTest::addRow("Files_Pentod_Vihod %s in I2", what) << TubeClass::PowerPentode << locale << "I2" << text;
        }
    }
    void nonNumericBoxIsRefused()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QLocale, locale);
        QFETCH(QString, boxName);
        QFETCH(QString, text);
        f->context.locale = locale;
        openOnSelectedRecord(tubeClass);
        const QByteArray before = f->bytesOf(tubeClass, "6N2P.lamp");
        box(boxName)->setText(text);
        const QStringList typed = boxTexts();
        press("Save");
        verifyOnlyMessage(kNotNumeric, "Ошибка", Icon::Error);
        QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), before);
        QCOMPARE(boxTexts(), typed);
        QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
    }

    void numbersAreSavedExactlyAsTyped_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("typed"); // in file order
        const QStringList commas = {"6,3", "0,3", "250", "10", "-2", "2", "20", "10"};
        const QStringList points = {"6.3", "0.3", "250", "10", "-2", "2", "20", "10"};
        QTest::newRow("Files, comma locale, decimal commas") << TubeClass::Triode << kCommaLocale << commas;
        QTest::newRow("Files, comma locale, decimal points kept") << TubeClass::Triode << kCommaLocale << points;
        QTest::newRow("Files, point locale, decimal points") << TubeClass::Triode << kPointLocale << points;
        QTest::newRow("Files, point locale, decimal commas kept") << TubeClass::Triode << kPointLocale << commas;
        QTest::newRow("Files, blanks around numbers kept")
            << TubeClass::Triode << kPointLocale << QStringList{" 6.3", "0.3 ", "250", "10", "-2", "2", "20", "0"};
        QTest::newRow("Files_Pentod, comma locale, screen values last")
            << TubeClass::PreampPentode << kCommaLocale << (commas + QStringList{"150", "0,8"});
        QTest::newRow("Files_Pentod_Vihod, point locale, screen values last")
            << TubeClass::PowerPentode << kPointLocale << (points + QStringList{"250", "7.5"});
        QTest::newRow("Files_Pentod_Vihod, comma locale, mixed separators across boxes")
            << TubeClass::PowerPentode << kCommaLocale << (commas + QStringList{"250", "7.5"});
    }
    void numbersAreSavedExactlyAsTyped()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QLocale, locale);
        QFETCH(QStringList, typed);
        f->context.locale = locale;
        openOnSelectedRecord(tubeClass);
        typeInBoxes(typed);
        press("Save");
        verifyOnlyMessage(QStringLiteral("Сохранено !"), QString(), Icon::Information);
        QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), recordBytes(typed));
        QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(boxTexts(), typed);
        QCOMPARE(f->bytesOf(tubeClass, "6J1P.lamp"), recordBytes(QStringList(linesOf(tubeClass), "1")));
    }

    void aFailedWriteShowsWhyAndKeepsTheRecord_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<bool>("replaceByCreate");
        QTest::addColumn<anodix::detail::WriteStep>("step");
        QTest::newRow("Files, save, disk full in the write") << TubeClass::Triode << false
                                                             << anodix::detail::WriteStep::Write;
        QTest::newRow("Files_Pentod, save, disk full in the sync") << TubeClass::PreampPentode << false
                                                                   << anodix::detail::WriteStep::Sync;
        QTest::newRow("Files_Pentod_Vihod, replace with Да, disk full in the write")
            << TubeClass::PowerPentode << true << anodix::detail::WriteStep::Write;
    }
    void aFailedWriteShowsWhyAndKeepsTheRecord()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(bool, replaceByCreate);
        QFETCH(anodix::detail::WriteStep, step);
        openOnSelectedRecord(tubeClass);
        const QByteArray before = f->bytesOf(tubeClass, "6N2P.lamp");
        box("Ia")->setText("12");
        {
            const InjectedWriteFault diskFull(step, ENOSPC);
            if (replaceByCreate) {
                f->dialogs.answerText("6N2P");
                f->dialogs.answerYes();
                menuItem("New")->trigger();
                QCOMPARE(f->dialogs.asked.size(), 3);
                f->dialogs.asked.remove(0, 2);
            } else {
                press("Save");
            }
        }
        verifyOnlyError(replaceByCreate ? QStringLiteral("Ошибка добавления: ") : QStringLiteral("Ошибка сохранения: "));
        QVERIFY2(f->dialogs.asked[0].text.contains(QStringLiteral("на диске нет свободного места")),
                 qPrintable(f->dialogs.asked[0].text));
        QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), before);
        QCOMPARE(f->filesOf(tubeClass), (QStringList{"6J1P.lamp", "6N2P.lamp"}));
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
    }

    void aRecordChangedOutsideIsSavedOnlyWithConsent_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("yes");
        QTest::newRow("changed by another program, Нет keeps its change") << "changed" << false;
        QTest::newRow("changed by another program, Да saves the boxes") << "changed" << true;
        QTest::newRow("deleted by another program, Нет leaves it deleted") << "deleted" << false;
        QTest::newRow("deleted by another program, Да writes it again") << "deleted" << true;
        QTest::newRow("rewritten with the same bytes, nothing asked") << "same bytes" << true;
    }
    void aRecordChangedOutsideIsSavedOnlyWithConsent()
    {
        QFETCH(QString, change);
        QFETCH(bool, yes);
        openOnSelectedRecord(TubeClass::Triode);
        const QByteArray loaded = f->bytesOf(TubeClass::Triode, "6N2P.lamp");
        const QByteArray theirs = recordBytes(QStringList(8, "5"));
        if (change == "changed")
            f->put(TubeClass::Triode, "6N2P.lamp", theirs);
        else if (change == "deleted")
            QVERIFY(QFile::remove(f->pathOf(TubeClass::Triode, "6N2P.lamp")));
        else
            f->put(TubeClass::Triode, "6N2P.lamp", loaded);
        box("Ia")->setText("12");
        const QStringList typed = boxTexts();
        const bool asks = change != "same bytes";
        if (asks)
            yes ? f->dialogs.answerYes() : f->dialogs.answerNo();
        press("Save");

        if (asks) {
            QCOMPARE(f->dialogs.asked.first().kind, AskedDialog::Kind::YesNo);
            QCOMPARE(f->dialogs.asked.first().text,
                     QStringLiteral("Запись «6N2P.lamp» изменена или удалена другой программой. "
                                    "Сохранить ваши значения?"));
            f->dialogs.asked.removeFirst();
        }
        if (yes) {
            verifyOnlyMessage(QStringLiteral("Сохранено !"), QString(), Icon::Information);
            QCOMPARE(f->bytesOf(TubeClass::Triode, "6N2P.lamp"), recordBytes(typed));
            // What this editor saved is what it now expects on disk: no second question.
            f->dialogs.clear();
            press("Save");
            verifyOnlyMessage(QStringLiteral("Сохранено !"), QString(), Icon::Information);
        } else {
            QCOMPARE(f->dialogs.asked.size(), 0);
            QCOMPARE(f->bytesOf(TubeClass::Triode, "6N2P.lamp"),
                     change == "changed" ? theirs : QByteArray("<missing>"));
        }
        QCOMPARE(boxTexts(), typed);
    }

    void screenBoxesAreWrittenAsLinesNineAndTen_data()
    {
        addClassColumn();
        QTest::newRow("Files_Pentod") << TubeClass::PreampPentode;
        QTest::newRow("Files_Pentod_Vihod") << TubeClass::PowerPentode;
    }
    void screenBoxesAreWrittenAsLinesNineAndTen()
    {
        QFETCH(TubeClass, tubeClass);
        openOnSelectedRecord(tubeClass);
        // Typed top-down as on screen: U2 and I2 are the fifth and sixth boxes.
        const QStringList topDown = {"Un", "In2", "Ua", "Ia", "U2", "I2", "Uc", "S", "Ku", "Ri"};
        for (int row = 0; row < topDown.size(); ++row) {
            box(topDown[row])->clear();
            QTest::keyClicks(box(topDown[row]), QString::number(row + 1));
        }
        press("Save");
        QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), QByteArray("1\r\n2\r\n3\r\n4\r\n7\r\n8\r\n9\r\n10\r\n5\r\n6\r\n"));
    }

    void savingDropsLinesBeyondTheClass()
    {
        f->put(TubeClass::Triode, "6N2P.lamp", recordBytes(sampleLines(11)));
        openEditor(TubeClass::Triode);
        QVERIFY(clickRecord("6N2P.lamp"));
        menuItem("SaveFile")->trigger();
        QCOMPARE(f->bytesOf(TubeClass::Triode, "6N2P.lamp"), recordBytes(sampleLines(8)));
    }

    void refusedSaveChangesNothing_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QString>("how");
        QTest::newRow("Files, class folder gone") << TubeClass::Triode << "folder gone";
        QTest::newRow("Files_Pentod, class folder gone") << TubeClass::PreampPentode << "folder gone";
        QTest::newRow("Files, read-only record") << TubeClass::Triode << "read-only file";
        QTest::newRow("Files_Pentod_Vihod, read-only folder") << TubeClass::PowerPentode << "read-only folder";
    }
    void refusedSaveChangesNothing()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QString, how);
        if (how != "folder gone" && !permissionsAreEnforced(f->dir.path()))
            QSKIP("running with rights that permission bits do not stop; the folder-gone rows cover refusals");
        openOnSelectedRecord(tubeClass);
        const QByteArray before = f->bytesOf(tubeClass, "6N2P.lamp");
        const QString folder = f->pathOf(tubeClass);
        if (how == "folder gone")
            QVERIFY(QDir(folder).removeRecursively());
        else if (how == "read-only file")
            QFile::setPermissions(f->pathOf(tubeClass, "6N2P.lamp"), QFile::ReadOwner);
        else
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        box("Ia")->setText("12");
        const QStringList typed = boxTexts();
        press("Save");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(f->pathOf(tubeClass, "6N2P.lamp"), QFile::ReadOwner | QFile::WriteOwner);
        verifyOnlyError(QStringLiteral("Ошибка сохранения: "));
        if (how == "folder gone")
            QVERIFY(!QDir(folder).exists());
        else
            QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), before);
        QCOMPARE(boxTexts(), typed);
        QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
    }

    // ---- deleting ----

    void deletingAsksFirst_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("Files, No keeps everything") << TubeClass::Triode << false << "DelFile1";
        QTest::newRow("Files_Pentod, No keeps everything") << TubeClass::PreampPentode << false << "DelFile";
        QTest::newRow("Files_Pentod_Vihod, No keeps everything") << TubeClass::PowerPentode << false << "DelFile1";
        QTest::newRow("Files, Yes deletes and reloads") << TubeClass::Triode << true << "DelFile";
        QTest::newRow("Files_Pentod, Yes deletes and reloads") << TubeClass::PreampPentode << true << "DelFile1";
        QTest::newRow("Files_Pentod_Vihod, Yes deletes and reloads") << TubeClass::PowerPentode << true << "DelFile";
    }
    void deletingAsksFirst()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(bool, yes);
        QFETCH(QString, trigger);
        openOnSelectedRecord(tubeClass);
        QTest::keyClicks(box("Uc"), "5");
        const QStringList typed = boxTexts();
        yes ? f->dialogs.answerYes() : f->dialogs.answerNo();
        this->trigger(trigger);

        const AskedDialog &question = f->dialogs.asked.value(0);
        QCOMPARE(question.kind, AskedDialog::Kind::YesNo);
        QCOMPARE(question.text, QStringLiteral("Удалить запись?"));
        QCOMPARE(question.title, QStringLiteral("Удаление"));
        QVERIFY(m_editor->isVisible());
        if (!yes) {
            QCOMPARE(f->dialogs.asked.size(), 1);
            QCOMPARE(f->filesOf(tubeClass), (QStringList{"6J1P.lamp", "6N2P.lamp"}));
            QCOMPARE(list()->names(), (QStringList{"6J1P.lamp", "6N2P.lamp"}));
            QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
            QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
            QCOMPARE(boxTexts(), typed);
            return;
        }
        QCOMPARE(f->dialogs.asked.size(), 2);
        const AskedDialog &done = f->dialogs.asked[1];
        QCOMPARE(done.text, QStringLiteral("Удалено !"));
        QCOMPARE(done.title, QString());
        QCOMPARE(done.icon, Icon::Information);
        QCOMPARE(f->filesOf(tubeClass), QStringList{"6J1P.lamp"});
        QCOMPARE(list()->names(), QStringList{"6J1P.lamp"});
        QVERIFY(list()->selectedName().isEmpty());
        QVERIFY(file1().isEmpty());
        QVERIFY(boxesEmpty());
    }

    void refusedDeleteChangesNothing_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QString>("how");
        QTest::newRow("Files, record already gone") << TubeClass::Triode << "file gone";
        QTest::newRow("Files_Pentod_Vihod, record already gone") << TubeClass::PowerPentode << "file gone";
        QTest::newRow("Files_Pentod, read-only folder") << TubeClass::PreampPentode << "read-only folder";
    }
    void refusedDeleteChangesNothing()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QString, how);
        if (how != "file gone" && !permissionsAreEnforced(f->dir.path()))
            QSKIP("running with rights that permission bits do not stop; the file-gone rows cover refusals");
        openOnSelectedRecord(tubeClass);
        const QStringList shown = boxTexts();
        const QString folder = f->pathOf(tubeClass);
        if (how == "file gone")
            QVERIFY(QFile::remove(f->pathOf(tubeClass, "6N2P.lamp")));
        else
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        f->dialogs.answerYes();
        press("DelFile1");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(f->dialogs.asked.size(), 2);
        f->dialogs.asked.removeFirst();
        verifyOnlyError(QStringLiteral("Ошибка удаления: "));
        if (how != "file gone")
            QCOMPARE(f->filesOf(tubeClass), (QStringList{"6J1P.lamp", "6N2P.lamp"}));
        QCOMPARE(list()->names(), (QStringList{"6J1P.lamp", "6N2P.lamp"}));
        QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(boxTexts(), shown);
    }

    // ---- creating ----

    void creatingWritesAZeroRecordAndReloads_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("size");
        QTest::newRow("Files, a plain name") << TubeClass::Triode << "6Н2П" << "6Н2П.lamp" << 24;
        QTest::newRow("Files, a name typed with its extension")
            << TubeClass::Triode << "6N2P.lamp" << "6N2P.lamp.lamp" << 24;
        QTest::newRow("Files_Pentod, a name with blanks kept")
            << TubeClass::PreampPentode << " EF86 new " << " EF86 new .lamp" << 30;
        QTest::newRow("Files_Pentod_Vihod, a plain name") << TubeClass::PowerPentode << "EL84" << "EL84.lamp" << 30;
    }
    void creatingWritesAZeroRecordAndReloads()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QString, typed);
        QFETCH(QString, fileName);
        QFETCH(int, size);
        openOnSelectedRecord(tubeClass);
        f->dialogs.answerText(typed);
        menuItem("New")->trigger();

        QCOMPARE(f->dialogs.asked.size(), 1);
        QCOMPARE(f->dialogs.asked[0].kind, AskedDialog::Kind::Text);
        QCOMPARE(f->dialogs.asked[0].text, QStringLiteral("Введите название лампы:"));
        QCOMPARE(f->dialogs.asked[0].title, QStringLiteral("Добавление записи"));
        const QByteArray bytes = f->bytesOf(tubeClass, fileName);
        QCOMPARE(bytes.size(), size);
        QCOMPARE(bytes, QByteArray("0\r\n").repeated(size / 3));
        QVERIFY(list()->names().contains(fileName));
        QCOMPARE(list()->names().size(), 3);
        QVERIFY(list()->selectedName().isEmpty());
        QVERIFY(file1().isEmpty());
        QVERIFY(boxesEmpty());
        QVERIFY(m_editor->isVisible());
    }

    void creatingWithoutANameDoesNothing_data()
    {
        addClassColumn();
        addClassRows("when cancelled");
    }
    void creatingWithoutANameDoesNothing()
    {
        QFETCH(TubeClass, tubeClass);
        openOnSelectedRecord(tubeClass);
        const QStringList shown = boxTexts();
        f->dialogs.answerText(QString());
        menuItem("New")->trigger();
        QCOMPARE(f->dialogs.asked.size(), 1);
        QCOMPARE(f->filesOf(tubeClass), (QStringList{"6J1P.lamp", "6N2P.lamp"}));
        QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(boxTexts(), shown);
    }

    void creatingAnExistingNameAsksBeforeReplacing_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<bool>("yes");
        QTest::newRow("Files, No keeps the old record") << TubeClass::Triode << false;
        QTest::newRow("Files_Pentod, No keeps the old record") << TubeClass::PreampPentode << false;
        QTest::newRow("Files, Yes replaces it with zeros") << TubeClass::Triode << true;
        QTest::newRow("Files_Pentod_Vihod, Yes replaces it with zeros") << TubeClass::PowerPentode << true;
    }
    void creatingAnExistingNameAsksBeforeReplacing()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(bool, yes);
        openOnSelectedRecord(tubeClass);
        const QByteArray before = f->bytesOf(tubeClass, "6N2P.lamp");
        const QStringList shown = boxTexts();
        f->dialogs.answerText("6N2P");
        yes ? f->dialogs.answerYes() : f->dialogs.answerNo();
        menuItem("New")->trigger();

        QCOMPARE(f->dialogs.asked.size(), 2);
        QCOMPARE(f->dialogs.asked[1].kind, AskedDialog::Kind::YesNo);
        QCOMPARE(f->dialogs.asked[1].text, QStringLiteral("Запись «6N2P.lamp» уже есть. Заменить её?"));
        QCOMPARE(f->dialogs.asked[1].title, QStringLiteral("Добавление записи"));
        QCOMPARE(f->filesOf(tubeClass), (QStringList{"6J1P.lamp", "6N2P.lamp"}));
        if (yes) {
            QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), QByteArray("0\r\n").repeated(linesOf(tubeClass)));
            QVERIFY(list()->selectedName().isEmpty());
            QVERIFY(boxesEmpty());
        } else {
            QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), before);
            QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
            QCOMPARE(boxTexts(), shown);
        }
    }

    void refusedNameWritesNothing_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<QString>("typed");
        QTest::newRow("Files, a slash") << TubeClass::Triode << "6N2P/6N1P";
        QTest::newRow("Files, climbing out of the folder") << TubeClass::Triode << "../../escape";
        QTest::newRow("Files_Pentod, two dots") << TubeClass::PreampPentode << "..";
        QTest::newRow("Files_Pentod_Vihod, a tab inside") << TubeClass::PowerPentode << "EL\t84";
        QTest::newRow("Files_Pentod_Vihod, a line break inside") << TubeClass::PowerPentode << "EL84\n";
        QTest::newRow("Files, blanks only") << TubeClass::Triode << "   ";
        QTest::newRow("Files_Pentod, a right-to-left override") << TubeClass::PreampPentode
                                                                << QStringLiteral("EF86\u202Epmal");
    }
    void refusedNameWritesNothing()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(QString, typed);
        openOnSelectedRecord(tubeClass);
        const QStringList shown = boxTexts();
        f->dialogs.answerText(typed);
        menuItem("New")->trigger();
        QCOMPARE(f->dialogs.asked.size(), 2);
        f->dialogs.asked.removeFirst();
        verifyOnlyError(QStringLiteral("Ошибка добавления: "));
        QCOMPARE(f->filesOf(tubeClass), (QStringList{"6J1P.lamp", "6N2P.lamp"}));
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"bd"});
        QCOMPARE(QDir(f->dir.path() + "/bd").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"pentod", "tetrod", "triod"}));
        QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
        QCOMPARE(boxTexts(), shown);
    }

    void creatingInAMissingFolderFails()
    {
        openOnSelectedRecord(TubeClass::PreampPentode);
        QVERIFY(QDir(f->pathOf(TubeClass::PreampPentode)).removeRecursively());
        f->dialogs.answerText("EF86");
        menuItem("New")->trigger();
        QCOMPARE(f->dialogs.asked.size(), 2);
        f->dialogs.asked.removeFirst();
        verifyOnlyError(QStringLiteral("Ошибка добавления: "));
        QVERIFY(!QDir(f->pathOf(TubeClass::PreampPentode)).exists());
        QCOMPARE(list()->selectedName(), QStringLiteral("6N2P.lamp"));
        QVERIFY(m_editor->isVisible());
    }

    // ---- leaving ----

    void exitOpensTheCalculationWindowOfTheClass_data()
    {
        QTest::addColumn<TubeClass>("tubeClass");
        QTest::addColumn<WindowId>("calculation");
        QTest::newRow("Files returns to Triod") << TubeClass::Triode << WindowId::Triod;
        QTest::newRow("Files_Pentod returns to Pentod") << TubeClass::PreampPentode << WindowId::Pentod;
        QTest::newRow("Files_Pentod_Vihod returns to Tetrod") << TubeClass::PowerPentode << WindowId::Tetrod;
    }
    void exitOpensTheCalculationWindowOfTheClass()
    {
        QFETCH(TubeClass, tubeClass);
        QFETCH(WindowId, calculation);
        openOnSelectedRecord(tubeClass);
        QTest::keyClicks(box("Ua"), "9"); // dropped without a question
        menuItem("Exit")->trigger();
        QVERIFY(!m_editor->isOpen());
        QVERIFY(!m_editor->isVisible());
        FormWindow *next = f->navigator.window(calculation);
        QVERIFY(next->isOpen());
        QVERIFY(f->dialogs.asked.isEmpty());
        QCOMPARE(f->bytesOf(tubeClass, "6N2P.lamp"), recordBytes(sampleLines(linesOf(tubeClass))));
        next->close();
        // Opened again, the editor remembers nothing.
        openEditor(tubeClass);
        QVERIFY(list()->selectedName().isEmpty());
        QVERIFY(file1().isEmpty());
        QVERIFY(boxesEmpty());
    }

    void closingByTheFrameOpensNothingElse()
    {
        openEditor(TubeClass::Triode);
        m_editor->close();
        QVERIFY(!m_editor->isOpen());
        for (WindowId id : {WindowId::Triod, WindowId::Pentod, WindowId::Tetrod, WindowId::About})
            QVERIFY(!f->navigator.window(id)->isOpen());
    }

    void aboutOpensBesideTheEditor_data()
    {
        addClassColumn();
        addClassRows("stays open");
    }
    void aboutOpensBesideTheEditor()
    {
        QFETCH(TubeClass, tubeClass);
        openOnSelectedRecord(tubeClass);
        menuItem("About11")->trigger();
        menuItem("About11")->trigger();
        FormWindow *about = f->navigator.window(WindowId::About);
        QVERIFY(about->isOpen());
        QVERIFY(m_editor->isOpen());
        QCOMPARE(file1(), QStringLiteral("6N2P.lamp"));
        int shownAbouts = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            shownAbouts += widget->isVisible() && widget->objectName() == QStringLiteral("About");
        QCOMPARE(shownAbouts, 1);
        about->close();
    }

    // ---- round trip ----

    // The triode record typed in the editor, saved, and picked in Triod: the
    // stage computes with the very numbers typed (Ea 300, Fn1 20, R1 470).
    void savedRecordFeedsTheTriodeWindow_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("outputs"); // R1, R2, R3, C1, Ku, C3, Vt
        const QStringList commas = {"6,3", "0,3", "250", "10", "-2", "2", "20", "10"};
        const QStringList points = {"6.3", "0.3", "250", "10", "-2", "2", "20", "10"};
        QTest::newRow("comma locale, decimal commas")
            << kCommaLocale << commas << QStringList{"470", "-0,2", "15", "0,01693", "12", "0,01693", "4,39"};
        QTest::newRow("comma locale, decimal points kept from another locale")
            << kCommaLocale << points << QStringList{"470", "-0,2", "15", "0,01693", "12", "0,01693", "4,39"};
        QTest::newRow("point locale, decimal points")
            << kPointLocale << points << QStringList{"470", "-0.2", "15", "0.01693", "12", "0.01693", "4.39"};
    }
    void savedRecordFeedsTheTriodeWindow()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, outputs);
        f->context.locale = locale;
        f->navigator.registerWindow(WindowId::Triod, [this] { return std::make_unique<Triod>(f->context); });
        f->dialogs.answerText("6Н2П");
        openEditor(TubeClass::Triode);
        menuItem("New")->trigger();
        QVERIFY(clickRecord("6Н2П.lamp"));
        QCOMPARE(boxTexts(), QStringList(8, "0"));
        typeInBoxes(typed);
        press("Save");
        menuItem("Exit")->trigger();

        const RecordLines read = TubeDatabase(f->dir.path()).ReadTubeRecord(TubeClass::Triode, "6Н2П.lamp");
        QVERIFY(read.ok());
        QCOMPARE(read.lines, typed);

        FormWindow *triod = f->navigator.window(WindowId::Triod);
        QVERIFY(triod->isOpen());
        auto *list = triod->client()->findChild<FileListBox *>("File");
        QVERIFY(list->selectName("6Н2П.lamp"));
        for (auto [name, text] : {std::pair{"Ea", "300"}, {"Fn1", "20"}, {"R11", "470"}})
            QTest::keyClicks(triod->client()->findChild<QLineEdit *>(name), text);
        f->dialogs.clear();
        triod->client()->findChild<QPushButton *>("Command1")->click();
        QVERIFY2(f->dialogs.asked.isEmpty(), qPrintable(f->dialogs.messageTexts().join(' ')));
        QStringList shown;
        for (const char *name : {"R1", "R2", "R3", "C1", "Ku", "C3", "Vt"})
            shown.append(triod->client()->findChild<QLabel *>(name)->text());
        QCOMPARE(shown, outputs);
        triod->close();
    }
};

QTEST_MAIN(TestTubeEditor)
#include "tst_tubeeditor.moc"
