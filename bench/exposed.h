// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

#include <chrono>

// Runs the event loop until the window is on screen, at most five seconds.
// A shown widget is painted when its expose event is handled, so this
// covers the painting.
inline bool WaitUntilExposed(QWidget &window)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}
