// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's memory: resident size once the main window is up, then the
// growth over open-and-close cycles of the name editor, the macros editor
// and the character map, each opened the way the user opens it. Any growth
// that stays after the warm-up is a leak.
//
// usage: korvax-memory [cycles]   (1000 by default)
#include "bench/exposed.h"
#include "tests/support/samplegame.h"
#include "ui/application.h"
#include "ui/classic/fonts.h"
#include "ui/form1.h"
#include "ui/frmname.h"

#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include <malloc.h>

// Every allocation of the process passes through these, so the bytes
// allocated and not yet freed are counted exactly (mallinfo's figure also
// moves with the allocator's own caches). The counter is the one piece of
// state this tool keeps outside a function.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void *pointer);
}

namespace {

std::atomic<long long> liveHeapBytes{0};

void *Counted(void *pointer)
{
    if (pointer)
        liveHeapBytes += static_cast<long long>(malloc_usable_size(pointer));
    return pointer;
}

void Uncount(void *pointer)
{
    if (pointer)
        liveHeapBytes -= static_cast<long long>(malloc_usable_size(pointer));
}

} // namespace

extern "C" {
void *malloc(std::size_t size)
{
    return Counted(__libc_malloc(size));
}
void *calloc(std::size_t count, std::size_t size)
{
    return Counted(__libc_calloc(count, size));
}
void *realloc(void *pointer, std::size_t size)
{
    Uncount(pointer);
    void *moved = __libc_realloc(pointer, size);
    // A failed realloc leaves the old block in place.
    return Counted(moved || size == 0 ? moved : pointer);
}
void *memalign(std::size_t alignment, std::size_t size)
{
    return Counted(__libc_memalign(alignment, size));
}
void *aligned_alloc(std::size_t alignment, std::size_t size)
{
    return Counted(__libc_memalign(alignment, size));
}
int posix_memalign(void **result, std::size_t alignment, std::size_t size)
{
    void *pointer = Counted(__libc_memalign(alignment, size));
    if (!pointer)
        return ENOMEM;
    *result = pointer;
    return 0;
}
void free(void *pointer)
{
    Uncount(pointer);
    __libc_free(pointer);
}
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int WarmUpCycles = 20;

struct Usage
{
    long residentKiB = 0;
    long long heapBytes = 0; // allocated and not yet freed
    qsizetype widgets = 0;   // widgets alive
};

Usage CurrentUsage()
{
    // Windows and dialogs left for deletion count as alive until deleted.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Usage usage;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            usage.residentKiB = std::stol(line.substr(6));
    }
    usage.heapBytes = liveHeapBytes;
    usage.widgets = QApplication::allWidgets().size();
    return usage;
}

// Schedules, before the click that opens a modal window, what runs inside
// it: waits until the window is painted, runs `whileOpen`, closes it.
void WhenNextModalShown(std::function<void(QDialog *)> whileOpen = {})
{
    QTimer::singleShot(0, [whileOpen] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !WaitUntilExposed(*dialog)) {
            std::fprintf(stderr, "korvax-memory: the window did not come up\n");
            std::_Exit(1);
        }
        if (whileOpen)
            whileOpen(dialog);
        dialog->reject();
    });
}

struct Growth
{
    Usage before; // after the warm-up
    Usage after;
    double secondsPerCycle = 0;
};

Growth Measure(int cycles, const std::function<void()> &cycle)
{
    for (int i = 0; i < WarmUpCycles; ++i)
        cycle();
    Growth growth;
    growth.before = CurrentUsage();
    const auto start = Clock::now();
    for (int i = 0; i < cycles; ++i)
        cycle();
    growth.secondsPerCycle = std::chrono::duration<double>(Clock::now() - start).count() / cycles;
    growth.after = CurrentUsage();
    return growth;
}

// One open-and-close of the modal window that the button opens.
void OpenAndClose(QPushButton *opener)
{
    WhenNextModalShown();
    opener->click();
}

// The character map, opened from the name editor's "Charactor Map" button.
Growth MeasureCharacterMap(Form1 &window, int cycles)
{
    Growth growth;
    WhenNextModalShown([&](QDialog *dialog) {
        auto *editor = qobject_cast<frmname *>(dialog);
        growth = Measure(cycles, [editor] { OpenAndClose(editor->Command1); });
    });
    window.Command1->click();
    return growth;
}

double MiB(long kib)
{
    return static_cast<double>(kib) / 1024.0;
}

void PrintGrowth(const char *window, int cycles, const Growth &growth)
{
    std::printf("| %s, %d open-and-close cycles | %.1f → %.1f MiB (%+ld KiB) | %+lld bytes | "
                "%lld → %lld | %.2f ms |\n",
                window, cycles, MiB(growth.before.residentKiB), MiB(growth.after.residentKiB),
                growth.after.residentKiB - growth.before.residentKiB,
                growth.after.heapBytes - growth.before.heapBytes,
                static_cast<long long>(growth.before.widgets),
                static_cast<long long>(growth.after.widgets), growth.secondsPerCycle * 1000);
}

} // namespace

int main(int argc, char **argv)
{
    // The program's start, as main.cpp does it, on the synthetic player file.
    // Measured offscreen, like the start-up probes, whatever the session has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
    RegisterFontSubstitutes();
    SampleGame game;
    Form1 window;
    if (!app.runGuarded([&] { game.load(window); }))
        return 1;
    window.show();
    if (!WaitUntilExposed(window))
        return 1;
    const Usage started = CurrentUsage();

    const Growth names = Measure(cycles, [&] { OpenAndClose(window.Command1); });
    const Growth macros = Measure(cycles, [&] { OpenAndClose(window.Command2); });
    const Growth map = MeasureCharacterMap(window, cycles);

    std::printf("| memory | resident | heap growth | widgets alive | time per cycle |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    std::printf("| after start (Form1 shown) | %.1f MiB | (%.1f MiB in use) | %lld | |\n",
                MiB(started.residentKiB), static_cast<double>(started.heapBytes) / 1048576.0,
                static_cast<long long>(started.widgets));
    PrintGrowth("frmname", cycles, names);
    PrintGrowth("Form2", cycles, macros);
    PrintGrowth("Form3", cycles, map);
    return 0;
}
