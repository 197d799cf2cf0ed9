// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the synthetic player file: start-up, selection,
// the web link and the failure path.
#include "copies/backupstore.h"
#include "storage/fileerror.h"
#include "tests/support/probes.h"
#include "tests/support/samplegame.h"
#include "ui/application.h"
#include "ui/classic/fonts.h"

#include <QDesktopServices>
#include <QListWidget>
#include <QSaveFile>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    static QStringList expectedMacros(int slot)
    {
        const PlayerFileReader file(PlayerFilePath(GameFolder));
        const MacroTexts macros = *file.ReadPlayerMacros(static_cast<std::int16_t>(slot));
        QStringList list;
        for (const auto &m : macros)
            list << QString::fromStdU16String(m);
        return list;
    }
    static void clickRow(Form1 &window, int row, Qt::KeyboardModifiers keys = {})
    {
        QListWidget *list = window.List1;
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, rect.center());
    }

private slots:
    void startsWithFourPlayersAndTheFirstSelected()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        QVERIFY(!window.isVisible());
        QCOMPARE(QString::fromStdString(GameFolder), QString::fromStdString(game.folder()));
        QCOMPARE(window.List1->count(), 4);
        QCOMPARE(window.List1->item(0)->text(), QStringLiteral("Maximilian Vogt"));
        QCOMPARE(window.List1->item(1)->text(), QStringLiteral("Black&Gold"));
        QCOMPARE(window.List1->item(2)->text(), QStringLiteral("Renée Strauß"));
        QCOMPARE(window.List1->item(3)->text(), QString());
        QCOMPARE(window.List1->currentRow(), 0);
        QCOMPARE(captions(window).at(0), QStringLiteral("Hello from slot 0!"));
        QCOMPARE(captions(window).at(1), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abc"));
        QCOMPARE(captions(window).at(2), QStringLiteral("hi"));
        QCOMPARE(captions(window).at(3), QStringLiteral("  spaced out  ")); // spaces kept
        QCOMPARE(captions(window).at(4), QString());
        QCOMPARE(captions(window).at(5), QStringLiteral("Grüße à tous"));
        // The player's text as it is, the ampersand shown, nothing underlined.
        QCOMPARE(window.lblMacro[6]->accessibleName(), QStringLiteral("Salt & Pepper"));
        QCOMPARE(game.bytes(), SampleGame::originalBytes());
    }

    void selectingShowsThatSlotsMacros()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        clickRow(window, 3); // the empty name still selects slot 3
        QCOMPARE(window.List1->currentRow(), 3);
        QCOMPARE(captions(window), expectedMacros(3));
        QCOMPARE(captions(window).at(0), QStringLiteral("Last slot speaking"));

        clickRow(window, 1);
        const QStringList slot1 = expectedMacros(1);
        QCOMPARE(captions(window), slot1);
        for (int i = 0; i < 10; ++i)
            QVERIFY(slot1.at(i) != expectedMacros(3).at(i));
    }

    void theSelectionStaysAndAClickOnItReadsTheFileAgain()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        ClassicListBox *list = window.List1;
        QSignalSpy selections(list, &ClassicListBox::entrySelected);

        clickRow(window, 2);
        QTest::keyClick(list, Qt::Key_Down);
        clickRow(window, 2);
        QCOMPARE(selections.count(), 3); // once for each change, by mouse or keyboard

        // Ctrl held, the selected entry keeps its selection.
        const QList<QListWidgetItem *> selected{list->item(2)};
        clickRow(window, 2, Qt::ControlModifier);
        QCOMPARE(list->selectedItems(), selected);
        QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(list->selectedItems(), selected);
        QCOMPARE(list->currentRow(), 2);

        // A click on the selected entry shows what the file holds now.
        QFile file(game.playerFile());
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(8420 + 2 * 25948));
        QCOMPARE(file.write("Changed on disk", 16), 16);
        file.close();
        clickRow(window, 2);
        QCOMPARE(captions(window).at(0), QStringLiteral("Changed on disk"));
        QCOMPARE(selections.count(), 5); // the Ctrl+click and the click
        list->setCurrentRow(2);
        QCOMPARE(selections.count(), 5);
    }

    void theWindowFollowsTheFile()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        window.show();
        window.List1->setCurrentRow(2);
        const auto writeAt = [&](int offset, const QByteArray &bytes) {
            QFile file(game.playerFile());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(offset));
            QCOMPARE(file.write(bytes), bytes.size());
        };

        // Another program writes a name and a macro of the selected player.
        writeAt(NameAt(0), QByteArray("Otto\0", 5));
        writeAt(MacroAt(2, 3), MacroField(u"Flank & hold"));
        QTRY_COMPARE(captions(window).at(3), QStringLiteral("Flank & hold"));
        QTRY_COMPARE(names(window).at(0), QStringLiteral("Otto"));
        QCOMPARE(window.List1->currentRow(), 2);
        QCOMPARE(captions(window).at(0), QStringLiteral("Regroup at the gate"));

        // Where no notification comes, the window looks again when it becomes
        // active: here before the notification is delivered.
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a later modification time
        writeAt(MacroAt(2, 5), MacroField(u"seen on activation"));
        QEvent activated(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&window, &activated);
        QCOMPARE(captions(window).at(5), QStringLiteral("seen on activation"));

        // Replaced by a rename, then written in place: the new file is watched.
        QSaveFile replacement(game.playerFile());
        QVERIFY(replacement.open(QIODevice::WriteOnly));
        replacement.write(patched(NameAt(1), QByteArray("Renamed\0", 8), game.bytes()));
        QVERIFY(replacement.commit());
        QTRY_COMPARE(names(window).at(1), QStringLiteral("Renamed"));
        writeAt(MacroAt(2, 9), MacroField(u"after the rename"));
        QTRY_COMPARE(captions(window).at(9), QStringLiteral("after the rename"));

        // Gone: the window keeps what it showed, dimmed, and says so; back:
        // it shows the file again.
        // The keyboard goes back to the list that had it.
        const QStringList listed = names(window);
        const QStringList macros = captions(window);
        window.List1->setFocus();
        QCOMPARE(window.focusWidget(), window.List1);
        QVERIFY(QFile::remove(game.playerFile()));
        QTRY_VERIFY(!window.List1->isEnabled());
        QVERIFY(window.focusWidget() != window.List1);
        QCOMPARE(window.lblPlayerName->caption(), QStringLiteral("kvxplr.sav cannot be read"));
        QVERIFY2(window.List1->toolTip().contains(game.playerFile()),
                 qPrintable(window.List1->toolTip()));
        QVERIFY(!window.lblMacro[0]->isEnabled() && !window.Command2->isEnabled());
        QCOMPARE(names(window), listed);
        QCOMPARE(captions(window), macros);
        SampleSave::WriteTo(game.folder());
        QTRY_VERIFY(window.List1->isEnabled());
        QCOMPARE(window.focusWidget(), window.List1);
        QCOMPARE(window.lblPlayerName->caption(), QStringLiteral("Player Name"));
        QVERIFY(window.lblMacro[0]->isEnabled() && window.Command2->isEnabled());
        QCOMPARE(names(window).at(0), QStringLiteral("Maximilian Vogt"));
        QCOMPARE(captions(window), expectedMacros(2));
        QCOMPARE(window.List1->currentRow(), 2);
        QCOMPARE(game.bytes(), SampleGame::originalBytes()); // nothing written meanwhile

        // The game folder renamed away and back: the folder's own watch went
        // with it, yet the window sees both without a click.
        const QString folder = QFileInfo(game.playerFile()).path();
        QVERIFY(QDir().rename(folder, folder + QStringLiteral("-away")));
        QTRY_VERIFY(!window.List1->isEnabled());
        QVERIFY(QDir().rename(folder + QStringLiteral("-away"), folder));
        QTRY_VERIFY(window.List1->isEnabled());
        writeAt(MacroAt(2, 1), MacroField(u"after the way back"));
        QTRY_COMPARE(captions(window).at(1), QStringLiteral("after the way back"));
    }

    void currentPlayerFollowsTheSelection()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        window.List1->setCurrentRow(2);
        window.RefreshCurrentPlayer();
        QCOMPARE(CurrentPlayer, std::int16_t(2));
        window.List1->setCurrentRow(-1);
        window.RefreshCurrentPlayer();
        QCOMPARE(CurrentPlayer, std::int16_t(0));
    }

    void noFolderMeansNoWindow()
    {
        SampleGame game;
        Form1 window;
        StandInServices nothing;
        QVERIFY(!window.Form_Load(nothing, "unused.cfg"));
        QVERIFY(!window.isVisible());
        QCOMPARE(window.List1->count(), 0);
    }

    void theFolderComesFromTheSettingsFile()
    {
        SampleGame game;
        QTemporaryDir editorDir;
        const std::filesystem::path settings = SettingsFilePath(ToNativePath(editorDir.path()));
        QFile file(editorDir.filePath(QStringLiteral("ivlname.cfg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[KORVAX]\r\nPATH=" + QByteArray::fromStdString(game.folder()) + "\r\n");
        file.close();

        StandInServices services("", "");
        Form1 window;
        QVERIFY(window.Form_Load(services, settings));
        QCOMPARE(window.List1->count(), 4);
    }

    void theLinkOpensTheMakersAddress()
    {
#ifdef _WIN32
        QSKIP("On Windows the address goes straight to ShellExecuteA, which a test cannot "
              "watch without starting a browser");
#endif
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
        QTest::mouseClick(window.Label2, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(recorder.opened.size(), 1);
        QCOMPARE(recorder.opened.first().toString(), QString::fromLatin1(MakersWebAddress));
    }

    void aDeletedPlayerFileTakesTheFailurePath()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QStringList before = captions(window);

        QStringList reports;
        int ends = 0;
        auto *app = qobject_cast<Application *>(QCoreApplication::instance());
        app->setFailurePolicy(
            {[&](const QString &message) { reports << message; }, [&] { ++ends; }});
        QVERIFY(QFile::remove(game.playerFile()));
        clickRow(window, 2);

        QCOMPARE(reports.size(), 1);
        QCOMPARE(ends, 1);
        QVERIFY2(reports.first().contains(game.playerFile()), qPrintable(reports.first()));
#ifdef _WIN32
        const QString missing = QString::fromUtf8(SystemErrorText(2)); // ERROR_FILE_NOT_FOUND
#else
        const QString missing = QString::fromUtf8(SystemErrorText(ENOENT));
#endif
        QVERIFY2(reports.first().contains(missing), qPrintable(reports.first()));
        QCOMPARE(captions(window), before); // the failing step changed nothing
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    RegisterFontSubstitutes();
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainwindow.moc"
