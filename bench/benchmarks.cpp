// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's start-up and its handlers, each timed beside its floor: the
// least the same job costs when done with bare Qt or bare system calls.
// Every figure is a median over repetitions; the table at the end pairs each
// measurement with its floor.
#include "bench/exposed.h"
#include "settings/wine/wineprefixes.h"
#include "settings/wine/wineregistry.h"
#include "tests/support/samplegame.h"
#include "ui/classic/fonts.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/frmname.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration elapsed)
{
    return std::chrono::duration<double>(elapsed).count();
}

// --- start-up: whole processes -------------------------------------------

// What the probes return once their window is painted (quitwhenshown.cpp).
constexpr int ShownStatus = 42;

// A Wine prefix's registry of the size of a fresh prefix's (about 1.7 MB in
// 8,700 keys), without the game's entry.
bool WriteWineRegistry(const std::string &file)
{
    std::ofstream out(file);
    out << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
    for (int k = 0; k < 8700; ++k) {
        out << "\n[Software\\\\Classes\\\\CLSID\\\\{" << 10000000 + k
            << "-0000-0000-C000-000000000046}] 1733673600\n#time=1db497a8c5e1f2a\n"
            << "@=\"Component " << k << "\"\n\"ThreadingModel\"=\"Both\"\n"
            << "\"InprocServer32\"=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n";
    }
    return static_cast<bool>(out.flush());
}

// A Steam user's home: 100 Proton prefixes, each with a registry of a fresh
// prefix's size without the game's entry (copies, not links, so that the
// search reads 170 MB as it would on a real disk). With `registered`, one
// more prefix, searched after them (PlayOnLinux), whose registry of the same
// size holds the entry.
bool WriteManyPrefixesHome(const std::string &home, bool registered)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const std::string original = home + "/system.reg";
    fs::create_directories(home, error);
    if (error || !WriteWineRegistry(original))
        return false;
    for (int i = 0; i < 100 && !error; ++i) {
        const std::string prefix = home + "/.local/share/Steam/steamapps/compatdata/" +
                                   std::to_string(200000 + i) + "/pfx";
        fs::create_directories(prefix, error);
        if (!error)
            fs::copy_file(original, prefix + "/system.reg", error);
    }
    if (registered && !error) {
        const std::string prefix = home + "/.PlayOnLinux/wineprefix/KORVAX";
        fs::create_directories(prefix + "/dosdevices", error);
        if (!error)
            fs::create_directories(prefix + "/drive_c", error);
        if (!error)
            fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:", error);
        if (!error)
            fs::rename(original, prefix + "/system.reg", error);
        std::ofstream out(prefix + "/system.reg", std::ios::app);
        out << "\n[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App "
               "Paths\\\\korvax.exe] 1733673600\n\"Path\"=\"C:\\\\Games\\\\KORVAX\"\n";
        return !error && out.flush();
    }
    return !error;
}

// A folder holding copies of the start-up probes, the editor's settings
// file beside them pointing at a game folder with the synthetic player
// file, and three homes: one without a Wine prefix, one with a prefix whose
// registry lacks the game's entry, one with 100 such prefixes of Steam's.
// Each time the settings file decides.
class StartupFolder
{
public:
    enum class Home { NoWinePrefix, WinePrefix, ManyWinePrefixes };

