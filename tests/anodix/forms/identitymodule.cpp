// SPDX-License-Identifier: GPL-3.0-or-later
// A module as some build of the program leaves it: the companion module's
// interface id, and the build identity of the buildidentity.json its target
// finds. Loading it leaves a mark, so a test sees whether any of it ran.
#include <QObject>

#include <cstdlib>

namespace {

// Runs as the library is loaded, before any object of it exists.
[[gnu::constructor]] void markLoaded()
{
    ::setenv(ANODIX_TEST_MODULE_MARK, "1", 1);
}

} // namespace

class IdentityModule final : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "ru.anodix.CompanionModule/3" FILE "buildidentity.json")
};

#include "identitymodule.moc"
