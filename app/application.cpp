// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include <QMessageBox>

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    m_policy.report = [](const QString &message) {
        QMessageBox::critical(nullptr, QStringLiteral("KORVAX player editor"), message);
    };
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

bool Application::runGuarded(const std::function<void()> &step)
{
    const int failuresBefore = m_failures;
    try {
        step();
    } catch (const std::exception &error) {
        fail(error);
    }
    return m_failures == failuresBefore;
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
}

QString Application::failureMessage(const std::exception &error)
{
    return QStringLiteral("The editor has to close because of an error:\n\n%1")
        .arg(QString::fromLocal8Bit(error.what()));
}

void Application::fail(const std::exception &error)
{
    m_failed = true;
    ++m_failures;
    m_policy.report(failureMessage(error));
    m_policy.end();
}
