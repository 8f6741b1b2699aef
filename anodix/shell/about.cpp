// SPDX-License-Identifier: GPL-3.0-or-later
// The About window's layout; its labels are plain texts, only Ok acts.
#include "anodix/shell/about.h"

#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

namespace anodix {

namespace {

using K = ControlKind;

constexpr ControlRow kForm[] = {
    {K::Label,   "Label1", -1, "Anodix Version 1.0",          360,  120, 4575, 735, kBoldItalicArial1425},
    {K::Line,    "Line1",  -1, nullptr,                        120,  960, 5040, 960},
    {K::Picture, "Image1", -1, ":/anodix/anodix.svg",          120, 1320,  480, 480},
    {K::Label,   "Label2",  0, "Автор: Николай Ветров",        720, 1080, 3135, 255, kBoldSans12},
    {K::Label,   "Label2",  1, "anodix@example.org",           720, 1440, 2895, 375},
    {K::Label,   "Label2",  2, "https://example.org/anodix",   720, 1800, 2895, 255},
    {K::Button,  "Ok",     -1, "Ok",                          3960, 1440,  975, 375},
};

} // namespace

std::span<const ControlRow> About::form() { return kForm; }
QSize About::clientSize() { return {5190, 2280}; }

About::About()
    : FormWindow(QStringLiteral("О программе"), clientSize())
{
    setObjectName(QStringLiteral("About"));
    // Escape closes the window as its Ok does.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &About::Ok_Click);
}

void About::createControls(QWidget *client)
{
    const FormControls controls = buildForm(client, kForm);
    controls.get<QWidget>("Image1")->setAccessibleName(QStringLiteral("Значок программы Anodix"));
    auto *ok = controls.get<QPushButton>("Ok");
    ok->setDefault(true);
    ok->setFocus(Qt::OtherFocusReason);
    connect(ok, &QPushButton::clicked, this, &About::Ok_Click);
}

void About::Ok_Click() { close(); }

} // namespace anodix
