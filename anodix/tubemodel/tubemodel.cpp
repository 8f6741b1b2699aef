// SPDX-License-Identifier: GPL-3.0-or-later
// The tube model: the 3/2-power law fitted to a record's operating point, or
// Koren's equations with parameters fitted to measured curves.
#include "anodix/tubemodel/tubemodel.h"

#include "anodix/tubemodel/rootfinding.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace anodix::model {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The cathode current, mA, below which a fitted model counts as cut off.
constexpr double kCutoffCurrent = 1e-3;

// ln(1 + e^x) without overflow for large x.
double softplus(double x)
{
    return x > 30 ? x : std::log1p(std::exp(x));
}

// Koren's E1^Ex term, with E1 ≤ 0 carrying no current.
double korenPower(double e1, double ex)
{
    return e1 > 0 ? std::pow(e1, ex) : 0;
}

double korenTriodeAnode(const KorenTriodeParameters &p, double ua, double ug)
{
    if (!(ua > 0))
        return 0;
    const double e1 = ua / p.kp * softplus(p.kp * (1 / p.mu + ug / std::sqrt(p.kvb + ua * ua)));
    return 2000 * korenPower(e1, p.ex) / p.kg1;
}

double korenPentodeAnode(const KorenPentodeParameters &p, double ua, double ug, double u2)
{
    if (!(ua > 0 && u2 > 0))
        return 0;
    const double e1 = u2 / p.kp * softplus(p.kp * (1 / p.mu + ug / u2));
    return 2000 * korenPower(e1, p.ex) / p.kg1 * std::atan(ua / p.kvb);
}

double korenPentodeScreen(const KorenPentodeParameters &p, double ug, double u2)
{
    if (!(u2 > 0))
        return 0;
    return 1000 * korenPower(ug + u2 / p.mu, p.ex) / p.kg2;
}

bool inRange(double v, double low, double high)
{
    return std::isfinite(v) && v >= low && v <= high;
}

// A central difference of f at x with step h.
template <class F>
double derivative(F &&f, double x, double h)
{
    return (f(x + h) - f(x - h)) / (2 * h);
}

} // namespace

const char *modelTypeName(ModelKind kind)
{
    switch (kind) {
    case ModelKind::PowerLaw:
        return "power-law";
    case ModelKind::KorenTriode:
        return "koren-triode";
    case ModelKind::KorenPentode:
        return "koren-pentode";
    }
    return "";
}

std::string modelDisplayName(ModelKind kind)
{
    switch (kind) {
    case ModelKind::PowerLaw:
        return "степень 3/2 по рабочей точке";
    case ModelKind::KorenTriode:
        return "модель Корена, триод";
    case ModelKind::KorenPentode:
        return "модель Корена, пентод";
    }
    return {};
}

TubeType modelTubeType(ModelKind kind)
{
    return kind == ModelKind::KorenPentode ? TubeType::Pentode : TubeType::Triode;
}

std::string modelProblem(TubeType type, const ModelFile &file)
{
    if (file.type == ModelKind::PowerLaw)
        return "в файле модели нет подобранной модели";
    if (modelTubeType(file.type) != type)
        return type == TubeType::Triode ? "модель пентода не подходит для триода"
                                        : "модель триода не подходит для пентода";
    // Wide enough for any real tube, narrow enough that no current overflows.
    const auto check = [](double v, double low, double high) { return inRange(v, low, high); };
    if (const auto *p = std::get_if<KorenTriodeParameters>(&file.params)) {
        if (file.type != ModelKind::KorenTriode)
            return "параметры не соответствуют типу модели";
        if (!(check(p->mu, 0.1, 1000) && check(p->ex, 0.5, 3) && check(p->kg1, 1e-3, 1e7) && check(p->kp, 1e-3, 1e4)
              && check(p->kvb, 0, 1e7)))
            return "параметр модели вне допустимых пределов";
        return {};
    }
    const auto *p = std::get_if<KorenPentodeParameters>(&file.params);
    if (!p || file.type != ModelKind::KorenPentode)
        return "параметры не соответствуют типу модели";
    if (!(check(p->mu, 0.1, 1000) && check(p->ex, 0.5, 3) && check(p->kg1, 1e-3, 1e7) && check(p->kg2, 1e-3, 1e8)
          && check(p->kp, 1e-3, 1e4) && check(p->kvb, 1e-3, 1e5)))
        return "параметр модели вне допустимых пределов";
    return {};
}

