// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/moduleloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace anodix {

QObject *loadModule(const QString &name, QString &error)
{
    const QString file = QStringLiteral("lib%1.so").arg(name);
    QStringList folders{QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(ANODIX_MODULE_DIR))};
    for (const QString &path : QCoreApplication::libraryPaths())
        folders.append(QDir(path).filePath(QStringLiteral("anodix")));
    for (const QString &folder : std::as_const(folders)) {
        const QString path = QDir(folder).filePath(file);
        if (!QFileInfo(path).isFile())
            continue;
        QPluginLoader loader(path);
        // Every symbol is bound at loading, so a module that does not fit the
        // program is refused here instead of ending the program at a later call.
        loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (QObject *root = loader.instance())
            return root;
        error = loader.errorString();
        return nullptr;
    }
    error = QStringLiteral("не найден файл %1").arg(file);
    return nullptr;
}

} // namespace anodix
