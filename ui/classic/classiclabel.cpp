// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/classic/classiclabel.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor DimmedColor(128, 128, 128);

} // namespace

ClassicLabel::ClassicLabel(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // paintEvent fills every pixel with the back colour, yet the label is not
    // marked opaque: with many labels side by side (the character map has
    // 224), Qt's cutting of opaque children out of their parent's paint
    // region costs more than painting the parent's background beneath them.
}

void ClassicLabel::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    setAccessibleName(m_literal ? caption : shownText(caption));
    update();
}

void ClassicLabel::setLiteral(bool literal)
{
    m_literal = literal;
    setAccessibleName(m_literal ? m_caption : shownText(m_caption));
    update();
}

void ClassicLabel::setForeColor(const QColor &color)
{
    m_foreColor = color;
    update();
}

void ClassicLabel::setPointer(const QCursor &pointer)
{
    setCursor(pointer);
}

QString ClassicLabel::shownText(const QString &caption)
{
    // Most captions hold no mark: they show as they are, shared, not copied.
    if (!caption.contains(QLatin1Char('&')))
        return caption;
    // The same reading as Qt::TextShowMnemonic: "&x" shows x, "&&" shows "&",
    // and a lone trailing "&" shows nothing.
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            ++i;
            if (i == caption.size())
                break;
        }
        shown.append(caption.at(i));
    }
    return shown;
}

void ClassicLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backColor);
    // A disabled label shows its text dimmed, as the classic one does.
    painter.setPen(isEnabled() ? m_foreColor : DimmedColor);
    painter.setFont(font());
    // Long captions wrap at word boundaries like the classic label's; what
    // does not fit the fixed size is cut off.
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    painter.drawText(rect(), m_literal ? flags : flags | Qt::TextShowMnemonic, m_caption);
}

void ClassicLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void ClassicLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = m_pressed && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

void ClassicLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is not a new press (QWidget's
    // default would pass it to mousePressEvent), so its release clicks
    // nothing and a double click makes one click.
    event->accept();
}
