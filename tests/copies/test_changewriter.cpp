// SPDX-License-Identifier: GPL-3.0-or-later
// The write paths without windows: what an undo and a restore put back,
// byte for byte, the questions they ask, the steps they leave, and the
// failures and pruning that the end-to-end runs cannot reach.
#include "copies/changewriter.h"
#include "playerfile/fieldranges.h"
#include "storage/fileerror.h"
#include "tools/samplesave.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int NameAt(int slot)
{
    return 20 + 25948 * slot;
}
constexpr int MacroAt(int slot, int k)
{
    return 8420 + 25948 * slot + 40 * k;
}
// A byte of the game's own, outside every player's fields.
constexpr int GameOffset = 5000;

QByteArray Original()
{
    const auto bytes = SampleSave::Bytes();
    return {reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size())};
}

QByteArray Patched(QByteArray file, int offset, const QByteArray &bytes)
{
    return file.replace(offset, bytes.size(), bytes);
}

QByteArray MacroBlock(const QByteArray &macro3)
{
    QByteArray block(400, '\0');
    return block.replace(3 * 40, macro3.size(), macro3);
}

// Answers each question from a list (Yes when it runs out) and keeps what
// was asked and told; the first question runs `whileAsked`, as a game
// saving while it is open.
struct Script : Questions
{
    QList<bool> answers;
    QStringList asked;
    QList<bool> yesDefaults;
    QStringList told;
    std::function<void()> whileAsked;

    bool ask(const QString &question, bool yesByDefault) override
    {
        asked << question;
        yesDefaults << yesByDefault;
        if (whileAsked)
            std::exchange(whileAsked, {})();
        return answers.isEmpty() || answers.takeFirst();
    }
    void tell(const QString &message) override { told << message; }
};

struct Game
{
    QTemporaryDir dir;
    QTemporaryDir backups;

    Game() { SampleSave::WriteTo(folder()); }
    std::string folder() const { return QFile::encodeName(dir.path()).toStdString(); }
    QString file() const { return QString::fromStdString(PlayerFilePath(folder())); }
    QByteArray bytes() const
    {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Writes in place, as the game does when it saves.
    void poke(int offset, const QByteArray &bytes) const
    {
        QFile f(file());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.seek(offset));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    CopyOptions options(QString root = {}) const
    {
        CopyOptions options;
        options.backupRoot = root.isEmpty() ? backups.path() : root;
        options.gameRunning = [] { return false; };
        return options;
    }
    ChangeWriter writer(QString root = {}) const
    {
        return ChangeWriter(options(root), InstalledPlayerFile(folder()));
    }
    QList<BackupCopy> copies() const { return writer().store().copies(); }
    // Whether one of the copies holds exactly `bytes`.
    bool copyHolds(const QByteArray &bytes) const
    {
        for (const BackupCopy &copy : copies()) {
            QFile f(copy.path);
            if (f.open(QIODevice::ReadOnly) && f.readAll() == bytes)
                return true;
        }
        return false;
    }
};

const QByteArray Xavier("Xavier\0", 7);

MacroTexts WithMacro4(const char16_t *text)
{
    MacroTexts texts;
    texts[3] = text;
    return texts;
}

} // namespace

class TestChangeWriter : public QObject
{
    Q_OBJECT

private slots:
    void undoPutsBackOnlyTheFieldsTheChangeWrote_data()
    {
        QTest::addColumn<bool>("macros");
        QTest::newRow("name") << false;
        QTest::newRow("macros") << true;
    }