    StartupFolder()
    {
        const QDir here(QCoreApplication::applicationDirPath());
        const QDir root(m_dir.path());
        for (const char *program :
             {"korvax-editor-startup", "korvax-bare-window", "korvax-bare-text-window"})
            m_ok = QFile::copy(here.filePath(QLatin1String(program)),
                               root.filePath(QLatin1String(program))) &&
                   m_ok;
        m_ok = root.mkdir(QStringLiteral("game")) && root.mkdir(QStringLiteral("xdg")) &&
               QFile::setPermissions(root.filePath(QStringLiteral("xdg")),
                                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
               SampleSave::WriteTo(path("game")) && m_ok;
        m_ok = root.mkpath(QStringLiteral("winehome/.wine")) &&
               WriteWineRegistry(path("winehome/.wine/system.reg")) && m_ok;
        m_ok = WriteManyPrefixesHome(homePath(Home::ManyWinePrefixes), false) && m_ok;
        std::ofstream settings(path("ivlname.cfg"));
        settings << "[KORVAX]\npath=" << path("game") << "\n";
        m_ok = static_cast<bool>(settings.flush()) && m_ok;

        for (char **variable = environ; *variable; ++variable) {
            const std::string entry = *variable;
            const std::string name = entry.substr(0, entry.find('='));
            // The prefix search's cache goes below each made-up home.
            if (name != "QT_QPA_PLATFORM" && name != "HOME" && name != "XDG_RUNTIME_DIR" &&
                name != "WINEPREFIX" && name != "XDG_CACHE_HOME")
                m_environment.push_back(entry);
        }
        m_environment.push_back("QT_QPA_PLATFORM=offscreen");
        m_environment.push_back("XDG_RUNTIME_DIR=" + path("xdg"));
    }

    bool ok() const { return m_ok; }

    std::string homePath(Home home) const
    {
        switch (home) {
        case Home::WinePrefix:
            return path("winehome");
        case Home::ManyWinePrefixes:
            return path("manyhome");
        case Home::NoWinePrefix:
            break;
        }
        return path("");
    }

    struct Run
    {
        bool shown = false;
        double secondsToShown = 0; // from the launch until the window is painted
        double secondsToEnd = 0;   // from the launch until the process has ended
        long peakResidentKiB = 0;
    };

    // Starts the program and waits for its end; its standard output (the
    // peak size it reports) comes back through a pipe, its errors are dropped.
    Run run(const char *program, Home home) const
    {
        const std::string file = path(program);
        std::vector<char *> argv{const_cast<char *>(file.c_str()), nullptr};
        std::string homeEntry = "HOME=" + homePath(home);
        std::vector<char *> envp{homeEntry.data()};
        for (const std::string &entry : m_environment)
            envp.push_back(const_cast<char *>(entry.c_str()));
        envp.push_back(nullptr);

        Run result;
        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0)
            return result;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

        const auto start = Clock::now();
        pid_t child = 0;
        const int failed =
            posix_spawn(&child, file.c_str(), &actions, nullptr, argv.data(), envp.data());
        int status = 0;
        if (!failed && ::waitpid(child, &status, 0) == child) {
            result.secondsToEnd = Seconds(Clock::now() - start);
            result.shown = WIFEXITED(status) && WEXITSTATUS(status) == ShownStatus;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);
        // The child has ended, so the little it wrote is all in the pipe.
        char text[256] = {};
        const ssize_t got = ::read(output[0], text, sizeof text - 1);
        ::close(output[0]);
        long long shownNs = 0;
        if (got <= 0 || std::sscanf(text, "shown_ns=%lld peak_resident_kib=%ld", &shownNs,
                                    &result.peakResidentKiB) != 2)
            result.shown = false;
        result.secondsToShown =
            Seconds(Clock::time_point(std::chrono::nanoseconds(shownNs)) - start);
        return result;
    }

private:
    std::string path(const char *name) const
    {
        return QFile::encodeName(QDir(m_dir.path()).filePath(QLatin1String(name))).toStdString();
    }

    QTemporaryDir m_dir;
    bool m_ok = true;
    std::vector<std::string> m_environment;
};

// Empties the system's page cache, so the next start reads the program, its
// libraries and every file it opens from the disk. Needs root.
bool DropPageCache()
{
    ::sync();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "3\n";
    return static_cast<bool>(control.flush());
}

enum class PageCache { Warm, Cold };

// Timed from the launch until the window is painted; the time until the
// process has ended, and its peak resident size, go along as counters.
// With a cold page cache, the cache is emptied before each launch, untimed.
void Startup(benchmark::State &state, const StartupFolder &folder, const char *program,
             StartupFolder::Home home, PageCache pageCache)
{
    long peak = 0;
    double toEnd = 0;
    for (auto _ : state) {
        if (pageCache == PageCache::Cold && !DropPageCache()) {
            state.SkipWithError("cannot drop the page cache (/proc/sys/vm/drop_caches needs root)");
            break;
        }
        const StartupFolder::Run run = folder.run(program, home);
        if (!run.shown) {
            state.SkipWithError("the program ended without showing its window");
            break;
        }
        state.SetIterationTime(run.secondsToShown);
        toEnd += run.secondsToEnd;
        peak = std::max(peak, run.peakResidentKiB);
    }
    state.counters["until_exit_ms"] =
        benchmark::Counter(toEnd * 1000, benchmark::Counter::kAvgIterations);
    state.counters["peak_resident_MiB"] = static_cast<double>(peak) / 1024.0;
}

