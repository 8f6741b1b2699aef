// SPDX-License-Identifier: GPL-3.0-or-later
// Readers of measured tube curves, and a model's error against them.
#include "anodix/tubemodel/measurements.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace anodix::model {
namespace {

// A measured current or voltage beyond these is no tube's: a typo or a unit slip.
constexpr double kMaxVoltage = 20000;
constexpr double kMaxCurrentMa = 1e5;
constexpr std::size_t kMaxPoints = 1000000;

std::string_view trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Splits text into lines (LF, CR LF, or a bare CR), calling f(lineNumber, line)
// until it returns false.
template <class F>
void forEachLine(std::string_view text, F &&f)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos) {
            text = {};
        } else {
            const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
            text.remove_prefix(end + (crlf ? 2 : 1));
        }
        if (!f(number, line))
            return;
    }
}

std::vector<std::string_view> fields(std::string_view line, const char *separators)
{
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find_first_of(separators, start);
        out.push_back(trimmed(line.substr(start, end == std::string_view::npos ? end : end - start)));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return out;
}

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !(line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

// A decimal number, point or (decimalComma) comma; nothing else on the field.
bool parseNumber(std::string_view text, double &value, bool decimalComma = false)
{
    if (text.empty() || text.size() > 64)
        return false;
    std::string buffer(text);
    if (decimalComma)
        std::replace(buffer.begin(), buffer.end(), ',', '.');
    if (buffer.front() == '+')
        buffer.erase(0, 1);
    const char *end = buffer.data() + buffer.size();
    const auto [stop, error] = std::from_chars(buffer.data(), end, value, std::chars_format::general);
    return error == std::errc() && stop == end && std::isfinite(value);
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return out;
}

std::string at(const std::string &fileName, int line)
{
    return "«" + fileName + "», строка " + std::to_string(line) + ": ";
}

bool plausible(const MeasuredPoint &p)
{
    return std::abs(p.ua) <= kMaxVoltage && std::abs(p.ug) <= kMaxVoltage && std::abs(p.ug2) <= kMaxVoltage
        && std::abs(p.ia) <= kMaxCurrentMa && std::abs(p.ig2) <= kMaxCurrentMa;
}

// Adds a read point; false, with the line named in error, for one no tube
// gives or past the most a file may hold.
bool keepPoint(MeasurementRead &result, const MeasuredPoint &p, const std::string &fileName, int number,
               std::string &error)
{
    if (!plausible(p)) {
        error = at(fileName, number) + "значение вне разумных пределов";
        return false;
    }
    if (result.points.size() >= kMaxPoints) {
        error = at(fileName, number) + "слишком много точек";
        return false;
    }
    result.points.push_back(p);
    return true;
}

MeasurementRead failed(MeasurementFormat format, std::string error)
{
    MeasurementRead r;
    r.format = format;
    r.error = std::move(error);
    return r;
}

} // namespace

MeasurementFormat detectMeasurementFormat(std::string_view text)
{
    MeasurementFormat format = MeasurementFormat::Unknown;
    forEachLine(text, [&](int, std::string_view line) {
        line = trimmed(line);
        if (line.empty())
            return true;
        if (line.front() == '%') {
            format = MeasurementFormat::TwoSupplyTracer;
            return false;
        }
        const std::string l = lowered(line);
        if (l.find("ua") != std::string::npos && l.find("ia") != std::string::npos
            && l.find("ug") != std::string::npos)
            format = MeasurementFormat::Csv;
        return false;
    });
    return format;
}

MeasurementRead readTwoSupplyTracer(std::string_view text, const std::string &fileName)
{
    constexpr MeasurementFormat kFormat = MeasurementFormat::TwoSupplyTracer;
    MeasurementRead result;
    result.format = kFormat;
    std::string error;
    forEachLine(text, [&](int number, std::string_view line) {
        line = trimmed(line);
        if (line.empty() || line.front() == '%')
            return true;
        const std::vector<std::string_view> w = words(line);
        if (w.size() != 11) {
            error = at(fileName, number) + "ожидалось 11 чисел (два источника по пять и температура), а их "
                + std::to_string(w.size());
            return false;
        }
        double v[10];
        for (int i = 0; i < 10; ++i) {
            if (!parseNumber(w[i], v[i])) {
                error = at(fileName, number) + "«" + std::string(w[i]) + "» — не число";
                return false;
            }
        }
        double temperature = 0;
        if (w[10] != "NA" && w[10] != "nan" && w[10] != "NaN" && !parseNumber(w[10], temperature)) {
            error = at(fileName, number) + "«" + std::string(w[10]) + "» — не температура и не NA";
            return false;
        }
        for (const int flag : {4, 9}) {
            if (v[flag] != 0 && v[flag] != 1) {
                error = at(fileName, number) + "признак ограничения тока должен быть 0 или 1";
                return false;
            }
        }
        if (v[4] != 0 || v[9] != 0) {
            ++result.limitedRows;
            return true;
        }
        // The grid supply's voltage is the magnitude of a negative bias.
        MeasuredPoint p;
        p.ua = v[2];
        p.ia = v[3] * 1000;
        p.ug = -std::abs(v[7]);
        return keepPoint(result, p, fileName, number, error);
    });
    if (!error.empty())
        return failed(kFormat, error);
    if (result.points.empty())
        return failed(kFormat, "«" + fileName + "»: в файле нет ни одной измеренной точки");
    return result;
}

