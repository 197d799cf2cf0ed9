// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up floor: the least a Qt Widgets program does to put a window of
// the main window's client size on screen. Built a second time with
// KORVAX_BARE_WITH_TEXT, the window also shows one line of text, which is
// what brings in the font system (its configuration, the font list and one
// face) that every window with text pays for.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(491, 350); // the main window's 7365 x 5250 twips
#ifdef KORVAX_BARE_WITH_TEXT
    const QLabel text(QStringLiteral("Player Name"), &window);
#endif
    window.show();
    return app.exec();
}
