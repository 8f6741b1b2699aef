// SPDX-License-Identifier: GPL-3.0-or-later
// The fit of Koren's models to measured points: Eigen's Levenberg–Marquardt
// on the logarithms of the parameters, so that every parameter stays positive.
#include "anodix/tubemodel/fit.h"

#include <Eigen/Core>
#include <unsupported/Eigen/LevenbergMarquardt>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

namespace anodix::model {
namespace {

using Vector = Eigen::VectorXd;

// What the measurement is trusted to: 0.5 % of the largest current plus 2 %
// of the point's own. Without the second term the few points near the top
// would decide the whole fit and the cut-off region would not count.
constexpr double kFloorShare = 0.005, kPointShare = 0.02;
// The residual of a step the model cannot take.
constexpr double kRejected = 1e8;

ModelFile fileOf(ModelKind kind, const Vector &logs)
{
    ModelFile file;
    file.type = kind;
    const auto p = [&](int i) { return std::exp(logs[i]); };
    if (kind == ModelKind::KorenTriode)
        file.params = KorenTriodeParameters{p(0), p(1), p(2), p(3), p(4)};
    else
        file.params = KorenPentodeParameters{p(0), p(1), p(2), p(3), p(4), p(5)};
    return file;
}

Vector logsOf(const FittedParameters &params)
{
    if (const auto *t = std::get_if<KorenTriodeParameters>(&params)) {
        Vector x(5);
        x << std::log(t->mu), std::log(t->ex), std::log(t->kg1), std::log(t->kp), std::log(t->kvb);
        return x;
    }
    const auto &q = std::get<KorenPentodeParameters>(params);
    Vector x(6);
    x << std::log(q.mu), std::log(q.ex), std::log(q.kg1), std::log(q.kg2), std::log(q.kp), std::log(q.kvb);
    return x;
}

// The weighted residuals of Koren's model against the points; the Jacobian
// by forward differences in the logarithms.
struct Residuals : Eigen::DenseFunctor<double>
{
    // Unweighted: the plain errors in mA, for the error the user is shown.
    Residuals(ModelKind kind, const std::vector<MeasuredPoint> &points, double largest, bool weighted = true)
        : DenseFunctor(kind == ModelKind::KorenTriode ? 5 : 6,
                       int(points.size()) * (kind == ModelKind::KorenPentode ? 2 : 1)),
          kind(kind), points(points)
    {
        weights.reserve(points.size() * 2);
        const auto weight = [&](double i) { return weighted ? 1 / (kFloorShare * largest + kPointShare * std::abs(i)) : 1; };
        for (const MeasuredPoint &p : points) {
            weights.push_back(weight(p.ia));
            if (kind == ModelKind::KorenPentode)
                weights.push_back(weight(p.ig2));
        }
    }

    int operator()(const Vector &x, Vector &f) const
    {
        // A trial step far outside any tube (or one that overflows) gets a
        // huge error, so that the optimiser takes a shorter one instead of stopping.
        for (int i = 0; i < x.size(); ++i) {
            if (!(std::abs(x[i]) < 40)) {
                f.setConstant(kRejected);
                return 0;
            }
        }
        const ModelFile file = fileOf(kind, x);
        std::size_t row = 0;
        if (const auto *t = std::get_if<KorenTriodeParameters>(&file.params)) {
            const double scale = 2000 / t->kg1;
            for (const MeasuredPoint &p : points) {
                double ia = 0;
                if (p.ua > 0) {
                    const double arg = t->kp * (1 / t->mu + p.ug / std::sqrt(t->kvb + p.ua * p.ua));
                    const double e1 = p.ua / t->kp * (arg > 30 ? arg : std::log1p(std::exp(arg)));
                    ia = e1 > 0 ? scale * std::pow(e1, t->ex) : 0;
                }
                f[Eigen::Index(row)] = weights[row] * (ia - p.ia);
                ++row;
            }
        } else {
            const auto &q = std::get<KorenPentodeParameters>(file.params);
            for (const MeasuredPoint &p : points) {
                double ia = 0, ig2 = 0;
                if (p.ug2 > 0) {
                    const double arg = q.kp * (1 / q.mu + p.ug / p.ug2);
                    const double e1 = p.ug2 / q.kp * (arg > 30 ? arg : std::log1p(std::exp(arg)));
                    if (e1 > 0 && p.ua > 0)
                        ia = 2000 / q.kg1 * std::pow(e1, q.ex) * std::atan(p.ua / q.kvb);
                    const double base = p.ug + p.ug2 / q.mu;
                    ig2 = base > 0 ? 1000 / q.kg2 * std::pow(base, q.ex) : 0;
                }
                f[Eigen::Index(row)] = weights[row] * (ia - p.ia);
                f[Eigen::Index(row + 1)] = weights[row + 1] * (ig2 - p.ig2);
                row += 2;
            }
        }
        for (Eigen::Index i = 0; i < f.size(); ++i) {
            if (!std::isfinite(f[i]))
                f[i] = kRejected;
        }
        return 0;
    }

