// SPDX-License-Identifier: GPL-3.0-or-later
// The check whether the game runs: a made-up /proc, then a real process
// named korvax.exe, seen while it runs and gone once it has ended.
#include "copies/gameprocess.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#endif

using testfiles::TempDir;

namespace {

bool Lists(const std::vector<std::uint32_t> &ids, std::uint32_t id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

TEST_CASE("the program's name is compared after its last separator, in any case")
{
    CHECK(IsGameProgram("korvax.exe"));
    CHECK(IsGameProgram("KorVax.EXE"));
    CHECK(IsGameProgram("C:\\Program Files\\KORVAX\\korvax.exe"));
    CHECK(IsGameProgram("/home/p/.wine/drive_c/Games/KORVAX/KORVAX.EXE"));
    CHECK(!IsGameProgram("korvax.exe.bak"));
    CHECK(!IsGameProgram("notkorvax.exe"));
    CHECK(!IsGameProgram("korvax.exe\\"));
    CHECK(!IsGameProgram("korvax"));
    CHECK(!IsGameProgram(""));
}

#ifndef _WIN32
TEST_CASE("a made-up /proc: comm and the first word of cmdline name the game")
{
    TempDir proc;
    namespace fs = std::filesystem;
    const auto process = [&](const std::string &id, const char *comm, const std::string &cmdline) {
        fs::create_directory(proc.file(id));
        if (comm)
            testfiles::writeText(proc.file(id + "/comm"), comm);
        testfiles::writeText(proc.file(id + "/cmdline"), cmdline);
    };
    using namespace std::string_literals;
    process("101", "korvax.exe\n", "korvax.exe\0"s);
    process("102", "KORVAX.EXE\n", "/usr/bin/wine\0"s);
    process("103", "wine64-preload\n", "C:\\Games\\KORVAX\\korvax.exe\0-windowed\0"s);
    process("104", "sh\n", "./korvax.exe\0"s);
    process("105", "korvax.exe.bak\n", "/opt/korvax.exe.bak\0"s);
    process("106", "notkorvax.exe\n", "notkorvax.exe\0korvax.exe\0"s);
    process("107", nullptr, "C:\\Program Files\\KORVAX\\korvax.exe\0"s);
    fs::create_directory(proc.file("107/comm"));      // cannot be read: cmdline decides
    process("108", "kworker/0:1\n", "");              // a kernel thread has no command line
    fs::create_directory(proc.file("109"));           // ended meanwhile: nothing left to read
    process("self", "korvax.exe\n", "korvax.exe\0"s); // not a process id
    process("12x", "korvax.exe\n", "korvax.exe\0"s);
    testfiles::writeText(proc.file("111"), "a file, not a process");

    auto ids = GameProcessIdsIn(proc.path());
    std::sort(ids.begin(), ids.end());
    CHECK(ids == (std::vector<std::uint32_t>{101, 102, 103, 104, 107}));
    CHECK(GameProcessIdsIn(proc.file("missing")).empty());
}
#endif

TEST_CASE("a running korvax.exe is seen, and not once it has ended")
{
    TempDir dir;
    const std::string program = dir.file("korvax.exe");
#ifdef _WIN32
    // A copy of this test, started suspended: it never runs a line of its own.
    char self[MAX_PATH];
    CHECK(GetModuleFileNameA(nullptr, self, MAX_PATH) > 0);
    CHECK(CopyFileA(self, program.c_str(), TRUE));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    char commandLine[] = "korvax.exe";
    CHECK(CreateProcessA(program.c_str(), commandLine, nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                         nullptr, nullptr, &startup, &started));
    const std::uint32_t id = started.dwProcessId;
    const bool seen = Lists(GameProcessIds(), id) && IsGameRunning();
    TerminateProcess(started.hProcess, 1);
    const bool ended = WaitForSingleObject(started.hProcess, 10000) == WAIT_OBJECT_0;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
#else
    std::filesystem::copy_file("/bin/sleep", program);
    char name[] = "korvax.exe";
    char seconds[] = "60";
    char *arguments[] = {name, seconds, nullptr};
    pid_t child = 0;
    CHECK(posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, nullptr) == 0);
    // posix_spawn returns once the program runs, so its name is in place.
    const auto id = static_cast<std::uint32_t>(child);
    const bool seen = Lists(GameProcessIds(), id) && IsGameRunning();
    ::kill(child, SIGKILL);
    // Until it is waited for, an ended process still shows its name.
    const bool ended = ::waitpid(child, nullptr, 0) == child;
#endif
    CHECK(seen);
    CHECK(ended);
    CHECK(!Lists(GameProcessIds(), id));
}

CHECK_MAIN
