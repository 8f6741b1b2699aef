// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the text of a ".model" file.
#include "anodix/tubemodel/modelfile.h"

#include <charconv>
#include <cmath>
#include <map>
#include <vector>

namespace anodix::model {
namespace {

struct ParameterKey
{
    const char *key;
    double KorenTriodeParameters::*triode;
    double KorenPentodeParameters::*pentode;
};

// The parameters of each model in file order; a null member: not of that model.
constexpr ParameterKey kParameters[] = {
    {"mu", &KorenTriodeParameters::mu, &KorenPentodeParameters::mu},
    {"ex", &KorenTriodeParameters::ex, &KorenPentodeParameters::ex},
    {"kg1", &KorenTriodeParameters::kg1, &KorenPentodeParameters::kg1},
    {"kg2", nullptr, &KorenPentodeParameters::kg2},
    {"kp", &KorenTriodeParameters::kp, &KorenPentodeParameters::kp},
    {"kvb", &KorenTriodeParameters::kvb, &KorenPentodeParameters::kvb},
};

constexpr const char *kOtherKeys[] = {"type",   "source",    "points",    "rms_ma", "rms_percent",
                                      "fitted", "record_ua", "record_ia", "record_uc"};

std::string_view trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A whole decimal number with a point; false for anything else (a comma,
// trailing text, "nan", "inf").
bool parseNumber(std::string_view text, double &value)
{
    if (text.empty() || text.front() == '+')
        return false;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    return error == std::errc() && stop == end && std::isfinite(value);
}

bool isDate(std::string_view s)
{
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return false;
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (s[i] < '0' || s[i] > '9')
            return false;
    }
    const int month = (s[5] - '0') * 10 + (s[6] - '0');
    const int day = (s[8] - '0') * 10 + (s[9] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::string lineError(int line, const std::string &what)
{
    return "строка " + std::to_string(line) + ": " + what;
}

// Nine significant digits with a decimal point whatever the C locale says:
// Qt sets LC_NUMERIC from the user's locale, and printf would then write "3,83".
std::string number(double v)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 9);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

} // namespace

ModelFileRead parseModelFile(std::string_view text)
{
    ModelFileRead result;
    const auto fail = [&](int line, const std::string &what) {
        result.error = line > 0 ? lineError(line, what) : what;
        result.line = line;
        result.model = {};
        return result;
    };
    if (text.size() > 65536)
        return fail(0, "файл модели слишком велик");
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    struct Entry
    {
        std::string value;
        int line = 0;
    };
    std::map<std::string, Entry, std::less<>> entries;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        for (const char c : line) {
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
                return fail(lineNumber, "недопустимый управляющий знак");
        }
        line = trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return fail(lineNumber, "нет знака «=» между именем и значением");
        const std::string key(trimmed(line.substr(0, equals)));
        const std::string_view value = trimmed(line.substr(equals + 1));
        bool known = false;
        for (const ParameterKey &p : kParameters)
            known = known || key == p.key;
        for (const char *k : kOtherKeys)
            known = known || key == k;
        if (!known)
            return fail(lineNumber, "неизвестное имя «" + key + "»");
        if (entries.count(key))
            return fail(lineNumber, "«" + key + "» задано второй раз");
        if (value.empty())
            return fail(lineNumber, "у «" + key + "» нет значения");
        entries[key] = {std::string(value), lineNumber};
    }

    const auto typeEntry = entries.find("type");
    if (typeEntry == entries.end())
        return fail(0, "нет строки «type»");
    ModelFile &m = result.model;
    if (typeEntry->second.value == modelTypeName(ModelKind::KorenTriode))
        m.type = ModelKind::KorenTriode;
    else if (typeEntry->second.value == modelTypeName(ModelKind::KorenPentode))
        m.type = ModelKind::KorenPentode;
    else
        return fail(typeEntry->second.line, "неизвестный тип модели «" + typeEntry->second.value + "»");
    const bool pentode = m.type == ModelKind::KorenPentode;
    KorenTriodeParameters triode;
    KorenPentodeParameters pent;
    for (const ParameterKey &p : kParameters) {
        const bool used = pentode ? p.pentode != nullptr : p.triode != nullptr;
        const auto it = entries.find(p.key);
        if (!used) {
            if (it != entries.end())
                return fail(it->second.line, std::string("у модели этого типа нет параметра «") + p.key + "»");
            continue;
        }
        if (it == entries.end())
            return fail(0, std::string("нет параметра «") + p.key + "»");
        double v = 0;
        if (!parseNumber(it->second.value, v))
            return fail(it->second.line, "«" + it->second.value + "» — не число с десятичной точкой");
        if (pentode)
            pent.*(p.pentode) = v;
        else
            triode.*(p.triode) = v;
    }
    if (pentode)
        m.params = pent;
    else
        m.params = triode;

