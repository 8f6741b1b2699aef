// SPDX-License-Identifier: GPL-3.0-or-later
// The fit of Koren's models to measured curves: 850 triode points, as a curve
// tracer gives them for a 300B (13 grid voltages, 5 V steps, a 120 mA limit),
// made from known parameters with 0.3 % of measurement noise, fitted from the
// record's point; and a pentode's 600 points with its screen current.
#include "benchsupport.h"

#include "anodix/tubemodel/fit.h"

#include <cstdio>
#include <random>

namespace {

using namespace anodix::model;

constexpr double kTargetNs = 200e6;

std::vector<MeasuredPoint> traced(const TubeModel &model, int grids, double gridStep, double uaStep, int steps,
                                  double limit, double u2)
{
    std::mt19937 noise(850);
    std::normal_distribution<double> relative(0, 0.003);
    std::vector<MeasuredPoint> points;
    for (int g = 0; g < grids; ++g) {
        const double ug = -gridStep * g;
        for (int a = 0; a < steps; ++a) {
            const double ua = uaStep * a;
            const double ia = model.anodeCurrent(ua, ug);
            if (ia > limit)
                break;
            points.push_back({ua, ug, ia * (1 + relative(noise)), u2, model.screenCurrent(ua, ug) * (1 + relative(noise)),
                              u2 > 0});
        }
    }
    return points;
}

TubeModel koren(TubeType type, const TubeFigures &record, const FittedParameters &params, ModelKind kind)
{
    TubeFigures f = record;
    ModelFile file;
    file.type = kind;
    file.params = params;
    f.model = std::make_shared<const ModelFile>(file);
    return TubeModel(type, f);
}

void run(const char *what, ModelKind kind, const TubeFigures &record, const std::vector<MeasuredPoint> &points)
{
    FitResult last;
    const double ns = bench::medianNsPerRun([&] { last = fitModel(kind, record, points); }, 11);
    if (!last.ok())
        std::fprintf(stderr, "%s: %s\n", what, last.reason.c_str());
    char label[160];
    std::snprintf(label, sizeof label, "%s (%zu points, %d steps)", what, points.size(), last.iterations);
    bench::printRow(label, bench::formatNs(ns), "< 200 ms", last.ok() && ns < kTargetNs);
}

} // namespace

int main(int argc, char **argv)
{
    if (bench::wantsHeader(argc, argv))
        bench::printHeader();

    const TubeFigures k300B{300, 60, 61, 5.5, 3.85, 0.7};
    const TubeModel triode = koren(TubeType::Triode, k300B, KorenTriodeParameters{3.83, 1.8, 6450, 39.6, 1e-3},
                                   ModelKind::KorenTriode);
    std::vector<MeasuredPoint> triodePoints = traced(triode, 13, 10, 5, 120, 120, 0);
    triodePoints.resize(std::min<std::size_t>(triodePoints.size(), 850));
    run("Fit, Koren triode (fitModel, 300B-like curves)", ModelKind::KorenTriode, k300B, triodePoints);

    const TubeFigures kEl34{250, 100, 12.2, 11, 0, 15, 250, 14.9};
    const TubeModel pentode = koren(TubeType::Pentode, kEl34, KorenPentodeParameters{11, 1.35, 650, 4200, 60, 24},
                                    ModelKind::KorenPentode);
    run("Fit, Koren pentode (fitModel, EL34-like curves)", ModelKind::KorenPentode, kEl34,
        traced(pentode, 10, 3, 10, 60, 400, 250));
    return 0;
}
