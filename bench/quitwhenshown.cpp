// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into a program to time its start-up as a whole process. Once the
// program's first window has been painted, it writes the moment (on the
// monotonic clock that the timer outside reads too) and its peak resident
// size so far, and the event loop ends with ShownStatus, so the timer knows
// the window really came up. The size is reported from inside because wait4's
// figure would count the parent's pages (a spawned child shares them until
// it replaces its image).
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr int ShownStatus = 42;

// 0 where the system does not tell (under Wine the timer outside only
// waits for ShownStatus).
long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

void ReportShown()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("shown_ns=%lld peak_resident_kib=%ld\n",
                static_cast<long long>(std::chrono::nanoseconds(now).count()), PeakResidentKiB());
    std::fflush(stdout);
}

class QuitWhenShown : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Queued: runs once the window's children are painted and the
            // backing store is flushed.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [] {
                    ReportShown();
                    QCoreApplication::exit(ShownStatus);
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

void InstallQuitWhenShown()
{
    QCoreApplication *app = QCoreApplication::instance();
    app->installEventFilter(new QuitWhenShown(app));
}

} // namespace

// Runs inside the application object's constructor, before main goes on.
Q_COREAPP_STARTUP_FUNCTION(InstallQuitWhenShown)