    int df(const Vector &x, JacobianType &jacobian) const
    {
        Vector base(values()), moved(values());
        if ((*this)(x, base) < 0)
            return -1;
        Vector y = x;
        for (int j = 0; j < x.size(); ++j) {
            const double h = 1e-7 * std::max(1.0, std::abs(x[j]));
            y[j] = x[j] + h;
            if ((*this)(y, moved) < 0)
                return -1;
            jacobian.col(j) = (moved - base) / h;
            y[j] = x[j];
        }
        return 0;
    }

    ModelKind kind;
    const std::vector<MeasuredPoint> &points;
    std::vector<double> weights;
};

// Koren's parameters that carry the record's point: μ from the record (the
// screen's for pentodes), a usual exponent, Kg1 (and Kg2) so that the
// record's currents come out, the knee from the screen voltage.
std::vector<FittedParameters> startsFrom(ModelKind kind, const TubeFigures &f)
{
    std::vector<FittedParameters> starts;
    const double ex = 1.4;
    const double ug = -std::abs(f.uc);
    if (kind == ModelKind::KorenTriode) {
        const double mu = f.mu > 0.5 && f.mu < 500 ? f.mu : 10;
        for (const double kp : {30.0, 100.0, 300.0, 1000.0}) {
            KorenTriodeParameters p{mu, ex, 1, kp, 300};
            const double ua = f.ua0 > 0 ? f.ua0 : 250;
            const double ia = f.ia0 > 0 ? f.ia0 : 10;
            const double arg = kp * (1 / mu + ug / std::sqrt(p.kvb + ua * ua));
            const double e1 = ua / kp * (arg > 30 ? arg : std::log1p(std::exp(arg)));
            if (e1 > 0)
                p.kg1 = 2000 * std::pow(e1, ex) / ia;
            if (std::isfinite(p.kg1) && p.kg1 > 0)
                starts.push_back(p);
        }
        return starts;
    }
    const double u2 = f.ug2 > 0 ? f.ug2 : 250;
    const double e = f.ia0 > 0 && f.s > 0 ? 1.5 * f.ia0 / f.s : 10;
    const double mu = std::clamp(u2 / (e + std::abs(f.uc)), 1.0, 100.0);
    for (const double kp : {10.0, 30.0, 100.0, 300.0}) {
        KorenPentodeParameters p{mu, ex, 1, 1, kp, u2 / 20};
        const double ia = f.ia0 > 0 ? f.ia0 : 10;
        const double ig2 = f.ig2 > 0 ? f.ig2 : ia / 8;
        const double ua = f.ua0 > 0 ? f.ua0 : u2;
        const double arg = kp * (1 / mu + ug / u2);
        const double e1 = u2 / kp * (arg > 30 ? arg : std::log1p(std::exp(arg)));
        if (e1 > 0)
            p.kg1 = 2000 * std::pow(e1, ex) * std::atan(ua / p.kvb) / ia;
        const double base = std::max(ug + u2 / mu, 1.0);
        p.kg2 = 1000 * std::pow(base, ex) / ig2;
        if (std::isfinite(p.kg1) && p.kg1 > 0 && std::isfinite(p.kg2) && p.kg2 > 0)
            starts.push_back(p);
    }
    return starts;
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &parts);
    return buffer;
}

bool converged(Eigen::LevenbergMarquardtSpace::Status status)
{
    using namespace Eigen::LevenbergMarquardtSpace;
    switch (status) {
    case RelativeReductionTooSmall:
    case RelativeErrorTooSmall:
    case RelativeErrorAndReductionTooSmall:
    case CosinusTooSmall:
    // No further step can reduce the error at machine precision: a minimum.
    case FtolTooSmall:
    case XtolTooSmall:
    case GtolTooSmall:
        return true;
    default:
        return false;
    }
}

} // namespace

