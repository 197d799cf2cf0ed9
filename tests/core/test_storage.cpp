// SPDX-License-Identifier: GPL-3.0-or-later
// The file layer's careful writes: what they keep, what they refuse, and
// what they leave behind when they fail.
#include "storage/fileerror.h"
#include "storage/rawfile.h"
#include "storage/wholefile.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <algorithm>
#include <chrono>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/xattr.h>
#endif

using namespace testfiles;
namespace fs = std::filesystem;

namespace {

// The names in a folder, sorted: what a failed write must not add to.
std::vector<std::string> namesIn(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

} // namespace

TEST_CASE("a put-back replaces the whole file and keeps its mode, owner and link")
{
    TempDir dir;
    const fs::path game = dir.path();
    const fs::path file = game / "kvxplr.sav";
    writeText(file.string(), "the state before, longer than the one put back");
    ReplaceWholeFile(file, "put back");
    CHECK_EQ(readText(file.string()), std::string("put back"));
    CHECK(namesIn(game) == Names{"kvxplr.sav"});
#ifndef _WIN32
    // The player keeps the file elsewhere and links to it from the game folder.
    const fs::path data = game / "data";
    fs::create_directory(data);
    const fs::path target = data / "kvxplr.sav";
    fs::rename(file, target);
    fs::create_symlink("data/kvxplr.sav", file);
    CHECK_EQ(::chmod(target.c_str(), 0640), 0);
    // Only root can give the file to someone else; it must stay theirs.
    const bool root = ::geteuid() == 0;
    if (root)
        CHECK_EQ(::chown(target.c_str(), 4321, 8765), 0);
    struct stat before
    {
    };
    CHECK_EQ(::stat(target.c_str(), &before), 0);

    ReplaceWholeFile(file, "the new state");
    CHECK(fs::is_symlink(file));
    CHECK_EQ(fs::read_symlink(file), fs::path("data/kvxplr.sav"));
    CHECK_EQ(readText(target.string()), std::string("the new state"));
    struct stat after
    {
    };
    CHECK_EQ(::stat(target.c_str(), &after), 0);
    CHECK(after.st_ino != before.st_ino); // a new file, renamed in whole
    CHECK_EQ(after.st_mode & 07777, 0640u);
    CHECK_EQ(after.st_uid, before.st_uid);
    CHECK_EQ(after.st_gid, before.st_gid);
    CHECK(namesIn(game) == (Names{"data", "kvxplr.sav"}));
    CHECK(namesIn(data) == Names{"kvxplr.sav"});

    // A copy is made with the permissions asked for, not the umask's.
    WriteNewAndRename(data / "copy.sav", "copy", 0600);
    CHECK_EQ(fs::status(data / "copy.sav").permissions(),
             fs::perms::owner_read | fs::perms::owner_write);
#endif
}

#ifdef __linux__
namespace {

std::string attribute(const fs::path &file, const char *name)
{
    std::string value(4096, '\0');
    const ssize_t size = ::getxattr(file.c_str(), name, value.data(), value.size());
    value.resize(size < 0 ? 0 : static_cast<std::size_t>(size));
    return value;
}

// An access ACL as the kernel keeps it: version 2, then (tag, permissions,
// id) entries. Here: the owner rw, user 4321 rw, the group r, mask rw, others r.
std::string AclGivingUser4321ReadWrite()
{
    std::string acl;
    const auto put = [&acl](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            acl += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(2, 4);
    for (const auto &[tag, permissions, id] : {std::tuple{0x01u, 6u, 0xFFFFFFFFu},
                                               {0x02u, 6u, 4321u},
                                               {0x04u, 4u, 0xFFFFFFFFu},
                                               {0x10u, 6u, 0xFFFFFFFFu},
                                               {0x20u, 4u, 0xFFFFFFFFu}}) {
        put(tag, 2);
        put(permissions, 2);
        put(id, 4);
    }
    return acl;
}

} // namespace

TEST_CASE("a put-back keeps the ACL and the extended attributes; a second hard link sees it")
{
    TempDir dir;
    const fs::path file = fs::path(dir.path()) / "kvxplr.sav";
    writeText(file.string(), "before");
    // The game runs under another account, given the file through an ACL.
    const std::string acl = AclGivingUser4321ReadWrite();
    CHECK_EQ(::setxattr(file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
    CHECK_EQ(::setxattr(file.c_str(), "user.origin", "game", 4, 0), 0);
    const auto inode = [](const fs::path &path) {
        struct stat info
        {
        };
        CHECK_EQ(::stat(path.c_str(), &info), 0);
        return info.st_ino;
    };
    const auto before = inode(file);
    ReplaceWholeFile(file, "put back");
    CHECK_EQ(readText(file.string()), std::string("put back"));
    CHECK(inode(file) != before);
    CHECK(attribute(file, "system.posix_acl_access") == acl);
    CHECK_EQ(attribute(file, "user.origin"), std::string("game"));
    CHECK_EQ(fs::status(file).permissions() & fs::perms::all,
             fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                 fs::perms::group_write | fs::perms::others_read);

    // Under a second name, the same file: both names see the new content.
    const fs::path other = fs::path(dir.path()) / "shared.sav";
    fs::create_hard_link(file, other);
    const auto linked = inode(file);
    ReplaceWholeFile(file, "written in place, longer than before");
    CHECK_EQ(readText(other.string()), std::string("written in place, longer than before"));
    CHECK_EQ(inode(file), linked);
    ReplaceWholeFile(other, "short");
    CHECK_EQ(readText(file.string()), std::string("short"));
    CHECK(namesIn(dir.path()) == (Names{"kvxplr.sav", "shared.sav"}));
}
#endif

TEST_CASE("a put-back is refused on a read-only file, which stays as it was")
{
    TempDir dir;
    const fs::path file = fs::path(dir.path()) / "kvxplr.sav";
    writeText(file.string(), "kept");
    // 0444 on POSIX, the read-only attribute on Windows; root, who may
    // write anything, is refused too.
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Every way of writing it says the same.
    for (int way = 0; way < 3; ++way) {
        try {
            if (way == 0)
                OverwriteInPlace(file, "changed");
            else if (way == 1)
                ReplaceWholeFile(file, "changed");
            else
                RawFile(file, RawFile::Mode::Write).writeAt(0, "changed", 7);
            check::fail(__FILE__, __LINE__, "a read-only file was written");
        } catch (const FileError &error) {
            CHECK_EQ(error.path(), file);
            CHECK_EQ(std::string(error.what()),
                     "Cannot open for writing \"" + PathText(file) + "\": the file is read-only");
        }
    }
    CHECK_EQ(readText(file.string()), std::string("kept"));
    CHECK(namesIn(dir.path()) == Names{"kvxplr.sav"});
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
}

#ifndef _WIN32
TEST_CASE("new files are created exclusively: a link planted at a temporary name redirects nothing")
{
    TempDir dir;
    const fs::path game = dir.path();
    const fs::path victim = game / "victim";
    writeText(victim.string(), "the user's other file");
    // The names the editor once used for its temporary files.
    for (const char *name : {"kvxplr.sav.restoring", "copy.sav.tmp"})
        fs::create_symlink(victim, game / name);
    writeText((game / "kvxplr.sav").string(), "old");
    ReplaceWholeFile(game / "kvxplr.sav", "restored");
    WriteNewAndRename(game / "copy.sav", "copy");
    CHECK_EQ(readText(victim.string()), std::string("the user's other file"));
    CHECK_EQ(readText((game / "kvxplr.sav").string()), std::string("restored"));
    CHECK_EQ(readText((game / "copy.sav").string()), std::string("copy"));
    // Creating at a name that holds a link fails, and leaves the link's target alone.
    CHECK_THROWS(RawFile(game / "copy.sav.tmp", RawFile::Mode::CreateNew), FileError);
    CHECK_THROWS(WriteNewFile(game / "kvxplr.sav.restoring", "x"), FileError);
    CHECK_EQ(readText(victim.string()), std::string("the user's other file"));
    CHECK(namesIn(game) ==
          (Names{"copy.sav", "copy.sav.tmp", "kvxplr.sav", "kvxplr.sav.restoring", "victim"}));
}
#endif

TEST_CASE("the editor's own files in a folder named outside the code page")
{
    // A Windows user folder such as C:\\users\\Łukasz: Windows-1252 has no
    // "Ł", and a path through it would name another folder, "Lukasz".
    TempDir dir;
    const fs::path folder = fs::path(dir.path()) / u8"\u0141ukasz" / "backups";
    MakeFolders(folder);
    CHECK(FolderTakesNewFiles(folder));
    WriteNewAndRename(folder / "copy.sav", "copy");
    ReplaceWholeFile(folder / "copy.sav", "put back");
    CHECK_EQ(ReadWholeFile(folder / "copy.sav"), std::string("put back"));
    CHECK(namesIn(fs::path(dir.path())).size() == 1);
    CHECK(namesIn(folder) == Names{"copy.sav"});
}

TEST_CASE("a write-new-and-rename that fails leaves nothing behind")
{
    TempDir dir;
    const fs::path root = dir.path();
    // No folder to hold it.
    CHECK_THROWS(WriteNewAndRename(root / "missing" / "copy.sav", "bytes"), FileError);
    // A folder in the final name's place: the rename fails after the write.
    fs::create_directories(root / "copy.sav" / "inside");
    CHECK_THROWS(WriteNewAndRename(root / "copy.sav", "bytes"), FileError);
    CHECK(namesIn(root) == Names{"copy.sav"});
    CHECK(fs::is_directory(root / "copy.sav" / "inside"));
    // A file larger than a reader takes is refused, not cut.
    WriteNewAndRename(root / "small.cfg", "12345");
    CHECK_EQ(ReadWholeFile(root / "small.cfg", 5), std::string("12345"));
    CHECK_THROWS(ReadWholeFile(root / "small.cfg", 4), FileError);
}

TEST_CASE("temporary files that a kill left are removed after a day; nothing else is")
{
    TempDir dir;
    const fs::path game = dir.path();
    const auto make = [&](const std::string &name, std::chrono::hours age) {
        writeText((game / name).string(), "x");
        fs::last_write_time(game / name, fs::file_time_type::clock::now() - age);
    };
    const std::chrono::hours old(25), fresh(1);
    make("kvxplr.sav", old);
    make("kvxplr.sav.~0123456789abcdef", old);   // a cut-off restore's
    make("kvxplr.sav.~fedcba9876543210", fresh); // perhaps another editor's, under way
    make("kvxplr.sav.~0123456789abcdeg", old);   // not a name the editor makes
    make("kvxplr.sav.~0123456789abcde", old);
    make("game.ini.~0123456789abcdef", old); // beside another file: not asked for
    fs::create_directory(game / "folder.~0123456789abcdef");
    RemoveOldTemporaries(
        game, [](const fs::path &beside) { return beside == "kvxplr.sav" || beside == "folder"; });
    CHECK(namesIn(game) == (Names{"folder.~0123456789abcdef", "game.ini.~0123456789abcdef",
                                  "kvxplr.sav", "kvxplr.sav.~0123456789abcde",
                                  "kvxplr.sav.~0123456789abcdeg", "kvxplr.sav.~fedcba9876543210"}));
    // A folder that is not there is nothing to clean.
    RemoveOldTemporaries(game / "missing", [](const fs::path &) { return true; });
}

CHECK_MAIN
