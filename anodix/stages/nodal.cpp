// SPDX-License-Identifier: GPL-3.0-or-later
// The nodal system's stamps and its solution by LU with partial pivoting.
#include "anodix/stages/nodal.h"

#include <Eigen/LU>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace anodix::stage {

template <typename Scalar>
NodalSystem<Scalar>::NodalSystem(int nodes, Scalar drive)
    : m_nodes(std::clamp(nodes, 0, kMaxNodes))
    , m_drive(drive)
{
    assert(nodes <= kMaxNodes);
}

template <typename Scalar>
void NodalSystem<Scalar>::branch(int a, int b, Scalar y)
{
    add(a, a, y);
    add(b, b, y);
    add(a, b, -y);
    add(b, a, -y);
}

template <typename Scalar>
void NodalSystem<Scalar>::add(int row, int column, Scalar y)
{
    if (row < 0 || row >= m_nodes)
        return;
    if (column == kDriveNode)
        m_rhs[row] -= y * m_drive;
    else if (column >= 0 && column < m_nodes)
        m_y[row * kMaxNodes + column] += y;
}

template <typename Scalar>
void NodalSystem<Scalar>::inject(int node, Scalar current)
{
    if (node >= 0 && node < m_nodes)
        m_rhs[node] += current;
}

template <typename Scalar>
typename NodalSystem<Scalar>::Voltages NodalSystem<Scalar>::solve() const
{
    // Fixed capacity, so no solve touches the heap.
    using Matrix = Eigen::Matrix<Scalar, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, kMaxNodes, kMaxNodes>;
    using Vector = Eigen::Matrix<Scalar, Eigen::Dynamic, 1, Eigen::ColMajor, kMaxNodes, 1>;
    const int n = m_nodes;
    Voltages v{};
    if (n == 0)
        return v;
    Matrix a(n, n);
    Vector rhs(n);
    for (int r = 0; r < n; ++r) {
        rhs(r) = m_rhs[r];
        for (int c = 0; c < n; ++c)
            a(r, c) = m_y[r * kMaxNodes + c];
    }
    if (!a.allFinite() || !rhs.allFinite()) {
        std::fill_n(v.begin(), n, Scalar(std::numeric_limits<double>::quiet_NaN()));
        return v;
    }
    for (int i = 0; i < n; ++i) { // a node no part reaches holds 0 V
        if (a.row(i).isZero(0) && a.col(i).isZero(0))
            a(i, i) = 1;
    }
    // A pivot no larger than n·ε times the largest coefficient is within what
    // the elimination's rounding makes of a zero: the network is taken as
    // singular rather than answered with voltages that rounding chose.
    const Eigen::PartialPivLU<Matrix> lu(a);
    const double tiny = n * std::numeric_limits<double>::epsilon() * a.cwiseAbs().maxCoeff();
    if (!(lu.matrixLU().diagonal().cwiseAbs().minCoeff() > tiny))
        return v;
    const Vector x = lu.solve(rhs);
    for (int i = 0; i < n; ++i)
        v[i] = x(i);
    return v;
}

template class NodalSystem<double>;
template class NodalSystem<std::complex<double>>;

} // namespace anodix::stage
