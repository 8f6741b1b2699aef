// SPDX-License-Identifier: GPL-3.0-or-later
// Measured tube curves read from the texts of curve tracers' files, and the
// error of a model against them. Plain C++: the caller reads the files.
#pragma once

#include "anodix/tubemodel/tubemodel.h"

#include <string>
#include <string_view>
#include <vector>

namespace anodix::model {

// One measured point, V and mA. ug2 and ig2 are set for pentodes only
// (hasScreen); a triode's are zero.
struct MeasuredPoint
{
    double ua = 0, ug = 0, ia = 0;
    double ug2 = 0, ig2 = 0;
    bool hasScreen = false;
};

enum class MeasurementFormat {
    Unknown,
    TwoSupplyTracer, // "%" comments, ten columns of two supplies, then temperature or NA
    Csv,             // a header naming Ua, Ug, Ia (and Ug2, Ig2)
};

struct MeasurementRead
{
    MeasurementFormat format = MeasurementFormat::Unknown;
    std::vector<MeasuredPoint> points; // empty when there is an error
    int limitedRows = 0;               // rows at a supply's current limit, left out
    std::string error;                 // Russian, names the file and the line; empty on success
    bool ok() const { return error.empty(); }
};

// Tells the format from the text (a first non-blank line starting with "%",
// or a header line naming the columns).
MeasurementFormat detectMeasurementFormat(std::string_view text);
// Reads a file's text; fileName only names the file in the error message.
MeasurementRead readTwoSupplyTracer(std::string_view text, const std::string &fileName);
MeasurementRead readMeasurementCsv(std::string_view text, const std::string &fileName);
// By the detected format; an error for a text of no known format.
MeasurementRead readMeasurements(std::string_view text, const std::string &fileName);

// How far a model is from measured points: RMS of the anode current's error
// (and for pentodes with a screen column, the screen current's too), mA and in
// % of the largest measured current.
struct ModelError
{
    int points = 0;
    double rmsMa = 0;
    double rmsPercent = 0;
};
ModelError modelError(const TubeModel &model, const std::vector<MeasuredPoint> &points);

} // namespace anodix::model