// --- selection handling --------------------------------------------------

// Both the handler and its floor are timed right after the window has
// repainted what a selection changes (the list and the ten captions), so
// both start with the caches as a real click finds them.
void RepaintAsAfterASelection(Form1 &window, int row)
{
    {
        const QSignalBlocker quiet(window.List1);
        window.List1->setCurrentRow(row);
    }
    for (ClassicLabel *label : window.lblMacro)
        label->update();
    QCoreApplication::processEvents();
}

// The handler alone: the list's signal runs Form1's selection handling.
// Rows 1 and 2 alternate so all ten captions change every time.
void SelectionHandling(benchmark::State &state, Form1 &window)
{
    int row = 1;
    for (auto _ : state) {
        row = 3 - row;
        RepaintAsAfterASelection(window, row);
        const auto start = Clock::now();
        emit window.List1->currentRowChanged(row);
        state.SetIterationTime(Seconds(Clock::now() - start));
    }
}

// What a click on the list costs: the list's own selection change and the
// handler it runs.
void SelectionThroughList(benchmark::State &state, Form1 &window)
{
    int row = 1;
    for (auto _ : state) {
        RepaintAsAfterASelection(window, row);
        row = 3 - row;
        const auto start = Clock::now();
        window.List1->setCurrentRow(row);
        state.SetIterationTime(Seconds(Clock::now() - start));
    }
}

// The floor: the same opening, one 400-byte positioned read, closing.
void SelectionFloor(benchmark::State &state, Form1 &window, const std::string &path)
{
    std::array<char, PlayerLayout::MacroFieldSize * PlayerLayout::MacroCount> block{};
    int row = 1;
    for (auto _ : state) {
        row = 3 - row;
        RepaintAsAfterASelection(window, row);
        const auto start = Clock::now();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const ssize_t got =
            ::pread(fd, block.data(), block.size(),
                    static_cast<off_t>(PlayerLayout::MacroAt(static_cast<std::int16_t>(row), 0)));
        ::close(fd);
        state.SetIterationTime(Seconds(Clock::now() - start));
        benchmark::DoNotOptimize(block);
        if (got != static_cast<ssize_t>(block.size())) {
            state.SkipWithError("the 400-byte read failed");
            break;
        }
    }
}

// The handler's file part alone: the player file component's opening, its
// read of the ten macros (decoded) and its closing.
void SelectionReadOnly(benchmark::State &state, Form1 &window, const std::string &path)
{
    int row = 1;
    for (auto _ : state) {
        row = 3 - row;
        RepaintAsAfterASelection(window, row);
        const auto start = Clock::now();
        const auto macros = PlayerFileReader(path).ReadPlayerMacros(static_cast<std::int16_t>(row));
        state.SetIterationTime(Seconds(Clock::now() - start));
        benchmark::DoNotOptimize(macros);
    }
}

// A reference beside the floor: what Qt itself spends on changing ten
// captions, as ten plain QLabels in a shown window, in the same surroundings.
void TenLabelsReference(benchmark::State &state, Form1 &window)
{
    QWidget host;
    host.setFixedSize(window.size());
    std::vector<QLabel *> labels;
    for (const ClassicLabel *macro : window.lblMacro) {
        labels.push_back(new QLabel(&host));
        labels.back()->setGeometry(macro->geometry());
    }
    host.show();
    WaitUntilExposed(host);
    const auto captions = [](int slot) {
        QStringList texts;
        for (const std::string &field : SampleSave::MacroFields(slot))
            texts << QString::fromLatin1(field.c_str());
        return texts;
    };
    const QStringList texts[] = {captions(1), captions(2)};
    int row = 1;
    for (auto _ : state) {
        row = 3 - row;
        RepaintAsAfterASelection(window, row);
        const auto start = Clock::now();
        for (std::size_t i = 0; i < labels.size(); ++i)
            labels[i]->setText(texts[row - 1][static_cast<qsizetype>(i)]);
        state.SetIterationTime(Seconds(Clock::now() - start));
    }
}

// --- submit ----------------------------------------------------------------

