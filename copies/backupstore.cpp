// SPDX-License-Identifier: GPL-3.0-or-later
#include "copies/backupstore.h"

#include "playerfile/playerfile.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <utility>

namespace {

// A copy's name starts with its local time; the fixed width makes the
// names sort by age. Colons are not allowed in Windows file names.
const QString StampFormat = QStringLiteral("yyyy-MM-dd HH.mm.ss.zzz");
constexpr qsizetype StampLength = 23;
const QString CopySuffix = QStringLiteral(".sav");
const QString RecordSuffix = QStringLiteral(".step");
const QString GameFolderRecord = QStringLiteral("game-folder.txt");
// Far more than a game folder's path; a record is read whole.
constexpr std::uint64_t GameFolderRecordLimit = 64 * 1024;
// A step record of a whole-file change holds the whole player file.
constexpr std::uint64_t StepRecordLimit = 64 * 1024 * 1024;
// Enough for a record's first lines, which name the step an undo took back.

QString FromNative(const std::string &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The last folder name of the game folder, in letters that every file
// system takes, so a user can tell the folders apart.
QString ReadablePart(const std::string &gameFolder)
{
    QString name = QDir::fromNativeSeparators(FromNative(gameFolder));
    while (name.endsWith(u'/'))
        name.chop(1);
    name = name.mid(name.lastIndexOf(u'/') + 1).left(32);
    for (QChar &c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'_')
            c = u'_';
    }
    return name.isEmpty() ? QStringLiteral("game") : name;
}

// FNV-1a: short, and the same on every platform and in every run.
QString ShortHash(const std::string &text)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return QStringLiteral("%1").arg(hash, 8, 16, QChar(u'0'));
}

// "2026-12-09 12.03.04.123": digits where the format has letters.
bool IsStamp(const QString &text)
{
    if (text.size() != StampLength)
        return false;
    for (qsizetype i = 0; i < StampLength; ++i) {
        const QChar expected = StampFormat[i];
        if (expected.isLetter() ? !text[i].isDigit() : text[i] != expected)
            return false;
    }
    return true;
}

// A copy and its record, as much of the disk as they take.
std::uint64_t SizeOnDisk(const BackupCopy &copy)
{
    const auto size = [](const QString &path) {
        return static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(path).size(), 0));
    };
    return size(copy.path) + size(copy.recordPath());
}

// The copies and records hold what the player file holds: they are this
// user's to read and write, and others' only as far as kvxplr.sav is
// (0600 where it is 0600), whatever the umask lets through.
std::uint32_t CopyPermissions(const std::string &gameFolder)
{
    const QFile::Permissions player =
        QFileInfo(FromNative(PlayerFilePath(gameFolder))).permissions();
    std::uint32_t permissions = 0600;
    for (const auto &[flag, bit] : {std::pair{QFile::ReadGroup, 0040u},
                                    {QFile::WriteGroup, 0020u},
                                    {QFile::ReadOther, 0004u},
                                    {QFile::WriteOther, 0002u}}) {
        if (player.testFlag(flag))
            permissions |= bit;
    }
    return permissions;
}

} // namespace

std::filesystem::path ToNativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QDateTime BackupCopy::time() const
{
    return QDateTime::fromString(stamp, StampFormat);
}

QString BackupCopy::when() const
{
    const QDateTime local = time();
    return QStringLiteral("at %1 on %2")
        .arg(local.toString(QStringLiteral("HH:mm:ss")),
             local.toString(QStringLiteral("yyyy-MM-dd")));
}

QString BackupCopy::recordPath() const
{
    return path.chopped(CopySuffix.size()) + RecordSuffix;
}

namespace {

// Each kind of change as the questions and the list of copies name it, and
// as its copy's file name holds it; %1 is the player.
struct KindText
{
    Change::Kind kind;
    bool ofPlayer;
    const char *description;
    const char *fileTag;
};

constexpr KindText KindTexts[] = {
    {Change::Kind::Name, true, "the name of player %1", "name of player %1"},
    {Change::Kind::Macros, true, "the macros of player %1", "macros of player %1"},
    {Change::Kind::Player, true, "the restore of player %1 from an earlier copy",
     "restore of player %1"},
    {Change::Kind::Restore, false, "the restore of an earlier copy", "restore"},
    {Change::Kind::Undo, false, "an undo", "undo"},
};

QString TextOf(const Change &change, const char *KindText::*text)
{
    for (const KindText &entry : KindTexts) {
        if (entry.kind == change.kind) {
            const QString words = QString::fromLatin1(entry.*text);
            return entry.ofPlayer ? words.arg(change.slot + 1) : words;
        }
    }
    return {};
}

} // namespace

