// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// How a write of the player file asks the user before it goes ahead: the
// windows answer with message boxes, the tests and the crash driver with
// answers of their own.
class Questions
{
public:
    virtual ~Questions() = default;

    // A Yes/No question; `yesByDefault` tells which answer Return gives.
    // True for Yes.
    virtual bool ask(const QString &question, bool yesByDefault) = 0;

    // Why a write was not made, or why it cannot be taken back.
    virtual void tell(const QString &message) = 0;
};
