// SPDX-License-Identifier: GPL-3.0-or-later
// The tube parameter editors: their forms as tables, their menus, and the
// steps that read, save, create and delete the records of their class.
#include "anodix/windows/tubeeditor.h"

#include "anodix/forms/dialogs.h"
#include "anodix/forms/filelistbox.h"
#include "common/numbertext.h"
#include "anodix/tubedb/modelstore.h"

#include <QAction>
#include <QEventLoopLocker>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <utility>

namespace anodix {

namespace {

using K = ControlKind;

// "Радиолампа:" is drawn 375 twips high, as FILE1 beside it in the same 12-point
// font: at 255 the descenders of "р" and "д" would be cut off.

// Files: the eight boxes of a triode record, each with its Label2 caption to the right.
constexpr ControlRow kTriodeForm[] = {
    // kind       name        index  text                                      left  top   width height font
    {K::Label,    "Label1",   -1, "Выбор лампы:",                              360,  240,  3015, 255,  kBoldSans975},
    {K::FileList, "File",     -1, nullptr,                                     360,  720,  3135, 1845, kBoldSans825},
    {K::Button,   "DelFile1", -1, "Удалить запись",                            360,  2880, 1575, 615,  kBoldSans975},
    {K::Button,   "Save",     -1, "Сохранить изменения",                       2040, 2880, 1455, 615,  kBoldSans975},
    {K::Label,    "Label2",   4,  "Радиолампа:",                               3840, 240,  1695, 375,  kBoldSans12},
    {K::Label,    "FILE1",    -1, "",                                          5640, 240,  3975, 375,  kBoldSans12},
    {K::TextBox,  "Un",       -1, nullptr,                                     3840, 720,  1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   0,  "Uн (напряжение накала), В",                 5400, 720,  4335, 255,  kBoldSans975},
    {K::TextBox,  "In2",      -1, nullptr,                                     3840, 1080, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   3,  "In (ток накала), А",                        5400, 1080, 4335, 255,  kBoldSans975},
    {K::TextBox,  "Ua",       -1, nullptr,                                     3840, 1440, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   2,  "Ua (напряжение анода), В",                  5400, 1440, 4335, 255,  kBoldSans975},
    {K::TextBox,  "Ia",       -1, nullptr,                                     3840, 1800, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   1,  "Ia (ток анода), мА",                        5400, 1800, 4335, 255,  kBoldSans975},
    {K::TextBox,  "Uc",       -1, nullptr,                                     3840, 2160, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   5,  "Uc (пост. напряжение управ. сетки), В",     5400, 2160, 4335, 255,  kBoldSans975},
    {K::TextBox,  "S",        -1, nullptr,                                     3840, 2520, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   6,  "S (крутизна характеристики), мА/В",         5400, 2520, 4455, 255,  kBoldSans975},
    {K::TextBox,  "Ku",       -1, nullptr,                                     3840, 2880, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   7,  "Коеффициент усиления",                      5400, 2880, 4335, 255,  kBoldSans975},
    {K::TextBox,  "Ri",       -1, nullptr,                                     3840, 3240, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   8,  "Ri (внутреннее сопротивление), кОм",        5400, 3240, 4335, 255,  kBoldSans975},
};

// Files_Pentod and Files_Pentod_Vihod: a taller list, the buttons lower, and
// Ug2 and Ig2 shown between Ia and Uc although a record stores them last.
constexpr ControlRow kPentodeForm[] = {
    // kind       name        index  text                                      left  top   width height font
    {K::Label,    "Label1",   -1, "Выбор лампы:",                              360,  240,  3015, 255,  kBoldSans975},
    {K::FileList, "File",     -1, nullptr,                                     360,  720,  3135, 2625, kBoldSans825},
    {K::Button,   "DelFile1", -1, "Удалить запись",                            360,  3600, 1575, 615,  kBoldSans975},
    {K::Button,   "Save",     -1, "Сохранить изменения",                       2040, 3600, 1455, 615,  kBoldSans975},
    {K::Label,    "Label2",   4,  "Радиолампа:",                               3840, 240,  1695, 375,  kBoldSans12},
    {K::Label,    "FILE1",    -1, "",                                          5640, 240,  3975, 375,  kBoldSans12},
    {K::TextBox,  "Un",       -1, nullptr,                                     3840, 720,  1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   0,  "Uн (напряжение накала), В",                 5400, 720,  4335, 255,  kBoldSans975},
    {K::TextBox,  "In2",      -1, nullptr,                                     3840, 1080, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   3,  "In (ток накала), А",                        5400, 1080, 4335, 255,  kBoldSans975},
    {K::TextBox,  "Ua",       -1, nullptr,                                     3840, 1440, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   2,  "Ua (напряжение анода), В",                  5400, 1440, 4335, 255,  kBoldSans975},
    {K::TextBox,  "Ia",       -1, nullptr,                                     3840, 1800, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   1,  "Ia (ток анода), мА",                        5400, 1800, 4335, 255,  kBoldSans975},
    {K::TextBox,  "U2",       -1, nullptr,                                     3840, 2160, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   10, "Ug2 (напряжение 2 сетки), В",               5400, 2160, 4335, 255,  kBoldSans975},
    {K::TextBox,  "I2",       -1, nullptr,                                     3840, 2520, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   9,  "Ig2 (ток 2 сетки), мА",                     5400, 2520, 4335, 255,  kBoldSans975},
    {K::TextBox,  "Uc",       -1, nullptr,                                     3840, 2880, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   5,  "Uc (пост. напряжение управ. сетки), В",     5400, 2880, 4335, 255,  kBoldSans975},
    {K::TextBox,  "S",        -1, nullptr,                                     3840, 3240, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   6,  "S (крутизна характеристики), мА/В",         5400, 3240, 4455, 255,  kBoldSans975},
    {K::TextBox,  "Ku",       -1, nullptr,                                     3840, 3600, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   7,  "Коеффициент усиления",                      5400, 3600, 4335, 255,  kBoldSans975},
    {K::TextBox,  "Ri",       -1, nullptr,                                     3840, 3960, 1335, 285,  kBoldSans975},
    {K::Label,    "Label2",   8,  "Ri (внутреннее сопротивление), кОм",        5400, 3960, 4335, 255,  kBoldSans975},
};

// The name of the record shown, spoken with its caption.
constexpr OutputRow kShownRecord[] = {{"Label2(4)", "FILE1", nullptr}};

// Line n of a record goes to box n; the pentode classes use all ten.
constexpr const char *kBoxesInFileOrder[] = {"Un", "In2", "Ua", "Ia", "Uc", "S", "Ku", "Ri", "U2", "I2"};

struct EditorDesign
{
    TubeClass tubeClass;
    const char *windowName;
    const char *caption;
    int clientWidth, clientHeight; // twips
    std::span<const ControlRow> form;
    WindowId editorWindow;
    WindowId calculationWindow; // where Exit leads when no calculation window opened the editor
};

const EditorDesign kDesigns[] = {
    {TubeClass::Triode, "Files", "Редактор параметров радиоламп - Триоды", 9840, 3810, kTriodeForm, WindowId::Files,
     WindowId::Triod},
    {TubeClass::PreampPentode, "Files_Pentod",
     "Редактор параметров радиоламп - Пентоды для предварительных усилителей", 9840, 4530, kPentodeForm,
     WindowId::Files_Pentod, WindowId::Pentod},
    {TubeClass::PowerPentode, "Files_Pentod_Vihod", "Редактор параметров радиоламп - Пентоды для усилителей мощности",
     9840, 4530, kPentodeForm, WindowId::Files_Pentod_Vihod, WindowId::Tetrod},
};

const EditorDesign &designOf(TubeClass tubeClass)
{
    for (const EditorDesign &design : kDesigns)
        if (design.tubeClass == tubeClass)
            return design;
    return kDesigns[0];
}

const QString kErrorTitle = QStringLiteral("Ошибка");
const QString kAddTitle = QStringLiteral("Добавление записи");

} // namespace

TubeEditor::TubeEditor(const AppContext &context, TubeClass tubeClass)
    : FormWindow(QString::fromUtf8(designOf(tubeClass).caption),
                 QSize(designOf(tubeClass).clientWidth, designOf(tubeClass).clientHeight))
    , m_context(context)
    , m_tubeClass(tubeClass)
    , m_database(context.workingFolder)
{
    setObjectName(QString::fromLatin1(designOf(tubeClass).windowName));
}

std::span<const ControlRow> TubeEditor::formRows(TubeClass tubeClass)
{
    return designOf(tubeClass).form;
}

QStringList TubeEditor::boxNamesInFileOrder(TubeClass tubeClass)
{
    QStringList names;
    for (int line = 0; line < recordLineCount(tubeClass); ++line)
        names.append(QString::fromLatin1(kBoxesInFileOrder[line]));
    return names;
}

void TubeEditor::createMenus()
{
    struct MenuItem
    {
        const char *name;
        const char *caption;
        QKeySequence shortcut;
        void (TubeEditor::*handler)();
    };
    const MenuItem fileItems[] = {
        {"New", "Создать запись", QKeySequence(Qt::Key_F5), &TubeEditor::New_Click},
        {"SaveFile", "Сохранить изменения", QKeySequence(Qt::Key_F2), &TubeEditor::SaveFile_Click},
        {"DelFile", "Удалить запись", QKeySequence(Qt::SHIFT | Qt::Key_Delete), &TubeEditor::DelFile_Click},
        {"Exit", "Выход", QKeySequence(Qt::CTRL | Qt::Key_X), &TubeEditor::Exit_Click},
    };
    const MenuItem helpItems[] = {
        {"About11", "О программе", QKeySequence(Qt::Key_F1), &TubeEditor::About11_Click},
    };
    const auto addMenu = [this](const char *name, const char *caption, std::span<const MenuItem> items) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QString::fromLatin1(name));
        for (const MenuItem &item : items) {
            QAction *action = menu->addAction(QString::fromUtf8(item.caption));
            action->setObjectName(QString::fromLatin1(item.name));
            action->setShortcut(item.shortcut);
            connect(action, &QAction::triggered, this, item.handler);
        }
    };
    addMenu("abc", "Файл", fileItems);
    addMenu("Help", "Справка", helpItems);
}

