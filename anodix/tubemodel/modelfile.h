// SPDX-License-Identifier: GPL-3.0-or-later
// The text of a ".model" file: "key = value" lines with a decimal point, read
// strictly (every key known, each once, every value in its range).
#pragma once

#include "anodix/tubemodel/tubemodel.h"

#include <string>
#include <string_view>

namespace anodix::model {

struct ModelFileRead
{
    ModelFile model;
    std::string error; // Russian, "строка N: …"; empty on success
    int line = 0;      // the line the error is on; 0 when it is the file's as a whole
    bool ok() const { return error.empty(); }
};

// Reads the text of a model file (UTF-8; LF, CR LF; "#" starts a comment line).
ModelFileRead parseModelFile(std::string_view text);
// The text of a model file, LF line ends, numbers with 7 significant digits
// at least (enough to give the same currents to 1e-6).
std::string formatModelFile(const ModelFile &file);

} // namespace anodix::model
