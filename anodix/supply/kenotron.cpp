// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of rectifier tube files: strict, so that a damaged file is named
// and left out rather than half read.
#include "anodix/supply/kenotron.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace anodix::supply {

namespace {

// Files are small; anything longer is not one of ours.
constexpr qint64 kMaxFileSize = 64 * 1024;

// The unit each number is written in, and what it becomes in SI.
struct NumberKey
{
    const char *key;
    std::optional<double> Kenotron::*field;
    double scale;
    double high;   // above this the figure is no rectifier tube's
};

const NumberKey kNumberKeys[] = {
    {"max_ac_voltage", &Kenotron::maxAcVoltage, 1, 100000},      // V rms per anode
    {"max_dc_current", &Kenotron::maxDcCurrent, 1e-3, 100000},   // mA
    {"max_peak_current", &Kenotron::maxPeakCurrent, 1e-3, 100000}, // mA per anode
    {"max_capacitance", &Kenotron::maxCapacitance, 1e-6, 100000}, // µF
    {"min_resistance", &Kenotron::minResistance, 1, 1e7},        // Ω per anode
};

std::optional<double> plainNumber(const QString &text)
{
    // A decimal figure with a point, an optional exponent; no sign, no
    // separators of any locale.
    for (const QChar ch : text)
        if (!(ch.isDigit() && ch.unicode() < 128) && ch != u'.' && ch != u'e' && ch != u'E' && ch != u'-' && ch != u'+')
            return std::nullopt;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || !(v > 0))
        return std::nullopt;
    return v;
}

bool hasControl(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar ch) {
        return ch.category() == QChar::Other_Control || ch.category() == QChar::Other_Format
               || ch == QChar(0x2028) || ch == QChar(0x2029) || ch == QChar(0x85);
    });
}

} // namespace

std::optional<Kenotron> ParseKenotron(const QByteArray &bytes, QString &error)
{
    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError() || bytes.size() > kMaxFileSize) {
        error = QStringLiteral("файл не в кодировке UTF-8 или слишком велик");
        return std::nullopt;
    }
    Kenotron k;
    QStringList seen;
    const QStringList lines = text.split(u'\n');
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const auto where = QStringLiteral("строка %1: ").arg(n + 1);
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq <= 0 || hasControl(trimmed)) {
            error = where + QStringLiteral("ожидается «ключ = значение»");
            return std::nullopt;
        }
        const QString key = trimmed.left(eq).trimmed();
        const QString value = trimmed.mid(eq + 1).trimmed();
        if (seen.contains(key)) {
            error = where + QStringLiteral("ключ «%1» повторён").arg(key);
            return std::nullopt;
        }
        seen << key;
        if (value.isEmpty()) {
            error = where + QStringLiteral("у ключа «%1» нет значения").arg(key);
            return std::nullopt;
        }
        if (key == u"name") {
            k.name = value;
        } else if (key == u"heater") {
            k.heater = value;
        } else if (key == u"source") {
            k.source = value;
        } else if (key == u"perveance") {
            const auto v = plainNumber(value);
            if (!v || *v > 1) {
                error = where + QStringLiteral("первеанс должен быть положительным числом (А/В^1,5)");
                return std::nullopt;
            }
            k.perveance = *v;
        } else {
            const auto known = std::find_if(std::begin(kNumberKeys), std::end(kNumberKeys),
                                            [&](const NumberKey &nk) { return key == QLatin1String(nk.key); });
            if (known == std::end(kNumberKeys)) {
                error = where + QStringLiteral("неизвестный ключ «%1»").arg(key);
                return std::nullopt;
            }
            const auto v = plainNumber(value);
            if (!v || *v > known->high) {
                error = where + QStringLiteral("«%1» должно быть положительным числом с точкой").arg(key);
                return std::nullopt;
            }
            k.*(known->field) = *v * known->scale;
        }
    }
    if (k.name.isEmpty()) {
        error = QStringLiteral("нет ключа «name»");
        return std::nullopt;
    }
    if (!(k.perveance > 0)) {
        error = QStringLiteral("нет ключа «perveance»");
        return std::nullopt;
    }
    return k;
}

KenotronFolder ReadKenotronFolder(const QString &folder)
{
    KenotronFolder result;
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QFileInfo &info : files) {
        QFile file(info.filePath());
        QString error;
        std::optional<Kenotron> k;
        if (info.size() > kMaxFileSize)
            error = QStringLiteral("файл слишком велик");
        else if (!file.open(QIODevice::ReadOnly))
            error = QStringLiteral("файл не открывается");
        else
            k = ParseKenotron(file.readAll(), error);
        if (k && std::any_of(result.tubes.begin(), result.tubes.end(),
                             [&](const Kenotron &other) { return other.name == k->name; })) {
            k.reset();
            error = QStringLiteral("кенотрон с таким именем уже есть");
        }
        if (k)
            result.tubes << *k;
        else
            result.rejected << QStringLiteral("%1: %2").arg(info.fileName(), error);
    }
    std::sort(result.tubes.begin(), result.tubes.end(),
              [](const Kenotron &a, const Kenotron &b) { return a.name < b.name; });
    return result;
}

} // namespace anodix::supply
