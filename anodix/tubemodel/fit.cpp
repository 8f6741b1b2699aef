// SPDX-License-Identifier: GPL-3.0-or-later
// The fit of Koren's models to measured points.
#include "anodix/tubemodel/fit.h"

namespace anodix::model {

FitResult fitModel(ModelKind, const TubeFigures &, const std::vector<MeasuredPoint> &, const FitOptions &)
{
    FitResult r;
    r.status = FitStatus::NotConverged;
    r.reason = "подбор модели ещё не реализован";
    return r;
}

} // namespace anodix::model