MeasurementRead readMeasurementCsv(std::string_view text, const std::string &fileName)
{
    constexpr MeasurementFormat kFormat = MeasurementFormat::Csv;
    MeasurementRead result;
    result.format = kFormat;
    std::string error;
    // Column indices of Ua, Ug, Ia, Ug2, Ig2; -1 when absent.
    int column[5] = {-1, -1, -1, -1, -1};
    static constexpr const char *kNames[5] = {"ua", "ug", "ia", "ug2", "ig2"};
    char separator = 0;
    std::size_t columns = 0;
    bool header = false;
    forEachLine(text, [&](int number, std::string_view line) {
        line = trimmed(line);
        if (line.empty())
            return true;
        if (!header) {
            // A semicolon in the header says the numbers may carry decimal commas.
            separator = line.find(';') != std::string_view::npos ? ';' : ',';
            const char separators[2] = {separator, 0};
            const std::vector<std::string_view> names = fields(line, separators);
            columns = names.size();
            for (std::size_t i = 0; i < names.size(); ++i) {
                std::string name = lowered(names[i]);
                // "Ua, V" or "Ia (mA)": the unit after the name is allowed.
                const std::size_t stop = name.find_first_of(" ([");
                name = std::string(trimmed(name.substr(0, stop)));
                if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                    name = name.substr(1, name.size() - 2);
                for (int k = 0; k < 5; ++k) {
                    if (name == kNames[k]) {
                        if (column[k] >= 0) {
                            error = at(fileName, number) + "столбец «" + std::string(names[i]) + "» назван дважды";
                            return false;
                        }
                        column[k] = int(i);
                    }
                }
            }
            if (column[0] < 0 || column[1] < 0 || column[2] < 0) {
                error = at(fileName, number) + "заголовок должен называть столбцы Ua, Ug и Ia";
                return false;
            }
            if ((column[3] < 0) != (column[4] < 0)) {
                error = at(fileName, number) + "у пентода нужны оба столбца, Ug2 и Ig2";
                return false;
            }
            header = true;
            return true;
        }
        const char separators[2] = {separator, 0};
        const std::vector<std::string_view> f = fields(line, separators);
        if (f.size() != columns) {
            error = at(fileName, number) + "ожидалось столбцов: " + std::to_string(columns) + ", а их "
                + std::to_string(f.size());
            return false;
        }
        double v[5] = {0, 0, 0, 0, 0};
        for (int k = 0; k < 5; ++k) {
            if (column[k] < 0)
                continue;
            if (!parseNumber(f[column[k]], v[k], separator == ';')) {
                error = at(fileName, number) + "«" + std::string(f[column[k]]) + "» — не число";
                return false;
            }
        }
        MeasuredPoint p{v[0], v[1], v[2], v[3], v[4], column[3] >= 0};
        return keepPoint(result, p, fileName, number, error);
    });
    if (!error.empty())
        return failed(kFormat, error);
    if (!header)
        return failed(kFormat, "«" + fileName + "»: нет строки заголовка");
    if (result.points.empty())
        return failed(kFormat, "«" + fileName + "»: в файле нет ни одной измеренной точки");
    return result;
}

MeasurementRead readMeasurements(std::string_view text, const std::string &fileName)
{
    switch (detectMeasurementFormat(text)) {
    case MeasurementFormat::TwoSupplyTracer:
        return readTwoSupplyTracer(text, fileName);
    case MeasurementFormat::Csv:
        return readMeasurementCsv(text, fileName);
    case MeasurementFormat::Unknown:
        break;
    }
    return failed(MeasurementFormat::Unknown,
                  "«" + fileName + "»: формат файла не распознан (ожидались строки «%» измерителя "
                                   "характеристик или CSV с заголовком Ua, Ug, Ia)");
}

ModelError modelError(const TubeModel &model, const std::vector<MeasuredPoint> &points)
{
    ModelError e;
    double sum = 0, largest = 0;
    int terms = 0;
    for (const MeasuredPoint &p : points) {
        const TubeModel at = p.hasScreen ? model.withScreenAt(p.ug2) : model;
        const double da = at.anodeCurrent(p.ua, p.ug) - p.ia;
        sum += da * da;
        ++terms;
        largest = std::max(largest, std::abs(p.ia));
        if (p.hasScreen && model.type() == TubeType::Pentode) {
            const double ds = at.screenCurrent(p.ua, p.ug) - p.ig2;
            sum += ds * ds;
            ++terms;
        }
    }
    e.points = int(points.size());
    if (terms == 0)
        return e;
    e.rmsMa = std::sqrt(sum / terms);
    e.rmsPercent = largest > 0 ? 100 * e.rmsMa / largest : 0;
    return e;
}

} // namespace anodix::model