// The name editor's "Submit changes" on slot 1: the write with its flush,
// then the list filled again from the file and the macros shown again. The
// name changes each time, so that with copies on each Submit makes one (and,
// past 100, deletes the oldest).
void SubmitName(benchmark::State &state, Form1 &window, bool copying)
{
    window.copyOptions().makingCopies = copying;
    window.List1->setCurrentRow(1);
    frmname editor(&window);
    const QString names[] = {window.List1->currentItem()->text(), QStringLiteral("Zoë")};
    int turn = 0;
    for (auto _ : state) {
        editor.txtname->setText(names[turn ^= 1]);
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        editor.cmdsave->click();
        state.SetIterationTime(Seconds(Clock::now() - start));
    }
}

// The macros editor's "Submit changes" on slot 1: the ten fields written and
// flushed, then read back into the main window's labels; macro 0 changes
// each time, as the name does above.
void SubmitMacros(benchmark::State &state, Form1 &window, bool copying)
{
    window.copyOptions().makingCopies = copying;
    window.List1->setCurrentRow(1);
    Form2 editor(&window);
    const QString texts[] = {editor.txtmacro[0]->text(), QStringLiteral("GG")};
    int turn = 0;
    for (auto _ : state) {
        editor.txtmacro[0]->setText(texts[turn ^= 1]);
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        editor.cmdsave->click();
        state.SetIterationTime(Seconds(Clock::now() - start));
    }
}

// The floor: opening for writing, one positioned write, the flush, closing.
void WriteFloor(benchmark::State &state, const std::string &path, std::uint64_t offset,
                const std::string &bytes)
{
    for (auto _ : state) {
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        const ssize_t put = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        const int synced = ::fsync(fd);
        ::close(fd);
        state.SetIterationTime(Seconds(Clock::now() - start));
        if (put != static_cast<ssize_t>(bytes.size()) || synced != 0) {
            state.SkipWithError("the write failed");
            break;
        }
    }
}

// The copy's floor: a new file of the player file's bytes, created
// exclusively, written, flushed, renamed into a folder that keeps 100 of
// them and the folder flushed, the oldest deleted.
void CopyFloor(benchmark::State &state, const std::string &folder, const std::string &bytes)
{
    std::vector<std::string> kept;
    int number = 0;
    for (auto _ : state) {
        QCoreApplication::processEvents();
        const std::string path = folder + "/copy-" + std::to_string(number++);
        const std::string temp = path + ".tmp";
        const auto start = Clock::now();
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const ssize_t put = ::pwrite(fd, bytes.data(), bytes.size(), 0);
        const int synced = ::fsync(fd);
        ::close(fd);
        const int renamed = ::rename(temp.c_str(), path.c_str());
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::fsync(dir);
        ::close(dir);
        kept.push_back(path);
        if (kept.size() > 100) {
            ::unlink(kept.front().c_str());
            kept.erase(kept.begin());
        }
        state.SetIterationTime(Seconds(Clock::now() - start));
        if (put != static_cast<ssize_t>(bytes.size()) || synced != 0 || renamed != 0) {
            state.SkipWithError("the copy failed");
            break;
        }
    }
}

// --- character map ---------------------------------------------------------

// Times one opening and closing per iteration, until the events it left
// behind are handled; `openAndClose` returns whether the window came up.
template <typename OpenAndClose>
void TimeOpenAndClose(benchmark::State &state, const char *failure, OpenAndClose openAndClose)
{
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool shown = openAndClose();
        QCoreApplication::processEvents();
        state.SetIterationTime(Seconds(Clock::now() - start));
        if (!shown) {
            state.SkipWithError(failure);
            break;
        }
    }
}

// Opening the map as the name editor does (its name box shown), until it is
// painted; then closing it and letting the main window settle.
void CharacterMap(benchmark::State &state, Form1 &window)
{
    TimeOpenAndClose(state, "the character map never came up", [&] {
        Form3 map(&window);
        map.tbname->setVisible(true);
        map.show();
        const bool shown = WaitUntilExposed(map);
        map.close();
        return shown;
    });
}

