// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the SPICE texts through the dialogs and the program's one durable writer.
#include "anodix/charts/spiceexport.h"

#include "anodix/response/spice.h"
#include "anodix/response/stagetable.h"

#include <QFileInfo>
#include <QWidget>

namespace anodix::charts {
namespace {

const QString kErrorTitle = QStringLiteral("Ошибка");

void tell(QWidget *parent, Dialogs &dialogs, const QString &text)
{
    dialogs.message(parent, text, kErrorTitle, Dialogs::Icon::None);
}

// The response the texts are made from, or its problem told.
std::optional<response::Response> responseOf(QWidget *parent, Dialogs &dialogs, const analysis::SolvedStage &stage,
                                             const response::ResponseBoxes &boxes, const QLocale &locale)
{
    response::Response r = response::stageEntry(stage.setup.circuit).response(stage, boxes, locale);
    if (!r.ok()) {
        tell(parent, dialogs, r.problem);
        return std::nullopt;
    }
    return r;
}

void saveText(QWidget *parent, Dialogs &dialogs, const QString &title, const FileType &type, const QString &text)
{
    if (text.isEmpty()) { // a figure the model cannot take: nothing to write
        tell(parent, dialogs, QStringLiteral("Модель SPICE не построена: исходные данные вне допустимых пределов."));
        return;
    }
    const std::optional<SaveChoice> target = chooseSaveFile(parent, dialogs, title, {type});
    if (!target)
        return;
    if (const QString reason = response::SaveSpiceText(target->path, text); !reason.isEmpty())
        tell(parent, dialogs, QStringLiteral("Не удалось сохранить файл «%1»: %2.").arg(target->path, reason));
}

} // namespace

std::optional<SaveChoice> chooseSaveFile(QWidget *parent, Dialogs &dialogs, const QString &title,
                                         const QList<FileType> &types)
{
    SaveChoice choice = dialogs.saveFileName(parent, title, types);
    if (choice.path.isEmpty() || types.isEmpty())
        return std::nullopt;
    choice.type = std::clamp(choice.type, 0, int(types.size()) - 1);
    // The type chosen decides the format, and the name says it: "plot.png"
    // saved as SVG becomes "plot.png.svg" rather than an SVG named PNG.
    const QString suffix = u'.' + types.at(choice.type).suffix;
    if (!choice.path.endsWith(suffix, Qt::CaseInsensitive))
        choice.path += suffix;
    const QFileInfo file(choice.path);
    // A folder of that name is left to the writer, which refuses it.
    if (file.exists() && !file.isDir()
        && !dialogs.askYesNo(parent, QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(file.fileName()),
                             title))
        return std::nullopt;
    return choice;
}

void exportTubeModel(QWidget *parent, Dialogs &dialogs, const analysis::SolvedStage &stage,
                     const response::ResponseBoxes &boxes, const QLocale &locale)
{
    const std::optional<response::Response> r = responseOf(parent, dialogs, stage, boxes, locale);
    if (!r)
        return;
    const response::StageCircuit &c = r->circuit;
    const QString text = response::TubeSubcircuit(stage.setup.tubeName, stage.setup.circuit, r->point.tube,
                                                  {c.cgk * 1e12, c.cga * 1e12, c.cak * 1e12});
    saveText(parent, dialogs, QStringLiteral("Экспорт модели лампы SPICE"),
             {QStringLiteral("Модель SPICE"), QStringLiteral("inc")}, text);
}

void exportTubeModel(QWidget *parent, Dialogs &dialogs, const QString &tubeName, stage::Circuit kind,
                     const model::TubeFigures &figures)
{
    saveText(parent, dialogs, QStringLiteral("Экспорт модели лампы SPICE"),
             {QStringLiteral("Модель SPICE"), QStringLiteral("inc")},
             response::TubeSubcircuit(tubeName, kind, figures, response::stageEntry(kind).capacitances));
}

void exportStageNetlist(QWidget *parent, Dialogs &dialogs, const analysis::SolvedStage &stage,
                        const response::ResponseBoxes &boxes, const QLocale &locale)
{
    const std::optional<response::Response> r = responseOf(parent, dialogs, stage, boxes, locale);
    if (!r)
        return;
    saveText(parent, dialogs, QStringLiteral("Экспорт схемы каскада SPICE"),
             {QStringLiteral("Схема SPICE"), QStringLiteral("cir")}, response::stageEntry(stage.setup.circuit).netlist(*r, stage.setup.tubeName));
}

} // namespace anodix::charts