void TubeEditor::createControls(QWidget *client)
{
    // Every name the editor uses is looked up here, so a renamed row stops the
    // first opening with its name instead of failing later.
    m_controls = buildForm(client, formRows(m_tubeClass));
    m_file = m_controls.get<FileListBox>("File");
    m_shownName = m_controls.get<QLabel>("FILE1");
    for (const QString &box : boxNamesInFileOrder(m_tubeClass))
        m_controls.get<QLineEdit>(box);
    setBuddies(m_controls, {{"Label2(0)", "Un"},
                        {"Label2(3)", "In2"},
                        {"Label2(2)", "Ua"},
                        {"Label2(1)", "Ia"},
                        {"Label2(5)", "Uc"},
                        {"Label2(6)", "S"},
                        {"Label2(7)", "Ku"},
                        {"Label2(8)", "Ri"},
                        {"Label1", "File"}});
    if (m_tubeClass != TubeClass::Triode)
        setBuddies(m_controls, {{"Label2(10)", "U2"}, {"Label2(9)", "I2"}});
    nameOutputs(m_controls, kShownRecord);

    connect(fileList(), &FileListBox::fileClicked, this, &TubeEditor::File_Click);
    connect(m_controls.get<QPushButton>("Save"), &QPushButton::clicked, this, &TubeEditor::Save_Click);
    connect(m_controls.get<QPushButton>("DelFile1"), &QPushButton::clicked, this, &TubeEditor::DelFile1_Click);
}