    const auto required = [&](const char *key) -> const Entry * {
        const auto it = entries.find(key);
        return it == entries.end() ? nullptr : &it->second;
    };
    for (const char *key : {"source", "points", "rms_ma", "rms_percent", "fitted"}) {
        if (!required(key))
            return fail(0, std::string("нет строки «") + key + "»");
    }
    m.source = required("source")->value;
    if (m.source.size() > 2000)
        return fail(required("source")->line, "слишком длинный источник");
    double value = 0;
    const Entry *e = required("points");
    if (!parseNumber(e->value, value) || value != std::floor(value) || value < 1 || value > 1e7)
        return fail(e->line, "число точек должно быть целым от 1 до 10000000");
    m.points = int(value);
    e = required("rms_ma");
    if (!parseNumber(e->value, m.rms_ma) || m.rms_ma < 0 || m.rms_ma > 1e5)
        return fail(e->line, "ошибка в мА должна быть числом от 0 до 100000");
    e = required("rms_percent");
    if (!parseNumber(e->value, m.rms_percent) || m.rms_percent < 0 || m.rms_percent > 1000)
        return fail(e->line, "ошибка в % должна быть числом от 0 до 1000");
    e = required("fitted");
    if (!isDate(e->value))
        return fail(e->line, "дата подбора должна иметь вид ГГГГ-ММ-ДД");
    m.fitted = e->value;
    // The record's point at the fit: optional, all three or none.
    const Entry *point[3] = {required("record_ua"), required("record_ia"), required("record_uc")};
    if (point[0] || point[1] || point[2]) {
        double *fields[3] = {&m.record_ua, &m.record_ia, &m.record_uc};
        for (int i = 0; i < 3; ++i) {
            if (!point[i])
                return fail(0, "строки record_ua, record_ia и record_uc задаются вместе");
            if (!parseNumber(point[i]->value, *fields[i]) || *fields[i] < 0 || *fields[i] > 1e5)
                return fail(point[i]->line, "рабочая точка записи должна быть числом от 0 до 100000");
        }
    }

    if (const std::string problem = modelProblem(modelTubeType(m.type), m); !problem.empty()) {
        return fail(0, problem);
    }
    return result;
}

std::string formatModelFile(const ModelFile &file)
{
    std::string text = "# Anodix: модель лампы, подобранная по измеренным характеристикам\n";
    text += std::string("type = ") + modelTypeName(file.type) + "\n";
    for (const ParameterKey &p : kParameters) {
        if (const auto *t = std::get_if<KorenTriodeParameters>(&file.params); t && p.triode)
            text += std::string(p.key) + " = " + number(t->*(p.triode)) + "\n";
        if (const auto *q = std::get_if<KorenPentodeParameters>(&file.params); q && p.pentode)
            text += std::string(p.key) + " = " + number(q->*(p.pentode)) + "\n";
    }
    std::string source;
    for (const char c : file.source)
        source += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
    text += "source = " + std::string(trimmed(source)) + "\n";
    text += "points = " + std::to_string(file.points) + "\n";
    text += "rms_ma = " + number(file.rms_ma) + "\n";
    text += "rms_percent = " + number(file.rms_percent) + "\n";
    text += "fitted = " + file.fitted + "\n";
    if (file.record_ua > 0 && file.record_ia > 0) {
        text += "record_ua = " + number(file.record_ua) + "\n";
        text += "record_ia = " + number(file.record_ia) + "\n";
        text += "record_uc = " + number(file.record_uc) + "\n";
    }
    return text;
}

} // namespace anodix::model