// The floor: a bare dialog of the map's size with 224 plain QLabels of the
// map's cells, each with its character, built, shown and closed the same way.
void CharacterMapFloor(benchmark::State &state, Form1 &window)
{
    QSize size;
    std::vector<std::pair<QRect, QString>> cells;
    {
        const Form3 reference(&window);
        size = reference.size();
        for (int code = Ui::Form3::FirstCode; code <= Ui::Form3::LastCode; ++code) {
            const ClassicLabel *label = reference.Label1[static_cast<std::size_t>(code)];
            cells.emplace_back(label->geometry(), label->caption());
        }
    }
    TimeOpenAndClose(state, "the bare window never came up", [&] {
        QDialog map(&window);
        map.setFixedSize(size);
        for (const auto &[geometry, text] : cells)
            (new QLabel(text, &map))->setGeometry(geometry);
        map.show();
        const bool shown = WaitUntilExposed(map);
        map.close();
        return shown;
    });
}

// --- the game's registry entry over many Wine prefixes --------------------

// Times `ask` alone, with `prepare` run untimed before each iteration;
// `found` tells whether the answer must be a folder or the empty text.
template <typename Ask, typename Prepare = void (*)()>
void TimeAsk(
    benchmark::State &state, bool found, Ask ask, Prepare prepare = [] {})
{
    for (auto _ : state) {
        prepare();
        const auto start = Clock::now();
        const std::string folder = ask();
        state.SetIterationTime(Seconds(Clock::now() - start));
        if (folder.empty() == found) {
            state.SkipWithError(found ? "the game was not found" : "a folder was found");
            break;
        }
    }
}

// The start-up's first ask: a search of its own each time, so nothing is
// remembered from the iteration before.
void SearchFirstAsk(benchmark::State &state, const std::string &home, bool found)
{
    TimeAsk(state, found, [&] { return WinePrefixSearch().gameFolder(home, ""); });
}

// The same with the cache of what each registry held, filled beforehand,
// as at every start after the first.
void SearchRemembered(benchmark::State &state, const std::string &home, const std::string &cache)
{
    WinePrefixSearch(cache).gameFolder(home, "");
    TimeAsk(state, false, [&] { return WinePrefixSearch(cache).gameFolder(home, ""); });
}

// The start-up's second ask, after a first that found the game.
void SearchSecondAsk(benchmark::State &state, const std::string &home)
{
    WinePrefixSearch search;
    TimeAsk(
        state, true, [&] { return search.gameFolder(home, ""); },
        [&] {
            search = WinePrefixSearch();
            search.gameFolder(home, "");
        });
}

// The lookup in one prefix, as the search makes it for each.
void OnePrefix(benchmark::State &state, const std::string &prefix, bool found)
{
    TimeAsk(state, found, [&] { return GameFolderFromWinePrefix(prefix); });
}

// The same without the look at the file's bytes first, as before the search:
// the whole file read in one call and parsed, keeping the two keys' values.
void OnePrefixParsedWhole(benchmark::State &state, const std::string &prefix)
{
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe";
    const std::string wow64 =
        "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe";
    const auto same = [](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) ==
                   std::tolower(static_cast<unsigned char>(y));
        });
    };
    TimeAsk(state, false, [&] {
        const std::string file = prefix + "/system.reg";
        std::string text(std::filesystem::file_size(file), '\0');
        std::ifstream(file, std::ios::binary)
            .read(text.data(), static_cast<std::streamsize>(text.size()));
        const auto keys = ParseWineRegistry(
            text, [&](std::string_view path) { return same(path, key) || same(path, wow64); });
        return FindWineRegistryString(keys, wow64, "Path").value_or(std::string());
    });
}

// The floor of any search that looks at every byte: each of the 100 files
// opened, read in 256 KiB pieces and closed.
void ReadHundredFiles(benchmark::State &state, const std::vector<std::string> &prefixes)
{
    std::vector<char> piece(256 * 1024);
    TimeAsk(state, true, [&] {
        std::size_t total = 0;
        for (const std::string &prefix : prefixes) {
            const int fd = ::open((prefix + "/system.reg").c_str(), O_RDONLY | O_CLOEXEC);
            for (ssize_t got; (got = ::read(fd, piece.data(), piece.size())) > 0;)
                total += static_cast<std::size_t>(got);
            ::close(fd);
        }
        return std::to_string(total);
    });
}

