// SPDX-License-Identifier: GPL-3.0-or-later
// The 3/2-power tube model fitted to a record's operating point.
#include "anodix/tubemodel/tubemodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace anodix::model {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

} // namespace

double power15(double x)
{
    return x * std::sqrt(x);
}

TubeModel::TubeModel(TubeType type, const TubeFigures &figures) : m_type(type), m_figures(figures)
{
    const TubeFigures &f = figures;
    if (!(f.ia0 > 0 && f.s > 0))
        return; // no current anywhere
    const double e = 1.5 * f.ia0 / f.s;
    const double bias = std::abs(f.uc);
    if (type == TubeType::Triode) {
        if (!(f.mu > 0))
            return;
        m_v0 = e - f.ua0 / f.mu + bias;
        m_k = f.ia0 / power15(e);
        if (!(std::isfinite(m_v0) && std::isfinite(m_k)))
            m_k = 0;
        return;
    }
    if (!(f.ug2 > 0 && f.ig2 >= 0 && f.ua0 > 0 && f.ri > 0))
        return;
    m_mu2 = f.ug2 / (e + bias);
    m_v0 = e + bias; // Ug2/μ2
    m_recordV0 = m_v0;
    m_k = (f.ia0 + f.ig2) / power15(e);
    m_kvb = f.ug2 / 20;
    m_u2 = f.ug2;
    m_ei = f.ua0 - f.ia0 * f.ri;
    const double atRecord = std::atan(f.ua0 / m_kvb) * (f.ua0 - m_ei);
    m_anodeScale = f.ia0 / (f.ia0 + f.ig2) / atRecord;
    if (!(m_anodeScale > 0 && std::isfinite(m_anodeScale) && std::isfinite(m_v0) && std::isfinite(m_k)))
        m_k = 0;
}

TubeModel::Screen TubeModel::screenAt(double u2) const
{
    // The record's own screen keeps the figures fitted to it, to the last bit.
    if (u2 == m_figures.ug2)
        return {m_recordV0, m_figures.ug2 / 20};
    // A screen at or below the cathode draws no current.
    const double u = std::max(0.0, u2);
    return {u / m_mu2, u / 20};
}

TubeModel TubeModel::withScreenAt(double u2) const
{
    if (m_type == TubeType::Triode || m_k == 0)
        return *this;
    TubeModel moved = *this;
    const Screen screen = screenAt(u2);
    moved.m_v0 = screen.v0;
    moved.m_kvb = screen.kvb;
    moved.m_u2 = u2;
    return moved;
}

double TubeModel::pentodeCathode(double ug, const Screen &screen) const
{
    const double x = ug + screen.v0;
    return x > 0 ? m_k * power15(x) : 0;
}

double TubeModel::pentodeAnode(double ua, double ug, const Screen &screen) const
{
    if (!(ua > 0))
        return 0;
    // Below Ei the line through the record's point would give a negative
    // current; a screen at 0 V has its knee at Ua = 0 (atan(∞) = π/2).
    const double anode = std::atan(ua / screen.kvb) * (ua - m_ei);
    const double cathode = pentodeCathode(ug, screen);
    if (!(anode > 0) || cathode == 0)
        return 0;
    return cathode * m_anodeScale * anode;
}

double TubeModel::anodeCurrent(double ua, double ug) const
{
    if (m_k == 0)
        return 0;
    if (m_type == TubeType::Triode) {
        const double x = ua / m_figures.mu + ug + m_v0;
        return x > 0 ? m_k * power15(x) : 0;
    }
    return pentodeAnode(ua, ug, {m_v0, m_kvb});
}

double TubeModel::anodeCurrent(double ua, double ug, double u2) const
{
    if (m_k == 0 || m_type == TubeType::Triode || u2 == m_u2)
        return anodeCurrent(ua, ug);
    return pentodeAnode(ua, ug, screenAt(u2));
}

double TubeModel::slope(double ua, double ug) const
{
    if (m_k == 0)
        return 0;
    if (m_type == TubeType::Triode) {
        const double x = ua / m_figures.mu + ug + m_v0;
        return x > 0 ? 1.5 * m_k * std::sqrt(x) : 0;
    }
    const double x = ug + m_v0;
    return x > 0 ? 1.5 * anodeCurrent(ua, ug) / x : 0;
}

double TubeModel::cathodeCurrent(double ua, double ug) const
{
    if (m_k == 0)
        return 0;
    if (m_type == TubeType::Triode)
        return anodeCurrent(ua, ug);
    return pentodeCathode(ug, {m_v0, m_kvb});
}

double TubeModel::screenCurrent(double ua, double ug) const
{
    if (m_k == 0 || m_type == TubeType::Triode)
        return 0;
    return std::max(0.0, cathodeCurrent(ua, ug) - anodeCurrent(ua, ug));
}

double TubeModel::gridCutoff(double ua) const
{
    if (m_k == 0)
        return 0;
    return m_type == TubeType::Triode ? -(ua / m_figures.mu + m_v0) : -m_v0;
}

double TubeModel::conductionStart(double ug) const
{
    if (m_k == 0)
        return kInfinity;
    if (m_type == TubeType::Triode)
        return std::max(0.0, -(ug + m_v0) * m_figures.mu);
    return ug + m_v0 > 0 ? std::max(0.0, m_ei) : kInfinity;
}

} // namespace anodix::model
