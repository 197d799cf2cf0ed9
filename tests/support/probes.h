// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the window tests look at: the player file's bytes at its fields, and
// the texts the main window shows.

#include "tests/support/samplegame.h"
#include "ui/classic/classiclabel.h"
#include "ui/form1.h"

#include <QByteArray>
#include <QListWidget>
#include <QStringList>

// The fields' offsets, written out rather than taken from the program's own
// layout, so a byte check also checks the layout.
constexpr int NameAt(int slot)
{
    return 20 + 25948 * slot;
}
constexpr int MacroAt(int slot, int k)
{
    return 8420 + 25948 * slot + 40 * k;
}

// The sample file with `bytes` put at `offset`.
inline QByteArray patched(int offset, const QByteArray &bytes,
                          QByteArray file = SampleGame::originalBytes())
{
    file.replace(offset, bytes.size(), bytes);
    return file;
}

// The captions of lblMacro(0) to lblMacro(9).
inline QStringList captions(const Form1 &window)
{
    QStringList list;
    for (const ClassicLabel *label : window.lblMacro)
        list << label->caption();
    return list;
}

// The entries of List1.
inline QStringList names(const Form1 &window)
{
    QStringList list;
    for (int i = 0; i < window.List1->count(); ++i)
        list << window.List1->item(i)->text();
    return list;
}