void TubeEditor::Form_Load()
{
    const RecordList records = m_database.ListTubeRecords(m_tubeClass);
    fileList()->setNames(records.names);
    if (!records.ok())
        showError(records.error);
    // Files left out are told once, not at every opening.
    if (records.refused != std::exchange(m_toldRefused, records.refused) && !records.refusedMessage.isEmpty())
        showError(records.refusedMessage);
}

void TubeEditor::File_Click(const QString &fileName)
{
    const RecordLines record = m_database.ReadTubeRecord(m_tubeClass, fileName);
    if (!record.ok() || record.lines.size() < recordLineCount(m_tubeClass)) {
        // The boxes keep the record shown before, so the selection must point at it again.
        restoreSelection();
        showError(QStringLiteral("Ошибка чтения: %1")
                      .arg(record.ok() ? QStringLiteral("В записи «%1» меньше строк, чем нужно.").arg(fileName)
                                       : record.error));
        return;
    }
    rememberOnDisk(fileName, record.bytes);
    m_shownName->setText(fileName);
    nameOutputs(m_controls, kShownRecord);
    const QStringList boxes = boxNamesInFileOrder(m_tubeClass);
    for (int line = 0; line < boxes.size(); ++line)
        setBoxText(boxes[line], record.lines[line]);
}

