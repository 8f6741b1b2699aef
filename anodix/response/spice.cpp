// SPDX-License-Identifier: GPL-3.0-or-later
// The tube's subcircuit and the stage's netlist as SPICE texts.
#include "anodix/response/spice.h"

#include "anodix/response/netlisttext.h"
#include "anodix/response/stagetable.h"
#include "anodix/tubedb/tuberecord.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace anodix::response {
namespace {

// The 3/2 law's constants in V and A, exactly as the program's model has
// them (at the moved screen voltage for the push-pull pair's screens).
std::optional<model::PowerLawConstants> constantsOf(const model::TubeModel &tube)
{
    if (!tube.valid() || tube.kind() != model::ModelKind::PowerLaw)
        return std::nullopt;
    model::PowerLawConstants c = tube.powerLawConstants();
    c.k *= 1e-3;
    for (const double v : {c.k, c.v0, c.mu, c.kvb, c.ei, c.share}) {
        if (!std::isfinite(v))
            return std::nullopt;
    }
    return c;
}

} // namespace

QString spiceSafeText(QStringView text)
{
    QString safe = text.toString();
    for (QChar &ch : safe) {
        const QChar::Category category = ch.category();
        // Format characters (bidi overrides) would make the line read otherwise than it runs.
        if (category == QChar::Other_Control || category == QChar::Other_Format
            || category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            ch = u' ';
    }
    return safe;
}

QString spiceName(const QString &tubeName)
{
    static const char *const kLatin[] = {"A", "B", "V", "G", "D", "E", "Zh", "Z", "I", "J", "K",
                                         "L", "M", "N", "O", "P", "R", "S", "T", "U", "F", "Kh",
                                         "C", "Ch", "Sh", "Shch", "", "Y", "", "E", "Yu", "Ya"};
    QString name;
    for (const QChar ch : tubeName) {
        const char16_t u = ch.toUpper().unicode();
        if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_')
            name += QChar(u);
        else if (u >= 0x0410 && u <= 0x042F)
            name += QLatin1String(kLatin[u - 0x0410]);
        else if (u == 0x0401) // Ё
            name += u'E';
        else
            name += u'_';
    }
    return name.isEmpty() ? QStringLiteral("TUBE") : name;
}

QString spiceNumber(double value)
{
    return QString::number(value == 0 ? 0.0 : value, 'g', 7);
}

QString TubeSubcircuit(const QString &tubeName, Circuit kind, const model::TubeFigures &f,
                       const TubeCapacitances &caps, double screen, bool screenFollows)
{
    const bool triode = stage::circuitData(kind).tube == model::TubeType::Triode;
    const bool follows = screenFollows && !triode;
    const model::TubeModel record(stage::circuitData(kind).tube, f);
    const bool moved = !triode && !follows && screen > 0 && screen != f.ug2;
    const model::TubeModel tube = moved ? record.withScreenAt(screen) : record;
    if (!tube.valid())
        return {};
    const QString name = spiceName(tubeName);
    NetlistText t;
    t << "* " << tubeName << ": " << (triode ? "триод" : "пентод") << ", модель Anodix";
    t.end();
    t << "* Данные лампы: Ua = " << f.ua0 << " В, Ia = " << f.ia0 << " мА, Uc = " << -std::abs(f.uc) << " В, S = "
      << f.s << " мА/В, ";
    if (triode)
        t << "μ = " << f.mu;
    else
        t << "Ri = " << f.ri << " кОм, Ug2 = " << f.ug2 << " В, Ig2 = " << f.ig2 << " мА";
    t.end();
    const model::ModelFile *fitted = tube.file();
    const std::optional<model::PowerLawConstants> c = constantsOf(tube);
    if (!fitted && !c)
        return {};
    if (fitted) {
        // The source is the user's text: one comment line, nothing else.
        QString source = QString::fromStdString(fitted->source);
        for (QChar &ch : source) {
            if (ch.unicode() < 0x20 || ch.unicode() == 0x7F || ch == QChar(0x2028) || ch == QChar(0x2029))
                ch = u' ';
        }
        t << "* Модель: " << QString::fromStdString(tube.name()) << ", подобрана по измерениям: " << source;
        t.end();
        t << "* Точек: " << QString::number(fitted->points) << ", среднеквадратичная ошибка " << fitted->rms_ma
          << " мА (" << fitted->rms_percent << " % от наибольшего тока), подобрана "
          << QString::fromStdString(fitted->fitted);
        t.end();
    }
    if (const auto *p = fitted ? std::get_if<model::KorenTriodeParameters>(&fitted->params) : nullptr) {
        t << "* E1 = Uak/Kp·ln(1 + exp(Kp·(1/μ + Ugk/√(Kvb + Uak²)))), Ia = 2·E1^Ex/Kg1";
        t.end();
        t << "* μ = " << p->mu << ", Ex = " << p->ex << ", Kg1 = " << p->kg1 << ", Kp = " << p->kp << ", Kvb = "
          << p->kvb;
        t.end();
    } else if (const auto *q = fitted ? std::get_if<model::KorenPentodeParameters>(&fitted->params) : nullptr) {
        t << "* E1 = Ug2k/Kp·ln(1 + exp(Kp·(1/μ + Ugk/Ug2k))), Ia = 2·E1^Ex/Kg1·atan(Uak/Kvb), "
             "Ig2 = (Ugk + Ug2k/μ)^Ex/Kg2";
        t.end();
        t << "* μ = " << q->mu << ", Ex = " << q->ex << ", Kg1 = " << q->kg1 << ", Kg2 = " << q->kg2 << ", Kp = "
          << q->kp << ", Kvb = " << q->kvb;
        t.end();
    } else if (triode) {
        t << "* Ia = K·(Uak/μ + Ugk + V0)^1,5: степень 3/2 через точку данных с крутизной S";
        t.end();
        t << "* K = " << c->k << " А/В^1,5, μ = " << c->mu << ", V0 = " << c->v0 << " В";
        t.end();
    } else {
        t << "* Ik = K·(Ugk + V0)^1,5 (экранная сетка при Ug2), Ia = Ik·min(1, Ka·atan(Uak/Vk)·(Uak − Ei)), "
             "Ig2 = Ik − Ia";
        t.end();
        t << "* K = " << c->k << " А/В^1,5, V0 = " << c->v0 << " В, Vk = " << c->kvb << " В, Ei = " << c->ei
          << " В, Ka = " << c->share << " 1/В";
        t.end();
    }
    if (follows) {
        t << "* Экранная сетка считается при своём мгновенном напряжении к катоду U2: ";
        if (fitted)
            t << "Ug2 в формулах равно U2.";
        else
            t << "V0 = U2·" << c->v0 / f.ug2 << ", Vk = U2/20; ток катода не зависит от напряжения анода.";
        t.end();
    } else if (!triode) {
        if (moved)
            t << "* Экранная сетка считается при " << screen << " В к катоду";
        else
            t << "* Экранная сетка считается при Ug2";
        t << (fitted ? "." : "; ток катода не зависит от напряжения анода.");
        t.end();
    }
    t << ".subckt " << name << (triode ? " anode grid cathode" : " anode screen grid cathode") << " params: cin="
      << caps.input * 1e-12 << " cga=" << caps.anodeGrid * 1e-12 << " cout=" << caps.output * 1e-12;
    t.end();
    if (const auto *p = fitted ? std::get_if<model::KorenTriodeParameters>(&fitted->params) : nullptr) {
        // ln(1 + exp(x)) written so that exp never overflows: max(x, 0) + ln(1 + exp(−|x|)).
        t << "Be e1 0 V = uramp(V(anode,cathode))/" << p->kp << "*(max(" << p->kp << "*(" << 1 / p->mu
          << "+V(grid,cathode)/sqrt(" << p->kvb << "+V(anode,cathode)*V(anode,cathode))),0)+ln(1+exp(-abs("
          << p->kp << "*(" << 1 / p->mu << "+V(grid,cathode)/sqrt(" << p->kvb
          << "+V(anode,cathode)*V(anode,cathode)))))))";
        t.end();
        t << "Ba anode cathode I = " << 2 / p->kg1 << "*pwr(uramp(V(e1)),(" << p->ex << "))";
        t.end();
    } else if (const auto *q = fitted ? std::get_if<model::KorenPentodeParameters>(&fitted->params) : nullptr;
               q && follows) {
        // The screen's own voltage, kept above zero where the formula divides by it.
        t << "Bu u2 0 V = max(V(screen,cathode),1e-6)";
        t.end();
        t << "Be e1 0 V = V(u2)/" << q->kp << "*(max(" << q->kp << "*(" << 1 / q->mu << "+V(grid,cathode)/V(u2)),0)"
          << "+ln(1+exp(-abs(" << q->kp << "*(" << 1 / q->mu << "+V(grid,cathode)/V(u2))))))";
        t.end();
        t << "Ba anode cathode I = " << 2 / q->kg1 << "*pwr(uramp(V(e1)),(" << q->ex << "))*atan(uramp(V(anode,cathode))/"
          << q->kvb << ")";
        t.end();
        t << "Bs screen cathode I = " << 1 / q->kg2 << "*pwr(uramp(V(grid,cathode)+uramp(V(screen,cathode))/" << q->mu
          << "),(" << q->ex << "))";
        t.end();
    } else if (const auto *q = fitted ? std::get_if<model::KorenPentodeParameters>(&fitted->params) : nullptr) {
        const double u2 = tube.screenVoltage();
        t << "Be e1 0 V = " << u2 << "/" << q->kp << "*(max(" << q->kp << "*(" << 1 / q->mu << "+V(grid,cathode)/"
          << u2 << "),0)+ln(1+exp(-abs(" << q->kp << "*(" << 1 / q->mu << "+V(grid,cathode)/" << u2 << ")))))";
        t.end();
        t << "Ba anode cathode I = " << 2 / q->kg1 << "*pwr(uramp(V(e1)),(" << q->ex << "))*atan(uramp(V(anode,cathode))/"
          << q->kvb << ")";
        t.end();
        t << "Bs screen cathode I = " << 1 / q->kg2 << "*pwr(uramp(V(grid,cathode)+(" << u2 / q->mu << ")),(" << q->ex
          << "))";
        t.end();
    } else if (triode) {
        // Parenthesised, so a negative offset reads the same in every SPICE.
        t << "Ba anode cathode I = " << c->k << "*pwr(uramp(V(anode,cathode)/" << c->mu << "+V(grid,cathode)+("
          << c->v0 << ")),1.5)";
        t.end();
    } else {
        // A following screen sets V0 = U2/μ2 and the knee Vk = U2/20 at each
        // instant, as the model moves them with its screen (U2 at or below the
        // cathode draws nothing and puts the knee at Ua = 0).
        const auto cathode = [&] {
            if (follows)
                t << c->k << "*pwr(uramp(V(grid,cathode)+uramp(V(screen,cathode))*" << c->v0 / f.ug2 << "),1.5)";
            else
                t << c->k << "*pwr(uramp(V(grid,cathode)+(" << c->v0 << ")),1.5)";
        };
        // The anode's share is capped at the whole cathode current, so the
        // screen current never turns negative far above the record's point.
        const auto anodeShare = [&] {
            t << "min(1," << c->share << "*atan(uramp(V(anode,cathode))/";
            if (follows)
                t << "max(uramp(V(screen,cathode))/20,1e-9)";
            else
                t << c->kvb;
            t << ")*uramp(V(anode,cathode)-(" << c->ei << ")))";
        };
        t << "Ba anode cathode I = ";
        cathode();
        t << "*";
        anodeShare();
        t.end();
        t << "Bs screen cathode I = ";
        cathode();
        t << "*(1-";
        anodeShare();
        t << ")";
        t.end();
    }
    t << "Cin grid cathode {cin}";
    t.end();
    t << "Cga grid anode {cga}";
    t.end();
    t << "Cout anode cathode {cout}";
    t.end();
    t << ".ends " << name;
    t.end();
    return t.text();
}

QString StageNetlist(const Response &response, const QString &tubeName)
{
    if (!response.ok())
        return {};
    const StageCircuit &c = response.circuit;
    const analysis::StagePoint &p = response.point;
    const bool pushPull = stage::circuitData(c.circuit).balancedPair;
    // The push-pull pair's screens on a tap of the primary follow it.
    const double tap = pushPull ? p.tap : 0;
    const QString subcircuit = TubeSubcircuit(tubeName, c.circuit, p.tube,
                                              {c.cgk / 1e-12, c.cga / 1e-12, c.cak / 1e-12}, pushPull ? p.u2 : 0, tap > 0);
    if (subcircuit.isEmpty())
        return {};
    const QString name = spiceName(tubeName);
    // The push-pull pair's first tube carries the names the other stages use
    // for theirs (anode1, grid1); the data files name that tube's nodes.
    const QString anode = pushPull ? QStringLiteral("anode1") : QStringLiteral("anode");
    const QString grid = pushPull ? QStringLiteral("grid1") : QStringLiteral("grid");

    NetlistText t;
    netlistTitle(t, QString::fromUtf8(stageEntry(c.circuit).netlistTitle), tubeName);
    t << "* Ea = " << p.ea << " В, Fmin = " << p.fmin << " Гц; рабочая точка: Uq = " << p.uq << " В, Iq = " << p.iq
      << " мА, Ugq = " << p.ugq << " В";
    t.end();
    // A drive that swings the grid from Q to Ug = 0 and to 2·Ugq.
    netlistSources(t, subcircuit, c.ea, std::abs(c.ugq));
    // One grid coupling of each tube: the second tube's is driven in antiphase.
    const auto gridInput = [&](const QString &from, const QString &suffix, const QString &to) {
        QString fed = from;
        if (c.rs > 0) {
            fed = QStringLiteral("source") + suffix;
            t << "Rsource" << suffix << " " << from << " " << fed << " " << c.rs;
            t.end();
        }
        t << "C1" << suffix << " " << fed << " " << to << " " << c.c1;
        t.end();
        t << "R1" << suffix << " " << to << " 0 " << c.r1;
        t.end();
    };
    if (pushPull) {
        t << "Einv input2 0 input 0 -1";
        t.end();
        gridInput(QStringLiteral("input"), QStringLiteral("A"), QStringLiteral("grid1"));
        gridInput(QStringLiteral("input2"), QStringLiteral("B"), QStringLiteral("grid2"));
        // The screens at the window's Ug2 from their own supply, or on the
        // primary: at the anodes when tied, else at taps of each half.
        const bool tied = tap >= 1;
        const QString screen1 = tap <= 0 ? QStringLiteral("screen") : tied ? QStringLiteral("anode1") : QStringLiteral("tap1");
        const QString screen2 = tap <= 0 ? QStringLiteral("screen") : tied ? QStringLiteral("anode2") : QStringLiteral("tap2");
        if (tap <= 0) {
            t << "Vscreen screen 0 DC " << p.u2 - p.ugq;
            t.end();
        }
        t << "XVL1 anode1 " << screen1 << " grid1 cathode " << name;
        t.end();
        t << "XVL2 anode2 " << screen2 << " grid2 cathode " << name;
        t.end();
        t << "Rk cathode 0 " << c.rk;
        t.end();
        t << "Ck cathode 0 " << c.ck;
        t.end();
        // The centre-tapped primary, L1 from anode to anode: two halves of
        // L1/4 along the winding, coupled without leakage to each other and to
        // a secondary of L1 / n², n² = Raa / Rн. A tap splits each half by its
        // turns, the inductance of a part going with their square; L1A keeps
        // the anode's end, so its current stays the first anode's.
        QStringList windings;
        const auto winding = [&](const char *name, const QString &from, const QString &to, double inductance) {
            t << name << " " << from << " " << to << " " << inductance;
            t.end();
            windings << QString::fromLatin1(name);
        };
        if (tap <= 0 || tied) {
            winding("L1A", QStringLiteral("anode1"), QStringLiteral("supply"), c.l1 / 4);
            winding("L1B", QStringLiteral("supply"), QStringLiteral("anode2"), c.l1 / 4);
        } else {
            const double outer = c.l1 / 4 * (1 - tap) * (1 - tap), inner = c.l1 / 4 * tap * tap;
            winding("L1A", QStringLiteral("anode1"), QStringLiteral("tap1"), outer);
            winding("L1C", QStringLiteral("tap1"), QStringLiteral("supply"), inner);
            winding("L1D", QStringLiteral("supply"), QStringLiteral("tap2"), inner);
            winding("L1B", QStringLiteral("tap2"), QStringLiteral("anode2"), outer);
        }
        winding("L2", QStringLiteral("out"), QStringLiteral("0"), c.l1 * c.rn / c.rp);
        int coupling = 0;
        for (qsizetype i = 0; i < windings.size(); ++i)
            for (qsizetype j = i + 1; j < windings.size(); ++j) {
                t << "K" << QString::number(++coupling) << " " << windings[i] << " " << windings[j] << " 1";
                t.end();
            }
        t << "Rn out 0 " << c.rn;
        t.end();
    } else {
        gridInput(QStringLiteral("input"), QString(), QStringLiteral("grid"));
        // A pentode preamplifier's screen has its own resistor; an output pentode's sits at +Ea.
        const bool pentode = stage::circuitData(c.circuit).tube == model::TubeType::Pentode;
        const char *screen = !pentode ? "" : c.circuit == Circuit::PentodePower ? " supply" : " screen";
        t << "XVL1 anode" << screen << " grid cathode " << name;
        t.end();
        t << "R2 cathode 0 " << c.rk;
        t.end();
        t << "C2 cathode 0 " << c.ck;
        t.end();
    }
    switch (c.circuit) {
    case Circuit::TriodePreamp:
        t << "R3 supply anode " << c.ra;
        t.end();
        t << "C3 anode out " << c.coupling;
        t.end();
        break;
    case Circuit::PentodePreamp:
        t << "R3 supply screen " << c.rScreen;
        t.end();
        t << "C3 screen 0 " << c.cScreen;
        t.end();
        t << "R4 supply anode " << c.ra;
        t.end();
        t << "C4 anode out " << c.coupling;
        t.end();
        break;
    case Circuit::PentodePower:
    case Circuit::TriodeOutput:
        // The transformer: the primary L1 coupled without leakage to a
        // secondary of L1 / n², n² = Rt1 / Rн.
        t << "L1 supply anode " << c.l1;
        t.end();
        t << "L2 out 0 " << c.l1 * c.rn / c.rp;
        t.end();
        t << "K1 L1 L2 1";
        t.end();
        t << "Rn out 0 " << c.rn;
        t.end();
        break;
    case Circuit::PushPull:
    case Circuit::CathodeFollower: // their own netlist: followerresponse.h
    case Circuit::SplitLoad:
    case Circuit::LongTailedPair: // its own netlist, longtailedpairresponse.h
        break;
    }
    if (!stage::circuitData(c.circuit).outputTransformer) {
        t << "Rnext out 0 " << c.rNext;
        t.end();
    }
    if (c.load > 0) { // a zero part is no part
        t << "Cload out 0 " << c.load;
        t.end();
    }
    // Run until the bypassed cathode has settled at its bias under drive, or
    // the couplings and the primary (about 1 / (2π·Fmin) each) where they are
    // slower. A second of it takes ngspice about 5 s here.
    const double slowest = std::max(c.rk * c.ck, 1 / (2 * std::numbers::pi * p.fmin));
    const double settled = netlistAnalyses(t, ".ac dec 20 1 200k", slowest);
    // The cathode's mean over the kept periods: its bias under full drive.
    t << ".meas tran cathode_mean avg v(cathode) from=" << settled - 0.02 << " to=" << settled;
    t.end();
    t << ".four 1k V(out)";
    t.end();
    controlOpening(t);
    const char *primary = pushPull ? " l1a#branch" : stage::circuitData(c.circuit).outputTransformer ? " l1#branch" : "";
    t << "wrdata " << kOperatingPointFile << " v(supply) v(" << anode << ") v(cathode) v(" << grid << ")"
      << primary;
    t.end();
    t << "setplot ac1";
    t.end();
    t << "let gain = mag(v(" << (stage::circuitData(c.circuit).outputTransformer ? anode : QStringLiteral("out")) << "))";
    t.end();
    t << "wrdata " << kResponseFile << " gain";
    t.end();
    t << "setplot tran1";
    t.end();
    t << "wrdata " << kTransientFile << " v(out)";
    t.end();
    // The .four line prints only without a control block; its figures to a file.
    t << "fourier 1k v(out) > " << kFourierFile;
    t.end();
    controlClosing(t);
    return t.text();
}

QString SaveSpiceText(const QString &path, const QString &text)
{
    return SaveWholeFile(path, text.toUtf8());
}

} // namespace anodix::response
