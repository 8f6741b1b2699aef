// SPDX-License-Identifier: GPL-3.0-or-later
// The assembly of Anodix: how the program starts, and every window of it, made on first use.
#include "anodix/shell/application.h"

#include "anodix/shell/about.h"
#include "anodix/forms/dialogs.h"
#include "anodix/shell/obshaya.h"
#include "anodix/tubedb/tubeeditor.h"
#include "anodix/windows/dvuhtakt.h"
#include "anodix/windows/pentod.h"
#include "anodix/windows/tetrod.h"
#include "anodix/windows/triod.h"
#include "anodix/windows/triodvihod.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace anodix {

bool installQtRussianTexts()
{
    auto *texts = new QTranslator(QCoreApplication::instance());
    if (!texts->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete texts;
        return false;
    }
    return QCoreApplication::installTranslator(texts);
}

void registerWindows(Navigator &navigator, const AppContext &context)
{
    navigator.registerWindow(WindowId::Obshaya, [context] { return std::make_unique<Obshaya>(context); });
    navigator.registerWindow(WindowId::About, [] { return std::make_unique<About>(); });

    navigator.registerWindow(WindowId::Triod, [context] { return std::make_unique<Triod>(context); });
    navigator.registerWindow(WindowId::Pentod, [context] { return std::make_unique<Pentod>(context); });
    navigator.registerWindow(WindowId::Tetrod, [context] { return std::make_unique<Tetrod>(context); });
    navigator.registerWindow(WindowId::TriodVihod, [context] { return std::make_unique<TriodVihod>(context); });
    navigator.registerWindow(WindowId::Dvuhtakt, [context] { return std::make_unique<Dvuhtakt>(context); });

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
    // Every text the user sees is Russian, the buttons of Qt's own dialogs too.
    installQtRussianTexts();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/anodix/anodix.svg")));

    QtDialogs dialogs;
    Navigator navigator;
    const AppContext context{dialogs, navigator, QStringLiteral("."), QLocale::system()};
    registerWindows(navigator, context);

    // The program ends when its last window closes; there is no quit command.
    navigator.switchTo(nullptr, WindowId::Obshaya);
    return app.exec();
}

} // namespace anodix
