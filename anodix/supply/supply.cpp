// SPDX-License-Identifier: GPL-3.0-or-later
// The supply's inputs, its simulation in time and its warnings.
//
// The rectifier has no state of its own: a diode or an anode with the winding
// resistance in series passes a current that is a smooth function of the
// winding's voltage less C1's, found by a monotone Newton iteration. What is
// left is three states (C1, the choke's current, C2). While a silicon rectifier
// conducts, its incremental resistance (a few ohms with the winding) against
// C1 makes the system stiff, and the conduction edges come every half period;
// an explicit method would crawl through every pulse. So the integrator is
// odeint's Rosenbrock method of order 4 (L-stable, error-controlled, dense
// output) with the exact Jacobian and time derivative, which steps through a
// pulse as its accuracy needs and not as its stiffness forces.
#include "anodix/supply/supply.h"

#include "common/numbertext.h"

#ifndef BOOST_UBLAS_NDEBUG
#define BOOST_UBLAS_NDEBUG 1
#endif
#include <boost/numeric/odeint.hpp>

#include <algorithm>
#include <cmath>

namespace anodix::supply {

namespace {

namespace odeint = boost::numeric::odeint;
constexpr double kPi = 3.14159265358979323846;
constexpr double kSqrt2 = 1.41421356237309504880;
using State = boost::numeric::ublas::vector<double>;
using Matrix = boost::numeric::ublas::matrix<double>;

// Current through one conducting path and its slope against the path's voltage.
struct PathCurrent
{
    double i = 0;
    double slope = 0;   // di/dx
};

// x is the winding's voltage less C1's across a path of `series` diodes or
// anodes in series with resistance r.
PathCurrent siliconPath(double x, int series, double r)
{
    const double a = series * DiodeModel::n * DiodeModel::vt;
    const double is = DiodeModel::is;
    const double rTotal = r + series * DiodeModel::rs;
    if (x < -40 * a)
        return {-is, 0};
    // In u = ln(1 + i/IS) the balance rTotal·IS·(e^u − 1) + a·u − x is convex
    // and increasing, so Newton from an upper bound falls to the root from
    // above without overshooting.
    double u = x > 0 ? std::min(x / a, std::log1p(x / (rTotal * is))) : 0.0;
    for (int iteration = 0; iteration < 100; ++iteration) {
        const double e = std::exp(u);
        const double h = rTotal * is * (e - 1) + a * u - x;
        const double step = h / (rTotal * is * e + a);
        u -= step;
        if (!(std::abs(step) > 1e-13 * std::max(1.0, std::abs(u))))
            break;
    }
    const double e = std::exp(u);
    return {is * std::expm1(u), 1 / (rTotal + a / (is * e))};
}

PathCurrent tubePath(double x, int series, double r, double perveance)
{
    if (!(x > 0))
        return {0, 0};
    // In w = (i/P)^(1/3): r·P·w³ + series·w² − x, convex and increasing for w ≥ 0.
    const double rp = r * perveance;
    double w = std::sqrt(x / series);
    if (rp > 0)
        w = std::min(w, std::cbrt(x / rp));
    for (int iteration = 0; iteration < 100; ++iteration) {
        const double h = rp * w * w * w + series * w * w - x;
        const double slope = 3 * rp * w * w + 2 * series * w;
        if (!(slope > 0))
            break;
        const double step = h / slope;
        w -= step;
        if (!(std::abs(step) > 1e-13 * w))
            break;
    }
    w = std::max(w, 0.0);
    const double i = perveance * w * w * w;
    return {i, 3 * perveance * w / (3 * rp * w + 2 * series)};
}

// The two paths of a full-wave rectifier, the second idle for the half-wave.
struct Rectifier
{
    PathCurrent first, second;
    double total() const { return first.i + second.i; }
};

struct Model
{
    const SupplyCircuit &c;
    double peak;        // V
    double omega;       // rad/s
    double load;        // A, switched at the step
    int series;         // diodes or anodes in one path
    bool fullWave;

    explicit Model(const SupplyCircuit &circuit)
        : c(circuit), peak(kSqrt2 * circuit.secondaryVoltage),
          omega(2 * kPi * circuit.frequency), load(circuit.loadCurrent),
          series(circuit.circuit == Circuit::Bridge ? 2 : 1), fullWave(circuit.circuit != Circuit::HalfWave)
    {
    }

    PathCurrent path(double x) const
    {
        return c.tube ? tubePath(x, series, c.windingResistance, c.tube->perveance)
                      : siliconPath(x, series, c.windingResistance);
    }

