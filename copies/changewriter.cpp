// SPDX-License-Identifier: GPL-3.0-or-later
#include "copies/changewriter.h"

#include "copies/copydiff.h"
#include "settings/gameprocess.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <QDir>
#include <QStringList>

using namespace PlayerLayout;

namespace {

QString Quoted(const std::u16string &text)
{
    return u'"' + QString::fromStdU16String(text) + u'"';
}

QString GameDataSentence(std::uint64_t differing)
{
    if (differing == 0)
        return QStringLiteral(
            "The game's own data goes back to that time too; it is the same now.");
    return QStringLiteral("The game's own data goes back to that time too: %1 of its bytes differ "
                          "from the file now.")
        .arg(differing);
}

std::int16_t SlotAt(std::uint64_t offset)
{
    return static_cast<std::int16_t>((offset - NameOffset) / SlotStride);
}

// What the fields a step wrote hold now, where that is no longer what it
// wrote: the game or another editor has written there since.
QStringList ChangedFields(const StepRecord &written, std::string_view now)
{
    QStringList changes;
    for (const WrittenRange &range : written.ranges) {
        const std::string_view held = BytesIn(now, {range.offset, range.bytes.size()});
        if (held == range.bytes)
            continue;
        const std::int16_t slot = SlotAt(range.offset);
        if (range.offset == MacroAt(slot, 0)) {
            std::vector<int> macros;
            for (int k = 0; k < MacroCount; ++k) {
                const FieldRange field{MacroFieldSize * std::size_t(k), MacroFieldSize};
                if (BytesIn(held, field) != BytesIn(range.bytes, field))
                    macros.push_back(k);
            }
            changes << QStringLiteral("%1 of player %2 now %3 other text")
                           .arg(MacroList(macros))
                           .arg(slot + 1)
                           .arg(macros.size() == 1 ? QStringLiteral("holds")
                                                   : QStringLiteral("hold"));
        } else {
            changes << QStringLiteral("the name of player %1 now reads %2")
                           .arg(slot + 1)
                           .arg(Quoted(NameIn(now, slot)));
        }
    }
    return changes;
}

// What an undo of `step` puts back, as its question names it.
QString UndoQuestion(const BackupCopy &step, std::string_view then, std::string_view now)
{
    const int player = step.change.slot + 1;
    switch (step.change.kind) {
    case Change::Kind::Name:
        return QStringLiteral("Put back the name of player %1, %2 (now %3), as it was %4?")
            .arg(player)
            .arg(Quoted(NameIn(then, step.change.slot)), Quoted(NameIn(now, step.change.slot)),
                 step.when());
    case Change::Kind::Macros:
        return QStringLiteral("Put back the ten macros of player %1 as they were %2?")
            .arg(player)
            .arg(step.when());
    case Change::Kind::Player:
        return QStringLiteral(
                   "Put back the name and the ten macros of player %1, %2 (now %3), as they "
                   "were %4?")
            .arg(player)
            .arg(Quoted(NameIn(then, step.change.slot)), Quoted(NameIn(now, step.change.slot)),
                 step.when());
    case Change::Kind::Restore:
    case Change::Kind::Undo:
        break;
    }
    return QStringLiteral("Put back the whole of kvxplr.sav as it was %1, before %2? %3")
        .arg(step.when(), step.change.description(),
             GameDataSentence(Compare(then, now).gameBytes));
}

// The bytes of a copy; a copy that cannot be read is told and puts back nothing.
std::optional<std::string> ReadCopy(const BackupCopy &copy, Questions &questions)
{
    try {
        return ReadWholeFile(ToNativePath(copy.path));
    } catch (const FileError &error) {
        questions.tell(
            QStringLiteral("Nothing was put back: %1").arg(QString::fromUtf8(error.what())));
        return std::nullopt;
    }
}

// The ranges a step wrote, holding their bytes from `then` instead; nothing
// when the copy does not reach that far.
std::optional<std::vector<WrittenRange>> OldValues(const StepRecord &written,
                                                   const std::string &then)
{
    if (written.wholeFile)
        return std::vector<WrittenRange>{{0, then}};
    std::vector<WrittenRange> old;
    for (const WrittenRange &range : written.ranges) {
        const std::string_view bytes = BytesIn(then, {range.offset, range.bytes.size()});
        if (bytes.size() != range.bytes.size())
            return std::nullopt;
        old.push_back({range.offset, std::string(bytes)});
    }
    return old;
}

} // namespace

