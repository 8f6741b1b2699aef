// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of Anodix and Grideon to their first shown window, against a bare Qt
// window with the same controls, with peak memory. Each sample is a fresh
// process of one of the startup_* programs beside this one; we take medians.
#include "benchsupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

struct Sample
{
    double startNs = 0; // spawn to first paint
    double cpuNs = 0;   // CPU time the child used until then
    double rssKb = 0;
    std::string controls; // the form's controls by kind, handed to the bare twin
};

// The child programs are built beside this one, each linking only what the
// program it stands for links, so the bare window loads nothing it does not need.
std::string childPath(const std::string &kind)
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / ("bench_startup_" + kind)).string();
}

// Starts bench_startup_<args[0]> with the remaining args, reads the report line
// it prints when its first window has painted, and waits for it to end.
Sample runChild(const std::vector<std::string> &args)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    // Qt's warnings of the offscreen platform would clutter the table; they
    // are shown only when a child fails.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "child-stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);

    const std::string program = childPath(args.front());
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin() + 1, args.end());
    std::vector<char *> argv;
    for (std::string &arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const auto start = bench::Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);

    std::string output;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);

    Sample sample;
    std::istringstream in(output);
    std::string word;
    long long shownNs = 0;
    while (in >> word) {
        if (word == "shown")
            in >> shownNs;
        else if (word == "rss")
            in >> sample.rssKb;
        else if (word == "cpu" && in >> sample.cpuNs)
            sample.cpuNs *= 1000;
        else if (word == "controls")
            std::getline(in, sample.controls);
    }
    if (shownNs == 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::ifstream errors("child-stderr.txt");
        std::fprintf(stderr, "child %s did not report a shown window:\n%s\n", args.front().c_str(), output.c_str());
        std::fprintf(stderr, "%s", std::string(std::istreambuf_iterator<char>(errors), {}).c_str());
        std::exit(1);
    }
    sample.startNs = double(shownNs - std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          start.time_since_epoch()).count());
    return sample;
}

std::vector<std::string> splitWords(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// A working folder like the one the programs are started in: the record
// folders for Anodix and saved inputs for Grideon.
std::filesystem::path makeWorkingFolder()
{
    char pattern[] = "/tmp/anodix-bench-XXXXXX";
    const std::filesystem::path folder = mkdtemp(pattern);
    for (const char *sub : {"bd/triod", "bd/pentod", "bd/tetrod"})
        std::filesystem::create_directories(folder / sub);
    std::ofstream(folder / "data.dat", std::ios::binary) << " 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\n";
    return folder;
}

int sampleCount(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--samples")
            return std::max(1, std::atoi(argv[i + 1]));
    return 21;
}

} // namespace

int main(int argc, char **argv)
{
    const int samples = sampleCount(argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_LOGGING_RULES", "qt.qpa.*=false", 1);
    const std::filesystem::path folder = makeWorkingFolder();
    std::filesystem::current_path(folder);

    // One warm-up run of each program fills the page cache and tells which
    // controls its bare twin must have.
    const std::vector<std::string> programs{"anodix", "grideon"};
    std::map<std::string, std::vector<std::string>> bareArgs;
    for (const std::string &program : programs) {
        std::vector<std::string> args{"bare"};
        for (const std::string &word : splitWords(runChild({program}).controls))
            args.push_back(word);
        runChild(args);
        bareArgs[program] = args;
    }

    // Interleaved, so that a slow moment of the machine hits both alike.
    std::map<std::string, std::vector<double>> startNs, cpuNs, rssKb;
    for (int s = 0; s < samples; ++s) {
        for (const std::string &program : programs) {
            for (const std::string &which : {program, "bare " + program}) {
                const Sample sample = runChild(which == program ? std::vector<std::string>{program}
                                                                : bareArgs[program]);
                startNs[which].push_back(sample.startNs);
                cpuNs[which].push_back(sample.cpuNs);
                rssKb[which].push_back(sample.rssKb);
            }
        }
    }
    std::filesystem::current_path("/");
    std::filesystem::remove_all(folder);

    if (bench::wantsHeader(argc, argv))
        bench::printHeader();
    for (const std::string &program : programs) {
        const std::string bare = "bare " + program;
        const double ms = bench::median(startNs[program]);
        const double bareMs = bench::median(startNs[bare]);
        const double cpu = bench::median(cpuNs[program]);
        const double bareCpu = bench::median(cpuNs[bare]);
        const double rss = bench::median(rssKb[program]);
        const double bareRss = bench::median(rssKb[bare]);
        const std::string window = program == "anodix" ? "Anodix (Obshaya)" : "Grideon (Form1)";
        // CPU time beside wall time: on a busy machine it tells the program's
        // own cost from the time it waited for the processor.
        char figure[96];
        std::snprintf(figure, sizeof figure, "%s (%.2f×); CPU %s (%.2f×)", bench::formatNs(ms).c_str(), ms / bareMs,
                      bench::formatNs(cpu).c_str(), cpu / bareCpu);
        bench::printRow("Start-up to first shown window, " + window, figure, "≤ 1.15× bare", ms <= 1.15 * bareMs);
        std::snprintf(figure, sizeof figure, "%s; CPU %s", bench::formatNs(bareMs).c_str(),
                      bench::formatNs(bareCpu).c_str());
        bench::printRow("Start-up, bare Qt window with the same controls", figure);
        bench::printRow("Peak memory, " + window, bench::formatMb(rss), "≤ bare + 10 MB", rss <= bareRss + 10240);
        bench::printRow("Peak memory, bare Qt window", bench::formatMb(bareRss));
    }
    return 0;
}
