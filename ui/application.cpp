// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/application.h"

#include "playerfile/playerfile.h"
#include "settings/editedfile.h"
#include "storage/fileerror.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScopedValueRollback>

namespace {

// The failure report. Ctrl+C copies its title and text, as on Windows,
// where Qt's message box does it already, so that a user can pass the
// report on.
class FailureBox : public QMessageBox
{
public:
    explicit FailureBox(const QString &message)
        : QMessageBox(QMessageBox::Critical, QStringLiteral("KORVAX player editor"), message,
                      QMessageBox::Ok)
    {
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
#ifndef Q_OS_WIN
        if (event->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(
                QStringLiteral("%1\n\n%2\n").arg(windowTitle(), text()));
            return;
        }
#endif
        QMessageBox::keyPressEvent(event);
    }
};

} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    m_policy.report = [](const QString &message) { FailureBox(message).exec(); };
    m_policy.end = [] { QCoreApplication::exit(1); };
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        fail(error);
    }
    return false;
}

namespace {

// Thrown by runNested after a failure that has been reported already; only
// a guarded edge catches it.
struct FailureReported
{
};

} // namespace

bool Application::runGuarded(const std::function<void()> &step)
{
    if (m_failed)
        return false; // the program is ending: nothing more runs
    // Counts the guarded steps under way, for runNested.
    const QScopedValueRollback depth(m_guardedDepth, m_guardedDepth + 1);
    try {
        step();
    } catch (const FailureReported &) {
        // Reported where it happened, inside a handler this step set off.
    } catch (const std::exception &error) {
        fail(error);
    }
    return !m_failed;
}

void Application::runNested(const std::function<void()> &step)
{
    step();
    // Outside any guarded step there is no edge to stop at, and the
    // exception would unwind Qt's code: the caller goes on.
    const auto *app = qobject_cast<Application *>(QCoreApplication::instance());
    if (app && app->m_failed && app->m_guardedDepth > 0)
        throw FailureReported{};
}

void Application::runHandler(const std::function<void()> &handler)
{
    if (auto *app = qobject_cast<Application *>(QCoreApplication::instance()))
        app->runGuarded(handler);
    else
        handler();
}

void Application::setFailurePolicy(FailurePolicy policy)
{
    m_policy = std::move(policy);
    m_failed = false;
}

QString Application::failureMessage(const std::exception &error)
{
    // The file layer's reports, like the program's own, are UTF-8.
    QString message = QStringLiteral("The editor has to close because of an error:\n\n%1")
                          .arg(QString::fromUtf8(error.what()));
    const auto *fileError = dynamic_cast<const FileError *>(&error);
    if (fileError && RefusedInProtectedFolder(*fileError))
        message += QStringLiteral("\n\nWindows protects the folder %1: a program started without "
                                  "administrator rights may not change files there, so nothing "
                                  "was written. Start the editor as administrator to change "
                                  "%2 there; it is the file the game reads as long as "
                                  "Windows keeps no copy of it for the game in your VirtualStore "
                                  "folder.")
                       .arg(QString::fromUtf8(PathText(fileError->path().parent_path())),
                            QLatin1String(PlayerFileName));
    return message;
}

void Application::fail(const std::exception &error)
{
    m_failed = true;
    m_policy.report(failureMessage(error));
    m_policy.end();
}
