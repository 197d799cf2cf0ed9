#pragma once

#include <QApplication>

#include <exception>
#include <functional>

// The application object, and the one place where a failure that no
// handler catches ends up: it is reported in a message box and the program
// ends with a non-zero status. The steps after the failing one never run,
// since the failure unwinds them.
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
    // failure handling. Returns false when the step failed.
    bool runGuarded(const std::function<void()> &step);

    void setFailurePolicy(FailurePolicy policy);
    bool hasFailed() const { return m_failed; }

    // The text shown for a failure.
    static QString failureMessage(const std::exception &error);

private:
    void fail(const std::exception &error);

    FailurePolicy m_policy;
    bool m_failed = false;
};
