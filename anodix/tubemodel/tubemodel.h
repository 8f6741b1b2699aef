// SPDX-License-Identifier: GPL-3.0-or-later
// The anode characteristics of a tube: by default a 3/2-power law through the
// record's operating point with its slope S, or a model fitted to measured
// curves (Koren's triode and pentode forms) when the record has one. Plain C++
// below the stages and the analysis, so a stage calculation, the
// characteristics window and the SPICE export work on the same model.
#pragma once

#include <memory>
#include <string>
#include <variant>

namespace anodix::model {

enum class TubeType { Triode, Pentode };

// Which equations a model uses.
enum class ModelKind {
    PowerLaw,     // the 3/2-power law through the record's point
    KorenTriode,  // "koren-triode"
    KorenPentode, // "koren-pentode"
};

// Koren's triode, Ia in A:
//   E1 = Ua/Kp · ln(1 + exp(Kp·(1/μ + Ug/√(Kvb + Ua²)))),  Ia = 2·E1^Ex / Kg1.
struct KorenTriodeParameters
{
    double mu = 0, ex = 0, kg1 = 0, kp = 0, kvb = 0;
};

// Koren's pentode (and beam tetrode), currents in A, Ug2 the screen voltage:
//   E1 = Ug2/Kp · ln(1 + exp(Kp·(1/μ + Ug/Ug2))),  Ia = 2·E1^Ex / Kg1 · atan(Ua/Kvb),
//   Ig2 = (Ug + Ug2/μ)^Ex / Kg2 (zero when the base is not above zero).
// Both currents are never negative, so Ia never exceeds Ik = Ia + Ig2.
struct KorenPentodeParameters
{
    double mu = 0, ex = 0, kg1 = 0, kg2 = 0, kp = 0, kvb = 0;
};

using FittedParameters = std::variant<KorenTriodeParameters, KorenPentodeParameters>;

// A fitted model as it is kept in a ".model" file beside the record.
struct ModelFile
{
    ModelKind type = ModelKind::KorenTriode; // never PowerLaw in a file
    FittedParameters params;
    std::string source;    // the measurement files' names, or the data set and sample
    int points = 0;        // how many measured points the fit used
    double rms_ma = 0;     // RMS error of the fit on those points, mA
    double rms_percent = 0; // the same in % of the largest measured current
    std::string fitted;    // the date of the fit, YYYY-MM-DD
    // The record's operating point when the model was fitted (Ua V, Ia mA,
    // |Uc| V); zeros when not known. Optional in the file.
    double record_ua = 0, record_ia = 0, record_uc = 0;
};

// The model's type name in a file ("koren-triode") and the name shown to the
// user ("степень 3/2 по рабочей точке", "модель Корена, триод").
const char *modelTypeName(ModelKind kind);
std::string modelDisplayName(ModelKind kind);
// The tube type a fitted model applies to.
TubeType modelTubeType(ModelKind kind);

// The record fields the model uses, in double precision. Pentode fields are
// zero for a triode and for a power record read without its last two lines.
// model, when set, is the record's fitted model: every TubeModel made from
// these figures then uses it instead of the 3/2 law (a model of the other
// tube type is ignored, see modelProblem()).
struct TubeFigures
{
    double ua0 = 0, ia0 = 0, uc = 0, s = 0, mu = 0, ri = 0;
    double ug2 = 0, ig2 = 0;
    std::shared_ptr<const ModelFile> model = {};
};

// Why a model file cannot be used for a tube of this type (its type is for
// the other type, or a parameter is out of range); a Russian sentence, empty
// when it can be used.
std::string modelProblem(TubeType type, const ModelFile &file);

// Whether the record's operating point (Ua, Ia or |Uc|) has moved by more than
// 5 % since the model was fitted: the model was then fitted to another
// record's figures. False when the file does not say where the point was.
bool operatingPointMoved(const ModelFile &file, const TubeFigures &figures);

double power15(double x); // x^1.5 for x ≥ 0

// The 3/2-power law's constants as the model fitted them, for the SPICE
// writer, in V, mA and kΩ:
//   triode:   Ia = k·(Ua/μ + Ug + v0)^1.5
//   pentodes: Ik = k·(Ug + v0)^1.5, Ia = Ik·min(1, share·atan(Ua/kvb)·(Ua − ei)), Ig2 = Ik − Ia
// v0 and kvb at the screen voltage the model is at.
struct PowerLawConstants
{
    double k = 0, v0 = 0, mu = 0;
    double kvb = 0, ei = 0, share = 0;
};

// V, mA, kΩ throughout. A value type, cheap to copy.
class TubeModel
{
public:
    // The record's fitted model when figures.model is set and fits the type,
    // otherwise the 3/2-power law through the record's point.
    TubeModel(TubeType type, const TubeFigures &figures);

