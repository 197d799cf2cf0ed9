// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/classic/devicepixelstyle.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRegion>
#include <QStyleOption>

#include <cmath>
#include <type_traits>

namespace {

bool IsLineWork(QStyle::PrimitiveElement element)
{
    switch (element) {
    case QStyle::PE_Frame:
    case QStyle::PE_FrameButtonBevel:
    case QStyle::PE_FrameDefaultButton:
    case QStyle::PE_FrameFocusRect:
    case QStyle::PE_FrameLineEdit:
    case QStyle::PE_PanelButtonBevel:
    case QStyle::PE_PanelButtonCommand:
    case QStyle::PE_PanelLineEdit:
        return true;
    default:
        return false;
    }
}

bool IsWhole(qreal value)
{
    return std::abs(value - std::round(value)) < 1e-6;
}

// The device pixels whose centres lie inside `area`.
QRect DevicePixels(const QRectF &area)
{
    return QRect(QPoint(qRound(area.left()), qRound(area.top())),
                 QPoint(qRound(area.right()) - 1, qRound(area.bottom()) - 1));
}

// Fusion draws a push button's panel through an image at the application's
// device pixel ratio, whatever it paints on, so at 150 % its lines come out
// smeared even on device pixels. This is its drawing of a plain button,
// done straight on the painter.
void DrawFusionButtonPanel(QPainter &painter, const QStyleOption &option)
{
    const QPalette &palette = option.palette;
    QColor button = palette.button().color();
    button = button.lighter(100 + qMax(1, (180 - qGray(button.rgb())) / 6));
    button.setHsv(button.hue(), int(button.saturation() * 0.75), button.value());
    QColor outline = palette.window().color().darker(140);
    const bool hasFocus =
        option.state & QStyle::State_HasFocus && option.state & QStyle::State_KeyboardFocusChange;
    if (hasFocus) {
        outline = palette.color(QPalette::Highlight).darker(125);
        if (outline.value() > 160)
            outline.setHsl(outline.hue(), outline.saturation(), 160);
    }
    const bool enabled = option.state & QStyle::State_Enabled;
    const bool down = option.state & (QStyle::State_Sunken | QStyle::State_On);

    const QRect r = option.rect.adjusted(0, 1, -1, 0);
    const QColor base =
        enabled && option.state & QStyle::State_MouseOver ? button : button.darker(104);
    const int x = option.rect.center().x();
    QLinearGradient gradient(x, option.rect.top(), x, option.rect.bottom());
    gradient.setColorAt(0, base.lighter(124));
    gradient.setColorAt(1, base.lighter(102));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(0.5, -0.5);
    painter.setPen(Qt::transparent);
    painter.setBrush(down ? QBrush(button.darker(110)) : QBrush(gradient));
    painter.drawRoundedRect(r, 2.0, 2.0);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(enabled ? outline : outline.lighter(115));
    painter.drawRoundedRect(r, 2.0, 2.0);
    painter.setPen(QColor(255, 255, 255, 30));
    painter.drawRoundedRect(r.adjusted(1, 1, -1, -1), 2.0, 2.0);
    painter.restore();
}

bool IsPlainButton(const QStyleOptionButton &button)
{
    return !(button.features & (QStyleOptionButton::Flat | QStyleOptionButton::DefaultButton));
}

} // namespace

DevicePixelStyle::DevicePixelStyle(const QString &baseStyleName)
    : QProxyStyle(baseStyleName),
      m_fusion(baseStyle()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0)
{
}

DevicePixelStyle *DevicePixelStyle::instance()
{
    QCoreApplication *app = QCoreApplication::instance();
    auto *style = app->findChild<DevicePixelStyle *>(QString(), Qt::FindDirectChildrenOnly);
    if (!style) {
        // A style of the application's own kind, not the application's
        // instance, which the proxy would take over.
        style = new DevicePixelStyle(QApplication::style()->name());
        style->setParent(app);
    }
    return style;
}

void DevicePixelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                     QPainter *painter, const QWidget *widget) const
{
    const QTransform device = painter->deviceTransform();
    const bool whole = IsWhole(device.m11()) && IsWhole(device.m22());
    // Fusion draws a plain frame with a line one device pixel wide at any
    // ratio, which leaves a gap to the content above 100 %: it is widened
    // to the frame's width.
    const bool gap = m_fusion && element == PE_Frame && device.m11() > 1;
    if (!IsLineWork(element) || device.type() > QTransform::TxScale || (whole && !gap)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // The style looks into the option for its own kind of it.
    if (const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option))
        drawOnDevicePixels(element, *button, painter);
    else if (const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option))
        drawOnDevicePixels(element, *frame, painter);
    else if (const auto *focus = qstyleoption_cast<const QStyleOptionFocusRect *>(option))
        drawOnDevicePixels(element, *focus, painter);
    else
        drawOnDevicePixels(element, *option, painter);
}

// The frame's outer line, drawn on `drawing` one device pixel wide, widened
// inwards to the frame's own width in device pixels.
void DevicePixelStyle::widenFrame(QPainter &drawing, const QStyleOption &option,
                                  const QTransform &device)
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(&option);
    const QImage *image = static_cast<const QImage *>(drawing.device());
    if (!frame || frame->lineWidth < 1 || image->height() < 3)
        return;
    const int width = frame->lineWidth;
    const QRect outer = DevicePixels(device.mapRect(QRectF(option.rect)));
    const QRect inner =
        DevicePixels(device.mapRect(QRectF(option.rect.adjusted(width, width, -width, -width))))
            .translated(-outer.topLeft());
    const QColor line = image->pixelColor(0, image->height() / 2);
    QRegion ring(QRect(QPoint(0, 0), outer.size()));
    ring -= inner;
    drawing.setClipRegion(ring);
    drawing.fillRect(image->rect(), line);
}

template <typename Option>
void DevicePixelStyle::drawOnDevicePixels(PrimitiveElement element, const Option &option,
                                          QPainter *painter) const
{
    const QTransform device = painter->deviceTransform();
    const QRect pixels = DevicePixels(device.mapRect(QRectF(option.rect)));
    if (pixels.isEmpty())
        return;

    QImage drawing(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    drawing.fill(Qt::transparent);
    {
        Option unscaled = option;
        unscaled.rect = QRect(QPoint(0, 0), pixels.size());
        QPainter onDrawing(&drawing);
        onDrawing.setRenderHints(painter->renderHints());
        bool drawn = false;
        if constexpr (std::is_same_v<Option, QStyleOptionButton>) {
            if (element == PE_PanelButtonCommand && m_fusion && IsPlainButton(unscaled)) {
                DrawFusionButtonPanel(onDrawing, unscaled);
                drawn = true;
            }
        }
        // Without the widget: a style would take the drawing's ratio from
        // the widget's screen, not from the image it draws on.
        if (!drawn)
            QProxyStyle::drawPrimitive(element, &unscaled, &onDrawing, nullptr);
        if (element == PE_Frame && m_fusion)
            widenFrame(onDrawing, option, device);
    }

    // World coordinates that are the device's own pixels, from the
    // drawing's top-left corner on: the drawing lands one to one.
    painter->save();
    painter->setWorldTransform(QTransform::fromTranslate(pixels.x(), pixels.y()) *
                               device.inverted() * painter->worldTransform());
    painter->drawImage(QPoint(0, 0), drawing);
    painter->restore();
}