    Rectifier rectifier(double t, double vC1) const
    {
        const double vs = peak * std::sin(omega * t);
        return {path(vs - vC1), fullWave ? path(-vs - vC1) : PathCurrent{}};
    }

    double filterCurrent(const State &x) const
    {
        return c.filter == FilterElement::Choke ? x[1] : (x[0] - x[2]) / c.filterResistance;
    }

    void derivative(const State &x, State &dxdt, double t) const
    {
        const double iF = filterCurrent(x);
        dxdt[0] = (rectifier(t, x[0]).total() - iF) / c.c1;
        dxdt[1] = c.filter == FilterElement::Choke ? (x[0] - c.filterResistance * x[1] - x[2]) / c.inductance : 0;
        dxdt[2] = (iF - load) / c.c2;
    }

    void jacobian(const State &x, Matrix &j, double t, State &dfdt) const
    {
        const Rectifier r = rectifier(t, x[0]);
        const double dvs = peak * omega * std::cos(omega * t);
        j.clear();
        j(0, 0) = -(r.first.slope + r.second.slope) / c.c1;
        if (c.filter == FilterElement::Choke) {
            j(0, 1) = -1 / c.c1;
            j(1, 0) = 1 / c.inductance;
            j(1, 1) = -c.filterResistance / c.inductance;
            j(1, 2) = -1 / c.inductance;
            j(2, 1) = 1 / c.c2;
        } else {
            const double g = 1 / c.filterResistance;
            j(0, 0) -= g / c.c1;
            j(0, 2) = g / c.c1;
            j(2, 0) = g / c.c2;
            j(2, 2) = -g / c.c2;
        }
        dfdt[0] = (r.first.slope - r.second.slope) * dvs / c.c1;
        dfdt[1] = 0;
        dfdt[2] = 0;
    }
};

// Figures of one mains period from its samples.
struct PeriodStats
{
    double c1Sum = 0, c1Min = INFINITY, c1Max = -INFINITY;
    double outSum = 0, outMin = INFINITY, outMax = -INFINITY;
    double peakCurrent = 0;
    double windingSquares = 0;   // of the winding current (bridge, half-wave) or of each half (centre tap)
    double rectifiedSum = 0;
    int samples = 0;

    double c1Mean() const { return c1Sum / samples; }
    double outMean() const { return outSum / samples; }
};

// Samples per mains period: the averages are midpoint sums over a periodic
// signal, and a conduction pulse of a tenth of a period gets 40 of them.
constexpr int kSamples = 400;
constexpr int kTraceStride = 10;
constexpr long kMaxSteps = 5'000'000;
// Per step, in V and A. Tighter tolerances change the worked figures by less
// than 0.05 % (the output's 97 mV ripple by 0.03 mV) and take three times the steps.
constexpr double kAbsoluteTolerance = 1e-5;
constexpr double kRelativeTolerance = 1e-6;
// Settled: the period averages of the output moved by less than this over the
// window (a hundredth of the 1 % band, so the final value is good to well within it).
constexpr double kSettledDrift = 1e-4;

class Simulation
{
public:
    Simulation(const SupplyCircuit &circuit, const Progress &progress)
        : m_c(circuit), m_model(circuit), m_progress(progress), m_period(1 / circuit.frequency),
          m_stepper(odeint::rosenbrock4_controller<odeint::rosenbrock4<double>>(kAbsoluteTolerance, kRelativeTolerance, m_period / 20)),
          m_x(3)
    {
        const double resonanceSeconds = circuit.filter == FilterElement::Choke
                                            ? 2 * kPi * std::sqrt(circuit.inductance * circuit.c2)
                                            : 0.0;
        // The window covers two cycles of the filter's own ringing, so an
        // oscillation cannot pass for a flat stretch.
        m_window = std::max({10, int(std::ceil(0.1 / m_period)), int(std::ceil(2 * resonanceSeconds / m_period))});
        m_x.clear();
        m_stepper.initialize(m_x, 0.0, m_period / 1000);
    }

