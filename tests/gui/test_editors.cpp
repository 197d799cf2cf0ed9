// SPDX-License-Identifier: GPL-3.0-or-later
// The name editor, the macros editor and the character map, driven through
// the main window's buttons, with the player file checked byte for byte.
#include "tests/support/modal.h"
#include "tests/support/probes.h"
#include "tests/support/samplegame.h"
#include "ui/classic/fonts.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/frmname.h"

#include <QClipboard>
#include <QListWidget>
#include <QtTest>

namespace {

struct OpenGame
{
    SampleGame game;
    Form1 window;
    explicit OpenGame(int row = 0)
    {
        game.load(window);
        window.List1->setCurrentRow(row);
        ShowAndActivate(window);
    }
};

// Pastes at the caret with Ctrl+V, as a user does.
void Paste(QLineEdit *box, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

const QString Emoji = QStringLiteral("😀"); // two UTF-16 units

} // namespace

class TestEditors : public QObject
{
    Q_OBJECT

private slots:
    // --- name editor -------------------------------------------------------

    void nameEditorOpensOnTheSelectedName()
    {
        OpenGame g(2);
        CurrentPlayer = 3;
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            QVERIFY(editor);
            QCOMPARE(editor->parentWidget(), &g.window);
            QCOMPARE(editor->lblname->caption(), QStringLiteral("Renée Strauß"));
            QCOMPARE(editor->txtname->text(), QStringLiteral("Renée Strauß"));
            QCOMPARE(QApplication::focusWidget(), editor->txtname);
        }));
        QCOMPARE(CurrentPlayer, std::int16_t(3)); // the opener does not set it
        QCOMPARE(g.game.bytes(), SampleGame::originalBytes());
    }

    void nameIsHeldToFifteenCharacters()
    {
        OpenGame g(0); // "Maximilian Vogt", exactly 15
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            QLineEdit *box = qobject_cast<frmname *>(d)->txtname;
            // Typed at the end of a full box: gone at once.
            box->setCursorPosition(15);
            QTest::keyClicks(box, "X");
            QCOMPARE(box->text(), QStringLiteral("Maximilian Vogt"));
            QCOMPARE(box->cursorPosition(), 15);
            // Typed in the middle: kept, the last character pushed out.
            box->setCursorPosition(3);
            QTest::keyClicks(box, "X");
            QCOMPARE(box->text(), QStringLiteral("MaxXimilian Vog"));
            QCOMPARE(box->cursorPosition(), 15);
            // A change that leaves 15 characters does not move the caret.
            box->setSelection(4, 1);
            QTest::keyClicks(box, "Z");
            QCOMPARE(box->text(), QStringLiteral("MaxXZmilian Vog"));
            QCOMPARE(box->cursorPosition(), 5);
            // A pasted 100-character text keeps its first 15.
            QGuiApplication::clipboard()->setText(QString(100, u'p'));
            box->clear();
            box->paste();
            QCOMPARE(box->text(), QString(15, u'p'));
            QCOMPARE(box->cursorPosition(), 15);
            // A character of two units is never cut in half: it goes whole.
            box->setText(QString(14, u'n'));
            Paste(box, Emoji);
            QCOMPARE(box->text(), QString(14, u'n'));
            QCOMPARE(box->cursorPosition(), 14);
            box->setCursorPosition(13);
            Paste(box, Emoji);
            QCOMPARE(box->text(), QString(13, u'n') + Emoji);
        }));
    }

    void aPastedTextEndsAtItsFirstLineBreak()
    {
        OpenGame g(2);
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            QLineEdit *box = qobject_cast<frmname *>(d)->txtname;
            box->setCursorPosition(2); // "Re|née Strauß"
            Paste(box, QStringLiteral("ab\ncd"));
            QCOMPARE(box->text(), QStringLiteral("Reabnée Strauß"));
            QCOMPARE(box->cursorPosition(), 4);
            box->selectAll();
            Paste(box, QStringLiteral("Zo\u00EB\r\nTwo"));
            QCOMPARE(box->text(), QStringLiteral("Zoë"));
            QTest::mouseClick(qobject_cast<frmname *>(d)->cmdsave, Qt::LeftButton);
        }));
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            editor->txtmacro[0]->selectAll();
            Paste(editor->txtmacro[0], QStringLiteral("\rgone"));
            QCOMPARE(editor->txtmacro[0]->text(), QString());
            // Cut at the line break first, then held to 40.
            editor->txtmacro[9]->clear();
            Paste(editor->txtmacro[9], QString(45, u'x') + QStringLiteral("\ntail"));
            QCOMPARE(editor->txtmacro[9]->text(), QString(40, u'x'));
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
        }));
        QByteArray expected = patched(NameAt(2), Cp(u"Zo\u00EB") + QByteArray(2, '\0'));
        expected = patched(MacroAt(2, 0), QByteArray(40, '\0'), expected);
        expected = patched(MacroAt(2, 9), QByteArray(40, 'x'), expected);
        QCOMPARE(g.game.bytes(), expected);

        // The program's own text keeps its line breaks.
        Form3 map(nullptr);
        map.tbmacro->setText(QStringLiteral("a\nb"));
        QCOMPARE(map.tbmacro->text(), QStringLiteral("a\nb"));
    }

    void submitWritesTheNameAndRebuildsTheList()
    {
        OpenGame g(2);
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            editor->txtname->setText(QStringLiteral("Zoë"));
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
            QVERIFY(!editor->isVisible());
        }));
        QCOMPARE(CurrentPlayer, std::int16_t(2));
        // "Zoë", two zero bytes, and the old name's tail "e Strauß" behind them.
        QCOMPARE(g.game.bytes(), patched(NameAt(2), Cp(u"Zo\u00EB") + QByteArray(2, '\0')));
        QCOMPARE(g.window.List1->count(), 4);
        QCOMPARE(g.window.List1->item(2)->text(), QStringLiteral("Zoë"));
        QCOMPARE(g.window.List1->item(0)->text(), QStringLiteral("Maximilian Vogt"));
        QCOMPARE(g.window.List1->currentRow(), 2);
        QCOMPARE(captions(g.window).at(0), QStringLiteral("Regroup at the gate"));
    }

    void submitOfAnEmptyNameListsAnEmptyEntry()
    {
        OpenGame g(1);
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            editor->txtname->clear();
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
        }));
        QCOMPARE(g.game.bytes(), patched(NameAt(1), QByteArray(2, '\0')));
        QCOMPARE(g.window.List1->item(1)->text(), QString());
        QCOMPARE(g.window.List1->currentRow(), 1);
        QCOMPARE(captions(g.window).at(0), QStringLiteral("Good game, well played"));
    }

    void withNothingSelectedTheFirstSlotIsWritten()
    {
        OpenGame g(0);
        g.window.List1->setCurrentRow(-1);
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            QCOMPARE(editor->lblname->caption(), QString());
            QCOMPARE(editor->txtname->text(), QString());
            QTest::keyClicks(editor->txtname, "Neo");
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
        }));
        QCOMPARE(g.game.bytes(), patched(NameAt(0), QByteArray("Neo\0\0", 5)));
        QCOMPARE(g.window.List1->currentRow(), 0);
    }

    void aListedNameOverFifteenIsStoredCut()
    {
        SampleGame game;
        QByteArray bytes = patched(NameAt(2), QByteArray("Twenty characters!!!\0", 21));
        {
            QFile file(game.playerFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        Form1 window;
        QVERIFY(game.load(window));
        window.List1->setCurrentRow(2);
        QCOMPARE(window.List1->item(2)->text(), QStringLiteral("Twenty characters!!!"));
        QVERIFY(RunModal(window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            QCOMPARE(editor->lblname->caption(), QStringLiteral("Twenty characters!!!"));
            QCOMPARE(editor->txtname->text(), QStringLiteral("Twenty characte"));
            QCOMPARE(editor->txtname->cursorPosition(), 15);
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
        }));
        QCOMPARE(game.bytes(), patched(NameAt(2), QByteArray("Twenty characte\0\0", 17), bytes));
    }

    void anAmpersandNameIsShownAndStoredWhole()
    {
        OpenGame g(1);
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            QCOMPARE(qobject_cast<Form2 *>(d)->lblname->accessibleName(),
                     QStringLiteral("Black&Gold"));
        }));
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            QCOMPARE(editor->lblname->accessibleName(), QStringLiteral("Black&Gold"));
            QCOMPARE(editor->txtname->text(), QStringLiteral("Black&Gold"));
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
        }));
        QCOMPARE(g.game.bytes(), patched(NameAt(1), QByteArray("Black&Gold\0\0", 12)));
        QCOMPARE(g.window.List1->item(1)->text(), QStringLiteral("Black&Gold"));
    }

    void resetCancelEscapeAndTheFrameWriteNothing()
    {
        OpenGame g(2);
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            editor->txtname->setText(QStringLiteral("Someone else"));
            QTest::mouseClick(editor->cmdreset, Qt::LeftButton);
            QCOMPARE(editor->txtname->text(), QStringLiteral("Renée Strauß"));
            QCOMPARE(editor->lblname->caption(), QStringLiteral("Renée Strauß"));
            editor->txtname->setText(QStringLiteral("Edited"));
            QTest::keyClick(editor, Qt::Key_Escape);
            QTest::keyClick(editor->txtname, Qt::Key_Return);
            QVERIFY(editor->isVisible());
            QTest::mouseClick(editor->cmdcancel, Qt::LeftButton);
            QVERIFY(!editor->isVisible());
        }));
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            QCOMPARE(editor->txtname->text(), QStringLiteral("Renée Strauß")); // afresh
            editor->txtname->setText(QStringLiteral("Edited"));
            editor->close(); // the window frame's close button
        }));
        QCOMPARE(g.game.bytes(), SampleGame::originalBytes());
        QCOMPARE(g.window.List1->item(2)->text(), QStringLiteral("Renée Strauß"));
    }

    // Texts the file cannot hold, pasted into the name box or the last macro
    // box, and how the refusal names the character: shown with its code, or
    // by its code alone.
    void refusedTexts_data()
    {
        QTest::addColumn<bool>("macro");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("named");
        QTest::newRow("name outside the code page")
            << false << QStringLiteral("Ōtani") << QStringLiteral("character Ō (U+014C) cannot");
        QTest::newRow("macro outside the code page")
            << true << QStringLiteral("snow ☃") << QStringLiteral("character ☃ (U+2603) cannot");
        QTest::newRow("name with a tab")
            << false << QStringLiteral("Ann\tLee") << QStringLiteral("character U+0009 cannot");
        QTest::newRow("macro with an escape")
            << true << QStringLiteral("\x1B[1m") << QStringLiteral("character U+001B cannot");
        QTest::newRow("name with a NUL, which would hide the rest")
            << false << QStringLiteral("Ann") + QChar(u'\0') + QStringLiteral("Lee")
            << QStringLiteral("character U+0000 cannot");
        QTest::newRow("macro with a NUL, then a character outside: the first is named")
            << true << QStringLiteral("hi") + QChar(u'\0') + QStringLiteral("Ō")
            << QStringLiteral("character U+0000 cannot");
    }

    void refusedTexts()
    {
        QFETCH(bool, macro);
        QFETCH(QString, pasted);
        QFETCH(QString, named);
        OpenGame g(0);
        QVERIFY(RunModal(macro ? g.window.Command2 : g.window.Command1, [&](QDialog *d) {
            QLineEdit *box = nullptr;
            QAbstractButton *submit = nullptr;
            if (auto *names = qobject_cast<frmname *>(d)) {
                box = names->txtname;
                submit = names->cmdsave;
            } else {
                // The last macro: the nine before it are not written either.
                auto *macros = qobject_cast<Form2 *>(d);
                macros->txtmacro[0]->setText(QStringLiteral("fine"));
                box = macros->txtmacro[9];
                submit = macros->cmdsave;
            }
            box->clear();
            Paste(box, pasted);
            const auto message = AnswerNextMessageBox();
            QTest::mouseClick(submit, Qt::LeftButton);
            QVERIFY2(message->contains(named), qPrintable(*message));
            QVERIFY(d->isVisible());
            QCOMPARE(box->text(), pasted);
        }));
        QCOMPARE(g.game.bytes(), SampleGame::originalBytes());
    }