void TubeEditor::Save_Click()
{
    SaveSelectedRecord();
}

void TubeEditor::DelFile1_Click()
{
    DeleteSelectedRecord();
}

void TubeEditor::SaveFile_Click()
{
    SaveSelectedRecord();
}

void TubeEditor::DelFile_Click()
{
    DeleteSelectedRecord();
}

void TubeEditor::New_Click()
{
    if (!isOpen())
        return;
    const QString tubeName =
        m_context.dialogs.askText(this, QStringLiteral("Введите название лампы:"), kAddTitle);
    if (tubeName.isEmpty())
        return;
    if (const QString problem = TubeDatabase::nameProblem(tubeName); !problem.isEmpty()) {
        showError(QStringLiteral("Ошибка добавления: %1").arg(problem));
        return;
    }
    RecordOutcome outcome = m_database.CreateTubeRecord(m_tubeClass, tubeName);
    if (outcome.status == RecordOutcome::Status::AlreadyExists) {
        const QString question =
            QStringLiteral("Запись «%1» уже есть. Заменить её?").arg(tubeName + QStringLiteral(".lamp"));
        if (!m_context.dialogs.askYesNo(this, question, kAddTitle))
            return;
        outcome = m_database.CreateTubeRecord(m_tubeClass, tubeName, true);
    }
    if (!outcome.ok()) {
        showError(QStringLiteral("Ошибка добавления: %1").arg(outcome.error));
        return;
    }
    reload();
}

void TubeEditor::Exit_Click()
{
    const EditorDesign &design = designOf(m_tubeClass);
    m_context.navigator.switchTo(this, m_context.navigator.openedFrom(design.editorWindow, design.calculationWindow));
}

void TubeEditor::About11_Click()
{
    m_context.navigator.openAbout();
}

