// SPDX-License-Identifier: GPL-3.0-or-later
// The assembly of Anodix: how the program starts, and every window of it, made on first use.
#include "anodix/shell/application.h"

#include "common/startup.h"
#include "common/startupstyle.h"
#include "anodix/shell/about.h"
#include "anodix/forms/dialogs.h"
#include "anodix/shell/obshaya.h"
#include "anodix/windows/tubeeditor.h"
#include "anodix/windows/blokpitaniya.h"
#include "anodix/windows/dvuhtakt.h"
#include "anodix/windows/fazoinvertorrn.h"
#include "anodix/windows/fazoinvertorks.h"
#include "anodix/windows/pentod.h"
#include "anodix/windows/povtoritel.h"
#include "anodix/windows/tetrod.h"
#include "anodix/windows/triod.h"
#include "anodix/windows/triodvihod.h"

#include <QApplication>
#include <QIcon>

namespace anodix {

void registerWindows(Navigator &navigator, const AppContext &context)
{
    navigator.registerWindow(WindowId::Obshaya, [context] { return std::make_unique<Obshaya>(context); });
    navigator.registerWindow(WindowId::About, [] { return std::make_unique<About>(); });

    navigator.registerWindow(WindowId::Triod, [context] { return std::make_unique<Triod>(context); });
    navigator.registerWindow(WindowId::Pentod, [context] { return std::make_unique<Pentod>(context); });
    navigator.registerWindow(WindowId::Tetrod, [context] { return std::make_unique<Tetrod>(context); });
    navigator.registerWindow(WindowId::TriodVihod, [context] { return std::make_unique<TriodVihod>(context); });
    navigator.registerWindow(WindowId::Dvuhtakt, [context] { return std::make_unique<Dvuhtakt>(context); });
    navigator.registerWindow(WindowId::BlokPitaniya, [context] { return std::make_unique<BlokPitaniya>(context); });
    navigator.registerWindow(WindowId::Povtoritel, [context] { return std::make_unique<Povtoritel>(context); });
    navigator.registerWindow(WindowId::FazoinvertorRN,
                             [context] { return std::make_unique<FazoinvertorRN>(context); });
    navigator.registerWindow(WindowId::FazoinvertorKS,
                             [context] { return std::make_unique<FazoinvertorKS>(context); });

    // ---- Tube editors: Files, Files_Pentod, Files_Pentod_Vihod ----
    navigator.registerWindow(WindowId::Files,
                             [context] { return std::make_unique<TubeEditor>(context, TubeClass::Triode); });
    navigator.registerWindow(WindowId::Files_Pentod,
                             [context] { return std::make_unique<TubeEditor>(context, TubeClass::PreampPentode); });
    navigator.registerWindow(WindowId::Files_Pentod_Vihod,
                             [context] { return std::make_unique<TubeEditor>(context, TubeClass::PowerPentode); });
}

int runAnodix(QApplication &app)
{
    QApplication::setStyle(new common::StartupStyle);
    QtDialogs dialogs;
    Navigator navigator;
    const AppContext context{dialogs, navigator, QStringLiteral("."), QLocale::system()};
    registerWindows(navigator, context);

    // The program ends when its last window closes; there is no quit command.
    navigator.switchTo(nullptr, WindowId::Obshaya);
    // Every text the user sees is Russian, the buttons of Qt's own dialogs too.
    // Obshaya shows neither Qt's texts nor the icon, and no dialog can come
    // before the user acts in it, so both are loaded once it has painted.
    common::afterFirstPaint(navigator.window(WindowId::Obshaya), [] {
        common::installQtRussianTexts();
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/anodix/anodix.svg")));
    });
    return app.exec();
}

} // namespace anodix
