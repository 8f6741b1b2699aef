// SPDX-License-Identifier: GPL-3.0-or-later
// A small linear circuit solved node by node: admittances and controlled
// currents stamped between numbered nodes, ground and one driven node held at
// a known voltage. Used for the stages' mid-band networks (real) and their
// responses at each frequency (complex).
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <complex>

namespace anodix::stage {

// The two nodes outside the unknowns: ground at 0 V, the drive at its voltage.
inline constexpr int kGroundNode = -1;
inline constexpr int kDriveNode = -2;

template <typename Scalar>
class NodalSystem
{
public:
    static constexpr int kMaxNodes = 10;
    using Voltages = std::array<Scalar, kMaxNodes>;

    // Nodes 0 … nodes − 1 are unknown; more than kMaxNodes are cut to it.
    explicit NodalSystem(int nodes, Scalar drive = Scalar(1))
        : m_nodes(std::clamp(nodes, 0, kMaxNodes))
        , m_drive(drive)
    {
        assert(nodes <= kMaxNodes);
    }

    int nodes() const { return m_nodes; }

    // An admittance between two nodes; either may be ground or the drive.
    void branch(int a, int b, Scalar y)
    {
        add(a, a, y);
        add(b, b, y);
        add(a, b, -y);
        add(b, a, -y);
    }
    // The current leaving row's node for a unit voltage at column's node; a
    // row of ground or the drive is nobody's equation and is dropped.
    void add(int row, int column, Scalar y)
    {
        if (row < 0 || row >= m_nodes)
            return;
        if (column == kDriveNode)
            m_rhs[row] -= y * m_drive;
        else if (column >= 0 && column < m_nodes)
            m_y[row * kMaxNodes + column] += y;
    }
    // A current driven into a node from outside.
    void inject(int node, Scalar current)
    {
        if (node >= 0 && node < m_nodes)
            m_rhs[node] += current;
    }

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
