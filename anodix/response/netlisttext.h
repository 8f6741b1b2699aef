// SPDX-License-Identifier: GPL-3.0-or-later
// What every stage's netlist is written with: its lines, its opening (the
// title, the tube's subcircuit, the supply and the drive), its analyses and
// the first and last lines of its control block. Within the response code only.
#pragma once

#include "anodix/response/spice.h"

#include <QStringList>
#include <cmath>
#include <initializer_list>

namespace anodix::response {

// Collects lines; a number that is not finite spoils the whole text. A text
// part never ends its line: the tube's name comes in through here.
class NetlistText
{
public:
    NetlistText &operator<<(const QString &part)
    {
        m_line += spiceSafeText(part);
        return *this;
    }
    NetlistText &operator<<(double value)
    {
        m_finite = m_finite && std::isfinite(value);
        m_line += spiceNumber(value);
        return *this;
    }
    NetlistText &operator<<(const char *part) { return *this << QString::fromUtf8(part); }
    void end()
    {
        m_lines << m_line;
        m_line.clear();
    }
    // Whole lines, as they are.
    void append(const QString &lines) { m_lines << lines; }
    void lines(std::initializer_list<const char *> lines)
    {
        for (const char *line : lines)
            m_lines << QString::fromUtf8(line);
    }
    QString text() const { return m_finite ? m_lines.join(u'\n') + u'\n' : QString(); }

private:
    QStringList m_lines;
    QString m_line;
    bool m_finite = true;
};

// "* Anodix: <stage>, <tube>", the first line of every netlist; the
// stage's own comment of its figures follows it.
inline void netlistTitle(NetlistText &t, const QString &stage, const QString &tubeName)
{
    t << "* Anodix: " << stage << ", " << tubeName;
    t.end();
}

// The tube's subcircuit, the supply at ea volts and the input: 1 V for the
// small-signal response, a 1 kHz sine of drive volts' peak for the transient.
inline void netlistSources(NetlistText &t, const QString &subcircuit, double ea, double drive)
{
    t.append(subcircuit.trimmed());
    t << "Vsupply supply 0 DC " << ea;
    t.end();
    t << "Vin input 0 DC 0 AC 1 SIN(0 " << drive << " 1k)";
    t.end();
}

// The operating point, the sweep ac, and a transient run until what is
// slowest (a time constant, seconds) has settled: ten of it, a whole number
// of periods, the last 20 of them kept. Returns when the transient ends.
inline double netlistAnalyses(NetlistText &t, const char *ac, double slowest)
{
    t.lines({".op", ac});
    const double settled = std::ceil(10 * slowest * 1000) / 1000 + 0.02;
    t << ".tran 10u " << settled << " " << settled - 0.02;
    t.end();
    return settled;
}

// The control block runs every analysis, then writes the data files from the
// operating point's plot on; its end leaves ngspice.
inline void controlOpening(NetlistText &t)
{
    t.lines({".control", "run", "set wr_singlescale", "set wr_vecnames", "setplot op1"});
}
inline void controlClosing(NetlistText &t)
{
    t.lines({"quit", ".endc", ".end"});
}

} // namespace anodix::response
