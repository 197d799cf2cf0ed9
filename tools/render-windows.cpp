// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the editor's four windows as a user sees them, on the synthetic
// player file, and saves each as a PNG picture: form1.png, frmname.png,
// form2.png and form3.png in the folder given (docs/ by default), and the
// restore window after a rename and a macros edit, frmrestore.png. The
// windows are opened through the main window's own buttons. Runs without a
// display. A second argument draws them for a screen of that scale factor,
// named form1@2x.png and so on for 2.
//
// usage: render-windows [FOLDER [FACTOR]]
#include "tests/support/samplegame.h"
#include "ui/classic/fonts.h"
#include "ui/form1.h"
#include "ui/frmrestore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace {

// Where the pictures go, and the mark of their scale in their names.
struct Pictures
{
    QDir folder;
    QString scale; // "" or "@2x"

    bool save(QWidget *window, const QString &name) const
    {
        const QString path = folder.filePath(name + scale + QLatin1String(".png"));
        const bool saved = window->grab().save(path);
        QTextStream(saved ? stdout : stderr)
            << (saved ? "wrote " : "cannot write ") << path << '\n';
        return saved;
    }
};

// Clicks `opener`; once the modal window it opens is up, `inside` runs on
// it, and then the window is closed.
void OpenModal(QAbstractButton *opener, const std::function<void(QWidget *)> &inside)
{
    QTimer::singleShot(0, [inside] {
        QWidget *window = QApplication::activeModalWidget();
        inside(window);
        window->close();
    });
    opener->click();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt reads the factor once, when the application starts.
    const QByteArray factor = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    if (!factor.isEmpty())
        qputenv("QT_SCALE_FACTOR", factor);
    QApplication app(argc, argv);
    RegisterFontSubstitutes();

    Pictures pictures;
    pictures.folder.setPath(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
    if (!factor.isEmpty() && factor != "1")
        pictures.scale = QStringLiteral("@%1x").arg(QString::fromLatin1(factor));
    if (!pictures.folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << pictures.folder.path() << '\n';
        return 1;
    }

    const SampleGame game;
    Form1 window;
    if (!game.load(window))
        return 1;
    window.List1->setCurrentRow(2);
    window.show();
    bool ok = pictures.save(&window, QStringLiteral("form1"));

    OpenModal(window.Command1, [&](QWidget *editor) {
        ok = pictures.save(editor, QStringLiteral("frmname")) && ok;
    });
    OpenModal(window.Command2, [&](QWidget *editor) {
        ok = pictures.save(editor, QStringLiteral("form2")) && ok;
        auto *opener = editor->findChild<QAbstractButton *>(QStringLiteral("Command1"));
        OpenModal(opener, [&](QWidget *map) {
            auto *box = map->findChild<QLineEdit *>(QStringLiteral("tbmacro"));
            box->setText(QStringLiteral("Grüße"));
            ok = pictures.save(map, QStringLiteral("form3")) && ok;
        });
    });

    // Two changes, so the restore window lists two copies.
    const auto submit = [](QWidget *editor, const char *box, const QString &text) {
        editor->findChild<QLineEdit *>(QLatin1String(box))->setText(text);
        editor->findChild<QAbstractButton *>(QStringLiteral("cmdsave"))->click();
    };
    OpenModal(window.Command1,
              [&](QWidget *editor) { submit(editor, "txtname", QStringLiteral("Zoë")); });
    OpenModal(window.Command2,
              [&](QWidget *editor) { submit(editor, "txtmacro(3)", QStringLiteral("GG")); });
    frmrestore restore(&window);
    restore.List1->setCurrentRow(1); // the older copy: a name and a macro differ
    restore.show();
    ok = pictures.save(&restore, QStringLiteral("frmrestore")) && ok;
    return ok ? 0 : 1;
}