void TubeEditor::SaveSelectedRecord()
{
    if (!isOpen())
        return;
    const QString fileName = fileList()->selectedName();
    if (fileName.isEmpty()) {
        showError(QStringLiteral("Ошибка сохранения: Файл не выбран"));
        return;
    }
    QStringList values;
    for (const QString &box : boxNamesInFileOrder(m_tubeClass))
        values.append(boxText(box));
    for (const QString &value : std::as_const(values)) {
        // Either separator passes, so a record written under another locale saves back unchanged.
        if (!common::toNumberEitherSeparator(value, m_context.locale)) {
            showError(QStringLiteral("Ошибка ввода: Введено не числовое значение"));
            return;
        }
    }
    if (!mayOverwrite(fileName))
        return;
    const RecordOutcome outcome = m_database.WriteTubeRecord(m_tubeClass, fileName, values);
    if (!outcome.ok()) {
        showError(QStringLiteral("Ошибка сохранения: %1").arg(outcome.error));
        return;
    }
    rememberOnDisk(fileName, formatTubeRecordLines(values));
    m_context.dialogs.message(this, QStringLiteral("Сохранено !"), QString(), Dialogs::Icon::Information);
}

void TubeEditor::DeleteSelectedRecord()
{
    if (!isOpen())
        return;
    const QString fileName = fileList()->selectedName();
    if (fileName.isEmpty()) {
        showError(QStringLiteral("Ошибка удаления: Файл не выбран"));
        return;
    }
    // The model fitted to the tube goes with its record, and the one question says so.
    const bool withModel = HasTubeModel(m_database, m_tubeClass, fileName);
    const QString question = withModel ? QStringLiteral("Удалить запись? Вместе с ней будет удалён файл модели «%1».")
                                             .arg(modelFileName(fileName))
                                       : QStringLiteral("Удалить запись?");
    if (!m_context.dialogs.askYesNo(this, question, QStringLiteral("Удаление")))
        return;
    const RecordOutcome outcome = m_database.DeleteTubeRecord(m_tubeClass, fileName);
    if (!outcome.ok()) {
        showError(QStringLiteral("Ошибка удаления: %1").arg(outcome.error));
        return;
    }
    if (withModel) {
        if (const RecordOutcome model = DeleteTubeModel(m_database, m_tubeClass, fileName); !model.ok()) {
            showError(QStringLiteral("Ошибка удаления: запись удалена, файл модели остался: %1").arg(model.error));
            reload();
            return;
        }
    }
    m_context.dialogs.message(this, QStringLiteral("Удалено !"), QString(), Dialogs::Icon::Information);
    reload();
}

void TubeEditor::reload()
{
    // For the moment between closing and opening no window may be visible;
    // the lock keeps the application from taking that for its end.
    const QEventLoopLocker keepRunning;
    close();
    open();
}

void TubeEditor::showError(const QString &text)
{
    m_context.dialogs.message(this, text, kErrorTitle, Dialogs::Icon::Error);
}

void TubeEditor::restoreSelection()
{
    FileListBox *list = fileList();
    const QSignalBlocker quiet(list);
    const QString shown = m_shownName->text();
    if (shown.isEmpty() || !list->selectName(shown))
        list->clearSelection();
}

void TubeEditor::rememberOnDisk(const QString &fileName, const QByteArray &bytes)
{
    m_loadedName = fileName;
    m_loadedBytes = bytes;
}

bool TubeEditor::mayOverwrite(const QString &fileName)
{
    if (fileName != m_loadedName)
        return true;
    const RecordLines onDisk = m_database.ReadTubeRecord(m_tubeClass, fileName);
    if (onDisk.ok() && onDisk.bytes == m_loadedBytes)
        return true;
    // Without its folder the record cannot be written at all; the write says so.
    if (!QFileInfo(m_database.folderPath(m_tubeClass)).isDir())
        return true;
    return m_context.dialogs.askYesNo(
        this,
        QStringLiteral("Запись «%1» изменена или удалена другой программой. Сохранить ваши значения?").arg(fileName),
        QStringLiteral("Сохранение"));
}

FileListBox *TubeEditor::fileList() const
{
    return m_file;
}

QString TubeEditor::boxText(const QString &boxName) const
{
    return m_controls.get<QLineEdit>(boxName)->text();
}

void TubeEditor::setBoxText(const QString &boxName, const QString &text)
{
    m_controls.get<QLineEdit>(boxName)->setText(text);
}

} // namespace anodix
