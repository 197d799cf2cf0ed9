// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The window layouts are drawn up in twips: 1440 to the inch, so 15 to a
// pixel at 96 dots per inch. Qt's logical pixels are 96 dpi pixels, and Qt
// scales them for denser screens itself.

constexpr int TwipsPerPixel = 15;

// Twips to logical pixels, rounded to the nearest pixel.
constexpr int Twips(int twips)
{
    const int half = TwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / TwipsPerPixel : -((-twips + half) / TwipsPerPixel);
}

constexpr QPoint TwipsPoint(int left, int top)
{
    return QPoint(Twips(left), Twips(top));
}

constexpr QSize TwipsSize(int width, int height)
{
    return QSize(Twips(width), Twips(height));
}

// A control's outer rectangle from its Left, Top, Width and Height in twips.
constexpr QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsPoint(left, top), TwipsSize(width, height));
}
