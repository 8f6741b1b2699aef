// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/moduleloader.h"

#include "buildidentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>

namespace anodix {

QString buildIdentity()
{
    return QStringLiteral(ANODIX_BUILD_IDENTITY);
}

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
        // The metadata is read from the file without loading it: a module of
        // another build shares the program's structs as they were laid out
        // then, so not one line of it may run.
        const QJsonObject metaData = loader.metaData().value(QLatin1String("MetaData")).toObject();
        const QString carried = metaData.value(QLatin1String("buildIdentity")).toString();
        if (carried != buildIdentity()) {
            error = QStringLiteral("модуль %1 собран для другой версии программы и не загружен").arg(name);
            // Both identities and the file in the log: a build of some targets
            // alone leaves the programs and tests it did not relink with the
            // identity before, and their refusal shows nothing else to go by.
            qWarning("%s", qUtf8Printable(QStringLiteral("модуль %1 (%2) собран как «%3», программа — «%4»")
                                              .arg(name, path, carried, buildIdentity())));
            return nullptr;
        }
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
