// SPDX-License-Identifier: GPL-3.0-or-later
#include "copies/changewriter.h"

#include "copies/gameprocess.h"
#include "playerfile/fieldranges.h"
#include "storage/fileerror.h"
#include "storage/rawfile.h"
#include "storage/wholefile.h"

#include <QDir>
#include <QStringList>

namespace {

QLatin1String FileName()
{
    return QLatin1String(PlayerFileName);
}

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

// What the fields a step wrote hold now, where that is no longer what it
// wrote: the game or another editor has written there since.
QStringList ChangedFields(const StepRecord &written, std::string_view now)
{
    QStringList changes;
    for (const WrittenRange &range : written.ranges) {
        const std::string_view held = BytesIn(now, {range.offset, range.bytes.size()});
        if (held == range.bytes)
            continue;
        const auto [slot, isMacros] = FieldStartingAt(range.offset);
        if (isMacros) {
            const std::vector<int> macros = DifferingMacros(held, range.bytes);
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

// Whether to put back the whole file as `copy` holds it (`then`), before its change.
QString WholeFileQuestion(const BackupCopy &copy, std::string_view then, std::string_view now)
{
    return QStringLiteral("Put back the whole of %1 as it was %2, before %3? %4")
        .arg(FileName(), copy.when(), copy.change.description(),
             GameDataSentence(Compare(then, now).gameBytes));
}

// What an undo of `step` puts back, as its question names it.
QString UndoQuestion(const BackupCopy &step, const StepRecord &written, std::string_view then,
                     std::string_view now)
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
    case Change::Kind::Undo:
        // Only an undo cut off halfway is taken back.
        if (!written.wholeFile)
            return QStringLiteral("Put back the fields that an undo cut off %1 had begun to put "
                                  "back, as they were before it?")
                .arg(step.when());
        break;
    case Change::Kind::Restore:
        break;
    }
    return WholeFileQuestion(step, then, now);
}

// The bytes of a copy; a copy that cannot be read is told and puts back nothing.
std::optional<std::string> ReadCopy(const BackupCopy &copy, Questions &questions)
{
    try {
        return ReadWholeFile(ToNativePath(copy.path), ChangeWriter::LargestCopiedFile);
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

// Whether the bytes a record writes are the same in two states of the file.
bool SameIn(const StepRecord &record, std::string_view one, std::string_view other)
{
    if (record.wholeFile)
        return one == other;
    for (const WrittenRange &range : record.ranges) {
        const FieldRange field{range.offset, range.bytes.size()};
        if (BytesIn(one, field) != BytesIn(other, field))
            return false;
    }
    return true;
}

// Whether `file` holds every byte that `record` writes.
bool Holds(std::string_view file, const StepRecord &record)
{
    if (record.wholeFile)
        return file == record.ranges.front().bytes;
    for (const WrittenRange &range : record.ranges) {
        if (BytesIn(file, {range.offset, range.bytes.size()}) != range.bytes)
            return false;
    }
    return true;
}

// How far the write of a pending step got: all its new bytes are there, all
// the copy's are still there, or some of each.
BackupStore::Progress ProgressOf(const StepRecord &record, std::string_view then,
                                 std::string_view now)
{
    using Progress = BackupStore::Progress;
    // A whole file is replaced by one rename.
    if (record.wholeFile)
        return now == then ? Progress::Untouched : Progress::Written;
    if (Holds(now, record))
        return Progress::Written;
    return SameIn(record, now, then) ? Progress::Untouched : Progress::Torn;
}

// A Submit's check of its field: whether it still holds what was read, by
// the window at first, then by the look before the last question; when not,
// the question that names what it holds now.
template <typename Texts>
auto SubmitCheck(std::int16_t slot, const std::optional<Texts> &read, const Texts &toWrite,
                 Texts (*in)(std::string_view, std::int16_t))
{
    return [slot, &read, &toWrite, in](const std::string *agreed,
                                       std::string_view now) -> std::optional<QString> {
        const std::optional<Texts> then = agreed ? std::optional(in(*agreed, slot)) : read;
        if (!then)
            return std::nullopt;
        const auto changed = ChangedSinceRead(*then, in(now, slot), toWrite);
        if (changed.empty())
            return std::nullopt;
        return OverwriteQuestion(slot, changed);
    };
}

QString NoCopyReason(std::uint64_t size)
{
    return QStringLiteral("%1 is %2 bytes long, far more than a player file; copies are "
                          "made of files up to %3 MiB")
        .arg(FileName())
        .arg(size)
        .arg(ChangeWriter::LargestCopiedFile / (1024 * 1024));
}

QString NoCopy(const BackupError &error)
{
    return QStringLiteral("No copy of %1 could be made in %2: %3.")
        .arg(FileName(), error.folder(), error.reason());
}

// A put-back never writes without a copy of what it replaces.
QString NothingPutBack(const BackupError &error)
{
    return NoCopy(error) + QStringLiteral(" Nothing was put back.");
}

} // namespace

// The player file as one read found it: its first bytes, up to
// LargestCopiedFile, which hold every player's fields, and whether they are
// all of it.
struct ChangeWriter::Look
{
    std::string bytes;
    bool whole = true;
    std::uint64_t size = 0;

    static Look through(const RawFile &file)
    {
        Look look;
        for (;;) {
            const std::uint64_t want = std::min(file.size(), LargestCopiedFile) + 1;
            look.bytes.resize(want);
            look.bytes.resize(file.readAt(0, look.bytes.data(), want));
            if (look.bytes.size() < want) {
                look.size = look.bytes.size();
                return look;
            }
            if (want > LargestCopiedFile) {
                look.bytes.resize(LargestCopiedFile);
                look.whole = false;
                look.size = file.size();
                return look;
            }
            // It grew while it was read: again.
        }
    }
    static Look at(const std::filesystem::path &path)
    {
        return through(RawFile(path, RawFile::Mode::Read));
    }
};

// One write of the player file, from its last look on.
struct ChangeWriter::Plan
{
    Change change;
    StepRecord record;    // what it writes: its ranges, or the whole file
    bool putBack = false; // an undo or a restore: never written without its copy
    // The question to ask again, No the default, when the file as `now`
    // holds it is not what the user said Yes to (`agreed`; for a Submit at
    // first nothing: then the window's read counts).
    std::function<std::optional<QString>(const std::string *agreed, std::string_view now)> askAgain;
    // Why it can no longer be written at all, told to the user.
    std::function<std::optional<QString>()> gone;
};

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

bool ChangeWriter::submitName(std::int16_t slot, std::u16string_view text, Questions &questions,
                              const std::optional<std::u16string> &read) const
{
    if (!PlayerLayout::IsSlot(slot))
        return false; // no such player: nothing to do
    // A name the file cannot hold is refused here, before any question.
    const WrittenRange range{NameRange(slot).offset, NameFieldBytes(text)};
    if (!gameMayWrite(questions))
        return false;
    const std::u16string toWrite(text);
    Plan plan{Change::name(slot),
              {false, {range}, {}, false},
              false,
              SubmitCheck(slot, read, toWrite, NameIn),
              {}};
    return write(plan, std::nullopt, questions);
}

bool ChangeWriter::submitMacros(std::int16_t slot, const MacroTexts &texts, Questions &questions,
                                const std::optional<MacroTexts> &read) const
{
    if (!PlayerLayout::IsSlot(slot))
        return false;
    const WrittenRange range{MacrosRange(slot).offset, MacroFieldBytes(texts)};
    if (!gameMayWrite(questions))
        return false;
    Plan plan{Change::macros(slot),
              {false, {range}, {}, false},
              false,
              SubmitCheck(slot, read, texts, MacrosIn),
              {}};
    return write(plan, std::nullopt, questions);
}

std::optional<BackupCopy> ChangeWriter::undoTarget() const
{
    std::optional<std::string> now; // read once, when a pending step needs it
    return store().undoTarget([this, &now](const BackupCopy &copy, const StepRecord &record) {
        if (!now)
            now = Look::at(playerFile()).bytes;
        try {
            return ProgressOf(record, ReadWholeFile(ToNativePath(copy.path), LargestCopiedFile),
                              *now);
        } catch (const FileError &) {
            // Taken as written: the undo then says that its copy cannot be read.
            return BackupStore::Progress::Written;
        }
    });
}

bool ChangeWriter::undo(Questions &questions) const
{
    const BackupStore copies = store();
    const std::optional<BackupCopy> step = undoTarget();
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
    const auto question = [&](std::string_view now) -> Question {
        QString text = UndoQuestion(*step, *written, *then, now);
        if (written->wholeFile) {
            if (written->ranges.empty() || now != written->ranges.front().bytes)
                text += QStringLiteral(" The game or another program has written %1 since it "
                                       "was put back.")
                            .arg(FileName());
            return {text, false};
        }
        const QStringList changed = ChangedFields(*written, now);
        if (!changed.isEmpty())
            text += QStringLiteral(" Since the editor wrote them, the game or another program has "
                                   "changed them: %1.")
                        .arg(changed.join(QStringLiteral("; ")));
        return {text, changed.isEmpty()};
    };
    Plan plan{Change::undo(),
              {written->wholeFile, std::move(*old), step->stamp.toStdString(), false},
              true,
              {},
              // Another editor may have taken the same step back meanwhile.
              [this, &step]() -> std::optional<QString> {
                  const std::optional<BackupCopy> now = undoTarget();
                  if (now && now->stamp == step->stamp)
                      return std::nullopt;
                  return QStringLiteral("Nothing was put back: %1 has been taken back meanwhile, "
                                        "by another editor.")
                      .arg(step->change.description());
              }};
    return putBack(std::move(plan), question, questions);
}

bool ChangeWriter::restorePlayer(const BackupCopy &copy, std::int16_t slot,
                                 Questions &questions) const
{
    const std::optional<std::string> then = ReadCopy(copy, questions);
    if (!then)
        return false;
    if (!HoldsPlayer(*then, slot)) {
        questions.tell(QStringLiteral("Nothing was put back: the copy \"%1\" is too short to "
                                      "hold player %2.")
                           .arg(QDir::toNativeSeparators(copy.path))
                           .arg(slot + 1));
        return false;
    }
    // The name as a Submit of it writes it; the macros' fields as they are.
    const StepRecord back{
        false,
        {{NameRange(slot).offset, NameFieldIn(*then, slot)},
         {MacrosRange(slot).offset, std::string(BytesIn(*then, MacrosRange(slot)))}},
        {},
        false};
    const auto question = [&](std::string_view now) -> Question {
        return {QStringLiteral("Put back the name and the ten macros of player %1, %2 (now %3), "
                               "as they were %4? Nothing else in %5 changes.")
                    .arg(slot + 1)
                    .arg(Quoted(NameIn(*then, slot)), Quoted(NameIn(now, slot)), copy.when(),
                         FileName()),
                true};
    };
    return putBack({Change::player(slot), back, true, {}, {}}, question, questions);
}

bool ChangeWriter::restoreFile(const BackupCopy &copy, Questions &questions) const
{
    const std::optional<std::string> then = ReadCopy(copy, questions);
    if (!then)
        return false;
    const auto question = [&](std::string_view now) -> Question {
        return {WholeFileQuestion(copy, *then, now), false};
    };
    return putBack({Change::restore(), {true, {{0, *then}}, {}, false}, true, {}, {}}, question,
                   questions);
}

bool ChangeWriter::putBack(Plan plan, const std::function<Question(std::string_view now)> &question,
                           Questions &questions) const
{
    Look now = Look::at(playerFile());
    if (!now.whole) {
        questions.tell(NothingPutBack(
            BackupError(QDir::toNativeSeparators(store().folder()), NoCopyReason(now.size))));
        return false;
    }
    const auto [text, yesByDefault] = question(now.bytes);
    if (!questions.ask(text, yesByDefault) || !gameMayWrite(questions))
        return false;
    // The question was built from a read made when it was asked; what the
    // game writes while it is open changes it, and it comes again.
    plan.askAgain = [&plan, &question](const std::string *agreed,
                                       std::string_view file) -> std::optional<QString> {
        const QString asked = question(*agreed).first;
        const QString changed = question(file).first;
        if (asked == changed && SameIn(plan.record, *agreed, file))
            return std::nullopt;
        return changed;
    };
    return write(plan, std::move(now.bytes), questions);
}

bool ChangeWriter::write(const Plan &plan, std::optional<std::string> agreed,
                         Questions &questions) const
{
    bool withoutCopy = !m_options.makingCopies;
    for (;;) {
        if (plan.gone) {
            if (const std::optional<QString> why = plan.gone()) {
                questions.tell(*why);
                return false;
            }
        }
        // One read for the check and the copy, with no question after it.
        Look now = Look::at(playerFile());
        if (const auto question = plan.askAgain(agreed ? &*agreed : nullptr, now.bytes)) {
            if (!questions.ask(*question, false))
                return false;
            agreed = std::move(now.bytes);
            continue;
        }
        std::optional<BackupCopy> copy;
        // A Submit that changes no byte needs no copy, and Ctrl+Z would
        // have nothing to take back; an undo is recorded even so, or Ctrl+Z
        // would aim at the same step again.
        if (!withoutCopy && (plan.putBack || !Holds(now.bytes, plan.record))) {
            try {
                copy = keepCopy(plan.change, now);
            } catch (const BackupError &error) {
                if (plan.putBack) {
                    questions.tell(NothingPutBack(error));
                    return false;
                }
                if (!questions.ask(NoCopy(error) + QStringLiteral(" Write the change anyway?"),
                                   false))
                    return false;
                // The game may have saved while that was asked: look again.
                withoutCopy = true;
                agreed = std::move(now.bytes);
                continue;
            }
        }
        if (m_options.copyMade)
            m_options.copyMade();
        if (writeAfterLook(plan, copy, now, questions))
            return true;
        // The game saved between the look and the write: ask about that.
        agreed = std::move(now.bytes);
    }
}

BackupCopy ChangeWriter::keepCopy(const Change &change, const Look &look) const
{
    if (!look.whole)
        throw BackupError(QDir::toNativeSeparators(store().folder()), NoCopyReason(look.size));
    return store().addCopy(change, look.bytes);
}

bool ChangeWriter::writeAfterLook(const Plan &plan, const std::optional<BackupCopy> &copy,
                                  const Look &look, Questions &questions) const
{
    // Durable before the first byte changes, so a write cut off halfway
    // is a step that one Ctrl+Z takes back.
    StepRecord record = plan.record;
    record.pending = true;
    std::optional<QString> noRecord;
    if (copy) {
        try {
            store().recordStep(*copy, record);
        } catch (const BackupError &error) {
            noRecord = QStringLiteral("The change was written, but Ctrl+Z cannot take it back: no "
                                      "record of it could be kept in %1: %2.")
                           .arg(error.folder(), error.reason());
        }
    }
    const bool recorded = copy && !noRecord;
    try {
        if (record.wholeFile) {
            replaceWhole(record.ranges.front().bytes, look, questions);
        } else if (!patch(record.ranges, look)) {
            if (recorded)
                store().dropStep(*copy);
            // The game's save, kept as a copy of its own; the file holds it too.
            try {
                keepCopy(plan.change, Look::at(playerFile()));
            } catch (const BackupError &) {
                // The question that follows names what the game wrote.
            }
            return false;
        }
    } catch (...) {
        // A failure that changed no byte leaves a plain copy; one that may
        // have leaves its step, for Ctrl+Z.
        if (recorded && unchanged(record, look))
            store().dropStep(*copy);
        throw;
    }
    if (recorded) {
        record.pending = false;
        try {
            store().recordStep(*copy, record);
        } catch (const BackupError &) {
            // The pending record stays, and its bytes in the file show it written.
        }
    }
    if (noRecord)
        questions.tell(*noRecord);
    return true;
}

bool ChangeWriter::unchanged(const StepRecord &record, const Look &look) const
{
    try {
        return SameIn(record, Look::at(playerFile()).bytes, look.bytes);
    } catch (const FileError &) {
        return false;
    }
}

bool ChangeWriter::patch(const std::vector<WrittenRange> &ranges, const Look &look) const
{
    PlayerFileWriter writer(playerFile());
    // Opened for writing: what the fields hold now must still be what the
    // copy holds, or the game has saved since the look.
    const RawFile reader(playerFile(), RawFile::Mode::Read);
    for (const WrittenRange &range : ranges) {
        std::string held(range.bytes.size(), '\0');
        held.resize(reader.readAt(range.offset, held.data(), held.size()));
        if (held != BytesIn(look.bytes, {range.offset, range.bytes.size()}))
            return false;
    }
    // A range that does not fit is refused, with its reason, before the
    // first range is written.
    const std::uint64_t length = reader.size();
    for (const WrittenRange &range : ranges) {
        if (range.offset + range.bytes.size() > length)
            writer.WriteBytes(range.offset, range.bytes);
    }
    for (const WrittenRange &range : ranges)
        writer.WriteBytes(range.offset, range.bytes);
    return true;
}

void ChangeWriter::replaceWhole(const std::string &bytes, const Look &look,
                                Questions &questions) const
{
#ifdef _WIN32
    // ReplaceFileW takes no file that is held open.
    static_cast<void>(look);
    static_cast<void>(questions);
    ReplaceWholeFile(playerFile(), bytes);
#else
    // Held open across the rename: what the game writes into the old file
    // meanwhile is read from it afterwards.
    const RawFile old(playerFile(), RawFile::Mode::Read);
    ReplaceWholeFile(playerFile(), bytes);
    const Look left = Look::through(old);
    if (left.bytes == look.bytes || left.bytes == bytes)
        return;
    try {
        const BackupCopy kept = keepCopy(Change::restore(), left);
        questions.tell(QStringLiteral("The game wrote %1 while it was put back; what it "
                                      "wrote is kept in the copy \"%2\".")
                           .arg(FileName(), QDir::toNativeSeparators(kept.path)));
    } catch (const BackupError &error) {
        questions.tell(QStringLiteral("The game wrote %1 while it was put back, and no copy "
                                      "of what it wrote could be made in %2: %3.")
                           .arg(FileName(), error.folder(), error.reason()));
    }
#endif
}
