// SPDX-License-Identifier: GPL-3.0-or-later
// The "Файл" items both companion windows share: the choice of a file to save
// (with the question about replacing the file really written) and the SPICE
// exports of the tube and the stage.
#pragma once

#include "anodix/forms/dialogs.h"
#include "anodix/response/response.h"

#include <optional>

class QWidget;

namespace anodix::charts {

// Asks for the file to save as one of types. The chosen type's suffix is
// added to a name without it, and replacing an existing file is asked about
// under that name; nothing when the user cancels or declines.
std::optional<SaveChoice> chooseSaveFile(QWidget *parent, Dialogs &dialogs, const QString &title,
                                         const QList<FileType> &types);

// "Экспорт модели лампы SPICE…": the tube's .subckt as a .inc file.
void exportTubeModel(QWidget *parent, Dialogs &dialogs, const analysis::SolvedStage &stage,
                     const response::ResponseBoxes &boxes, const QLocale &locale);
// The same from the model window, which has no stage: the record's figures
// (with its fitted model, if any) and the typical capacitances of its class.
void exportTubeModel(QWidget *parent, Dialogs &dialogs, const QString &tubeName, stage::Circuit circuit,
                     const model::TubeFigures &figures);
// "Экспорт схемы каскада SPICE…": the stage as a .cir netlist.
void exportStageNetlist(QWidget *parent, Dialogs &dialogs, const analysis::SolvedStage &stage,
                        const response::ResponseBoxes &boxes, const QLocale &locale);

} // namespace anodix::charts