QString Change::description() const
{
    return TextOf(*this, &KindText::description);
}

QString Change::fileTag() const
{
    return TextOf(*this, &KindText::fileTag);
}

std::optional<Change> Change::fromFileTag(const QString &tag)
{
    if (tag == QLatin1String("restore"))
        return restore();
    if (tag == QLatin1String("undo"))
        return undo();
    static const QRegularExpression ofPlayer(
        QStringLiteral("^(name|macros|restore) of player ([1-4])$"));
    const QRegularExpressionMatch match = ofPlayer.match(tag);
    if (!match.hasMatch())
        return std::nullopt;
    const auto slot = static_cast<std::int16_t>(match.captured(2).toInt() - 1);
    const QString what = match.captured(1);
    return what == QLatin1String("name")     ? name(slot)
           : what == QLatin1String("macros") ? macros(slot)
                                             : player(slot);
}

BackupError::BackupError(const QString &folder, const QString &reason)
    : std::runtime_error(QStringLiteral("%1: %2").arg(folder, reason).toStdString()),
      m_folder(folder), m_reason(reason)
{
}

QString BackupStore::defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/korvax-editor/backups");
}

BackupStore::BackupStore(QString root, std::string gameFolder)
    : m_root(std::move(root)), m_gameFolder(std::move(gameFolder))
{
}

QString BackupStore::folderFor(int number) const
{
    QString name = ReadablePart(m_gameFolder) + u'-' + ShortHash(m_gameFolder);
    if (number > 1)
        name += QStringLiteral("-%1").arg(number);
    return m_root + u'/' + name;
}

std::optional<QByteArray> BackupStore::recordedGameFolder(const QString &folder) const
{
    // Through the file layer: a FIFO or a device planted at the name is
    // refused at once, a huge file is not read.
    try {
        return QByteArray::fromStdString(
            ReadWholeFile(ToNativePath(folder + u'/' + GameFolderRecord), GameFolderRecordLimit));
    } catch (const FileError &error) {
        if (error.noSuchFile())
            return QByteArray();
        return std::nullopt;
    }
}

QString BackupStore::folder() const
{
    // Another game folder whose name hashes alike has a folder of its own:
    // the record inside says whose copies a folder holds.
    const QByteArray mine = QByteArray::fromStdString(m_gameFolder + '\n');
    for (int number = 1;; ++number) {
        const QString candidate = folderFor(number);
        if (!QFileInfo::exists(candidate))
            return candidate;
        // A record that cannot be read names no one, so the folder is not ours.
        const std::optional<QByteArray> recorded = recordedGameFolder(candidate);
        if (recorded && (recorded->isEmpty() || *recorded == mine))
            return candidate;
    }
}

QString BackupStore::makeFolder() const
{
    const QString made = folder();
    MakeFolders(ToNativePath(made));
    const QString record = made + u'/' + GameFolderRecord;
    if (!QFileInfo::exists(record))
        writeFile(record, m_gameFolder + '\n');
    return made;
}

void BackupStore::writeFile(const QString &path, const std::string &bytes) const
{
    // Flushed with its folder: the new name is on the disk before the
    // player file changes.
    WriteNewAndRename(ToNativePath(path), bytes, CopyPermissions(m_gameFolder));
}

void BackupStore::removeOldTemporaries() const
{
    const std::filesystem::path playerFile = SystemTextPath(PlayerFilePath(m_gameFolder));
    RemoveOldTemporaries(playerFile.parent_path(),
                         [name = playerFile.filename()](const std::filesystem::path &beside) {
                             return beside == name;
                         });
    // Every file in the copies' folder is the editor's own.
    RemoveOldTemporaries(ToNativePath(folder()),
                         [](const std::filesystem::path &) { return true; });
}

BackupCopy BackupStore::addCopy(const Change &change, const std::string &bytes) const
{
    QString target = folder();
    try {
        target = makeFolder();
        const QList<BackupCopy> existing = copies();
        QString stamp = QDateTime::currentDateTime().toString(StampFormat);
        // Names keep to the order the copies were made in, even when two
        // come in one millisecond or the clock is put back.
        if (!existing.isEmpty() && stamp <= existing.first().stamp)
            stamp = existing.first().time().addMSecs(1).toString(StampFormat);
        const BackupCopy copy{target + u'/' + stamp + u' ' + change.fileTag() + CopySuffix, stamp,
                              change};
        writeFile(copy.path, bytes);
        return copy;
    } catch (const FileError &error) {
        throw BackupError(QDir::toNativeSeparators(target), QString::fromUtf8(error.reason()));
    }
}

