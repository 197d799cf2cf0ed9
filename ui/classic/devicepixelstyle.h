// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

// The style of the framed classic controls: the application's own kind of
// style, with their frames, bevels and focus lines on whole device pixels.
// At a fractional device pixel ratio (a 150 % screen) a style's one-pixel
// lines fall across two device pixels and show as a smear of two colours;
// here those parts are drawn at a ratio of 1 onto the device pixels the
// control covers, and copied over unscaled. At a whole ratio the style
// draws as it always does, except that Fusion's plain frame is as wide as
// the frame's width (Fusion draws one device pixel at any ratio).
class DevicePixelStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // The one instance of the program, owned by the application object.
    static DevicePixelStyle *instance();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

private:
    explicit DevicePixelStyle(const QString &baseStyleName);

    static void widenFrame(QPainter &drawing, const QStyleOption &option, const QTransform &device);

    template <typename Option>
    void drawOnDevicePixels(PrimitiveElement element, const Option &option,
                            QPainter *painter) const;

    const bool m_fusion; // Fusion's button and frame need help of their own
};