    // False when the figures give no model (a figure not above zero, or one
    // so far out of range that the model overflows); it then carries no current.
    bool valid() const { return m_k > 0; }

    TubeType type() const { return m_type; }
    ModelKind kind() const { return m_kind; }
    // The user's name of the equations in use (see modelDisplayName()).
    std::string name() const { return modelDisplayName(m_kind); }
    // The fitted model's file; nullptr for the 3/2 law.
    const ModelFile *file() const { return m_kind == ModelKind::PowerLaw ? nullptr : m_figures.model.get(); }
    const TubeFigures &figures() const { return m_figures; }
    // The 3/2 law's constants at the current screen voltage; zeros for a
    // fitted model.
    PowerLawConstants powerLawConstants() const;

    // Pentodes: the same tube with its screen at u2 volts to the cathode
    // instead of the record's Ug2; every function below then works at u2.
    // A triode is returned unchanged.
    TubeModel withScreenAt(double u2) const;
    double screenVoltage() const { return m_u2; } // the record's Ug2 unless moved

    double anodeCurrent(double ua, double ug) const;
    // Pentodes at a screen voltage given per point, for a screen that follows
    // the anode; at u2 = screenVoltage() the same as the two-argument form.
    double anodeCurrent(double ua, double ug, double u2) const;
    double slope(double ua, double ug) const; // dIa/dUg, mA/V
    // dUa/dIa at the point, kΩ; infinity where the anode current does not
    // change with Ua (cut off, or a pentode's flat top).
    double internalResistance(double ua, double ug) const;
    // S·Ri at the point: how many times the grid outweighs the anode;
    // infinity where Ri is.
    double amplificationFactor(double ua, double ug) const;
    // Pentodes: anode plus screen current, the screen at its voltage (for the
    // 3/2 law it does not depend on Ua; for Koren's pentode it does through
    // the anode's knee); triode: the anode current.
    double cathodeCurrent(double ua, double ug) const;
    // Pentodes: the cathode current with the anode far above the knee, what a
    // cathode resistor's bias settles on whatever the anode does (the
    // callers that pass Ua = 0 to cathodeCurrent() for that get only the
    // screen's share from Koren's pentode); triode: the anode current at ua = 0.
    double cathodeCurrentAboveKnee(double ug) const;
    // Pentodes: what the screen takes, Ik − Ia, never negative; zero for a triode.
    double screenCurrent(double ua, double ug) const;
    // The grid voltage at and below which no current flows at ua (fitted
    // models: below which the cathode current is under 1 µA).
    double gridCutoff(double ua) const;
    // The anode voltage up to which no anode current flows at ug; infinity
    // when the grid holds the tube cut off at every anode voltage.
    double conductionStart(double ug) const;

private:
    // Ik(Ug) = K·(Ug + u2/μ2)^1.5 and the knee's scale Kvb = u2/20 at a screen voltage.
    struct Screen
    {
        double v0 = 0, kvb = 0;
    };
    Screen screenAt(double u2) const;
    double pentodeAnode(double ua, double ug, const Screen &screen) const;
    double pentodeCathode(double ug, const Screen &screen) const;
    double fittedAnode(double ua, double ug, double u2) const;
    double fittedScreen(double ua, double ug, double u2) const;

    TubeType m_type;
    ModelKind m_kind = ModelKind::PowerLaw;
    TubeFigures m_figures;
    // Triode: the grid offset V0; pentodes: u2/μ2, the screen's share, and
    // Kvb, both at the screen voltage m_u2. A fitted model sets m_k to 1.
    double m_k = 0, m_v0 = 0, m_mu2 = 0, m_kvb = 0, m_ei = 0, m_u2 = 0;
    double m_recordV0 = 0; // pentodes: m_v0 at the record's Ug2
    // Pentodes: Ia0/Ik0 over the anode factors at the record's point (with
    // the record's Ug2, wherever the screen is moved).
    double m_anodeScale = 0;
    FittedParameters m_fit;
};

} // namespace anodix::model