void BackupStore::recordStep(const BackupCopy &copy, const StepRecord &record) const
{
    try {
        writeFile(copy.recordPath(), record.serialize());
    } catch (const FileError &error) {
        throw BackupError(QDir::toNativeSeparators(folder()), QString::fromUtf8(error.reason()));
    }
    if (!record.pending)
        prune();
}

void BackupStore::dropStep(const BackupCopy &copy) const
{
    RemoveFileQuietly(ToNativePath(copy.recordPath()));
}

void BackupStore::prune() const
{
    const QList<BackupCopy> all = copies();
    if (all.isEmpty())
        return;
    // An undo goes with the step it took back, and its size counts with
    // that step's: it never pushes a change out on its own.
    QHash<QString, QString> tookBack;       // an undo's stamp: the stamp of its step
    QHash<QString, std::uint64_t> undoSize; // a step's stamp: the size of its undos
    QList<bool> isStep;
    for (const BackupCopy &copy : all) {
        const std::optional<StepRecord> record = step(copy);
        isStep.append(record.has_value());
        if (copy.change.kind == Change::Kind::Undo && record && !record->undoes.empty()) {
            const QString target = QString::fromStdString(record->undoes);
            tookBack.insert(copy.stamp, target);
            undoSize[target] += SizeOnDisk(copy);
        }
    }
    // Newest first: the last KeptChanges changes and the plain copies
    // among them, as far as the budget reaches; always the first copy.
    QSet<QString> kept{all.last().stamp};
    int changes = 0;
    std::uint64_t used = 0;
    for (qsizetype i = 0; i < all.size() && changes < KeptChanges; ++i) {
        const BackupCopy &copy = all[i];
        if (tookBack.contains(copy.stamp))
            continue;
        const std::uint64_t size = SizeOnDisk(copy) + undoSize.value(copy.stamp);
        if (used > 0 && used + size > DiskBudget)
            break;
        kept.insert(copy.stamp);
        used += size;
        if (isStep[i] && copy.change.kind != Change::Kind::Undo)
            ++changes;
    }
    // Oldest first, so that the undo of an undo follows the one it took back.
    for (qsizetype i = all.size() - 1; i >= 0; --i) {
        const auto step = tookBack.constFind(all[i].stamp);
        if (step != tookBack.constEnd() && kept.contains(*step))
            kept.insert(all[i].stamp);
    }
    // A record goes before its copy, so a copy is never left with a record
    // that names a step of its own.
    for (const BackupCopy &copy : all) {
        if (kept.contains(copy.stamp))
            continue;
        QFile::remove(copy.recordPath());
        QFile::remove(copy.path);
    }
}

QList<BackupCopy> BackupStore::copies() const
{
    const QDir dir(folder());
    QList<BackupCopy> list;
    const QStringList names =
        dir.entryList({u'*' + CopySuffix}, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString &name : names) {
        // "<time> <change>.sav"; anything else in the folder is not a copy.
        if (name.size() <= StampLength + CopySuffix.size() || name[StampLength] != u' ')
            continue;
        const QString stamp = name.left(StampLength);
        const auto change =
            Change::fromFileTag(name.mid(StampLength + 1).chopped(CopySuffix.size()));
        if (change && IsStamp(stamp))
            list.append({dir.filePath(name), stamp, *change});
    }
    return list;
}

std::optional<StepRecord> BackupStore::step(const BackupCopy &copy) const
{
    try {
        return StepRecord::parse(ReadWholeFile(ToNativePath(copy.recordPath()), StepRecordLimit));
    } catch (const FileError &) {
        return std::nullopt;
    }
}

std::optional<BackupCopy> BackupStore::undoTarget(const PendingProgress &progress) const
{
    // Each undo's record names the step it took back; copies without a
    // record were never written over and are no steps.
    QSet<QString> undone;
    for (const BackupCopy &copy : copies()) {
        std::optional<StepRecord> record;
        try {
            record =
                StepRecord::parse(ReadWholeFile(ToNativePath(copy.recordPath()), StepRecordLimit));
        } catch (const FileError &error) {
            if (error.noSuchFile())
                continue;
            // A record that cannot be read (a FIFO, a device) stops here:
            // the undo says so rather than take back an older step.
            return copy;
        }
        if (!record)
            continue;
        const Progress made = !record->pending ? Progress::Written
                              : progress       ? progress(copy, *record)
                                               : Progress::Torn;
        if (made == Progress::Untouched || undone.contains(copy.stamp))
            continue;
        // An undo cut off halfway is taken back itself, to where it began.
        if (copy.change.kind != Change::Kind::Undo || made == Progress::Torn)
            return copy;
        undone.insert(QString::fromStdString(record->undoes));
    }
    return std::nullopt;
}
