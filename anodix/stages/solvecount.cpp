// SPDX-License-Identifier: GPL-3.0-or-later
// The count of stage solves; see solvecount.h.
#include "anodix/stages/solvecount.h"

#include <atomic>

namespace anodix::stage {
namespace {
std::atomic<int> g_solves{0};
std::atomic<int> g_reads{0};
}

int solvesSoFar()
{
    return g_solves.load(std::memory_order_relaxed);
}

void countSolve()
{
    g_solves.fetch_add(1, std::memory_order_relaxed);
}

int readsSoFar()
{
    return g_reads.load(std::memory_order_relaxed);
}

void countRead()
{
    g_reads.fetch_add(1, std::memory_order_relaxed);
}

} // namespace anodix::stage
