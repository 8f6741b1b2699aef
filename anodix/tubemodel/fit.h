// SPDX-License-Identifier: GPL-3.0-or-later
// Fits Koren's models to measured points by weighted least squares with
// Eigen's Levenberg–Marquardt, starting from the record's 3/2 law.
#pragma once

#include "anodix/tubemodel/measurements.h"
#include "anodix/tubemodel/tubemodel.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace anodix::model {

enum class FitStatus {
    Done,             // result.model holds the fitted model
    TooFewPoints,     // fewer points than the model has parameters (or none usable)
    WrongPoints,      // pentode points without the screen's columns, or the other way round
    NotConverged,     // the optimiser stopped without a usable minimum
    WorseThanPowerLaw, // converged, but further from the points than the 3/2 law
    Cancelled,
};

struct FitOptions
{
    // Polled between iterations; the fit stops with Cancelled once it is set.
    const std::atomic<bool> *cancel = nullptr;
    // Called between iterations with a rough share done, 0…100 (from the
    // fit's thread).
    std::function<void(int percent)> progress = {};
    int maxIterations = 400;
    std::string source = {}; // goes into the model file
    std::string date = {};   // goes into the model file's "fitted"; today when empty
};

struct FitResult
{
    FitStatus status = FitStatus::NotConverged;
    // Russian, for the user when not Done; the errors themselves are in the
    // two fields below, for the window to show in its locale.
    std::string reason;
    ModelFile model;         // Done: the fitted model, with its error filled in
    ModelError fittedError;  // the fitted model's error on the points (also when worse)
    ModelError powerLawError; // the 3/2 law's on the same points
    int iterations = 0;
    bool ok() const { return status == FitStatus::Done; }
};

// Fits the model of kind (KorenTriode for a triode's points, KorenPentode for
// points with screen columns) to the points. figures start the fit from the
// record's point and give the 3/2 law the fit must beat. Points whose anode
// current is not above zero still count (they hold the cut-off).
FitResult fitModel(ModelKind kind, const TubeFigures &figures, const std::vector<MeasuredPoint> &points,
                   const FitOptions &options = {});

} // namespace anodix::model
