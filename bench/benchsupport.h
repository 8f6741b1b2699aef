// SPDX-License-Identifier: GPL-3.0-or-later
// Timing and reporting shared by the benchmarks: medians of repeated samples
// and the rows of the one Markdown table that bench_all prints.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double nanosecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

// Keeps the optimiser from dropping a computation whose result nobody reads.
template <class T>
inline void keep(const T &value)
{
    asm volatile("" : : "r"(&value) : "memory");
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The CPU time this thread has used, in nanoseconds. Short calls are timed
// with it: on a shared machine wall time mostly measures the other processes.
inline double threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

// The median over samples of the mean CPU time of one call, in nanoseconds;
// each sample runs the call often enough that the clock's resolution does not
// matter, and briefly enough that few samples share a time slice with others.
template <class F>
double medianNsPerCall(F &&call, int samples = 101, int callsPerSample = 200)
{
    for (int i = 0; i < callsPerSample * 5; ++i)
        call(); // warm caches and lazily built tables
    std::vector<double> perCall;
    perCall.reserve(samples);
    for (int s = 0; s < samples; ++s) {
        const double start = threadCpuNs();
        for (int i = 0; i < callsPerSample; ++i)
            call();
        perCall.push_back((threadCpuNs() - start) / callsPerSample);
    }
    return median(std::move(perCall));
}

// The median CPU time of single runs of a slow call, in nanoseconds.
template <class F>
double medianNsPerRun(F &&run, int samples = 21)
{
    run();
    std::vector<double> times;
    times.reserve(samples);
    for (int s = 0; s < samples; ++s) {
        const double start = threadCpuNs();
        run();
        times.push_back(threadCpuNs() - start);
    }
    return median(std::move(times));
}

// Wall and CPU time of one stretch of work, for work a user waits for.
struct Stopwatch
{
    Clock::time_point wallStart = Clock::now();
    double cpuStart = threadCpuNs();
    double wallNs() const { return nanosecondsSince(wallStart); }
    double cpuNs() const { return threadCpuNs() - cpuStart; }
};

// A figure with a readable unit: 850 ns, 12.4 µs, 31.2 ms.
inline std::string formatNs(double ns)
{
    char text[32];
    if (ns < 1e3)
        std::snprintf(text, sizeof text, "%.0f ns", ns);
    else if (ns < 1e6)
        std::snprintf(text, sizeof text, "%.2f µs", ns / 1e3);
    else
        std::snprintf(text, sizeof text, "%.1f ms", ns / 1e6);
    return text;
}

inline std::string formatMb(double kilobytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", kilobytes / 1024);
    return text;
}

// Each benchmark prints its rows; the header is left out when bench_all
// joins several programs into one table.
inline bool wantsHeader(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-header") == 0)
            return false;
    return true;
}

inline void printHeader()
{
    std::printf("| Measurement | Median | Target | Met |\n");
    std::printf("|---|---|---|---|\n");
}

// target is empty for figures that are shown for comparison only.
inline void printRow(const std::string &what, const std::string &figure, const std::string &target = {},
                     bool met = true)
{
    std::printf("| %s | %s | %s | %s |\n", what.c_str(), figure.c_str(), target.c_str(),
                target.empty() ? "" : (met ? "yes" : "**no**"));
    std::fflush(stdout);
}

} // namespace bench
