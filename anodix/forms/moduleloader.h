// SPDX-License-Identifier: GPL-3.0-or-later
// Loading of the program's own modules: windows whose libraries (Qt Charts and
// the OpenGL and printing libraries under it) would cost every start, although
// the window is opened only on demand. A module is a Qt plugin whose root
// object implements the interface its users ask for.
#pragma once

#include <QObject>
#include <QString>

namespace anodix {

// The root object of the module "lib<name>.so", loaded on the first call and
// kept for the rest of the run; null when it cannot be loaded, with the reason
// in error. The module is looked for where it is installed relative to the
// program (and where the build puts it, at the same place relative to the
// program), then in "anodix" under each of QCoreApplication::libraryPaths().
// A module whose metadata does not carry the program's build identity
// ({"buildIdentity": ...}, see anodix/buildidentity.cmake) is refused unloaded.
QObject *loadModule(const QString &name, QString &error);

// This program's build identity, the one its modules must carry.
QString buildIdentity();

// The same, as the interface the module's root object implements.
template <class Interface>
Interface *loadModule(const QString &name, QString &error)
{
    QObject *root = loadModule(name, error);
    auto *wanted = qobject_cast<Interface *>(root);
    if (root && !wanted)
        error = QStringLiteral("модуль %1 не того вида").arg(name);
    return wanted;
}

} // namespace anodix
