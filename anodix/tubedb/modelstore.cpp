// SPDX-License-Identifier: GPL-3.0-or-later
// The model file beside a record, and measurement files read for a fit.
#include "anodix/tubedb/modelstore.h"

#include "anodix/tubemodel/modelfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace anodix {
namespace {

constexpr qint64 kMaxModelFileSize = 65536;
constexpr qint64 kMaxMeasurementFileSize = 64 * 1024 * 1024;

QString quoted(const QString &s)
{
    return QStringLiteral("«%1»").arg(s);
}

model::TubeType tubeTypeOf(TubeClass tubeClass)
{
    return tubeClass == TubeClass::Triode ? model::TubeType::Triode : model::TubeType::Pentode;
}

QString modelPath(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName)
{
    return database.folderPath(tubeClass) + QLatin1Char('/') + modelFileName(recordFileName);
}

} // namespace

QString modelFileName(const QString &recordFileName)
{
    QString name = recordFileName;
    if (name.endsWith(QLatin1String(".lamp"), Qt::CaseInsensitive))
        name.chop(5);
    return name + QStringLiteral(".model");
}

bool HasTubeModel(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName)
{
    const QFileInfo info(modelPath(database, tubeClass, recordFileName));
    return info.exists() || info.isSymLink();
}

ModelLoad ReadTubeModel(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName)
{
    ModelLoad load;
    const QString path = modelPath(database, tubeClass, recordFileName);
    const QString shown = quoted(QDir::toNativeSeparators(path));
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return load;
    load.present = true;
    if (!info.isFile()) {
        load.error = QStringLiteral("Файл модели %1 — не обычный файл; используется степень 3/2.").arg(shown);
        return load;
    }
    QFile file(path);
    if (info.size() > kMaxModelFileSize) {
        load.error = QStringLiteral("Файл модели %1 слишком велик; используется степень 3/2.").arg(shown);
        return load;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        load.error = QStringLiteral("Не удалось прочитать файл модели %1 (%2); используется степень 3/2.")
                         .arg(shown, file.errorString());
        return load;
    }
    const QByteArray bytes = file.read(kMaxModelFileSize + 1);
    const model::ModelFileRead read = model::parseModelFile(std::string_view(bytes.constData(), bytes.size()));
    if (!read.ok()) {
        load.error = QStringLiteral("Файл модели %1, %2; используется степень 3/2.")
                         .arg(shown, QString::fromStdString(read.error));
        return load;
    }
    if (const std::string problem = model::modelProblem(tubeTypeOf(tubeClass), read.model); !problem.empty()) {
        load.error = QStringLiteral("Файл модели %1: %2; используется степень 3/2.")
                         .arg(shown, QString::fromStdString(problem));
        return load;
    }
    load.model = std::make_shared<const model::ModelFile>(read.model);
    return load;
}

RecordOutcome WriteTubeModel(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName,
                             const model::ModelFile &file)
{
    RecordOutcome outcome;
    const QString path = modelPath(database, tubeClass, recordFileName);
    const std::string text = model::formatModelFile(file);
    const QString error = SaveWholeFile(path, QByteArray(text.data(), qsizetype(text.size())));
    if (!error.isEmpty()) {
        outcome.status = RecordOutcome::Status::Failed;
        outcome.error = QStringLiteral("Не удалось сохранить модель в %1: %2.")
                            .arg(quoted(QDir::toNativeSeparators(path)), error);
    }
    return outcome;
}

RecordOutcome DeleteTubeModel(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName)
{
    RecordOutcome outcome;
    const QString path = modelPath(database, tubeClass, recordFileName);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return outcome;
    if (info.isDir() && !info.isSymLink()) {
        outcome.status = RecordOutcome::Status::Failed;
        outcome.error = QStringLiteral("%1 — папка, а не файл модели.").arg(quoted(QDir::toNativeSeparators(path)));
        return outcome;
    }
    // A link is removed, never its target.
    if (!QFile::remove(path)) {
        outcome.status = RecordOutcome::Status::Failed;
        outcome.error = QStringLiteral("Не удалось удалить файл модели %1.").arg(quoted(QDir::toNativeSeparators(path)));
    }
    return outcome;
}

MeasurementImport ImportMeasurementFiles(const QStringList &paths)
{
    MeasurementImport result;
    const auto fail = [&](const QString &error) {
        result.points.clear();
        result.limitedRows = 0;
        result.error = error;
        return result;
    };
    if (paths.isEmpty())
        return fail(QStringLiteral("Не выбрано ни одного файла измерений."));
    for (const QString &path : paths) {
        const QString name = QFileInfo(path).fileName();
        QFile file(path);
        if (QFileInfo(path).size() > kMaxMeasurementFileSize)
            return fail(QStringLiteral("Файл %1 слишком велик для файла измерений.").arg(quoted(name)));
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("Не удалось прочитать файл %1 (%2).").arg(quoted(name), file.errorString()));
        const QByteArray bytes = file.readAll();
        const model::MeasurementRead read =
            model::readMeasurements(std::string_view(bytes.constData(), bytes.size()), name.toStdString());
        if (!read.ok())
            return fail(QString::fromStdString(read.error));
        if (!result.points.empty() && read.points.front().hasScreen != result.points.front().hasScreen)
            return fail(QStringLiteral("Файл %1: в одних файлах измерен триод, в других пентод.").arg(quoted(name)));
        result.points.insert(result.points.end(), read.points.begin(), read.points.end());
        result.limitedRows += read.limitedRows;
        result.files << name;
    }
    return result;
}

} // namespace anodix
