// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

// The windows ask for the classic Windows faces. Where a face is missing (on
// Linux, and under Wine) the metric-compatible Liberation face stands in.
// Call once at start, before the first window is built.
void RegisterFontSubstitutes();

// A regular-weight font of the given face and exact point size.
QFont ClassicFont(const QString &family, qreal pointSize);

// The windows' default font, "MS Sans Serif" 8.25 point.
QFont DefaultWindowFont();
