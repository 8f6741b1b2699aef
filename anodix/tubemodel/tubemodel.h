// SPDX-License-Identifier: GPL-3.0-or-later
// The anode characteristics of a tube estimated from its record: a 3/2-power
// law through the record's operating point with its slope S. Plain C++ below
// the stages and the analysis, so a stage calculation and the characteristics
// window work on the same model.
#pragma once

namespace anodix::model {

enum class TubeType { Triode, Pentode };

// The record fields the model uses, in double precision. Pentode fields are
// zero for a triode and for a power record read without its last two lines.
struct TubeFigures
{
    double ua0 = 0, ia0 = 0, uc = 0, s = 0, mu = 0, ri = 0;
    double ug2 = 0, ig2 = 0;
};

double power15(double x); // x^1.5 for x ≥ 0

// V, mA, kΩ throughout.
class TubeModel
{
public:
    TubeModel(TubeType type, const TubeFigures &figures);

    // False when the figures give no model (a figure not above zero, or one
    // so far out of range that the model overflows); it then carries no current.
    bool valid() const { return m_k > 0; }

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
    // Pentodes: anode plus screen current, the screen held at its voltage (it
    // does not depend on Ua); triode: the anode current.
    double cathodeCurrent(double ua, double ug) const;
    // Pentodes: what the screen takes, Ik − Ia; zero for a triode.
    double screenCurrent(double ua, double ug) const;
    // The grid voltage at and below which no current flows at ua.
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

    TubeType m_type;
    TubeFigures m_figures;
    // Triode: the grid offset V0; pentodes: u2/μ2, the screen's share, and
    // Kvb, both at the screen voltage m_u2.
    double m_k = 0, m_v0 = 0, m_mu2 = 0, m_kvb = 0, m_ei = 0, m_u2 = 0;
    double m_recordV0 = 0; // pentodes: m_v0 at the record's Ug2
    // Pentodes: Ia0/Ik0 over the anode factors at the record's point (with
    // the record's Ug2, wherever the screen is moved).
    double m_anodeScale = 0;
};

} // namespace anodix::model
