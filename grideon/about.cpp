// SPDX-License-Identifier: GPL-3.0-or-later
// The About window of Grideon, laid out from its table.
#include "grideon/about.h"

#include "grideon/desktopshell.h"
#include "grideon/dialogs.h"
#include "grideon/stagecalc.h"

#include <QPushButton>

namespace grideon {

namespace {

#define TITLE "Программа упрощенного расчета усилительного каскада на триоде"
#define AUTHOR_EMAIL "mail@example.org"
#define AUTHOR_WEB_ADDRESS "https://example.org"

constexpr char kAuthorEmail[] = AUTHOR_EMAIL;
constexpr char kAuthorWebAddress[] = AUTHOR_WEB_ADDRESS;

const ControlRow kAboutRows[] = {
    // kind            name        text                      left   top  width height  font              colour
    {Kind::Label,     "Label1",   TITLE,                     240,  240, 4935,  615, kArialBold12,     Colour::DarkRed},
    {Kind::Line,      "Line1",    nullptr,                   120,  960, 5280,  960},
    {Kind::Label,     "Label2",   "Автор: команда Valvora",  240, 1200, 4335,  375, kTimesBold1575,   Colour::DarkBlue},
    {Kind::LinkLabel, "Label5",   "E-mail: " AUTHOR_EMAIL,   240, 1800, 3615,  375, kTimesBold1425},
    {Kind::LinkLabel, "Label4",   AUTHOR_WEB_ADDRESS,        240, 2280, 3135,  375, kTimesBold1425},
    {Kind::Label,     "Label6",   "Июнь 2009 г.",            240, 2880, 2655,  375, kSansSerif12},
    {Kind::Button,    "Command1", "Ok",                     1560, 3480, 2055,  375, kSansSerifBold12},
};

#undef TITLE
#undef AUTHOR_EMAIL
#undef AUTHOR_WEB_ADDRESS

} // namespace

std::span<const ControlRow> About::layoutTable()
{
    return kAboutRows;
}

About::About(Dialogs &dialogs, DesktopShell &shell, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
    , m_dialogs(dialogs)
    , m_shell(shell)
{
    setObjectName(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("О программе"));
    setWindowIcon(programIcon());
    setFixedSize(twips(kClientWidth), twips(kClientHeight));
    buildForm(this, kAboutRows);

    auto *ok = findChild<QPushButton *>(QStringLiteral("Command1"));
    connect(ok, &QPushButton::clicked, this, &About::Command1_Click);
    connect(findChild<LinkLabel *>(QStringLiteral("Label4")), &LinkLabel::clicked, this, &About::Label4_Click);
    connect(findChild<LinkLabel *>(QStringLiteral("Label5")), &LinkLabel::clicked, this, &About::Label5_Click);
    // Screen readers tell what a click on an address does.
    findChild<QWidget *>(QStringLiteral("Label4"))->setAccessibleDescription(QStringLiteral("Открыть сайт в браузере"));
    findChild<QWidget *>(QStringLiteral("Label5"))->setAccessibleDescription(QStringLiteral("Написать письмо автору"));
    ok->setDefault(true);
    ok->setFocus();
}

void About::Command1_Click()
{
    close();
}

void About::Label4_Click()
{
    openAddress(QString::fromUtf8(kAuthorWebAddress));
}

void About::Label5_Click()
{
    openAddress(QStringLiteral("mailto:") + QString::fromUtf8(kAuthorEmail));
}

void About::openAddress(const QString &address)
{
    if (!m_shell.openAddress(address))
        m_dialogs.message(this,
                          QStringLiteral("Не удалось открыть адрес %1: в системе не найдена программа, "
                                         "которая открывает такие адреса.").arg(address),
                          kErrorTitle);
}

} // namespace grideon
