// SPDX-License-Identifier: GPL-3.0-or-later
// The check whether the game runs, beside 500 sleeping processes of our
// own, none of them the game, so that every process is looked at. Beside it
// its floors: listing /proc alone, and listing it while reading every
// process's comm, the least any look at the processes' names costs. The
// calls of the three are interleaved round by round, so that a busy moment
// of the machine falls on all of them alike.
//
// usage: korvax-process-check [rounds]   (15 by default)
#include "copies/gameprocess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Sleeping processes, ended and waited for when this goes out of scope.
class Sleepers
{
public:
    explicit Sleepers(int count)
    {
        char program[] = "/bin/sleep";
        char seconds[] = "600";
        char *arguments[] = {program, seconds, nullptr};
        for (int i = 0; i < count; ++i) {
            pid_t child = 0;
            const int error = posix_spawn(&child, program, nullptr, nullptr, arguments, environ);
            if (error != 0) {
                std::fprintf(stderr, "%s: %s\n", program, std::strerror(error));
                break;
            }
            m_children.push_back(child);
        }
    }
    ~Sleepers()
    {
        for (const pid_t child : m_children)
            ::kill(child, SIGKILL);
        for (const pid_t child : m_children)
            ::waitpid(child, nullptr, 0);
    }
    Sleepers(const Sleepers &) = delete;
    Sleepers &operator=(const Sleepers &) = delete;

    std::size_t count() const { return m_children.size(); }

private:
    std::vector<pid_t> m_children;
};

struct FolderCloser
{
    void operator()(DIR *folder) const { ::closedir(folder); }
};

// Calls `each` with every process id's name in /proc; returns how many.
int ForEachProcess(const std::function<void(int proc, const char *id)> &each)
{
    const std::unique_ptr<DIR, FolderCloser> proc(::opendir("/proc"));
    int count = 0;
    while (const dirent *entry = proc ? ::readdir(proc.get()) : nullptr) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        ++count;
        each(::dirfd(proc.get()), entry->d_name);
    }
    return count;
}

int ListProcesses()
{
    return ForEachProcess([](int, const char *) {});
}

int ReadEveryComm()
{
    return ForEachProcess([](int proc, const char *id) {
        const std::string file = std::string(id) + "/comm";
        const int fd = ::openat(proc, file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        char name[64];
        [[maybe_unused]] const ssize_t got = ::read(fd, name, sizeof name);
        ::close(fd);
    });
}

// The process's own processor time, the kernel's share included: on a busy
// machine it moves less than the time on the clock.
double CpuMicroseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

struct Measurement
{
    const char *name;
    std::function<void()> call;
    std::vector<double> microseconds;
    std::vector<double> cpuMicroseconds;

    void time()
    {
        const double cpu = CpuMicroseconds();
        const auto start = Clock::now();
        call();
        microseconds.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        cpuMicroseconds.push_back(CpuMicroseconds() - cpu);
    }
};

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void Print(const Measurement &m, const Measurement *floor)
{
    const double median = Percentile(m.microseconds, 0.5);
    std::printf("| %s | %.2f ms | %.2f ms | %.2f ms | ", m.name, median / 1000,
                Percentile(m.microseconds, 0.9) / 1000, Percentile(m.cpuMicroseconds, 0.5) / 1000);
    if (floor)
        std::printf("%.2f |\n", median / Percentile(floor->microseconds, 0.5));
    else
        std::printf("|\n");
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    constexpr int CallsPerRound = 20;
    constexpr int SleeperCount = 500;

    bool running = false;
    std::vector<Measurement> measurements = {
        {"IsGameRunning()", [&] { running = IsGameRunning(); }, {}, {}},
        {"floor: list /proc", [] { ListProcesses(); }, {}, {}},
        {"floor: list /proc, read every comm", [] { ReadEveryComm(); }, {}, {}},
    };
    int processes = 0;
    {
        const Sleepers sleepers(SleeperCount);
        if (sleepers.count() != SleeperCount)
            return 1;
        processes = ListProcesses();
        for (int round = 0; round < rounds; ++round) {
            for (Measurement &m : measurements) {
                for (int i = 0; i < CallsPerRound; ++i)
                    m.time();
            }
        }
    }
    // The machine's own processes alone, for comparison.
    Measurement alone{"IsGameRunning(), without the 500", [&] { IsGameRunning(); }, {}, {}};
    const int own = ListProcesses();
    for (int i = 0; i < rounds * CallsPerRound; ++i)
        alone.time();

    std::printf("Processes in /proc: %d with the %d sleepers, %d without; a korvax.exe among "
                "them: %s. %d calls of each.\n\n",
                processes, SleeperCount, own, running ? "yes" : "no", rounds * CallsPerRound);
    std::printf("| process check | median | 90th percentile | processor time, median | "
                "beside list + comm |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    for (const Measurement &m : measurements)
        Print(m, &measurements.back());
    Print(alone, nullptr);
    return 0;
}
