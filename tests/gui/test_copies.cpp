// SPDX-License-Identifier: GPL-3.0-or-later
// The copies made before each change, Ctrl+Z, the restore window and the
// questions before a write, driven through the windows, with the player
// file checked byte for byte.
#include "copies/backupstore.h"
#include "storage/fileerror.h"
#include "tests/support/modal.h"
#include "tests/support/probes.h"
#include "tests/support/samplegame.h"
#include "ui/form2.h"
#include "ui/frmname.h"
#include "ui/frmrestore.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QtTest>

#include <cerrno>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct OpenGame
{
    SampleGame game;
    Form1 window;
    // The game folder as the registry names it: the sample game's own
    // unless one is given.
    explicit OpenGame(const std::string &registryFolder = {})
    {
        game.load(window, registryFolder);
        window.List1->setCurrentRow(2);
        ShowAndActivate(window);
    }
    BackupStore store() const { return window.changes().store(); }

    void submitName(const QString &name)
    {
        RunModal(window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            editor->txtname->setText(name);
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
        });
    }
    void submitMacro(int k, const QString &text)
    {
        RunModal(window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            editor->txtmacro[static_cast<std::size_t>(k)]->setText(text);
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
        });
    }
    std::shared_ptr<Question> undo(std::function<void(QMessageBox *)> answer)
    {
        // Ctrl+Z reaches only the active window; a closed dialog leaves none.
        window.activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(&window));
        auto question = AnswerNextQuestion(std::move(answer));
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();
        return question;
    }
    // Right-clicks a macro label and takes the menu's entry with the key `key`;
    // gives back whether the menu's Undo was enabled.
    bool contextMenu(Qt::Key key)
    {
        auto undoEnabled = std::make_shared<bool>(false);
        QTimer::singleShot(0, [undoEnabled, key] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            *undoEnabled = menu->findChild<QAction *>(QStringLiteral("actionUndo"))->isEnabled();
            QTest::keyClick(menu, key);
        });
        QWidget *label = window.lblMacro[4];
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                                label->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(label, &event);
        return *undoEnabled;
    }
};

} // namespace

class TestCopies : public QObject
{
    Q_OBJECT

private slots:
    void everyChangeIsCopiedFirstAndCtrlZWalksBack()
    {
        OpenGame g;
        const QByteArray original = g.game.bytes();
        QVERIFY(!g.contextMenu(Qt::Key_Escape)); // nothing to undo yet

        g.submitName(QStringLiteral("Zoë"));
        const QByteArray afterName = g.game.bytes();
        QCOMPARE(afterName, patched(NameAt(2), Cp(u"Zo\u00EB") + QByteArray(2, '\0')));
        g.submitMacro(3, QStringLiteral("GG"));
        const QByteArray afterMacros = g.game.bytes();
        QCOMPARE(afterMacros, patched(MacroAt(2, 3), MacroField(u"GG"), afterName));

        // One copy before each write, newest first, of the file as it was.
        const QList<BackupCopy> copies = g.store().copies();
        QCOMPARE(copies.size(), 2);
        QCOMPARE(readBytes(copies[0].path), afterName);
        QCOMPARE(copies[0].change.description(), QStringLiteral("the macros of player 3"));
        QCOMPARE(readBytes(copies[1].path), original);
        QCOMPARE(copies[1].change.description(), QStringLiteral("the name of player 3"));
        // The folder says whose copies it holds.
        QCOMPARE(readBytes(QFileInfo(copies[0].path).dir().filePath("game-folder.txt")),
                 QByteArray::fromStdString(GameFolder + '\n'));
        QVERIFY(g.contextMenu(Qt::Key_Escape));

        // No: nothing changes.
        g.window.List1->setCurrentRow(1);
        const QStringList shown = captions(g.window);
        QVERIFY(g.undo(PressKey(Qt::Key_Escape))->asked);
        QCOMPARE(g.game.bytes(), afterMacros);

        // Each undo puts back the fields of its change, and says which.
        const auto first = g.undo(PressKey(Qt::Key_Return));
        QCOMPARE(first->text, QStringLiteral("Put back the ten macros of player 3 as they were %1?")
                                  .arg(copies[0].when()));
        QVERIFY(first->yesByDefault);
        QCOMPARE(g.game.bytes(), afterName);
        QCOMPARE(g.window.List1->currentRow(), 1);
        QCOMPARE(captions(g.window), shown);

        QCOMPARE(g.undo(PressKey(Qt::Key_Return))->text,
                 QStringLiteral("Put back the name of player 3, \"Renée Strauß\" (now \"Zoë\"), "
                                "as it was %1?")
                     .arg(copies[1].when()));
        QCOMPARE(g.game.bytes(), original);
        QCOMPARE(names(g.window).at(2), QStringLiteral("Renée Strauß"));
        QCOMPARE(g.window.List1->currentRow(), 1);

        // Both taken back: Ctrl+Z says nothing and does nothing, and the
        // states the undos replaced are kept.
        QVERIFY(!g.undo(PressKey(Qt::Key_Return))->asked);
        QVERIFY(!g.contextMenu(Qt::Key_Escape));
        const QList<BackupCopy> after = g.store().copies();
        QCOMPARE(after.size(), 4);
        QCOMPARE(after[0].change.kind, Change::Kind::Undo);
        QCOMPARE(readBytes(after[0].path), afterName);
        QCOMPARE(readBytes(after[1].path), afterMacros);
        QCOMPARE(g.game.bytes(), original);
    }

#ifdef Q_OS_WIN
    void aGameUnderProgramFilesIsEditedInItsVirtualStoreCopy()
    {
        const ProtectedGame installed;
        if (!installed.isValid())
            QSKIP("Program Files (x86) cannot be written here");
        const QByteArray copy = patched(NameAt(2), Cp(u"Copy") + QByteArray(2, '\0'));
        QVERIFY(installed.writeStoreCopy(copy));
        // Written after the copy: the game has run as administrator since.
        {
            QFile file(installed.installedFile());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(3600),
                                     QFileDevice::FileModificationTime));
        }

        OpenGame g(installed.folder());
        QCOMPARE(names(g.window).at(2), QStringLiteral("Copy"));
        const QString tip = g.window.List1->toolTip();
        QVERIFY2(tip.startsWith(QStringLiteral("The list shows %1, the copy of %2 ")
                                    .arg(QDir::toNativeSeparators(installed.storeFile()),
                                         QDir::toNativeSeparators(installed.installedFile()))),
                 qPrintable(tip));
        QVERIFY2(tip.contains(QStringLiteral(" was written later (at ")), qPrintable(tip));
        QCOMPARE(g.window.List1->accessibleDescription(), tip);

        g.submitName(QStringLiteral("Zoë"));
        QCOMPARE(readBytes(installed.storeFile()),
                 patched(NameAt(2), Cp(u"Zo\u00EB") + QByteArray(2, '\0'), copy));
        QCOMPARE(readBytes(installed.installedFile()), SampleGame::originalBytes());

        QVERIFY(g.undo(PressKey(Qt::Key_Return))->asked);
        QCOMPARE(readBytes(installed.storeFile()), copy);
        QCOMPARE(readBytes(installed.installedFile()), SampleGame::originalBytes());
        QCOMPARE(names(g.window).at(2), QStringLiteral("Copy"));
    }
