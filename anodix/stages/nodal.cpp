// SPDX-License-Identifier: GPL-3.0-or-later
// The nodal system's solution by LU with partial pivoting.
#include "anodix/stages/nodal.h"

#include <Eigen/LU>

#include <algorithm>
#include <cmath>
#include <limits>

namespace anodix::stage {

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
    // Squared magnitudes, as a complex |x| costs a hypot.
    const Eigen::PartialPivLU<Matrix> lu(a);
    const double tiny = n * std::numeric_limits<double>::epsilon();
    if (!(lu.matrixLU().diagonal().cwiseAbs2().minCoeff() > tiny * tiny * a.cwiseAbs2().maxCoeff()))
        return v;
    const Vector x = lu.solve(rhs);
    for (int i = 0; i < n; ++i)
        v[i] = x(i);
    return v;
}

template class NodalSystem<double>;
template class NodalSystem<std::complex<double>>;

} // namespace anodix::stage
