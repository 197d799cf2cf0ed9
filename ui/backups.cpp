// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/backups.h"

#include "playerfile/playerfile.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// A copy's name starts with its local time; the fixed width makes the
// names sort by age. Colons are not allowed in Windows file names.
const QString StampFormat = QStringLiteral("yyyy-MM-dd HH.mm.ss.zzz");
constexpr qsizetype StampLength = 23;
const QString CopySuffix = QStringLiteral(".sav");
const QString GameFolderRecord = QStringLiteral("game-folder.txt");

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

} // namespace

std::filesystem::path ToNativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString PutBackQuestion(const BackupCopy &copy)
{
    const QDateTime time = copy.time();
    return QStringLiteral("Put back kvxplr.sav as it was at %1 on %2, before %3?")
        .arg(time.toString(QStringLiteral("HH:mm:ss")), time.toString(QStringLiteral("yyyy-MM-dd")),
             copy.change.description());
}

QDateTime BackupCopy::time() const
{
    return QDateTime::fromString(stamp, StampFormat);
}

QString Change::description() const
{
    switch (kind) {
    case Kind::Name:
        return QStringLiteral("the name of player %1").arg(slot + 1);
    case Kind::Macros:
        return QStringLiteral("the macros of player %1").arg(slot + 1);
    case Kind::Restore:
        return QStringLiteral("the restore of an earlier copy");
    case Kind::Undo:
        return QStringLiteral("an undo");
    }
    return {};
}

QString Change::fileTag() const
{
    switch (kind) {
    case Kind::Name:
        return QStringLiteral("name of player %1").arg(slot + 1);
    case Kind::Macros:
        return QStringLiteral("macros of player %1").arg(slot + 1);
    case Kind::Restore:
        return QStringLiteral("restore");
    case Kind::Undo:
        return QStringLiteral("undo");
    }
    return {};
}

std::optional<Change> Change::fromFileTag(const QString &tag)
{
    if (tag == QLatin1String("restore"))
        return restore();
    if (tag == QLatin1String("undo"))
        return undo();
    static const QRegularExpression player(QStringLiteral("^(name|macros) of player ([1-4])$"));
    const QRegularExpressionMatch match = player.match(tag);
    if (!match.hasMatch())
        return std::nullopt;
    const auto slot = static_cast<std::int16_t>(match.captured(2).toInt() - 1);
    return match.captured(1) == QLatin1String("name") ? name(slot) : macros(slot);
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

QByteArray BackupStore::recordedGameFolder(const QString &folder) const
{
    QFile record(folder + u'/' + GameFolderRecord);
    if (!record.open(QIODevice::ReadOnly))
        return {};
    return record.readAll();
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
        const QByteArray recorded = recordedGameFolder(candidate);
        if (recorded.isEmpty() || recorded == mine)
            return candidate;
    }
}

QString BackupStore::makeFolder() const
{
    const QString made = folder();
    MakeFolders(ToNativePath(made));
    const QString record = made + u'/' + GameFolderRecord;
    if (!QFileInfo::exists(record)) {
        const std::string recorded = m_gameFolder + '\n';
        WriteNewAndRename(ToNativePath(record), recorded);
    }
    return made;
}

bool BackupStore::sameBytes(const BackupCopy &copy, const std::string &bytes)
{
    try {
        return ReadWholeFile(ToNativePath(copy.path)) == bytes;
    } catch (const FileError &) {
        return false; // a copy that cannot be read holds nothing to keep twice
    }
}

void BackupStore::copyBefore(const Change &change) const
{
    // A player file that cannot be read is the player file's failure, not
    // the copy's: it passes on as such.
    const std::string bytes = ReadWholeFile(SystemTextPath(PlayerFilePath(m_gameFolder)));
    QString target = folder();
    try {
        target = makeFolder();
        const QList<BackupCopy> existing = copies();
        QString stamp = QDateTime::currentDateTime().toString(StampFormat);
        if (!existing.isEmpty()) {
            const BackupCopy &newest = existing.first();
            if (change.kind != Change::Kind::Undo && sameBytes(newest, bytes))
                return;
            // Names keep to the order the copies were made in, even when
            // two come in one millisecond or the clock is put back.
            if (stamp <= newest.stamp)
                stamp = newest.time().addMSecs(1).toString(StampFormat);
        }
        const QString path = target + u'/' + stamp + u' ' + change.fileTag() + CopySuffix;
        WriteNewAndRename(ToNativePath(path), bytes);
        prune(existing);
    } catch (const FileError &error) {
        throw BackupError(QDir::toNativeSeparators(target), QString::fromUtf8(error.reason()));
    }
}

void BackupStore::prune(const QList<BackupCopy> &older) const
{
    // The new copy is the newest; of those before it, KeptCopies - 1 stay.
    for (qsizetype i = KeptCopies - 1; i < older.size(); ++i)
        QFile::remove(older[i].path);
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

std::optional<BackupCopy> BackupStore::undoTarget() const
{
    // Each undo's copy stands for one change it took back: the newest one
    // older than itself that no later undo took back.
    int undone = 0;
    for (const BackupCopy &copy : copies()) {
        if (copy.change.kind == Change::Kind::Undo)
            ++undone;
        else if (undone > 0)
            --undone;
        else
            return copy;
    }
    return std::nullopt;
}
