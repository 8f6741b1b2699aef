// SPDX-License-Identifier: GPL-3.0-or-later
// A small linear circuit solved node by node: admittances and controlled
// currents stamped between numbered nodes, ground and one driven node held at
// a known voltage. Used for the stages' mid-band networks (real) and their
// responses at each frequency (complex).
#pragma once

#include <array>
#include <complex>

namespace anodix::stage {

// The two nodes outside the unknowns: ground at 0 V, the drive at its voltage.
inline constexpr int kGroundNode = -1;
inline constexpr int kDriveNode = -2;

template <typename Scalar>
class NodalSystem
{
public:
    static constexpr int kMaxNodes = 12;
    using Voltages = std::array<Scalar, kMaxNodes>;

    // Nodes 0 … nodes − 1 are unknown; more than kMaxNodes are cut to it.
    explicit NodalSystem(int nodes, Scalar drive = Scalar(1));

    int nodes() const { return m_nodes; }

    // An admittance between two nodes; either may be ground or the drive.
    void branch(int a, int b, Scalar y);
    // The current leaving row's node for a unit voltage at column's node; a
    // row of ground or the drive is nobody's equation and is dropped.
    void add(int row, int column, Scalar y);
    // A current driven into a node from outside.
    void inject(int node, Scalar current);

    // Every node's voltage, zeros past nodes(). A node no part reaches holds
    // 0 V. A singular network gives all zeros; one with a coefficient that is
    // not finite gives NaN everywhere.
    Voltages solve() const;

private:
    int m_nodes = 0;
    Scalar m_drive;
    std::array<Scalar, kMaxNodes * kMaxNodes> m_y{}; // row by row
    Voltages m_rhs{};
};

extern template class NodalSystem<double>;
extern template class NodalSystem<std::complex<double>>;

} // namespace anodix::stage