ChangeWriter::ChangeWriter(CopyOptions options, EditedPlayerFile file)
    : m_options(std::move(options)), m_file(std::move(file))
{
}

BackupStore ChangeWriter::store() const
{
    return BackupStore(m_options.backupRoot, m_file.copiesKey);
}

std::filesystem::path ChangeWriter::playerFile() const
{
    return m_file.path;
}

bool ChangeWriter::gameMayWrite(Questions &questions) const
{
    const bool running = m_options.gameRunning ? m_options.gameRunning() : IsGameRunning();
    return !running ||
           questions.ask(QStringLiteral("KORVAX is running. It may overwrite this change when it "
                                        "saves or quits. Write anyway?"),
                         false);
}

bool ChangeWriter::mayOverwrite(std::int16_t slot, const std::vector<OverwrittenField> &changed,
                                Questions &questions)
{
    return changed.empty() || questions.ask(OverwriteQuestion(slot, changed), false);
}

bool ChangeWriter::submitName(std::int16_t slot, std::u16string_view text, Questions &questions,
                              const std::optional<std::u16string> &read) const
{
    const auto write = [slot, text](PlayerFileWriter &writer) {
        writer.WritePlayerName(slot, text);
    };
    if (!IsSlot(slot)) {
        // The file is still opened, and nothing is written.
        PlayerFileWriter writer(playerFile());
        write(writer);
        return true;
    }
    // A name the file cannot hold is refused here, before any question.
    const WrittenRange range{NameAt(slot), NameFieldBytes(text)};
    if (read) {
        const auto onDisk = PlayerFileReader(playerFile()).ReadPlayerName(slot);
        if (!mayOverwrite(slot, ChangedSinceRead(*read, onDisk.value_or(u""), std::u16string(text)),
                          questions))
            return false;
    }
    return submit(Change::name(slot), range, questions, write);
}

bool ChangeWriter::submitMacros(std::int16_t slot, const MacroTexts &texts, Questions &questions,
                                const std::optional<MacroTexts> &read) const
{
    const auto write = [slot, &texts](PlayerFileWriter &writer) {
        writer.WritePlayerMacros(slot, texts);
    };
    if (!IsSlot(slot)) {
        PlayerFileWriter writer(playerFile());
        write(writer);
        return true;
    }
    const WrittenRange range{MacroAt(slot, 0), MacroFieldBytes(texts)};
    if (read) {
        const auto onDisk = PlayerFileReader(playerFile()).ReadPlayerMacros(slot);
        if (!mayOverwrite(slot, ChangedSinceRead(*read, onDisk.value_or(MacroTexts{}), texts),
                          questions))
            return false;
    }
    return submit(Change::macros(slot), range, questions, write);
}

bool ChangeWriter::submit(const Change &change, const WrittenRange &range, Questions &questions,
                          const std::function<void(PlayerFileWriter &)> &write) const
{
    if (!gameMayWrite(questions))
        return false;
    std::optional<BackupCopy> copy;
    if (m_options.makingCopies) {
        const std::string before = ReadWholeFile(playerFile());
        // A write that changes no byte needs no copy, and Ctrl+Z would have
        // nothing to take back.
        if (BytesIn(before, {range.offset, range.bytes.size()}) != range.bytes) {
            try {
                copy = store().addCopy(change, before);
            } catch (const BackupError &error) {
                if (!questions.ask(QStringLiteral("No copy of kvxplr.sav could be made in %1: %2. "
                                                  "Write the change anyway?")
                                       .arg(error.folder(), error.reason()),
                                   false))
                    return false;
            }
        }
    }
    {
        PlayerFileWriter writer(playerFile());
        write(writer);
    }
    if (copy)
        keepStep(*copy, {false, {range}, {}}, questions);
    return true;
}

