// SPDX-License-Identifier: GPL-3.0-or-later
// The supply's netlist.
#include "anodix/supply/supplyspice.h"

#include "anodix/response/spice.h"
#include "anodix/tubedb/tuberecord.h"

#include <QStringList>
#include <cmath>

namespace anodix::supply {

namespace {

QString number(double value)
{
    return QString::number(value == 0 ? 0.0 : value, 'g', 10);
}

} // namespace

QString SupplyNetlist(const SupplyCircuit &c, double stopTime, std::optional<double> stepTime)
{
    const double peak = std::sqrt(2.0) * c.secondaryVoltage;
    const double period = 1 / c.frequency;
    const double phaseEnd = stepTime.value_or(stopTime);
    for (const double v : {peak, c.windingResistance, c.c1, c.c2, c.filterResistance, c.inductance, c.loadCurrent,
                           stopTime, phaseEnd})
        if (!std::isfinite(v))
            return {};
    QStringList t;
    t << QStringLiteral("* Anodix: блок питания");
    const QStringList circuits = CircuitNames();
    t << QStringLiteral("* Схема: ") + circuits[int(c.circuit)];
    t << QStringLiteral("* Выпрямитель: ")
             + (c.tube ? response::spiceSafeText(c.tube->name) : QStringLiteral("кремниевые диоды"));
    // A rectifier element between two nodes: the diode model, or the tube's
    // anode as Ia = P·Ua^1.5 with a leak that keeps an idle node defined.
    int elements = 0;
    const auto rectifier = [&](const QString &anode, const QString &cathode) {
        ++elements;
        if (c.tube) {
            t << QStringLiteral("B%1 %2 %3 I=%4*pwr(max(V(%2,%3),0),1.5)")
                     .arg(elements).arg(anode, cathode, number(c.tube->perveance));
            t << QStringLiteral("Rleak%1 %2 %3 1G").arg(elements).arg(anode, cathode);
        } else {
            t << QStringLiteral("D%1 %2 %3 DR").arg(elements).arg(anode, cathode);
        }
    };
    const QString sine = QStringLiteral("SIN(0 %1 %2)").arg(number(peak), number(c.frequency));
    switch (c.circuit) {
    case Circuit::Bridge:
        // The winding floats; a gigaohm to ground keeps its nodes defined.
        t << "V1 a c " + sine;
        t << "Rw a b " + number(c.windingResistance);
        t << "Rc c 0 1G";
        rectifier("b", "p");
        rectifier("c", "p");
        rectifier("0", "b");
        rectifier("0", "c");
        break;
    case Circuit::CentreTap:
        t << "V1 a 0 " + sine;
        t << "V2 0 d " + sine;
        t << "Rw1 a b " + number(c.windingResistance);
        t << "Rw2 d e " + number(c.windingResistance);
        rectifier("b", "p");
        rectifier("e", "p");
        break;
    case Circuit::HalfWave:
        t << "V1 a 0 " + sine;
        t << "Rw a b " + number(c.windingResistance);
        rectifier("b", "p");
        break;
    }
    t << "C1 p 0 " + number(c.c1);
    if (c.filter == FilterElement::Choke) {
        t << "L1 p m " + number(c.inductance);
        t << "RL m o " + number(c.filterResistance);
    } else {
        t << "R1 p o " + number(c.filterResistance);
    }
    t << "C2 o 0 " + number(c.c2);
    if (c.stepCurrent && stepTime)
        t << QStringLiteral("I1 o 0 PWL(0 %1 %2 %1 %3 %4)")
                 .arg(number(c.loadCurrent), number(*stepTime), number(*stepTime + 1e-6), number(*c.stepCurrent));
    else
        t << "I1 o 0 DC " + number(c.loadCurrent);
    if (!c.tube)
        t << QStringLiteral("* Кремниевый диод: уравнение диода с последовательным сопротивлением");
    t << QStringLiteral(".model DR D(IS=%1 N=%2 RS=%3)")
             .arg(number(DiodeModel::is), number(DiodeModel::n), number(DiodeModel::rs));
    // Empty capacitors at switch-on: no operating point, every initial value zero.
    const double step = period / 2000;
    t << QStringLiteral(".tran %1 %2 0 %1 uic").arg(number(step), number(stopTime));
    t << ".control";
    t << "run";
    const QString last = QStringLiteral("from=%1 to=%2").arg(number(phaseEnd - period), number(phaseEnd));
    t << "meas tran vc1 avg v(p) " + last;
    t << "meas tran vc1pp pp v(p) " + last;
    t << "meas tran vo avg v(o) " + last;
    t << "meas tran vopp pp v(o) " + last;
    QString print = QStringLiteral("print vc1 vc1pp vo vopp");
    const int sources = c.circuit == Circuit::CentreTap ? 2 : 1;
    for (int s = 1; s <= sources; ++s) {
        t << QStringLiteral("meas tran i%1max max i(v%1) ").arg(s) + last;
        t << QStringLiteral("meas tran i%1min min i(v%1) ").arg(s) + last;
        t << QStringLiteral("meas tran i%1rms rms i(v%1) ").arg(s) + last;
        print += QStringLiteral(" i%1max i%1min i%1rms").arg(s);
    }
    t << QStringLiteral("meas tran s1max max i(v1) from=0 to=%1").arg(number(phaseEnd));
    t << QStringLiteral("meas tran s1min min i(v1) from=0 to=%1").arg(number(phaseEnd));
    print += QStringLiteral(" s1max s1min");
    if (c.stepCurrent && stepTime) {
        t << QStringLiteral("meas tran vostep avg v(o) from=%1 to=%2").arg(number(stopTime - period), number(stopTime));
        print += QStringLiteral(" vostep");
    }
    t << print + QStringLiteral(" > ") + QString::fromLatin1(kSupplyDataFile);
    t << "quit";
    t << ".endc";
    t << ".end";
    return t.join(u'\n') + u'\n';
}

QString SaveSupplyNetlist(const QString &path, const QString &text)
{
    return SaveWholeFile(path, text.toUtf8());
}

} // namespace anodix::supply
