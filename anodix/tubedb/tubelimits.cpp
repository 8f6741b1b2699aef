// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of the ratings files beside the tube records; see tubelimits.h.
#include "anodix/tubedb/tubelimits.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <array>
#include <cmath>

namespace anodix {

namespace {

// A ratings file is a few lines; anything much larger is not one.
constexpr qint64 kMaxLimitsBytes = 16 * 1024;

struct Key
{
    const char *name;
    std::optional<double> TubeLimits::*figure; // null for the source
};

constexpr std::array<Key, 5> kKeys{{
    {"pa_max_w", &TubeLimits::anodeDissipation},
    {"pg2_max_w", &TubeLimits::screenDissipation},
    {"ua_max_v", &TubeLimits::anodeVoltage},
    {"ik_max_ma", &TubeLimits::cathodeCurrent},
    {"source", nullptr},
}};

bool hasControlCharacter(const QString &text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph)
            return true;
    return false;
}

// A piece of the file for a message: short, and nothing that could break its lines.
QString shown(const QString &text)
{
    QString piece = text.left(40);
    for (QChar &c : piece)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph || c.category() == QChar::Other_Format)
            c = QChar(0xFFFD);
    return piece;
}

} // namespace

LimitsRead parseTubeLimits(const QByteArray &bytes)
{
    LimitsRead read;
    const auto refuse = [&](int line, const QString &reason) {
        read.error = line > 0 ? QStringLiteral("строка %1: %2").arg(line).arg(reason) : reason;
        return read;
    };
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    // Invalid UTF-8 would read as replacement characters in the source.
    const QString text = QString::fromUtf8(body);
    if (text.toUtf8() != body)
        return refuse(0, QStringLiteral("текст не в кодировке UTF-8"));
    // A plain number: no sign, no exponent, no group separators, "." as the point.
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9})?$"));

    TubeLimits limits;
    std::array<bool, kKeys.size()> seen{};
    bool anyFigure = false;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalized.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            return refuse(lineNumber, QStringLiteral("нет знака «=»"));
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        qsizetype which = -1;
        for (qsizetype k = 0; k < qsizetype(kKeys.size()); ++k)
            if (key == QLatin1String(kKeys[k].name))
                which = k;
        if (which < 0)
            return refuse(lineNumber, QStringLiteral("неизвестное имя «%1»").arg(shown(key)));
        if (seen[which])
            return refuse(lineNumber, QStringLiteral("имя «%1» повторяется").arg(shown(key)));
        seen[which] = true;
        if (value.isEmpty())
            return refuse(lineNumber, QStringLiteral("нет значения"));
        if (!kKeys[which].figure) {
            if (hasControlCharacter(value))
                return refuse(lineNumber, QStringLiteral("управляющий символ в тексте"));
            limits.source = value;
            continue;
        }
        if (!number.match(value).hasMatch())
            return refuse(lineNumber, QStringLiteral("значение «%1» — не число вида 25 или 2.75").arg(shown(value)));
        const double figure = value.toDouble();
        if (!(figure > 0))
            return refuse(lineNumber, QStringLiteral("значение должно быть больше нуля"));
        limits.*(kKeys[which].figure) = figure;
        anyFigure = true;
    }
    if (!anyFigure)
        return refuse(0, QStringLiteral("в файле нет ни одного предела"));
    read.limits = limits;
    return read;
}

QString limitsFileName(const QString &recordFileName)
{
    const QString stem = recordFileName.endsWith(QLatin1String(".lamp"), Qt::CaseInsensitive)
        ? recordFileName.chopped(5)
        : recordFileName;
    return stem + QStringLiteral(".limits");
}

LimitsRead ReadTubeLimits(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName)
{
    LimitsRead read;
    const QString name = limitsFileName(recordFileName);
    const auto refuse = [&](const QString &reason) {
        read.limits.reset();
        read.error = QStringLiteral("Файл допустимых режимов %1 не учтён: %2.")
                         .arg(QStringLiteral("«") + name + QStringLiteral("»"), reason);
        return read;
    };
    if (name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return read;
    const QString path = database.folderPath(tubeClass) + QLatin1Char('/') + name;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return read; // a record without ratings
    // A pipe or a device by that name could block the window or never end.
    if (!info.isFile())
        return refuse(QStringLiteral("это не файл"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("система ответила: %1").arg(file.errorString()));
    const QByteArray bytes = file.read(kMaxLimitsBytes + 1);
    if (bytes.size() > kMaxLimitsBytes)
        return refuse(QStringLiteral("файл слишком велик"));
    read = parseTubeLimits(bytes);
    if (!read.ok())
        return refuse(read.error);
    return read;
}

} // namespace anodix
