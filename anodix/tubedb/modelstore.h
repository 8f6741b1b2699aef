// SPDX-License-Identifier: GPL-3.0-or-later
// A record's fitted model, kept as "<name>.model" beside "<name>.lamp" in the
// class folder, and measured curves read from curve tracers' files.
// Window-free, QtCore only.
#pragma once

#include "anodix/tubedb/tuberecord.h"
#include "anodix/tubemodel/measurements.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace anodix {

// "300B.lamp" -> "300B.model" (any case of ".lamp"); a name without it gets ".model" added.
QString modelFileName(const QString &recordFileName);

struct ModelLoad
{
    // The record's fitted model; null when there is none or it cannot be used.
    std::shared_ptr<const model::ModelFile> model;
    bool present = false; // a model file exists beside the record
    QString error;        // Russian, names the file (and line); empty when none or read well
    bool ok() const { return error.isEmpty(); }
};

// Reads the model beside a record of the class. A missing file is no error
// (the 3/2 law is used); an unreadable file, a malformed line, a value out of
// range or a model of the other tube type is, and then no model is returned.
ModelLoad ReadTubeModel(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName);
// Writes the model beside the record through the program's one durable writer
// (the old file kept on any failure, a link refused).
RecordOutcome WriteTubeModel(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName,
                             const model::ModelFile &file);
// Removes the model beside the record; Done also when there was none.
RecordOutcome DeleteTubeModel(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName);
// Whether a model file exists beside the record (readable or not).
bool HasTubeModel(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName);

struct MeasurementImport
{
    std::vector<model::MeasuredPoint> points; // of every file; empty on error
    int limitedRows = 0;                      // rows left out at a supply's current limit
    QStringList files;                        // the files' names, without folders, in order
    QString error;                            // Russian, names the file and line; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Reads several measurement files (any of the known formats) as one set of
// points. One file that cannot be read or has a malformed line fails the whole
// import, so nothing is fitted from a file with errors.
MeasurementImport ImportMeasurementFiles(const QStringList &paths);

} // namespace anodix
