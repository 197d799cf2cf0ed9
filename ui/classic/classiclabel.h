// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class QCursor;

// The classic Windows label: a fixed-size, opaque, frameless caption in its
// own colours. An ampersand in the caption marks an access key: it is not
// shown and the next character is underlined; "&&" shows one "&". A label
// that shows the player's text or a character shows it literally instead.
// The label never takes the keyboard focus. It reports a left click like a button does
// (press and release inside it), and a double click counts as one click.
class ClassicLabel : public QWidget
{
    Q_OBJECT

public:
    explicit ClassicLabel(QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor &color);

    QColor backColor() const { return m_backColor; }

    // Shows the caption as it is, an ampersand as an ampersand: for text the
    // program does not write itself (a name, a macro, a character).
    bool isLiteral() const { return m_literal; }
    void setLiteral(bool literal);

    // The mouse pointer shown over the label instead of the system's.
    void setPointer(const QCursor &pointer);

    // The caption as the label shows it: access-key marks removed.
    static QString shownText(const QString &caption);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QString m_caption;
    QColor m_foreColor{192, 192, 192};
    QColor m_backColor{0, 0, 0};
    bool m_literal = false;
    bool m_pressed = false;
};