#endif

    void theRestoreWindowShowsWhatACopyHoldsAndPutsBackAPlayerOrTheFile()
    {
        OpenGame g;
        const QByteArray original = g.game.bytes();
        g.submitName(QStringLiteral("Zoë"));
        g.submitMacro(3, QStringLiteral("GG"));
        const QByteArray afterMacros = g.game.bytes();
        // The game saves its own data meanwhile.
        {
            QFile file(g.game.playerFile());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(5000));
            file.write("game");
        }
        const QByteArray played = g.game.bytes();
        // A player put back is written as a Submit writes it: the name
        // ("Renée Strauß", 12 bytes) and two zero bytes.
        const QByteArray playerBack =
            patched(NameAt(2) + 12, QByteArray(2, '\0'), patched(5000, "game"));

        bool shown = false;
        WhenModal<frmrestore>([&](frmrestore *window) {
            shown = true;
            QCOMPARE(window->List1->count(), 2);
            const QString newest = window->List1->item(0)->text();
            QVERIFY(newest.contains(QStringLiteral(", before the macros of player 3\n")));
            QVERIFY(
                newest.endsWith(QStringLiteral("Maximilian Vogt · Black&Gold · Zoë · (no name)")));
            QVERIFY(window->List1->item(1)->text().contains(QStringLiteral("Renée Strauß")));
            window->List1->setCurrentRow(1);
            QCOMPARE(window->List2->count(), 4);
            QCOMPARE(window->List2->item(0)->text(),
                     QStringLiteral("Player 1, \"Maximilian Vogt\": the same as now"));
            QCOMPARE(window->List2->item(2)->text(),
                     QStringLiteral("Player 3, \"Renée Strauß\" (now \"Zoë\"): the name and "
                                    "macro 4 differ"));
            QCOMPARE(window->lblgame->caption(),
                     QStringLiteral("The game's own data differs in 4 bytes. Restore player "
                                    "leaves it as it is now; Restore whole file takes it back to "
                                    "this copy's time too."));
            // The first player that differs is chosen. No keeps the window
            // open; Yes, the default, puts back that player and closes it.
            QCOMPARE(window->List2->currentRow(), 2);
            AnswerNextQuestion(ClickButton(QMessageBox::No));
            QTest::mouseClick(window->cmdplayer, Qt::LeftButton);
            QVERIFY(window->isVisible());
            QCOMPARE(g.game.bytes(), played);
            const auto question = AnswerNextQuestion(PressKey(Qt::Key_Return));
            QTest::mouseClick(window->cmdplayer, Qt::LeftButton);
            QVERIFY(question->yesByDefault);
            QVERIFY(question->text.endsWith(QStringLiteral("Nothing else in kvxplr.sav changes.")));
            QVERIFY(!window->isVisible());
        });
        g.contextMenu(Qt::Key_R);
        QVERIFY(shown);
        QCOMPARE(g.game.bytes(), playerBack);
        QCOMPARE(names(g.window).at(2), QStringLiteral("Renée Strauß"));
        QCOMPARE(g.store().copies().first().change.kind, Change::Kind::Player);

        // The whole file: Return answers No; Yes takes the game's data back too.
        shown = false;
        WhenModal<frmrestore>([&](frmrestore *window) {
            shown = true;
            window->List1->setCurrentRow(window->List1->count() - 1);
            const auto no = AnswerNextQuestion(PressKey(Qt::Key_Return));
            QTest::mouseClick(window->cmdrestore, Qt::LeftButton);
            QVERIFY(!no->yesByDefault);
            QVERIFY(no->text.contains(QStringLiteral("The game's own data goes back to that time "
                                                     "too: 4 of its bytes differ")));
            QCOMPARE(g.game.bytes(), playerBack);
            AnswerNextQuestion(ClickButton(QMessageBox::Yes));
            QTest::mouseClick(window->cmdrestore, Qt::LeftButton);
            QVERIFY(!window->isVisible());
        });
        g.contextMenu(Qt::Key_R);
        QVERIFY(shown);
        QCOMPARE(g.game.bytes(), original);

        // A restore is a change like any other: Ctrl+Z takes it back, the
        // whole file, and says so with No the default.
        const auto undo = g.undo(ClickButton(QMessageBox::Yes));
        QVERIFY(undo->text.contains("before the restore of an earlier copy?"));
        QVERIFY(!undo->yesByDefault);
        QCOMPARE(g.game.bytes(), playerBack);
        QVERIFY(g.undo(PressKey(Qt::Key_Return))
                    ->text.startsWith(QStringLiteral(
                        "Put back the name and the ten macros of player 3, \"Zoë\" (now "
                        "\"Renée Strauß\")")));
        QCOMPARE(g.game.bytes(), played);
        QCOMPARE(patched(5000, "game", afterMacros), played);
    }

    void noCopyOrARunningGameAsksFirst_data()
    {
        QTest::addColumn<bool>("gameRuns");
        QTest::addColumn<bool>("macros");
        QTest::newRow("no copy, name") << false << false;
        QTest::newRow("no copy, macros") << false << true;
        QTest::newRow("game runs, name") << true << false;
        QTest::newRow("game runs, macros") << true << true;
    }

    void noCopyOrARunningGameAsksFirst()
    {
        QFETCH(bool, gameRuns);
        QFETCH(bool, macros);
        OpenGame g;
        QString expected;
        if (gameRuns) {
            g.window.copyOptions().gameRunning = [] { return true; };
            expected = QStringLiteral("KORVAX is running. It may overwrite this change when it "
                                      "saves or quits. Write anyway?");
        } else {
            // A folder below a file cannot be made.
            g.window.copyOptions().backupRoot = g.game.playerFile() + QStringLiteral("/backups");
#ifdef _WIN32
            const unsigned long code = 267; // ERROR_DIRECTORY
#else
            const unsigned long code = ENOTDIR;
#endif
            expected = QStringLiteral("No copy of kvxplr.sav could be made in %1: %2. Write the "
                                      "change anyway?")
                           .arg(QDir::toNativeSeparators(g.store().folder()),
                                QString::fromUtf8(SystemErrorText(code)));
        }
        QPushButton *const opener = macros ? g.window.Command2 : g.window.Command1;
        const auto edit = [&](QDialog *d) -> QPushButton * {
            if (macros) {
                auto *editor = qobject_cast<Form2 *>(d);
                editor->txtmacro[3]->setText(QStringLiteral("GG"));
                return editor->cmdsave;
            }
            auto *editor = qobject_cast<frmname *>(d);
            editor->txtname->setText(QStringLiteral("Zoë"));
            return editor->cmdsave;
        };
        RunModal(opener, [&](QDialog *d) {
            QPushButton *save = edit(d);
            // Return and Escape both answer No: nothing is written, the editor stays.
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
                const auto question = AnswerNextQuestion(PressKey(key));
                QTest::mouseClick(save, Qt::LeftButton);
                QCOMPARE(question->text, expected);
                QVERIFY(!question->yesByDefault);
                QVERIFY(d->isVisible());
                QCOMPARE(g.game.bytes(), SampleGame::originalBytes());
            }
            AnswerNextQuestion(ClickButton(QMessageBox::Yes));
            QTest::mouseClick(save, Qt::LeftButton);
            QVERIFY(!d->isVisible());
        });
        QCOMPARE(g.game.bytes(), macros
                                     ? patched(MacroAt(2, 3), MacroField(u"GG"))
                                     : patched(NameAt(2), Cp(u"Zo\u00EB") + QByteArray(2, '\0')));
        QCOMPARE(g.store().copies().size(), gameRuns ? 1 : 0);
    }
};

QTEST_MAIN(TestCopies)
#include "test_copies.moc"
