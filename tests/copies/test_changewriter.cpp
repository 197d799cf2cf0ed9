// SPDX-License-Identifier: GPL-3.0-or-later
// The write paths without windows: what an undo and a restore put back,
// byte for byte, the questions they ask, the steps they leave, and the
// failures and pruning that the end-to-end runs cannot reach.
#include "copies/changewriter.h"
#include "copies/copydiff.h"
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
// was asked and told.
struct Script : Questions
{
    QList<bool> answers;
    QStringList asked;
    QList<bool> yesDefaults;
    QStringList told;

    bool ask(const QString &question, bool yesByDefault) override
    {
        asked << question;
        yesDefaults << yesByDefault;
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
    ChangeWriter writer(QString root = {}) const
    {
        CopyOptions options;
        options.backupRoot = root.isEmpty() ? backups.path() : root;
        options.gameRunning = [] { return false; };
        return ChangeWriter(options, InstalledPlayerFile(folder()));
    }
    QList<BackupCopy> copies() const { return writer().store().copies(); }
};

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
    }

    void restoresPutBackOnePlayerOrTheWholeFile()
    {
        Game game;
        Script script;
        const QByteArray original = Original();
        QVERIFY(game.writer().submitName(2, u"Zo\u00EB", script));
        QVERIFY(game.writer().submitMacros(2, WithMacro4(u"GG"), script));
        game.poke(GameOffset, "game");
        const BackupCopy first = game.copies().last();

        // One player: the name and macros of player 3 as they were; the
        // game's byte stays.
        QVERIFY(game.writer().restorePlayer(first, 2, script));
        QCOMPARE(script.asked.last(),
                 QStringLiteral("Put back the name and the ten macros of player 3, \"Renée "
                                "Strauß\" (now \"Zoë\"), as they were %1? Nothing else in "
                                "kvxplr.sav changes.")
                     .arg(first.when()));
        QVERIFY(script.yesDefaults.last());
        QCOMPARE(game.bytes(), Patched(original, GameOffset, "game"));

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
        QCOMPARE(game.bytes(), Patched(original, GameOffset, "game"));
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

    void pruningKeepsTheNewestHundredAndTheFirst()
    {
        Game game;
        Script script;
        for (int i = 0; i < 102; ++i)
            QVERIFY(
                game.writer().submitName(1, QStringLiteral("N%1").arg(i).toStdU16String(), script));
        const QList<BackupCopy> copies = game.copies();
        QCOMPARE(copies.size(), 101);
        QFile first(copies.last().path);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), Original());
        const QDir folder(game.writer().store().folder());
        QCOMPARE(folder.entryList({QStringLiteral("*.step")}, QDir::Files).size(), 101);
        // The copy before change 2 is gone: next to the first is the one
        // before change 3, holding change 2's name.
        QFile second(copies[99].path);
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(NameIn(second.readAll().toStdString(), 1), std::u16string(u"N1"));

        // A Submit that changes no byte makes no copy.
        QVERIFY(game.writer().submitName(1, u"N101", script));
        QCOMPARE(game.copies().size(), 101);
        QCOMPARE(game.copies().first().path, copies.first().path);
    }

    void compareTellsPlayersFromTheGamesData()
    {
        const QByteArray then = Original();
        QByteArray now = Patched(then, NameAt(2), QByteArray("Zo\xEB\0\0", 5));
        now = Patched(now, MacroAt(1, 3), "x");
        now = Patched(now, MacroAt(1, 7) + 39, "y");
        now = Patched(now, GameOffset, "abcde");
        now.append("123");
        const CopyDifference difference = Compare(then.toStdString(), now.toStdString());
        QVERIFY(difference.players[0].same());
        QCOMPARE(difference.players[1].macros, (std::vector<int>{3, 7}));
        QVERIFY(!difference.players[1].nameDiffers);
        QVERIFY(difference.players[2].nameDiffers);
        QCOMPARE(difference.players[2].nameThen, std::u16string(u"Ren\u00E9e Strau\u00DF"));
        QCOMPARE(difference.players[2].nameNow, std::u16string(u"Zo\u00EB"));
        QVERIFY(difference.players[2].macros.empty());
        QCOMPARE(difference.gameBytes, std::uint64_t(5 + 3));
    }

    void aStepRecordReadsBackOnlyWhole()
    {
        const StepRecord record{
            false, {{20, std::string("Ann\0\0", 5)}, {8420, "\n\n"}}, "2026-12-09 14.03.27.415"};
        const std::string bytes = record.serialize();
        QCOMPARE(StepRecord::parse(bytes), std::optional(record));
        QCOMPARE(StepRecord::undoneStamp(bytes), std::string("2026-12-09 14.03.27.415"));
        QVERIFY(!StepRecord::parse(bytes.substr(0, bytes.size() - 1)));
        QVERIFY(!StepRecord::parse(bytes + "x"));
    }
};

QTEST_GUILESS_MAIN(TestChangeWriter)
#include "test_changewriter.moc"