    void undoPutsBackOnlyTheFieldsTheChangeWrote()
    {
        QFETCH(bool, macros);
        Game game;
        Script script;
        const QByteArray original = Original();
        const int offset = macros ? MacroAt(2, 0) : NameAt(2);
        const QByteArray written = macros ? MacroBlock("GG") : QByteArray("Zo\xEB\0\0", 5);
        QVERIFY(macros ? game.writer().submitMacros(2, WithMacro4(u"GG"), script)
                       : game.writer().submitName(2, u"Zo\u00EB", script));
        QCOMPARE(game.bytes(), Patched(original, offset, written));

        // The step: the copy of the file before, and what the change wrote.
        const QList<BackupCopy> copies = game.copies();
        QCOMPARE(copies.size(), 1);
        QFile copy(copies[0].path);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), original);
        const auto step = game.writer().store().step(copies[0]);
        QVERIFY(step);
        QCOMPARE(*step, (StepRecord{false, {{std::uint64_t(offset), written.toStdString()}}, {}}));

        // The game saves its own data.
        game.poke(GameOffset, "game");
        const QByteArray played = game.bytes();
        QVERIFY(game.writer().undo(script));
        QCOMPARE(script.asked.size(), 1);
        QCOMPARE(script.asked[0],
                 macros ? QStringLiteral("Put back the ten macros of player 3 as they were %1?")
                              .arg(copies[0].when())
                        : QStringLiteral("Put back the name of player 3, \"Renée Strauß\" (now "
                                         "\"Zoë\"), as it was %1?")
                              .arg(copies[0].when()));
        QVERIFY(script.yesDefaults[0]);
        QCOMPARE(game.bytes(), Patched(played, offset, original.mid(offset, written.size())));
        QCOMPARE(game.bytes(), Patched(original, GameOffset, "game"));

        // The undo is a step of its own; nothing is left for Ctrl+Z.
        QCOMPARE(game.copies().first().change.kind, Change::Kind::Undo);
        QVERIFY(!game.writer().store().undoTarget());
        QVERIFY(!game.writer().undo(script));
        QCOMPARE(script.asked.size(), 1);
    }

    void theQuestionSaysWhatChangedOnDiskAndDefaultsToNo_data()
    {
        QTest::addColumn<bool>("macros");
        QTest::addColumn<QString>("said");
        QTest::newRow("name") << false
                              << QStringLiteral("the name of player 3 now reads \"Xavier\"");
        QTest::newRow("macros") << true
                                << QStringLiteral("macros 4 and 10 of player 3 now hold other "
                                                  "text");
    }

    void theQuestionSaysWhatChangedOnDiskAndDefaultsToNo()
    {
        QFETCH(bool, macros);
        QFETCH(QString, said);
        Game game;
        Script script;
        QVERIFY(macros ? game.writer().submitMacros(2, WithMacro4(u"GG"), script)
                       : game.writer().submitName(2, u"Zo\u00EB", script));
        // Another program writes into the fields since.
        if (macros) {
            game.poke(MacroAt(2, 3), "HH");
            game.poke(MacroAt(2, 9), "x");
        } else {
            game.poke(NameAt(2), QByteArray("Xavier\0", 7));
        }
        const QByteArray changed = game.bytes();
        script.answers = {false};
        QVERIFY(!game.writer().undo(script));
        QVERIFY2(script.asked[0].endsWith(
                     QStringLiteral(" Since the editor wrote them, the game or another program "
                                    "has changed them: %1.")
                         .arg(said)),
                 qPrintable(script.asked[0]));
        QVERIFY(!script.yesDefaults[0]);
        QCOMPARE(game.bytes(), changed);
        QCOMPARE(game.copies().size(), 1);

        // The fields hold the old bytes again: an undo changes nothing, yet
        // it is a step, and Ctrl+Z does not aim at the change a second time.
        const int offset = macros ? MacroAt(2, 0) : NameAt(2);
        game.poke(offset, Original().mid(offset, macros ? 400 : 5));
        QVERIFY(game.writer().undo(script));
        QVERIFY(!game.writer().undoTarget());
    }

    void aSaveWhileAQuestionIsOpenIsNeverLost_data()
    {
        QTest::addColumn<QString>("question");
        QTest::newRow("no copy can be made") << "copy";
        QTest::newRow("the game runs") << "game";
        QTest::newRow("Ctrl+Z") << "undo";
        QTest::newRow("one-player restore") << "player";
        QTest::newRow("whole-file restore") << "file";
        QTest::newRow("Ctrl+Z in two editors") << "two editors";
    }

    // The game (or a second editor) writes while a question is open: the
    // question comes again with what is there now, No the default, and No
    // keeps it; or the write is not made.
    void aSaveWhileAQuestionIsOpenIsNeverLost()
    {
        QFETCH(QString, question);
        Game game;
        Script script;
        CopyOptions options = game.options();
        if (question == u"copy")
            options.backupRoot = game.file() + QStringLiteral("/backups");
        if (question == u"game")
            options.gameRunning = [] { return true; };
        const ChangeWriter writer(options, InstalledPlayerFile(game.folder()));
        if (question != u"copy" && question != u"game")
            QVERIFY(writer.submitName(2, u"Zo\u00EB", script));
        script.asked.clear();
        script.yesDefaults.clear();
        const bool ofTheGame = question == u"file";
        script.whileAsked = [&] {
            if (question == u"two editors") {
                Script other;
                QVERIFY(game.writer().undo(other));
            } else {
                game.poke(ofTheGame ? GameOffset : NameAt(2), ofTheGame ? "game" : Xavier);
            }
        };
        script.answers = {true, false};
        const BackupCopy first =
            question == u"copy" || question == u"game" ? BackupCopy{} : game.copies().last();
        const bool wrote = question == u"copy" || question == u"game"
                               ? writer.submitName(2, u"Bob", script, u"Ren\u00E9e Strau\u00DF")
                           : question == u"player" ? writer.restorePlayer(first, 2, script)
                           : question == u"file"   ? writer.restoreFile(first, script)
                                                   : writer.undo(script);
        QVERIFY(!wrote);
        if (question == u"two editors") {
            // The step was taken back once, by the other editor.
            QCOMPARE(script.asked.size(), 1);
            QCOMPARE(script.told, QStringList{QStringLiteral(
                                      "Nothing was put back: the name of player 3 has been taken "
                                      "back meanwhile, by another editor.")});
            QCOMPARE(game.bytes(), Original());
            return;
        }
        QCOMPARE(script.asked.size(), 2);
        QVERIFY2(script.asked[1] != script.asked[0], qPrintable(script.asked[1]));
        QVERIFY2(ofTheGame ? script.asked[1].contains(QStringLiteral("4 of its bytes differ"))
                           : script.asked[1].contains(QStringLiteral("\"Xavier\"")),
                 qPrintable(script.asked[1]));
        QVERIFY(!script.yesDefaults[1]);
        // What it wrote is still there.
        if (ofTheGame)
            QCOMPARE(game.bytes().mid(GameOffset, 4), QByteArray("game"));
        else
            QCOMPARE(game.bytes().mid(NameAt(2), Xavier.size()), Xavier);
    }

    void aSaveBetweenTheCopyAndTheWriteIsKept_data()
    {
        QTest::addColumn<bool>("wholeFile");
        QTest::newRow("name Submit") << false;
#ifndef _WIN32
        // ReplaceFileW takes no file held open, so on Windows the old file
        // cannot be compared after the rename.
        QTest::newRow("whole-file restore") << true;
#endif
    }

    // The game saves after the copy was made, before the write: a copy
    // holds what it wrote; a Submit asks about it, a restore tells.
    void aSaveBetweenTheCopyAndTheWriteIsKept()
    {
        QFETCH(bool, wholeFile);
        Game game;
        Script script;
        if (wholeFile)
            QVERIFY(game.writer().submitName(2, u"Zo\u00EB", script));
        CopyOptions options = game.options();
        bool saved = false;
        options.copyMade = [&] {
            if (!std::exchange(saved, true))
                game.poke(wholeFile ? GameOffset : NameAt(2), wholeFile ? "game" : Xavier);
        };
        const ChangeWriter writer(options, InstalledPlayerFile(game.folder()));
        const int before = int(game.copies().size());
        if (wholeFile) {
            const QByteArray played = Patched(game.bytes(), GameOffset, "game");
            QVERIFY(writer.restoreFile(game.copies().last(), script));
            QCOMPARE(game.bytes(), Original());
            QCOMPARE(script.told.size(), 1);
            QVERIFY2(script.told[0].startsWith(QStringLiteral(
                         "The game wrote kvxplr.sav while it was put back; what it wrote is kept "
                         "in the copy ")),
                     qPrintable(script.told[0]));
            QVERIFY(game.copyHolds(played));
            return;
        }
        script.answers = {false};
        QVERIFY(!writer.submitName(2, u"Zo\u00EB", script, u"Ren\u00E9e Strau\u00DF"));
        QCOMPARE(script.asked.size(), 1);
        QVERIFY2(script.asked[0].contains(QStringLiteral("it now holds \"Xavier\"")),
                 qPrintable(script.asked[0]));
        QVERIFY(!script.yesDefaults[0]);
        QCOMPARE(game.bytes(), Patched(Original(), NameAt(2), Xavier));
        QVERIFY(game.copyHolds(game.bytes()));
        // The write was not made: no step.
        QCOMPARE(int(game.copies().size()), before + 2);
        QVERIFY(!game.writer().undoTarget());
    }

    void restoresPutBackOnePlayerOrTheWholeFile()
    {
        Game game;
        Script script;
        const QByteArray original = Original();
        QVERIFY(game.writer().submitName(2, u"Zo\u00EB", script));
        QVERIFY(game.writer().submitMacros(2, WithMacro4(u"GG"), script));
        game.poke(GameOffset, "game");
        // The game's bytes in the name field, after the copy's name
        // ("Renée Strauß", 12 bytes) and its two zero bytes.
        game.poke(NameAt(2) + 14, "abc");
        const BackupCopy first = game.copies().last();

        // One player: the name and macros of player 3 as a Submit writes
        // them; the game's bytes stay.
        QVERIFY(game.writer().restorePlayer(first, 2, script));
        QCOMPARE(script.asked.last(),
                 QStringLiteral("Put back the name and the ten macros of player 3, \"Renée "
                                "Strauß\" (now \"Zoë\"), as they were %1? Nothing else in "
                                "kvxplr.sav changes.")
                     .arg(first.when()));
        QVERIFY(script.yesDefaults.last());
        const QByteArray restored = Patched(Patched(original, GameOffset, "game"), NameAt(2) + 12,
                                            QByteArray("\0\0abc", 5));
        QCOMPARE(game.bytes(), restored);

        // The whole file: the game's byte goes back too, and No is the default.
        QVERIFY(game.writer().restoreFile(first, script));
        QCOMPARE(script.asked.last(),
                 QStringLiteral("Put back the whole of kvxplr.sav as it was %1, before the name "
                                "of player 3? The game's own data goes back to that time too: 4 "
                                "of its bytes differ from the file now.")
                     .arg(first.when()));
        QVERIFY(!script.yesDefaults.last());
        QCOMPARE(game.bytes(), original);

        // Ctrl+Z takes the whole-file restore back, whole, and says so.
        QVERIFY(game.writer().undo(script));
        QVERIFY(script.asked.last().startsWith(QStringLiteral("Put back the whole of kvxplr.sav")));
        QVERIFY(
            script.asked.last().contains(QStringLiteral("before the restore of an earlier copy?")));
        QVERIFY(!script.yesDefaults.last());
        QCOMPARE(game.bytes(), restored);
        QVERIFY(script.told.isEmpty());
    }

    void aFailedWriteLeavesNoStep()
    {
        Game game;
        Script script;
        QVERIFY(game.writer().submitName(0, u"Ann", script));
        // Cut short, the file takes no name of player 4: the write fails
        // after its copy was made.
        QVERIFY(QFile::resize(game.file(), 60000));
        const QByteArray cut = game.bytes();
        QVERIFY_THROWS_EXCEPTION(FileError, game.writer().submitName(3, u"Zed", script));
        QCOMPARE(game.bytes(), cut);
        QList<BackupCopy> copies = game.copies();
        QCOMPARE(copies.size(), 2);
        QVERIFY(!game.writer().store().step(copies[0]));
        QCOMPARE(game.writer().store().undoTarget()->path, copies[1].path);

        // One Ctrl+Z takes back the last change that was written.
        QVERIFY(game.writer().undo(script));
        QVERIFY(script.asked.last().startsWith(QStringLiteral("Put back the name of player 1, ")));
        QCOMPARE(game.bytes(), Original().left(60000));

        // A failed undo leaves no step either: the next one still aims at
        // the same change.
        QVERIFY(game.writer().submitName(0, u"Bob", script));
        QVERIFY(QFile::resize(game.file(), 10));
        QVERIFY_THROWS_EXCEPTION(FileError, game.writer().undo(script));
        copies = game.copies();
        QCOMPARE(copies[0].change.kind, Change::Kind::Undo);
        QVERIFY(!game.writer().store().step(copies[0]));
        QCOMPARE(game.writer().store().undoTarget()->path, copies[1].path);
    }

    void aPutBackNeverWritesWithoutACopy()
    {
        Game game;
        Script script;
        QVERIFY(game.writer().submitName(2, u"Zo\u00EB", script));
        const QByteArray renamed = game.bytes();
        // A folder below a file cannot be made.
        const ChangeWriter broken = game.writer(game.file() + QStringLiteral("/backups"));
        QVERIFY(!broken.restoreFile(game.copies().first(), script));
        QVERIFY(!broken.restorePlayer(game.copies().first(), 2, script));
        QCOMPARE(script.told.size(), 2);
        QVERIFY(
            script.told[0].startsWith(QStringLiteral("No copy of kvxplr.sav could be made in ")));
        QVERIFY(script.told[0].endsWith(QStringLiteral(". Nothing was put back.")));
        QCOMPARE(game.bytes(), renamed);
    }

    void pruningKeepsTheLastHundredChangesTheirUndosAndTheFirstCopy()
    {
        Game game;
        Script script;
        const auto name = [&game] { return NameIn(game.bytes().toStdString(), 1); };
        // A change and its undo, then 101 more changes.
        QVERIFY(game.writer().submitName(1, u"A0", script));
        QVERIFY(game.writer().undo(script));
        for (int i = 1; i <= 101; ++i)
            QVERIFY(
                game.writer().submitName(1, QStringLiteral("N%1").arg(i).toStdU16String(), script));
        QFile first(game.copies().last().path);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), Original());

        // The last 100 changes go back in order, each once; the one before
        // them is gone, and the first was taken back already.
        for (int k = 1; k <= 100; ++k) {
            QVERIFY(game.writer().undo(script));
            QCOMPARE(name(), QStringLiteral("N%1").arg(101 - k).toStdU16String());
        }
        QVERIFY(!game.writer().undo(script));
        QCOMPARE(name(), std::u16string(u"N1"));

        // A Submit that changes no byte makes no copy.
        const qsizetype count = game.copies().size();
        QVERIFY(game.writer().submitName(1, u"N1", script));
        QCOMPARE(game.copies().size(), count);
    }

    void theCopiesStayWithinTheirDiskBudget()
    {
        Game game;
        Script script;
        // The largest file that is copied, 4 MiB: 17 changes make more
        // copies than the budget holds.
        QVERIFY(QFile::resize(game.file(), qint64(ChangeWriter::LargestCopiedFile)));
        const QByteArray original = game.bytes();
        for (int i = 0; i < 17; ++i)
            QVERIFY(
                game.writer().submitName(1, QStringLiteral("N%1").arg(i).toStdU16String(), script));
        const QList<BackupCopy> copies = game.copies();
        QVERIFY(copies.size() < 17);
        std::uint64_t used = 0;
        for (const BackupCopy &copy : copies.mid(0, copies.size() - 1))
            used +=
                std::uint64_t(QFileInfo(copy.path).size() + QFileInfo(copy.recordPath()).size());
        QVERIFY(used <= BackupStore::DiskBudget);
        QFile first(copies.last().path);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), original);
    }

    void aFileFarLargerThanAPlayerFileIsPatchedWithoutACopy()
    {
        Game game;
        Script script;
        const auto size = qint64(ChangeWriter::LargestCopiedFile) + 1;
        QVERIFY(QFile::resize(game.file(), size));
        const QByteArray large = game.bytes();
        const QString question =
            QStringLiteral("No copy of kvxplr.sav could be made in %1: kvxplr.sav is %2 bytes "
                           "long, far more than a player file; copies are made of files up to 4 "
                           "MiB. Write the change anyway?")
                .arg(QDir::toNativeSeparators(game.writer().store().folder()))
                .arg(size);
        script.answers = {false, true};
        QVERIFY(!game.writer().submitName(2, u"Zo\u00EB", script));
        QCOMPARE(script.asked, QStringList{question});
        QVERIFY(!script.yesDefaults[0]);
        QCOMPARE(game.bytes(), large);
        QVERIFY(game.writer().submitName(2, u"Zo\u00EB", script));
        QCOMPARE(script.asked.size(), 2);
        QCOMPARE(game.bytes(), Patched(large, NameAt(2), QByteArray("Zo\xEB\0\0", 5)));
        QVERIFY(game.copies().isEmpty());
    }

    void aStepRecordReadsBackOnlyWhole()
    {
        const StepRecord record{false,
                                {{20, std::string("Ann\0\0", 5)}, {8420, "\n\n"}},
                                "2026-12-09 14.03.27.415",
                                true};
        const std::string bytes = record.serialize();
        QCOMPARE(StepRecord::parse(bytes), std::optional(record));
        QVERIFY(!StepRecord::parse(bytes.substr(0, bytes.size() - 1)));
        QVERIFY(!StepRecord::parse(bytes + "x"));
        // A record of an earlier version, which wrote them only once done.
        QCOMPARE(StepRecord::parse("korvax-editor step 1\nrange 20 3\nAnn\nend\n"),
                 std::optional(StepRecord{false, {{20, "Ann"}}, {}, false}));
    }
};

QTEST_GUILESS_MAIN(TestChangeWriter)
#include "test_changewriter.moc"