    SupplyOutcome run()
    {
        SupplyOutcome outcome;
        SupplyResult &r = outcome.result.emplace();
        try {
            const double firstLimit = m_c.stepCurrent ? maxSimulatedTime / 2 : maxSimulatedTime;
            Phase first = runPhase(0, firstLimit, 0, r);
            if (first.cancelled) {
                outcome.result.reset();
                outcome.cancelled = true;
                return outcome;
            }
            if (!first.failure.isEmpty()) {
                outcome.result.reset();
                outcome.error = first.failure;
                return outcome;
            }
            const PeriodStats &last = first.last;
            const double final = last.outMean();
            if (!(final > 0) || !(last.c1Mean() > 0)) {
                outcome.result.reset();
                outcome.error = collapseMessage;
                return outcome;
            }
            r.c1Voltage = last.c1Mean();
            r.c1Ripple = last.c1Max - last.c1Min;
            r.outputVoltage = final;
            r.outputRipple = last.outMax - last.outMin;
            r.peakCurrent = last.peakCurrent;
            r.averageCurrent = last.rectifiedSum / last.samples;
            const double rms = std::sqrt(last.windingSquares / last.samples);
            if (m_c.circuit == Circuit::CentreTap) {
                r.windingCurrent = rms / kSqrt2;
                r.transformerPower = 2 * m_c.secondaryVoltage * r.windingCurrent;
            } else {
                r.windingCurrent = rms;
                r.transformerPower = m_c.secondaryVoltage * rms;
            }
            r.surgeCurrent = m_surge;
            r.settled = first.settled;
            int lastOutside = -1;
            for (int k = 0; k < int(m_averages.size()); ++k)
                if (std::abs(m_averages[k] - final) > settlingBand * final)
                    lastOutside = k;
            r.settlingTime = (lastOutside + 1) * m_period;

            if (m_c.stepCurrent) {
                const double stepTime = m_periods * m_period;
                r.stepTime = stepTime;
                m_model.load = *m_c.stepCurrent;
                // The load switches at a period boundary the stepper may
                // already have passed: restart it from the state there.
                advanceTo(stepTime);
                m_stepper.calc_state(stepTime, m_x);
                m_stepper.initialize(m_x, stepTime, m_period / 1000);
                const int stepPeriod = m_periods;
                Phase second = runPhase(stepPeriod, maxSimulatedTime, 2 * stepTime, r);
                if (second.cancelled) {
                    outcome.result.reset();
                    outcome.cancelled = true;
                    return outcome;
                }
                if (!second.failure.isEmpty() || !(second.last.outMean() > 0)) {
                    outcome.result.reset();
                    outcome.error = second.failure.isEmpty() ? collapseMessage : second.failure;
                    return outcome;
                }
                double lowest = final;
                for (int k = stepPeriod; k < int(m_averages.size()); ++k)
                    lowest = std::min(lowest, m_averages[k]);
                r.sag = final - lowest;
                r.settled = r.settled && second.settled;
            }
        } catch (const std::exception &) {
            // odeint gives up on a step it cannot make small enough.
            outcome.result.reset();
            outcome.error = QStringLiteral("Расчёт не сходится: проверьте значения элементов");
            return outcome;
        }
        if (m_c.filter == FilterElement::Choke)
            r.resonance = 1 / (2 * kPi * std::sqrt(m_c.inductance * m_c.c2));
        r.simulatedTime = m_periods * m_period;
        r.steps = m_steps;
        return outcome;
    }

private:
    struct Phase
    {
        PeriodStats last;
        bool settled = false;
        bool cancelled = false;
        QString failure;
    };

    // Whole periods from the current one until the output settles (and at
    // least until minTime) or limit is reached.
    Phase runPhase(int firstPeriod, double limit, double minTime, SupplyResult &r)
    {
        Phase phase;
        const double runaway = -2 * m_model.peak;
        while (true) {
            PeriodStats s = period(r);
            if (m_steps > kMaxSteps) {
                phase.failure = QStringLiteral("Расчёт не сходится: проверьте значения элементов");
                return phase;
            }
            m_averages.push_back(s.outMean());
            phase.last = s;
            const double now = m_periods * m_period;
            if (m_progress && !m_progress(std::min(1.0, now / maxSimulatedTime))) {
                phase.cancelled = true;
                return phase;
            }
            if (s.outMean() < runaway || s.c1Mean() < runaway)
                return phase;   // the load has pulled the output far below zero
            if (now >= minTime && settledSince(firstPeriod)) {
                phase.settled = true;
                return phase;
            }
            if (now + 0.5 * m_period >= limit)
                return phase;
        }
    }

    bool settledSince(int firstPeriod) const
    {
        const int n = int(m_averages.size());
        if (n - firstPeriod < m_window)
            return false;
        const auto begin = m_averages.begin() + (n - m_window);
        const auto [low, high] = std::minmax_element(begin, m_averages.end());
        const double scale = std::max(std::abs(m_averages.back()), 1e-3 * m_model.peak);
        return *high - *low <= kSettledDrift * scale;
    }

    void advanceTo(double t)
    {
        while (m_stepper.current_time() < t) {
            m_stepper.do_step(std::make_pair(
                [this](const State &x, State &dxdt, double t) { m_model.derivative(x, dxdt, t); },
                [this](const State &x, Matrix &j, double t, State &dfdt) { m_model.jacobian(x, j, t, dfdt); }));
            if (++m_steps > kMaxSteps)
                return;
        }
    }