bool operatingPointMoved(const ModelFile &file, const TubeFigures &figures)
{
    if (!(file.record_ua > 0 && file.record_ia > 0))
        return false;
    const auto moved = [](double then, double now) {
        return std::abs(now - then) > 0.05 * std::max(std::abs(then), 1e-12);
    };
    return moved(file.record_ua, figures.ua0) || moved(file.record_ia, figures.ia0)
        || moved(file.record_uc, std::abs(figures.uc));
}

double power15(double x)
{
    return x * std::sqrt(x);
}

TubeModel::TubeModel(TubeType type, const TubeFigures &figures) : m_type(type), m_figures(figures)
{
    const TubeFigures &f = figures;
    if (f.model && modelProblem(type, *f.model).empty()) {
        m_kind = f.model->type;
        m_fit = f.model->params;
        m_k = 1;
        m_u2 = f.ug2;
        return;
    }
    m_figures.model.reset(); // a model that cannot be used is not this model's
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

PowerLawConstants TubeModel::powerLawConstants() const
{
    if (m_kind != ModelKind::PowerLaw || m_k == 0)
        return {};
    if (m_type == TubeType::Triode)
        return {m_k, m_v0, m_figures.mu, 0, 0, 0};
    return {m_k, m_v0, 0, m_kvb, m_ei, m_anodeScale};
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
    moved.m_u2 = u2;
    if (m_kind != ModelKind::PowerLaw)
        return moved;
    const Screen screen = screenAt(u2);
    moved.m_v0 = screen.v0;
    moved.m_kvb = screen.kvb;
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
    // current; a screen at 0 V has its knee at Ua = 0 (atan(∞) = π/2). Far
    // above the record's point the line would take more than the cathode
    // gives: the anode then takes it all and the screen nothing.
    const double anode = std::atan(ua / screen.kvb) * (ua - m_ei);
    const double cathode = pentodeCathode(ug, screen);
    if (!(anode > 0) || cathode == 0)
        return 0;
    return cathode * std::min(1.0, m_anodeScale * anode);
}

double TubeModel::fittedAnode(double ua, double ug, double u2) const
{
    if (const auto *p = std::get_if<KorenTriodeParameters>(&m_fit))
        return korenTriodeAnode(*p, ua, ug);
    return korenPentodeAnode(std::get<KorenPentodeParameters>(m_fit), ua, ug, u2);
}

double TubeModel::fittedScreen(double, double ug, double u2) const
{
    if (const auto *p = std::get_if<KorenPentodeParameters>(&m_fit))
        return korenPentodeScreen(*p, ug, u2);
    return 0;
}

double TubeModel::anodeCurrent(double ua, double ug) const
{
    if (m_k == 0)
        return 0;
    if (m_kind != ModelKind::PowerLaw)
        return fittedAnode(ua, ug, m_u2);
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
    if (m_kind != ModelKind::PowerLaw)
        return fittedAnode(ua, ug, u2);
    return pentodeAnode(ua, ug, screenAt(u2));
}

double TubeModel::slope(double ua, double ug) const
{
    if (m_k == 0)
        return 0;
    if (m_kind != ModelKind::PowerLaw)
        return std::max(0.0, derivative([&](double g) { return anodeCurrent(ua, g); }, ug, 1e-3));
    if (m_type == TubeType::Triode) {
        const double x = ua / m_figures.mu + ug + m_v0;
        return x > 0 ? 1.5 * m_k * std::sqrt(x) : 0;
    }
    const double x = ug + m_v0;
    return x > 0 ? 1.5 * anodeCurrent(ua, ug) / x : 0;
}

double TubeModel::internalResistance(double ua, double ug) const
{
    if (m_k == 0)
        return kInfinity;
    double g = 0; // dIa/dUa, mA/V
    if (m_kind == ModelKind::PowerLaw && m_type == TubeType::Triode) {
        g = slope(ua, ug) / m_figures.mu;
    } else {
        // A step small against the knee, one-sided at Ua = 0.
        const double h = std::max(1e-3, 1e-5 * std::abs(ua));
        g = ua > h ? derivative([&](double a) { return anodeCurrent(a, ug); }, ua, h)
                   : (anodeCurrent(ua + h, ug) - anodeCurrent(ua, ug)) / h;
    }
    return g > 1e-12 ? 1 / g : kInfinity;
}

double TubeModel::amplificationFactor(double ua, double ug) const
{
    const double ri = internalResistance(ua, ug);
    if (!std::isfinite(ri))
        return kInfinity;
    return slope(ua, ug) * ri;
}

double TubeModel::cathodeCurrent(double ua, double ug) const
{
    if (m_k == 0)
        return 0;
    if (m_type == TubeType::Triode)
        return anodeCurrent(ua, ug);
    if (m_kind != ModelKind::PowerLaw)
        return fittedAnode(ua, ug, m_u2) + fittedScreen(ua, ug, m_u2);
    return pentodeCathode(ug, {m_v0, m_kvb});
}

double TubeModel::cathodeCurrentAboveKnee(double ug) const
{
    if (m_k == 0)
        return 0;
    if (m_type == TubeType::Triode)
        return anodeCurrent(0, ug);
    if (m_kind == ModelKind::PowerLaw)
        return pentodeCathode(ug, {m_v0, m_kvb});
    // atan(Ua/Kvb) at its limit π/2.
    const auto &p = std::get<KorenPentodeParameters>(m_fit);
    const double e1 = m_u2 > 0 ? m_u2 / p.kp * softplus(p.kp * (1 / p.mu + ug / m_u2)) : 0;
    return 2000 * korenPower(e1, p.ex) / p.kg1 * (std::numbers::pi / 2) + fittedScreen(0, ug, m_u2);
}

double TubeModel::screenCurrent(double ua, double ug) const
{
    if (m_k == 0 || m_type == TubeType::Triode)
        return 0;
    if (m_kind != ModelKind::PowerLaw)
        return fittedScreen(ua, ug, m_u2);
    return std::max(0.0, cathodeCurrent(ua, ug) - anodeCurrent(ua, ug));
}

double TubeModel::gridCutoff(double ua) const
{
    if (m_k == 0)
        return 0;
    if (m_kind == ModelKind::PowerLaw)
        return m_type == TubeType::Triode ? -(ua / m_figures.mu + m_v0) : -m_v0;
    // Koren's currents only approach zero: the grid voltage where the cathode
    // current falls to a microampere. A pentode's is taken above its knee.
    const double at = m_type == TubeType::Pentode ? std::max(ua, 10 * m_u2) : ua;
    const auto current = [&](double ug) { return cathodeCurrent(at, ug) - kCutoffCurrent; };
    if (!(current(0) > 0))
        return 0;
    double low = -1;
    while (current(low) > 0 && low > -1e5)
        low *= 2;
    return increasingRoot(current, low, 0, 1e-6);
}

double TubeModel::conductionStart(double ug) const
{
    if (m_k == 0)
        return kInfinity;
    if (m_kind != ModelKind::PowerLaw) {
        if (m_type == TubeType::Pentode)
            return ug >= gridCutoff(0) ? 0 : kInfinity;
        // The anode voltage where the current reaches a microampere.
        const auto current = [&](double ua) { return anodeCurrent(ua, ug) - kCutoffCurrent; };
        double high = 10;
        while (!(current(high) > 0) && high < 1e5)
            high *= 2;
        if (!(current(high) > 0))
            return kInfinity;
        return increasingRoot(current, 0, high, 1e-6);
    }
    if (m_type == TubeType::Triode)
        return std::max(0.0, -(ug + m_v0) * m_figures.mu);
    return ug + m_v0 > 0 ? std::max(0.0, m_ei) : kInfinity;
}

} // namespace anodix::model
