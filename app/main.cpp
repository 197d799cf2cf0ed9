// SPDX-License-Identifier: GPL-3.0-or-later
// The KORVAX player editor.
#include "ui/application.h"
#include "ui/classic/fonts.h"
#include "ui/form1.h"

int main(int argc, char **argv)
{
    Application app(argc, argv);
    RegisterFontSubstitutes();

    Form1 window;
    bool found = false;
    if (!app.runGuarded([&] { found = window.Form_Load(); }))
        return 1;
    if (!found)
        return 0; // no game folder: end quietly, nothing shown
    window.show();
    return app.exec();
}