bool ChangeWriter::undo(Questions &questions) const
{
    const BackupStore copies = store();
    const std::optional<BackupCopy> step = copies.undoTarget();
    if (!step)
        return false; // nothing to undo, and nothing is said
    const std::optional<std::string> then = ReadCopy(*step, questions);
    if (!then)
        return false;
    const std::optional<StepRecord> written = copies.step(*step);
    if (!written) {
        questions.tell(QStringLiteral("Nothing was put back: the record of %1 beside \"%2\" cannot "
                                      "be read.")
                           .arg(step->change.description(), QDir::toNativeSeparators(step->path)));
        return false;
    }
    auto old = OldValues(*written, *then);
    if (!old) {
        questions.tell(QStringLiteral("Nothing was put back: the copy \"%1\" is too short to hold "
                                      "what %2 changed.")
                           .arg(QDir::toNativeSeparators(step->path), step->change.description()));
        return false;
    }
    StepRecord back{written->wholeFile, std::move(*old), step->stamp.toStdString()};
    const std::string now = ReadWholeFile(playerFile());
    QString question = UndoQuestion(*step, *then, now);
    if (written->wholeFile) {
        if (written->ranges.empty() || now != written->ranges.front().bytes)
            question += QStringLiteral(" The game or another program has written kvxplr.sav "
                                       "since it was put back.");
        return putBack(Change::undo(), std::move(back), question, false, questions);
    }
    const QStringList changed = ChangedFields(*written, now);
    if (!changed.isEmpty())
        question += QStringLiteral(" Since the editor wrote them, the game or another program has "
                                   "changed them: %1.")
                        .arg(changed.join(QStringLiteral("; ")));
    return putBack(Change::undo(), std::move(back), question, changed.isEmpty(), questions);
}

bool ChangeWriter::restorePlayer(const BackupCopy &copy, std::int16_t slot,
                                 Questions &questions) const
{
    const std::optional<std::string> then = ReadCopy(copy, questions);
    if (!then)
        return false;
    StepRecord back;
    for (const FieldRange range : {NameRange(slot), MacrosRange(slot)}) {
        const std::string_view old = BytesIn(*then, range);
        if (old.size() != range.size) {
            questions.tell(QStringLiteral("Nothing was put back: the copy \"%1\" is too short to "
                                          "hold player %2.")
                               .arg(QDir::toNativeSeparators(copy.path))
                               .arg(slot + 1));
            return false;
        }
        back.ranges.push_back({range.offset, std::string(old)});
    }
    const std::string now = ReadWholeFile(playerFile());
    const QString question =
        QStringLiteral("Put back the name and the ten macros of player %1, %2 (now %3), as they "
                       "were %4? Nothing else in kvxplr.sav changes.")
            .arg(slot + 1)
            .arg(Quoted(NameIn(*then, slot)), Quoted(NameIn(now, slot)), copy.when());
    return putBack(Change::player(slot), std::move(back), question, true, questions);
}

bool ChangeWriter::restoreFile(const BackupCopy &copy, Questions &questions) const
{
    const std::optional<std::string> then = ReadCopy(copy, questions);
    if (!then)
        return false;
    const std::string now = ReadWholeFile(playerFile());
    const QString question =
        QStringLiteral("Put back the whole of kvxplr.sav as it was %1, before %2? %3")
            .arg(copy.when(), copy.change.description(),
                 GameDataSentence(Compare(*then, now).gameBytes));
    return putBack(Change::restore(), {true, {{0, *then}}, {}}, question, false, questions);
}

bool ChangeWriter::putBack(const Change &change, StepRecord record, const QString &question,
                           bool yesByDefault, Questions &questions) const
{
    if (!questions.ask(question, yesByDefault) || !gameMayWrite(questions))
        return false;
    // A put-back never writes without a copy of what it replaces.
    std::optional<BackupCopy> copy;
    try {
        copy = store().addCopy(change, ReadWholeFile(playerFile()));
    } catch (const BackupError &error) {
        questions.tell(QStringLiteral("No copy of kvxplr.sav could be made in %1: %2. Nothing was "
                                      "put back.")
                           .arg(error.folder(), error.reason()));
        return false;
    }
    if (record.wholeFile) {
        ReplaceWholeFile(playerFile(), record.ranges.front().bytes);
    } else {
        PlayerFileWriter writer(playerFile());
        for (const WrittenRange &range : record.ranges)
            writer.WriteBytes(range.offset, range.bytes);
    }
    keepStep(*copy, record, questions);
    return true;
}

void ChangeWriter::keepStep(const BackupCopy &copy, const StepRecord &record,
                            Questions &questions) const
{
    try {
        store().recordStep(copy, record);
    } catch (const BackupError &error) {
        questions.tell(QStringLiteral("The change was written, but Ctrl+Z cannot take it back: no "
                                      "record of it could be kept in %1: %2.")
                           .arg(error.folder(), error.reason()));
    }
}