#ifndef _WIN32
    // Under Wine the game runs with its prefix's code page, here Polish: the
    // names are listed, written, offered and refused in it. A prefix that
    // names none, or one of two bytes a character, keeps Windows-1252.
    void theGamesPrefixGivesTheCodePage()
    {
        SampleGame game;
        const QTemporaryDir prefix;
        const auto writeRegistry = [&](const QByteArray &acp) {
            QFile reg(prefix.filePath(QStringLiteral("system.reg")));
            QVERIFY(reg.open(QIODevice::WriteOnly));
            reg.write("WINE REGISTRY Version 2\n\n"
                      "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1\n" +
                      (acp.isEmpty() ? QByteArray() : "\"ACP\"=\"" + acp + "\"\n"));
        };
        QVERIFY(QDir(prefix.path()).mkdir(QStringLiteral("dosdevices")));
        QVERIFY(QFile::link(QString::fromStdString(game.folder()),
                            prefix.filePath(QStringLiteral("dosdevices/d:"))));
        {
            QFile file(game.playerFile());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(NameAt(1)));
            QCOMPARE(file.write("\xA3ukasz\0", 7), 7);
        }
        const QByteArray start = game.bytes();
        const auto load = [&](Form1 &window) {
            game.isolate(window);
            StandInServices services(game.folder());
            services.winePrefix = prefix.path().toStdString();
            return window.Form_Load(services, "unused.cfg");
        };

        writeRegistry("1250");
        Form1 window;
        QVERIFY(load(window));
        QCOMPARE(window.List1->item(1)->text(), QStringLiteral("\u0141ukasz"));
        window.List1->setCurrentRow(1);
        QVERIFY(ShowAndActivate(window));
        QVERIFY(RunModal(window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            editor->txtname->setText(QStringLiteral("\u00C6"));
            const auto message = AnswerNextMessageBox();
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
            QVERIFY2(message->contains(QStringLiteral("only the characters of Windows-1250")),
                     qPrintable(*message));
            editor->txtname->setText(QStringLiteral("\u0141ukasza"));
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
        }));
        QCOMPARE(game.bytes(), patched(NameAt(1), QByteArray("\xA3ukasza\0\0", 9), start));
        QCOMPARE(window.List1->item(1)->text(), QStringLiteral("\u0141ukasza"));
        const Form3 map(nullptr);
        QCOMPARE(map.Label1[0xA3]->caption(), QStringLiteral("\u0141"));
        QCOMPARE(map.Label1[0xC6]->caption(), QStringLiteral("\u0106"));

        for (const QByteArray &acp : {QByteArray("932"), QByteArray()}) {
            writeRegistry(acp);
            Form1 western;
            QVERIFY(load(western));
            QCOMPARE(western.List1->item(1)->text(), QStringLiteral("\u00A3ukasza"));
            const Form3 latin(nullptr);
            QCOMPARE(latin.Label1[0xA3]->caption(), QStringLiteral("\u00A3"));
        }
    }
