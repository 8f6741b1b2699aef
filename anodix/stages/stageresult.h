// SPDX-License-Identifier: GPL-3.0-or-later
// What a stage calculation takes from the window and gives back to it.
#pragma once

#include "anodix/tubedb/tuberecord.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace anodix {

namespace stage {
struct HandedSolution;
}

// The record last read by a calculation window, as the texts of its lines in
// file order. Before the first pick it holds nothing: every field is absent.
struct LoadedTube
{
    QStringList lines;
    // The model fitted to the tube's measured curves, read beside the record
    // when it was picked; none: the 3/2 law. Only the output stages use it.
    std::shared_ptr<const model::ModelFile> model = {};

    bool has(TubeField field) const { return static_cast<int>(field) < lines.size(); }
    QString text(TubeField field) const { return has(field) ? lines.at(static_cast<int>(field)) : QString(); }
};

struct DisplayUpdate
{
    QString output; // the name of the output label, e.g. "R1"
    QString text;
    bool operator==(const DisplayUpdate &) const = default;
};

struct StageMessage
{
    QString title;
    QString text;
    bool operator==(const StageMessage &) const = default;
};

// Display updates in the order the window applies them, then at most one message.
struct StageResult
{
    QList<DisplayUpdate> updates;
    std::optional<StageMessage> message;
    // What the calculation solved on the tube's model, for the analyses of
    // the same stage; none where it solves nothing or failed.
    std::shared_ptr<const stage::HandedSolution> solved = {};
};

} // namespace anodix
