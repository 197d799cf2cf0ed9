// SPDX-License-Identifier: GPL-3.0-or-later
// The file layer's careful writes: what they keep, what they refuse, and
// what they leave behind when they fail.
#include "storage/fileerror.h"
#include "storage/rawfile.h"
#include "storage/wholefile.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <algorithm>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
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
#endif
}

TEST_CASE("a put-back is refused on a read-only file, which stays as it was")
{
    TempDir dir;
    const fs::path file = fs::path(dir.path()) / "kvxplr.sav";
    writeText(file.string(), "kept");
    // 0444 on POSIX, the read-only attribute on Windows; root, who may
    // write anything, is refused too.
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (const bool inPlace : {false, true}) {
        try {
            if (inPlace)
                OverwriteInPlace(file, "changed");
            else
                ReplaceWholeFile(file, "changed");
            check::fail(__FILE__, __LINE__, "a read-only file was written");
        } catch (const FileError &error) {
            CHECK_EQ(error.path(), file);
            CHECK(std::string(error.what()).find(PathText(file)) != std::string::npos);
            CHECK(!error.reason().empty());
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

CHECK_MAIN
