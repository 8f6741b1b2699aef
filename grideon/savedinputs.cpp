// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing Grideon's saved inputs file.
#include "grideon/savedinputs.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace grideon {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool endsField(char c) { return isBlank(c) || c == ',' || c == '\r' || c == '\n'; }

} // namespace

SavedInputs ParseSavedInputs(const QByteArray &bytes)
{
    std::array<float, kStageInputCount> values{};
    int count = 0;
    qsizetype pos = 0;
    const qsizetype end = bytes.size();
    while (count < kStageInputCount) {
        while (pos < end && isBlank(bytes[pos]))
            ++pos;
        if (pos == end)
            break;
        const qsizetype start = pos;
        while (pos < end && !endsField(bytes[pos]))
            ++pos;
        const QString field = QString::fromLatin1(bytes.mid(start, pos - start));
        // Blanks after a number belong to it; then one comma or one line end
        // closes the field, so " 44 \r\n" is one field and an empty line is another.
        while (pos < end && isBlank(bytes[pos]))
            ++pos;
        if (pos < end && bytes[pos] == ',') {
            ++pos;
        } else if (pos < end && bytes[pos] == '\r') {
            ++pos;
            if (pos < end && bytes[pos] == '\n')
                ++pos;
        } else if (pos < end && bytes[pos] == '\n') {
            ++pos;
        }
        // A number too large for a single-precision field is no usable number.
        const float value = narrowToSingle(ParseLeadingNumber(field));
        values[count++] = std::isfinite(value) ? value : 0.0f;
    }
    return {fromArray(values), count};
}

QByteArray FormatSavedInputs(const StageInputs &inputs)
{
    QByteArray bytes;
    for (float value : toArray(inputs))
        bytes += FormatPlainNumber(value).toLatin1() + " \r\n";
    return bytes;
}

std::optional<SavedInputs> ReadSavedInputsFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseSavedInputs(file.readAll());
}

bool WriteSavedInputsFile(const QString &path, const StageInputs &inputs)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(FormatSavedInputs(inputs));
    return file.commit();
}

} // namespace grideon