FitResult fitModel(ModelKind kind, const TubeFigures &figures, const std::vector<MeasuredPoint> &points,
                   const FitOptions &options)
{
    FitResult result;
    const auto refuse = [&](FitStatus status, std::string reason) {
        result.status = status;
        result.reason = std::move(reason);
        return result;
    };
    if (kind == ModelKind::PowerLaw)
        return refuse(FitStatus::WrongPoints, "степень 3/2 не подбирается по измерениям");
    const bool pentode = kind == ModelKind::KorenPentode;
    for (const MeasuredPoint &p : points) {
        if (p.hasScreen != pentode)
            return refuse(FitStatus::WrongPoints, pentode ? "для пентода нужны измерения с напряжением и током "
                                                            "экранной сетки (Ug2, Ig2)"
                                                          : "для триода нужны измерения без экранной сетки");
    }
    const int parameters = pentode ? 6 : 5;
    double largest = 0, largestAnode = 0;
    int conducting = 0;
    for (const MeasuredPoint &p : points) {
        largest = std::max({largest, std::abs(p.ia), std::abs(p.ig2)});
        largestAnode = std::max(largestAnode, std::abs(p.ia));
        conducting += p.ia > 0;
    }
    if (int(points.size()) < 2 * parameters || conducting < parameters || !(largest > 0))
        return refuse(FitStatus::TooFewPoints, "слишком мало измеренных точек с током анода: нужно не меньше "
                                                   + std::to_string(2 * parameters));

    TubeFigures record = figures;
    record.model.reset();
    result.powerLawError = modelError(TubeModel(modelTubeType(kind), record), points);

    Residuals residuals(kind, points, largest);
    // The start that is nearest the points among a few knees.
    Vector best;
    double bestNorm = std::numeric_limits<double>::infinity();
    for (const FittedParameters &start : startsFrom(kind, record)) {
        Vector x = logsOf(start), f(residuals.values());
        if (residuals(x, f) == 0 && f.norm() < bestNorm) {
            bestNorm = f.norm();
            best = x;
        }
    }
    if (best.size() == 0)
        return refuse(FitStatus::NotConverged, "по данным лампы не удалось найти начальные значения параметров");

    Eigen::LevenbergMarquardt<Residuals> lm(residuals);
    lm.setMaxfev(options.maxIterations * (parameters + 1));
    lm.setFtol(1e-10);
    lm.setXtol(1e-10);
    Vector x = best;
    Eigen::LevenbergMarquardtSpace::Status status = lm.minimizeInit(x);
    if (status != Eigen::LevenbergMarquardtSpace::ImproperInputParameters) {
        do {
            if (options.cancel && options.cancel->load(std::memory_order_relaxed))
                return refuse(FitStatus::Cancelled, "подбор модели прерван");
            status = lm.minimizeOneStep(x);
            ++result.iterations;
            if (options.progress)
                options.progress(std::min(99, 100 * result.iterations / std::max(1, options.maxIterations / 4)));
        } while (status == Eigen::LevenbergMarquardtSpace::Running && result.iterations < options.maxIterations);
    }

    ModelFile file = fileOf(kind, x);
    // Straight from the equations: a model out of range would not be built.
    Vector errors(residuals.values());
    result.fittedError.points = int(points.size());
    if (Residuals(kind, points, largest, false)(x, errors) == 0) {
        result.fittedError.rmsMa = std::sqrt(errors.squaredNorm() / double(errors.size()));
        // As modelError() gives it: in % of the largest anode current.
        result.fittedError.rmsPercent = largestAnode > 0 ? 100 * result.fittedError.rmsMa / largestAnode : 0;
    } else {
        result.fittedError.rmsMa = result.fittedError.rmsPercent = std::numeric_limits<double>::infinity();
    }
    if (!converged(status))
        return refuse(FitStatus::NotConverged, "подбор модели не сошёлся; используется прежняя модель");
    if (const std::string problem = modelProblem(modelTubeType(kind), file); !problem.empty())
        return refuse(FitStatus::NotConverged, "подбор модели дал параметры вне допустимых пределов ("
                                                   + problem + "); используется прежняя модель");
    if (!(result.fittedError.rmsMa < result.powerLawError.rmsMa))
        return refuse(FitStatus::WorseThanPowerLaw, "подобранная модель дальше от измерений, чем степень 3/2 "
                                                    "по рабочей точке; используется прежняя модель");
    file.source = options.source;
    file.points = int(points.size());
    file.rms_ma = result.fittedError.rmsMa;
    file.rms_percent = result.fittedError.rmsPercent;
    file.fitted = options.date.empty() ? today() : options.date;
    file.record_ua = record.ua0;
    file.record_ia = record.ia0;
    file.record_uc = std::abs(record.uc);
    result.model = file;
    result.status = FitStatus::Done;
    if (options.progress)
        options.progress(100);
    return result;
}

} // namespace anodix::model