    PeriodStats period(SupplyResult &r)
    {
        PeriodStats s;
        State x(3);
        const double start = m_periods * m_period;
        for (int k = 0; k < kSamples; ++k) {
            const double t = start + (k + 0.5) * m_period / kSamples;
            advanceTo(t);
            if (m_steps > kMaxSteps)
                break;
            m_stepper.calc_state(t, x);
            const Rectifier rect = m_model.rectifier(t, x[0]);
            const double v1 = x[0], out = x[2];
            s.c1Sum += v1;
            s.c1Min = std::min(s.c1Min, v1);
            s.c1Max = std::max(s.c1Max, v1);
            s.outSum += out;
            s.outMin = std::min(s.outMin, out);
            s.outMax = std::max(s.outMax, out);
            const double peak = std::max(rect.first.i, rect.second.i);
            s.peakCurrent = std::max(s.peakCurrent, peak);
            m_surge = std::max(m_surge, peak);
            if (m_c.circuit == Circuit::CentreTap)
                s.windingSquares += rect.first.i * rect.first.i + rect.second.i * rect.second.i;
            else {
                const double winding = rect.first.i - rect.second.i;
                s.windingSquares += winding * winding;
            }
            s.rectifiedSum += rect.total();
            ++s.samples;
            if (k % kTraceStride == 0)
                r.trace.append({t, v1, out});
        }
        ++m_periods;
        return s;
    }