#endif

    // --- macros editor -----------------------------------------------------

    void macrosEditorOpensOnTheSelectedPlayer()
    {
        OpenGame g(2);
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            QVERIFY(editor);
            QCOMPARE(CurrentPlayer, std::int16_t(2));
            QCOMPARE(editor->lblname->caption(), QStringLiteral("Renée Strauß"));
            QCOMPARE(editor->txtmacro[0]->text(), QStringLiteral("Regroup at the gate"));
            QCOMPARE(editor->txtmacro[4]->text(), QStringLiteral(" lead space"));
            QCOMPARE(editor->txtmacro[9]->text(), QStringLiteral("Slot 2 macro 9"));
            QCOMPARE(QApplication::focusWidget(), editor->txtmacro[4]);
        }));
        g.window.List1->setCurrentRow(-1);
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            QCOMPARE(CurrentPlayer, std::int16_t(0));
            QCOMPARE(editor->lblname->caption(), QString());
            QCOMPARE(editor->txtmacro[0]->text(), QStringLiteral("Hello from slot 0!"));
        }));
        QCOMPARE(g.game.bytes(), SampleGame::originalBytes());
    }

    void macrosAreHeldToFortyCharacters()
    {
        OpenGame g(3);
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            QLineEdit *box = editor->txtmacro[9]; // 39 digits
            box->setCursorPosition(39);
            QTest::keyClicks(box, "ab");
            QCOMPARE(box->text(), QStringLiteral("012345678901234567890123456789012345678a"));
            QCOMPARE(box->cursorPosition(), 40);
            box->setCursorPosition(0);
            QTest::keyClicks(box, "#");
            QCOMPARE(box->text(), QStringLiteral("#012345678901234567890123456789012345678"));
            QCOMPARE(box->cursorPosition(), 40);
            QGuiApplication::clipboard()->setText(QString(100, u'm'));
            editor->txtmacro[2]->clear();
            editor->txtmacro[2]->paste();
            QCOMPARE(editor->txtmacro[2]->text(), QString(40, u'm'));
            // Full but for one unit: a character of two does not fit.
            editor->txtmacro[2]->setText(QString(39, u'm'));
            Paste(editor->txtmacro[2], Emoji + QStringLiteral("tail"));
            QCOMPARE(editor->txtmacro[2]->text(), QString(39, u'm'));
            QCOMPARE(editor->txtmacro[2]->cursorPosition(), 39);
        }));
    }

    void submitRewritesAllTenFieldsAndRefreshesTheLabels()
    {
        OpenGame g(0);
        const QString forty = QStringLiteral("0123456789abcdefghijABCDEFGHIJ0123456789");
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            editor->txtmacro[7]->setText(forty);
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
            QVERIFY(!editor->isVisible());
        }));
        // Every field is its visible text padded with zero bytes: "hi" loses
        // "there", the 40-byte macro 1 loses its unread 40th byte.
        QByteArray fields;
        const char16_t *texts[] = {u"Hello from slot 0!",
                                   u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abc",
                                   u"hi",
                                   u"  spaced out  ",
                                   u"",
                                   u"Gr\u00FC\u00DFe \u00E0 tous",
                                   u"Salt & Pepper",
                                   nullptr,
                                   u"Slot 0 macro 8",
                                   u"Slot 0 macro 9"};
        for (int k = 0; k < 10; ++k)
            fields += k == 7 ? forty.toLatin1() : MacroField(texts[k]);
        QCOMPARE(g.game.bytes(), patched(MacroAt(0, 0), fields));
        QCOMPARE(captions(g.window).at(7), forty.left(39));
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            QCOMPARE(qobject_cast<Form2 *>(d)->txtmacro[7]->text(), forty.left(39));
        }));
    }

    void resetAndCancelWriteNothing()
    {
        OpenGame g(1);
        const QStringList before = captions(g.window);
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            editor->txtmacro[0]->setText(QStringLiteral("changed"));
            QTest::mouseClick(editor->cmdreset, Qt::LeftButton);
            QCOMPARE(editor->txtmacro[0]->text(), QStringLiteral("Good game, well played"));
            QVERIFY(editor->isVisible());
            editor->txtmacro[3]->setText(QStringLiteral("changed again"));
            QTest::keyClick(editor, Qt::Key_Escape);
            QVERIFY(editor->isVisible());
            QTest::mouseClick(editor->cmdcancel, Qt::LeftButton);
        }));
        QCOMPARE(g.game.bytes(), SampleGame::originalBytes());
        QCOMPARE(captions(g.window), before);
    }

    // --- a field written by another program while an editor is open -------

    // The editor is open on player 3 (slot 2); another program leaves the
    // file as `other`; the user types into one box (-1: the name), after a
    // Reset or not, and submits.
    void changedOnDisk_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("other");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QString>("answer");   // "Return", "Escape" or "Yes"
        QTest::addColumn<QString>("question"); // empty: none may come
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("shown"); // the main window's macro 8 or name 3 afterwards

        const QByteArray gg = patched(MacroAt(2, 7), MacroField(u"gg all"));
        const QByteArray zed = patched(NameAt(2), QByteArray("Zed\0\0", 5));
        const auto withGG = [](const QByteArray &file = SampleGame::originalBytes()) {
            return patched(MacroAt(2, 4), MacroField(u"GG"), file);
        };
        const auto withZoe = [](const QByteArray &file) {
            return patched(NameAt(2), Cp(u"Zo\u00EB") + QByteArray(2, '\0'), file);
        };
        const QString macro8 = QStringLiteral(
            "Macro 8 of player 3 was changed on disk since this window opened: it now holds \"gg "
            "all\". Submit replaces it with \"Slot 2 macro 7\". Write anyway?");
        const QString name = QStringLiteral(
            "The name of player 3 was changed on disk since this window opened: it now holds "
            "\"Zed\". Submit replaces it with \"Zoë\". Write anyway?");

        QTest::newRow("macro 8, Return: No")
            << 4 << "GG" << gg << false << "Return" << macro8 << gg << "gg all";
        QTest::newRow("macro 8, Escape: No")
            << 4 << "GG" << gg << false << "Escape" << macro8 << gg << "gg all";
        QTest::newRow("macro 8, Yes: written")
            << 4 << "GG" << gg << false << "Yes" << macro8 << withGG() << "Slot 2 macro 7";
        const QByteArray two = patched(MacroAt(2, 1), QByteArray(40, '\0'), gg);
        QTest::newRow("two macros, one question")
            << 4 << "GG" << two << false << "Return"
            << "Macros of player 3 were changed on disk since this window opened:\n"
               "Macro 2 now holds an empty text; Submit replaces it with \"Slot 2 macro 1\".\n"
               "Macro 8 now holds \"gg all\"; Submit replaces it with \"Slot 2 macro 7\".\n"
               "Write anyway?"
            << two << "gg all";
        QTest::newRow("changed to what Submit writes: no question")
            << 4 << "GG" << withGG() << false << ""
            << "" << withGG() << "Slot 2 macro 7";
        QByteArray elsewhere = patched(MacroAt(1, 7), MacroField(u"elsewhere"));
        elsewhere[5] = 'g'; // and the game's own data
        QTest::newRow("other fields changed: no question")
            << 4 << "GG" << elsewhere << false << ""
            << "" << withGG(elsewhere) << "Slot 2 macro 7";

        QTest::newRow("name, Return: No")
            << -1 << "Zoë" << zed << false << "Return" << name << zed << "Zed";
        QTest::newRow("name read again by Reset: no question") << -1 << "Zoë" << zed << true << ""
                                                               << "" << withZoe(zed) << "Zoë";
    }

    void changedOnDisk()
    {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QByteArray, other);
        QFETCH(bool, reset);
        QFETCH(QString, answer);
        QFETCH(QString, question);
        QFETCH(QByteArray, written);
        QFETCH(QString, shown);
        OpenGame g(2);
        g.game.isolate(g.window);
        const bool name = box < 0;
        QVERIFY(RunModal(name ? g.window.Command1 : g.window.Command2, [&](QDialog *d) {
            QLineEdit *edited = nullptr;
            QAbstractButton *submit = nullptr;
            QAbstractButton *resetButton = nullptr;
            if (auto *names = qobject_cast<frmname *>(d)) {
                edited = names->txtname;
                submit = names->cmdsave;
                resetButton = names->cmdreset;
            } else {
                auto *macros = qobject_cast<Form2 *>(d);
                edited = macros->txtmacro[static_cast<std::size_t>(box)];
                submit = macros->cmdsave;
                resetButton = macros->cmdreset;
            }
            QFile file(g.game.playerFile());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QCOMPARE(file.write(other), other.size());
            file.close();
            if (reset) {
                QTest::mouseClick(resetButton, Qt::LeftButton);
                if (name)
                    QCOMPARE(edited->text(), QStringLiteral("Zed"));
            }
            edited->setText(typed);
            const auto asked = AnswerNextQuestion(answer == QLatin1String("Yes")
                                                      ? ClickButton(QMessageBox::Yes)
                                                      : PressKey(answer == QLatin1String("Escape")
                                                                     ? Qt::Key_Escape
                                                                     : Qt::Key_Return));
            QTest::mouseClick(submit, Qt::LeftButton);
            QCOMPARE(asked->text, question);
            QCOMPARE(asked->asked, !question.isEmpty());
            QVERIFY(!asked->yesByDefault);
            // No leaves the editor open with the user's text.
            QCOMPARE(d->isVisible(),
                     answer == QLatin1String("Return") || answer == QLatin1String("Escape"));
            QCOMPARE(edited->text(), typed);
        }));
        QCOMPARE(g.game.bytes(), written);
        // Once the editor has closed, the main window shows the file.
        if (name)
            QTRY_COMPARE(g.window.List1->item(2)->text(), shown);
        else
            QTRY_COMPARE(g.window.lblMacro[7]->caption(), shown);
    }

    // --- character map -----------------------------------------------------

    void theMapComposesANameFromTheNameEditor()
    {
        OpenGame g(0);
        QVERIFY(RunModal(g.window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            editor->txtname->setText(QStringLiteral("Kept"));
            QVERIFY(RunModal(editor->Command1, [&](QDialog *m) {
                auto *map = qobject_cast<Form3 *>(m);
                QVERIFY(map);
                QCOMPARE(map->parentWidget(), editor);
                QVERIFY(map->tbname->isVisible());
                QVERIFY(!map->tbmacro->isVisible());
                QTest::mouseClick(map->Label1[65], Qt::LeftButton);
                QTest::mouseClick(map->Label1[66], Qt::LeftButton);
                QTest::mouseClick(map->Label1[38], Qt::LeftButton); // the ampersand
                QTest::mouseClick(map->Label1[233], Qt::LeftButton);
                QCOMPARE(map->tbname->text(), QStringLiteral("AB&é"));
                QCOMPARE(map->tbmacro->text(), QString());
                QTest::keyClick(map, Qt::Key_Escape);
                QVERIFY(map->isVisible());
                QTest::mouseClick(map->Command1, Qt::LeftButton);
            }));
            QCOMPARE(editor->txtname->text(), QStringLiteral("Kept"));
            // Opened again: empty boxes.
            QVERIFY(RunModal(editor->Command1, [&](QDialog *m) {
                QCOMPARE(qobject_cast<Form3 *>(m)->tbname->text(), QString());
            }));
        }));
    }

    void theMapComposesAMacroFromTheMacrosEditor()
    {
        OpenGame g(0);
        QVERIFY(RunModal(g.window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            QVERIFY(RunModal(editor->Command1, [&](QDialog *m) {
                auto *map = qobject_cast<Form3 *>(m);
                QCOMPARE(map->parentWidget(), nullptr);
                QVERIFY(map->tbmacro->isVisible());
                QVERIFY(!map->tbname->isVisible());
                QCOMPARE(QApplication::focusWidget(), map->tbmacro);
                QTest::mouseClick(map->Label1[32], Qt::LeftButton);
                QTest::mouseClick(map->Label1[128], Qt::LeftButton);
                QCOMPARE(map->tbmacro->text(), QStringLiteral(" €"));
            }));
            QCOMPARE(editor->txtmacro[0]->text(), QStringLiteral("Hello from slot 0!"));
        }));
    }

    void theMapLoadsItsCharactersAndHoldsItsBoxes()
    {
        Form3 map(nullptr);
        QCOMPARE(map.Label1[65]->caption(), QStringLiteral("A"));
        QCOMPARE(map.Label1[128]->caption(), QStringLiteral("€"));
        QCOMPARE(map.Label1[255]->caption(), QStringLiteral("ÿ"));
        QCOMPARE(map.Label1[38]->accessibleName(), QStringLiteral("&")); // shown as it is
        QCOMPARE(map.Label1[100]->font().family(), QStringLiteral("Times New Roman"));
        QCOMPARE(map.Label1[100]->font().pointSizeF(), 8.25);

        map.tbname->setVisible(true);
        map.show();
        QVERIFY(QTest::qWaitForWindowExposed(&map));
        map.tbname->setText(QStringLiteral("abcdefghijklmno"));
        map.tbname->setCursorPosition(3);
        QTest::mouseClick(map.Label1[90], Qt::LeftButton);
        QCOMPARE(map.tbname->text(), QStringLiteral("abcdefghijklmno"));
        QCOMPARE(map.tbname->cursorPosition(), 15);

        // Appends at the end whatever the caret and selection.
        map.tbname->setText(QStringLiteral("abc"));
        map.tbname->setSelection(0, 2);
        QTest::mouseClick(map.Label1[90], Qt::LeftButton);
        QCOMPARE(map.tbname->text(), QStringLiteral("abcZ"));

        // A double click appends once, two clicks twice.
        map.tbname->clear();
        ClassicLabel *label = map.Label1[81];
        const QPoint at = label->mapTo(&map, label->rect().center());
        QTest::mouseDClick(map.windowHandle(), Qt::LeftButton, {}, at);
        QCOMPARE(map.tbname->text(), QStringLiteral("Q"));

        map.tbname->setVisible(false);
        map.tbmacro->setVisible(true);
        map.tbmacro->setText(QString(40, u'x'));
        QTest::mouseClick(map.Label1[90], Qt::LeftButton);
        QCOMPARE(map.tbmacro->text(), QString(40, u'x'));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    RegisterFontSubstitutes();
    TestEditors test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_editors.moc"