// The floor of any search that makes sure each of the 100 files is
// unchanged: one stat of each, from the page cache or, cold, from the disk.
void StatHundredFiles(benchmark::State &state, const std::vector<std::string> &prefixes,
                      PageCache pageCache)
{
    const auto prepare = [&] {
        if (pageCache == PageCache::Cold && !DropPageCache())
            state.SkipWithError("cannot drop the page cache (/proc/sys/vm/drop_caches needs root)");
    };
    TimeAsk(
        state, true,
        [&] {
            int found = 0;
            for (const std::string &prefix : prefixes) {
                struct stat info
                {
                };
                found += ::stat((prefix + "/system.reg").c_str(), &info) == 0;
            }
            return std::to_string(found);
        },
        prepare);
}

// --- the table -------------------------------------------------------------

// Keeps the median of every benchmark (or its only run) for the table.
class TableReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (median || single)
                m_results[run.run_name.function_name] = run;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    const Run *find(const std::string &name) const
    {
        const auto it = m_results.find(name);
        return it == m_results.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, Run> m_results;
};

std::string Duration(double microseconds)
{
    char text[32];
    if (microseconds >= 1000)
        std::snprintf(text, sizeof text, "%.1f ms", microseconds / 1000);
    else
        std::snprintf(text, sizeof text, "%.1f µs", microseconds);
    return text;
}

struct Pairing
{
    const char *measurement;
    const char *floor;
    const char *target; // empty when the issue sets none
};

void WriteTable(const TableReporter &results, std::FILE *out)
{
    const Pairing pairs[] = {
        {"startup/editor", "startup/bare_window", "1.3"},
        {"startup/bare_window_with_text", "startup/bare_window", ""},
        {"startup/editor", "startup/bare_window_with_text", ""},
        {"startup/editor_beside_a_wine_prefix", "startup/editor", ""},
        {"selection/List1_Click", "selection/floor_open_pread400_close", "2"},
        {"selection/through_QListWidget", "selection/floor_open_pread400_close", ""},
        {"selection/PlayerFileReader_only", "selection/floor_open_pread400_close", ""},
        {"selection/reference_10_QLabel_setText", "selection/floor_open_pread400_close", ""},
        {"submit/frmname_name", "submit/floor_name_pwrite_fsync", ""},
        {"submit/Form2_macros", "submit/floor_macros_pwrite_fsync", ""},
        {"submit/frmname_name_with_copy", "submit/frmname_name", "2"},
        {"submit/Form2_macros_with_copy", "submit/Form2_macros", "2"},
        {"submit/floor_copy_write_fsync_rename", "submit/floor_name_pwrite_fsync", ""},
        {"map/Form3_open_close", "map/floor_224_QLabels", "1.5"},
        {"startup/editor_beside_100_wine_prefixes", "startup/editor", "+2 ms"},
        {"startup/editor_beside_100_wine_prefixes_cold", "startup/editor_cold", "+10 ms"},
        {"registry/search_100_prefixes_remembered", "registry/search_no_prefixes", ""},
        {"registry/search_100_prefixes_remembered", "registry/floor_stat_100_files", ""},
        {"registry/floor_stat_100_files_cold", "registry/floor_stat_100_files", ""},
        {"registry/search_100_prefixes", "registry/floor_read_100_files", ""},
        {"registry/search_100_prefixes_then_found", "registry/floor_read_100_files", ""},
        {"registry/second_ask_after_found", "registry/one_prefix_with_entry", ""},
        {"registry/one_prefix", "registry/one_prefix_parsed_whole", ""},
    };
    std::fprintf(
        out, "| measurement | median | floor | floor median | ratio or difference | target |\n");
    std::fprintf(out, "|---|---:|---|---:|---:|---:|\n");
    for (const Pairing &pair : pairs) {
        const auto *measured = results.find(pair.measurement);
        const auto *floor = results.find(pair.floor);
        if (!measured || !floor) {
            std::fprintf(out, "| %s | (failed or not run) | %s | | | |\n", pair.measurement,
                         pair.floor);
            continue;
        }
        const double m = measured->GetAdjustedRealTime();
        const double f = floor->GetAdjustedRealTime();
        // A target of "+N ms" bounds the difference, any other the ratio.
        const bool difference = pair.target[0] == '+';
        char ratio[32];
        if (difference)
            std::snprintf(ratio, sizeof ratio, "%+.1f ms", (m - f) / 1000);
        else
            std::snprintf(ratio, sizeof ratio, "%.2f", m / f);
        std::fprintf(out, "| %s | %s | %s | %s | %s | %s |\n", pair.measurement,
                     Duration(m).c_str(), pair.floor, Duration(f).c_str(), ratio,
                     *pair.target ? (std::string(difference ? "" : "≤ ") + pair.target).c_str()
                                  : "");
    }
    const auto *editor = results.find("startup/editor");
    const auto *bare = results.find("startup/bare_window");
    if (editor && bare) {
        const double m = editor->counters.at("peak_resident_MiB");
        const double f = bare->counters.at("peak_resident_MiB");
        std::fprintf(out,
                     "| startup peak resident | %.1f MiB | bare window | %.1f MiB | %.2f | |\n", m,
                     f, m / f);
    }
}