    const SupplyCircuit &m_c;
    Model m_model;
    const Progress &m_progress;
    double m_period;
    odeint::rosenbrock4_dense_output<odeint::rosenbrock4_controller<odeint::rosenbrock4<double>>> m_stepper;
    State m_x;
    int m_window = 10;
    int m_periods = 0;
    long m_steps = 0;
    double m_surge = 0;
    std::vector<double> m_averages;   // of the output, one per period
};

// A positive number within [low, high], or the message why not.
std::optional<double> positive(const QString &text, const QLocale &locale, const QString &caption, double low,
                               double high, QString &error)
{
    const std::optional<double> v = common::toNumber(text, locale);
    const QString range = QStringLiteral("от %1 до %2").arg(common::doubleText(low, locale), common::doubleText(high, locale));
    if (!v) {
        error = QStringLiteral("«%1»: введите число %2.").arg(caption, range);
        return std::nullopt;
    }
    if (!(*v > 0)) {
        error = QStringLiteral("«%1»: значение должно быть больше нуля.").arg(caption);
        return std::nullopt;
    }
    if (*v < low || *v > high) {
        error = QStringLiteral("«%1»: значение вне пределов разумного, введите число %2.").arg(caption, range);
        return std::nullopt;
    }
    return v;
}

} // namespace

QStringList CircuitNames()
{
    return {QStringLiteral("Мостовая"), QStringLiteral("Двухполупериодная со средней точкой"),
            QStringLiteral("Однополупериодная")};
}

QStringList FilterNames()
{
    return {QStringLiteral("Дроссель"), QStringLiteral("Резистор")};
}

std::optional<SupplyCircuit> ParseSupplyInputs(const SupplyInputs &in, const QLocale &locale, QString &error)
{
    SupplyCircuit c;
    if (in.circuit < 0 || in.circuit > 2 || in.filter < 0 || in.filter > 1) {
        error = QStringLiteral("Выберите схему выпрямителя и звено фильтра.");
        return std::nullopt;
    }
    c.circuit = Circuit(in.circuit);
    c.filter = FilterElement(in.filter);
    c.tube = in.tube;
    if (c.tube && !(c.tube->perveance > 0)) {
        error = QStringLiteral("У кенотрона %1 не задан первеанс.").arg(c.tube->name);
        return std::nullopt;
    }
    const auto take = [&](double &to, const QString &text, const char *caption, double low, double high,
                          double scale) {
        if (!error.isEmpty())
            return;
        if (const auto v = positive(text, locale, QString::fromUtf8(caption), low, high, error))
            to = *v * scale;
    };
    error.clear();
    take(c.frequency, in.frequency, "Частота сети, Гц", 10, 1000, 1);
    take(c.secondaryVoltage, in.secondaryVoltage, "Напряжение вторичной обмотки, В", 1, 5000, 1);
    take(c.windingResistance, in.windingResistance, "Сопротивление обмотки, Ом", 0.01, 100000, 1);
    take(c.c1, in.c1, "C1, мкФ", 0.001, 100000, 1e-6);
    if (c.filter == FilterElement::Choke)
        take(c.inductance, in.inductance, "L, Гн", 0.001, 1000, 1);
    take(c.filterResistance, in.filterResistance, "Сопротивление, Ом", 0.01, 10e6, 1);
    take(c.c2, in.c2, "C2, мкФ", 0.001, 100000, 1e-6);
    take(c.loadCurrent, in.loadCurrent, "Ток нагрузки, мА", 0.001, 10000, 1e-3);
    if (!in.stepCurrent.trimmed().isEmpty()) {
        double step = 0;
        take(step, in.stepCurrent, "Скачок нагрузки до, мА", 0.001, 10000, 1e-3);
        c.stepCurrent = step;
    }
    if (!in.targetVoltage.trimmed().isEmpty()) {
        double target = 0;
        take(target, in.targetVoltage, "Требуемое напряжение, В", 0.1, 10000, 1);
        c.targetVoltage = target;
    }
    if (!error.isEmpty())
        return std::nullopt;
    // The filter's resistance alone drops more than the winding's peak: no
    // rectifier can carry that load.
    const double peak = kSqrt2 * c.secondaryVoltage;
    if (std::max(c.loadCurrent, c.stepCurrent.value_or(0)) * c.filterResistance >= peak) {
        error = collapseMessage;
        return std::nullopt;
    }
    return c;
}

SupplyOutcome SimulateSupply(const SupplyCircuit &circuit, const Progress &progress)
{
    return Simulation(circuit, progress).run();
}

QStringList SupplyWarnings(const SupplyCircuit &c, const SupplyResult &r, const QLocale &locale)
{
    QStringList w;
    const auto num = [&](double v, int digits = 4) { return common::doubleText(common::roundSignificant(v, digits), locale); };
    if (!r.settled)
        w << QStringLiteral("Выход не установился за %1 с моделирования.").arg(num(maxSimulatedTime));
    if (c.tube) {
        const Kenotron &k = *c.tube;
        // exceeded: "<what> 812 мА больше допустимого для 5Ц3С (675 мА)."
        const auto rating = [&](const std::optional<double> &limit, double value, double unit, const QString &exceeded,
                                const QString &unknown, const QString &unitName) {
            if (!limit)
                w << unknown.arg(k.name);
            else if (value > *limit)
                w << exceeded.arg(num(value * unit), unitName, k.name, num(*limit * unit));
        };
        rating(k.maxPeakCurrent, r.peakCurrent, 1e3, QStringLiteral("Пиковый ток анода %1 %2 больше допустимого для %3 (%4 %2)."),
               QStringLiteral("Допустимый пиковый ток анода для %1 неизвестен."), QStringLiteral("мА"));
        rating(k.maxDcCurrent, r.averageCurrent, 1e3, QStringLiteral("Выпрямленный ток %1 %2 больше допустимого для %3 (%4 %2)."),
               QStringLiteral("Допустимый выпрямленный ток для %1 неизвестен."), QStringLiteral("мА"));
        rating(k.maxCapacitance, c.c1, 1e6, QStringLiteral("Ёмкость C1 %1 %2 больше допустимой для %3 (%4 %2)."),
               QStringLiteral("Допустимая ёмкость C1 для %1 неизвестна."), QStringLiteral("мкФ"));
        rating(k.maxAcVoltage, c.secondaryVoltage, 1,
               QStringLiteral("Напряжение на анод %1 %2 больше допустимого для %3 (%4 %2): обратное напряжение превышено."),
               QStringLiteral("Допустимое напряжение на анод для %1 неизвестно."), QStringLiteral("В"));
        if (k.minResistance && c.windingResistance < *k.minResistance)
            w << QStringLiteral("Сопротивление обмотки %1 Ом меньше наименьшего допустимого для %2 (%3 Ом).")
                     .arg(num(c.windingResistance), k.name, num(*k.minResistance));
    }
    if (r.resonance) {
        const double f = c.frequency;
        if (*r.resonance >= f / 2 && *r.resonance <= 4 * f)
            w << QStringLiteral("Резонансная частота фильтра %1 Гц близка к частоте сети или её второй гармонике.")
                     .arg(num(*r.resonance, 3));
    }
    if (c.targetVoltage && std::abs(r.outputVoltage - *c.targetVoltage) > 0.05 * *c.targetVoltage)
        w << QStringLiteral("Напряжение на выходе %1 В отличается от требуемого %2 В больше чем на 5 %.")
                 .arg(num(r.outputVoltage), num(*c.targetVoltage));
    return w;
}

} // namespace anodix::supply
