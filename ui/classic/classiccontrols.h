// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <initializer_list>

class ClassicLabel;
class ClassicListBox;
class ClassicTextBox;
class QCursor;
class QLabel;
class QPoint;
class QPushButton;
class QSize;
class QWidget;

// Builders for the controls the window layouts are made of. Each creates the
// control as a child of `window`, names it, and places it at `geometry`
// (logical pixels), with the classic control's defaults applied.

ClassicLabel *AddLabel(QWidget *window, const QString &name, const QRect &geometry,
                       const QString &caption, const QFont &font);

// A single-line text box in the system's colours, empty, with no length limit.
ClassicTextBox *AddTextBox(QWidget *window, const QString &name, const QRect &geometry,
                           const QFont &font);

// A push button that is never a default button, so Enter presses nothing.
QPushButton *AddButton(QWidget *window, const QString &name, const QRect &geometry,
                       const QString &caption, const QFont &font);

// An empty, unsorted list box with one selectable item.
ClassicListBox *AddListBox(QWidget *window, const QString &name, const QRect &geometry,
                           const QFont &font);

// A frameless picture box that shows `imagePath` unscaled at its top-left
// corner, cut off by the box's edges. It takes the focus like the others.
// Where the device pixel ratio is above 1 it shows the image's drawing at
// twice the size ("name@2x.ext" beside it).
QLabel *AddPictureBox(QWidget *window, const QString &name, const QRect &geometry,
                      const QString &imagePath);

// "Name(3)": the object name of a member of a control array.
QString ArrayMemberName(const char *arrayName, int index);

// The program's own mouse pointer, a shaded arrow with its hot spot at the tip.
QCursor ArrowPointer();

// Chains the controls in `order` for Tab, and makes the first of them the
// start of the window's focus order, where the focus goes when the window
// opens (or to the next one that is visible).
void SetTabOrder(QWidget *window, std::initializer_list<QWidget *> order);

enum class TitleButtons { CloseOnly, MinimiseAndClose };

// The window's own properties: caption, fixed client size, first position of
// the client area on the screen, title-bar buttons, black back colour, the
// program's icon and the default font.
void SetupClassicWindow(QWidget *window, const QString &caption, const QPoint &screenPosition,
                        const QSize &clientSize, TitleButtons buttons);
