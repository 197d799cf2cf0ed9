// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

#include <exception>
#include <functional>

// The application object, and where every failure that no handler catches
// ends up: it is reported in a message box and the program ends with a
// non-zero status. The handlers that touch the player file run through
// Guarded(), so their failure stops at the handler's own edge and never
// unwinds Qt's code; notify() catches whatever else escapes. Either way the
// steps after the failing one do not run, nor does any guarded handler
// afterwards. A handler whose step sets off other handlers (setting the
// list's selection, a modal window) runs that step through runNested(), so
// that a failure in one of them ends the calling handler too.
class Application : public QApplication
{
    Q_OBJECT

public:
    // What to do with a failure; tests replace these to watch instead.
    struct FailurePolicy
    {
        std::function<void(const QString &message)> report;
        std::function<void()> end;
    };

    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Runs a step outside event delivery (the start-up) under the same
    // failure handling. Returns false when the step, or a handler it set
    // off, failed, or when a failure came before: then it runs nothing.
    bool runGuarded(const std::function<void()> &step);

    // Runs a step of a guarded handler that may set off other handlers.
    // When one of them failed (it has been reported), the rest of the
    // calling handler is left: an exception of our own carries the news to
    // the handler's guarded edge, through the handler's own code only.
    static void runNested(const std::function<void()> &step);

    // Runs an event handler so that a failure in it is handled at the
    // handler's edge: Qt's own code is not built to be unwound by an
    // exception, and leaks or loses its state when it is. Without an
    // Application object the failure passes on to the caller.
    static void runHandler(const std::function<void()> &handler);

    // Also forgets earlier failures, so a test can start afresh.
    void setFailurePolicy(FailurePolicy policy);

    // The text shown for a failure.
    static QString failureMessage(const std::exception &error);

private:
    void fail(const std::exception &error);

    FailurePolicy m_policy;
    bool m_failed = false;
    int m_guardedDepth = 0; // guarded steps running, one inside another
};

// A slot for connect() that runs the handler through Application::runHandler.
template <typename Handler> auto Guarded(Handler handler)
{
    return [handler] { Application::runHandler(handler); };
}