// Takes our own "--table=FILE" out of the arguments.
std::string TakeTableOption(int &argc, char **argv)
{
    std::string file;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--table=", 0) == 0)
            file = argument.substr(8);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return file;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string tableFile = TakeTableOption(argc, argv);
    // Measured offscreen, like the start-up probes, whatever the session has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const StartupFolder folder;
    if (!folder.ok()) {
        std::fprintf(stderr, "cannot prepare the start-up folder\n");
        return 1;
    }
    SampleGame game;
    Form1 window;
    if (!game.load(window))
        return 1;
    window.show();
    if (!WaitUntilExposed(window))
        return 1;

    const std::string playerFile = PlayerFilePath(game.folder());
    const auto fields = SampleSave::MacroFields(1);
    std::string macroBytes;
    for (const std::string &field : fields)
        macroBytes += field;
    const std::string nameBytes = SampleSave::Names()[1] + std::string(2, '\0');

    // Fixed iteration counts: most benchmarks spend far longer untimed
    // (repainting between iterations) than timed, which would make the
    // library's own choice of counts run for minutes.
    const auto timed = [](benchmark::internal::Benchmark *b, benchmark::IterationCount count) {
        b->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(count);
    };
    using Home = StartupFolder::Home;
    const struct
    {
        const char *name;
        const char *program;
        Home home;
        PageCache pageCache;
    } startups[] = {
        {"startup/editor", "korvax-editor-startup", Home::NoWinePrefix, PageCache::Warm},
        {"startup/bare_window", "korvax-bare-window", Home::NoWinePrefix, PageCache::Warm},
        {"startup/bare_window_with_text", "korvax-bare-text-window", Home::NoWinePrefix,
         PageCache::Warm},
        {"startup/editor_beside_a_wine_prefix", "korvax-editor-startup", Home::WinePrefix,
         PageCache::Warm},
        {"startup/editor_beside_100_wine_prefixes", "korvax-editor-startup", Home::ManyWinePrefixes,
         PageCache::Warm},
        {"startup/editor_cold", "korvax-editor-startup", Home::NoWinePrefix, PageCache::Cold},
        {"startup/editor_beside_100_wine_prefixes_cold", "korvax-editor-startup",
         Home::ManyWinePrefixes, PageCache::Cold},
    };
    for (const auto &startup : startups)
        timed(benchmark::RegisterBenchmark(startup.name, Startup, std::cref(folder),
                                           startup.program, startup.home, startup.pageCache),
              10);
    timed(
        benchmark::RegisterBenchmark("selection/List1_Click", SelectionHandling, std::ref(window)),
        2000);
    timed(benchmark::RegisterBenchmark("selection/through_QListWidget", SelectionThroughList,
                                       std::ref(window)),
          2000);
    timed(benchmark::RegisterBenchmark("selection/floor_open_pread400_close", SelectionFloor,
                                       std::ref(window), playerFile),
          2000);
    timed(benchmark::RegisterBenchmark("selection/PlayerFileReader_only", SelectionReadOnly,
                                       std::ref(window), playerFile),
          2000);
    timed(benchmark::RegisterBenchmark("selection/reference_10_QLabel_setText", TenLabelsReference,
                                       std::ref(window)),
          2000);
    timed(benchmark::RegisterBenchmark("submit/frmname_name", SubmitName, std::ref(window), false),
          200);
    timed(benchmark::RegisterBenchmark("submit/frmname_name_with_copy", SubmitName,
                                       std::ref(window), true),
          200);
    timed(benchmark::RegisterBenchmark("submit/floor_name_pwrite_fsync", WriteFloor, playerFile,
                                       PlayerLayout::NameAt(1), nameBytes),
          200);
    timed(
        benchmark::RegisterBenchmark("submit/Form2_macros", SubmitMacros, std::ref(window), false),
        200);
    timed(benchmark::RegisterBenchmark("submit/Form2_macros_with_copy", SubmitMacros,
                                       std::ref(window), true),
          200);
    timed(benchmark::RegisterBenchmark("submit/floor_macros_pwrite_fsync", WriteFloor, playerFile,
                                       PlayerLayout::MacroAt(1, 0), macroBytes),
          200);
    const QTemporaryDir copyFolder;
    const std::vector<unsigned char> sample = SampleSave::Bytes();
    const std::string wholeFile(sample.begin(), sample.end());
    timed(benchmark::RegisterBenchmark("submit/floor_copy_write_fsync_rename", CopyFloor,
                                       QFile::encodeName(copyFolder.path()).toStdString(),
                                       wholeFile),
          200);
    timed(benchmark::RegisterBenchmark("map/Form3_open_close", CharacterMap, std::ref(window)),
          100);
    timed(
        benchmark::RegisterBenchmark("map/floor_224_QLabels", CharacterMapFloor, std::ref(window)),
        100);

    QTemporaryDir registeredHome;
    const std::string foundHome = QFile::encodeName(registeredHome.path()).toStdString();
    const std::string manyHome = folder.homePath(Home::ManyWinePrefixes);
    if (!WriteManyPrefixesHome(foundHome, true)) {
        std::fprintf(stderr, "cannot prepare the home with 100 Wine prefixes\n");
        return 1;
    }
    const std::vector<std::string> hundred = WinePrefixCandidates(manyHome, "");
    if (hundred.size() != 100) {
        std::fprintf(stderr, "the search finds %zu of the 100 Wine prefixes\n", hundred.size());
        return 1;
    }
    const std::string registered = foundHome + "/.PlayOnLinux/wineprefix/KORVAX";
    timed(benchmark::RegisterBenchmark("registry/search_100_prefixes", SearchFirstAsk, manyHome,
                                       false),
          10);
    QTemporaryDir cacheFolder;
    const std::string cacheFile =
        QFile::encodeName(cacheFolder.filePath(QStringLiteral("registries"))).toStdString();
    timed(benchmark::RegisterBenchmark("registry/search_100_prefixes_remembered", SearchRemembered,
                                       manyHome, cacheFile),
          20);
    timed(benchmark::RegisterBenchmark("registry/floor_stat_100_files", StatHundredFiles, hundred,
                                       PageCache::Warm),
          20);
    timed(benchmark::RegisterBenchmark("registry/floor_stat_100_files_cold", StatHundredFiles,
                                       hundred, PageCache::Cold),
          10);
    timed(benchmark::RegisterBenchmark("registry/search_no_prefixes", SearchFirstAsk,
                                       folder.homePath(Home::NoWinePrefix), false),
          20);
    timed(benchmark::RegisterBenchmark("registry/search_100_prefixes_then_found", SearchFirstAsk,
                                       foundHome, true),
          10);
    timed(
        benchmark::RegisterBenchmark("registry/second_ask_after_found", SearchSecondAsk, foundHome),
        10);
    timed(benchmark::RegisterBenchmark("registry/floor_read_100_files", ReadHundredFiles, hundred),
          10);
    timed(benchmark::RegisterBenchmark("registry/one_prefix", OnePrefix, hundred.front(), false),
          100);
    timed(
        benchmark::RegisterBenchmark("registry/one_prefix_with_entry", OnePrefix, registered, true),
        20);
    timed(benchmark::RegisterBenchmark("registry/one_prefix_parsed_whole", OnePrefixParsedWhole,
                                       hundred.front()),
          20);

    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    if (!tableFile.empty()) {
        std::FILE *out = std::fopen(tableFile.c_str(), "w");
        if (!out) {
            std::perror(tableFile.c_str());
            return 1;
        }
        WriteTable(reporter, out);
        std::fclose(out);
    } else {
        WriteTable(reporter, stdout);
    }
    return 0;
}
