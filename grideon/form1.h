// SPDX-License-Identifier: GPL-3.0-or-later
// Form1, Grideon's working window: six input boxes, "Рассчитать", seven
// output labels beside the schematic, and the saved inputs kept in "data.dat".
#pragma once

#include "grideon/formlayout.h"
#include "grideon/stagecalc.h"

#include <QLocale>
#include <QPointer>
#include <QWidget>

#include <span>

class QLineEdit;

namespace grideon {

class About;
class Dialogs;
class DesktopShell;

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // Loads "data.dat" from the working folder before the window is shown.
    Form1(Dialogs &dialogs, DesktopShell &shell, const QLocale &locale, QWidget *parent = nullptr);
    ~Form1() override;

    static std::span<const ControlRow> layoutTable();
    static constexpr int kClientWidth = 12630, kClientHeight = 5880; // twips

    const StageInputs &stageInputs() const { return m_inputs; }
    // The open About window, or nullptr.
    About *aboutWindow() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();
    void Command1_Click();
    void about1_Click();

    QLineEdit *inputBox(int index) const;
    void setOutput(int index, const QString &text);
    void nameOutput(int index);

    Dialogs &m_dialogs;
    DesktopShell &m_shell;
    QLocale m_locale;
    StageInputs m_inputs;
    QWidget *m_client;
    QPointer<About> m_about;
};

} // namespace grideon
