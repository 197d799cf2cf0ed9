// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/wholefile.h"

#include "storage/rawfile.h"

#include <cerrno>
#include <optional>
#include <random>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr unsigned long AlreadyExists = ERROR_FILE_EXISTS;

bool IsFolder(const fs::path &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether it made the folder; false where one was there already.
bool MakeOneFolder(const fs::path &path)
{
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    unsigned long code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS) {
        if (IsFolder(path))
            return false;
        // "Already exists" would name no fault: the reason is that it is no folder.
        code = ERROR_DIRECTORY;
    }
    throw FileError("Cannot create the folder", path, code);
}

void RenameOver(const fs::path &from, const fs::path &to)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw FileError("Cannot rename \"" + PathText(from) + "\" to", to, LastSystemError());
}
#else
constexpr unsigned long AlreadyExists = EEXIST;

bool IsFolder(const fs::path &path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeOneFolder(const fs::path &path)
{
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    int code = errno;
    if (code == EEXIST) {
        if (IsFolder(path))
            return false;
        // A file in a folder's place says EEXIST; the reason is that it is no folder.
        code = ENOTDIR;
    }
    throw FileError("Cannot create the folder", path, static_cast<unsigned long>(code));
}

void RenameOver(const fs::path &from, const fs::path &to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw FileError("Cannot rename \"" + PathText(from) + "\" to", to, LastSystemError());
}
#endif

fs::path FolderOf(const fs::path &path)
{
    const fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// A temporary file's name: the target's, this mark, the random digits.
constexpr std::string_view TemporaryMark = ".~";
constexpr std::size_t RandomDigits = 16;

// Sixteen hexadecimal digits that no other program can foresee.
std::string RandomPart()
{
    std::random_device random;
    const std::uint64_t value = (std::uint64_t(random()) << 32) ^ random();
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text(RandomDigits, '0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = Digits[(value >> (4 * i)) & 0xF];
    return text;
}

// A new file beside `target`, "<name>.~<random>", created exclusively;
// removed again when it goes out of scope unless it was renamed away.
class TemporaryFile
{
public:
    explicit TemporaryFile(const fs::path &target, std::uint32_t permissions = 0666)
    {
        for (int attempt = 1;; ++attempt) {
            m_path = target;
            m_path += std::string(TemporaryMark) + RandomPart();
            try {
                m_file.emplace(m_path, RawFile::Mode::CreateNew, permissions);
                return;
            } catch (const FileError &error) {
                if (error.code() != AlreadyExists || attempt == 8)
                    throw;
            }
        }
    }
    ~TemporaryFile()
    {
        m_file.reset();
        if (!m_renamed)
            RemoveFileQuietly(m_path);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    const fs::path &path() const { return m_path; }
    RawFile &file() { return *m_file; }
    // Closed, so that it can be renamed (Windows renames no open file).
    void close()
    {
        m_file->close();
        m_file.reset();
    }
    void renamed() { m_renamed = true; }

private:
    fs::path m_path;
    std::optional<RawFile> m_file;
    bool m_renamed = false;
};

// Writes the bytes, flushes them and reads them back: a disk that lost or
// changed them fails here, before anything depends on them.
void WriteChecked(RawFile &file, std::string_view bytes)
{
    file.writeAt(0, bytes.data(), bytes.size());
    file.sync();
    std::string back(bytes.size() + 1, '\0');
    back.resize(file.readAt(0, back.data(), back.size()));
    if (back != bytes)
        throw FileError("Cannot write", file.path(),
                        std::string("what was read back differs from what was written"));
}

// The file a put-back replaces: a link's target, so that the link stays.
fs::path FileBehindLinks(const fs::path &path)
{
    std::error_code error;
    if (!fs::is_symlink(path, error))
        return path;
    const fs::path target = fs::canonical(path, error);
    if (error)
        throw FileError("Cannot follow the link", path, error.message());
    return target;
}

// The name of the file a temporary name stands beside, or nothing for a
// name that is no temporary one: "<name>.~" and the random digits.
std::optional<fs::path> TemporaryTarget(const fs::path &file)
{
    const fs::path::string_type name = file.filename().native();
    const std::size_t tail = TemporaryMark.size() + RandomDigits;
    if (name.size() <= tail)
        return std::nullopt;
    const std::size_t mark = name.size() - tail;
    for (std::size_t i = 0; i < tail; ++i) {
        const fs::path::value_type c = name[mark + i];
        const bool fits = i < TemporaryMark.size()
                              ? c == static_cast<fs::path::value_type>(TemporaryMark[i])
                              : (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (!fits)
            return std::nullopt;
    }
    return fs::path(name.substr(0, mark));
}

} // namespace

void MakeFolders(const fs::path &folder)
{
    // Each folder on the way down, from the first one below the root. A
    // new folder's name is durable only once the folder that holds it is
    // flushed, as a file's is.
    fs::path made;
    for (const fs::path &part : folder) {
        const fs::path holder = made.empty() ? fs::path(".") : made;
        made /= part;
        if (made == folder.root_name() || made == folder.root_path() || part.empty() ||
            IsFolder(made))
            continue;
        if (MakeOneFolder(made))
            SyncFolder(holder);
    }
}

bool MakeFolderOf(const fs::path &file) noexcept
{
    try {
        MakeFolders(file.parent_path());
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

std::string ReadWholeFile(const fs::path &path, std::uint64_t maxSize)
{
    const RawFile file(path, RawFile::Mode::Read);
    const auto tooLarge = [&] {
        return FileError("Cannot read", path, "larger than " + std::to_string(maxSize) + " bytes");
    };
    const std::uint64_t size = file.size();
    if (size > maxSize)
        throw tooLarge();
    // One byte more than the size, to see a file that grew meanwhile.
    std::string bytes(static_cast<std::size_t>(size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        filled += file.readAt(filled, bytes.data() + filled, bytes.size() - filled);
        if (filled < bytes.size())
            break;
        if (filled > maxSize)
            throw tooLarge();
        bytes.resize(bytes.size() * 2);
    }
    bytes.resize(filled);
    return bytes;
}

std::string ReadFileStart(const fs::path &path, std::size_t count)
{
    const RawFile file(path, RawFile::Mode::Read);
    std::string bytes(count, '\0');
    bytes.resize(file.readAt(0, bytes.data(), bytes.size()));
    return bytes;
}

void WriteNewFile(const fs::path &path, std::string_view bytes)
{
    // A file that could not be made is not removed: it may be someone else's.
    std::optional<RawFile> file(std::in_place, path, RawFile::Mode::CreateNew);
    try {
        file->writeAt(0, bytes.data(), bytes.size());
        file->sync();
        file->close();
    } catch (const FileError &) {
        file.reset();
        RemoveFileQuietly(path);
        throw;
    }
}

void WriteNewAndRename(const fs::path &path, std::string_view bytes, std::uint32_t permissions)
{
    TemporaryFile temporary(path, permissions);
    WriteChecked(temporary.file(), bytes);
    temporary.close();
    RenameOver(temporary.path(), path);
    temporary.renamed();
    SyncFolder(FolderOf(path));
}

void ReplaceWholeFile(const fs::path &path, std::string_view bytes)
{
    const fs::path target = FileBehindLinks(path);
    // Opening for writing is the check any write makes, read-only included.
    if (RawFile(target, RawFile::Mode::Write).linkCount() > 1) {
        // A new file would leave the other names on the old content.
        OverwriteInPlace(target, bytes);
        return;
    }
    // Beside the target, so that the rename stays on one file system; no
    // one else may open it before it has the target's permissions.
    TemporaryFile temporary(target, 0600);
#ifndef _WIN32
    {
        const RawFile old(target, RawFile::Mode::Read);
        temporary.file().takeAccess(old.access());
        temporary.file().takeExtendedAttributes(old);
    }
#endif
    WriteChecked(temporary.file(), bytes);
    temporary.close();
#ifdef _WIN32
    if (!ReplaceFileW(target.c_str(), temporary.path().c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        throw FileError("Cannot replace", target, LastSystemError());
#else
    RenameOver(temporary.path(), target);
#endif
    temporary.renamed();
    SyncFolder(FolderOf(target));
}

void OverwriteInPlace(const fs::path &path, std::string_view bytes)
{
    RawFile file(path, RawFile::Mode::Write);
    const std::uint64_t oldSize = file.size();
    const std::uint64_t newSize = bytes.size();
    if (newSize > oldSize) {
        try {
            file.reserve(newSize);
        } catch (const FileError &) {
            file.resize(oldSize); // whatever part of the space was taken
            throw;
        }
    }
    file.writeAt(0, bytes.data(), bytes.size());
    file.sync();
    if (newSize < oldSize) {
        file.resize(newSize);
        file.sync();
    }
    file.close();
}

void SyncFolder(const fs::path &folder)
{
#ifdef _WIN32
    static_cast<void>(folder);
#else
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw FileError("Cannot open the folder", folder, LastSystemError());
    const int synced = ::fsync(fd);
    const int code = errno;
    ::close(fd);
    if (synced != 0 && code != EINVAL && code != ENOTSUP)
        throw FileError("Cannot flush to disk the folder", folder,
                        static_cast<unsigned long>(code));
#endif
}

bool FolderTakesNewFiles(const fs::path &folder)
{
    try {
        const TemporaryFile probe(folder / ".korvax-editor-probe");
        return true;
    } catch (const FileError &) {
        return false;
    }
}

void RemoveOldTemporaries(const fs::path &folder,
                          const std::function<bool(const fs::path &)> &beside,
                          std::chrono::hours age)
{
    const auto before = fs::file_time_type::clock::now() - age;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::optional<fs::path> target = TemporaryTarget(entry->path());
        if (!target || !beside(*target))
            continue;
        // Only regular files: what this layer made is never a link.
        std::error_code examined;
        const bool regular = entry->symlink_status(examined).type() == fs::file_type::regular;
        const auto written = entry->last_write_time(examined);
        if (!examined && regular && written < before)
            RemoveFileQuietly(entry->path());
    }
}

void RemoveFileQuietly(const fs::path &path)
{
#ifdef _WIN32
    DeleteFileW(path.c_str());
#else
    ::unlink(path.c_str());
#endif
}
