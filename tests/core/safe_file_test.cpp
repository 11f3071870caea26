#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include "events/safe_file.h"
#include "events/safe_file_internal.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

class SafeFile : public ::testing::Test {
protected:
    std::set<fs::path> Names() const {
        std::set<fs::path> names;
        for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename());
        return names;
    }
    void Touch(const fs::path& name) const { TempFolder::Write(dir / name, "x"); }
    TempFolder folder;
    const fs::path dir = folder.path();
};

TEST_F(SafeFile, RoundTripReplacesTheFileInACyrillicFolder) {
    const fs::path file = dir / fs::path(u8"События") / "ListToDo.db";
    fs::create_directories(file.parent_path());
    const std::string first("old\0\r\n", 6), second(100000, '\xE9');
    for (const std::string& data : {first, second}) {
        const WriteResult w = WriteFileAtomically(file, data);
        ASSERT_TRUE(w.ok) << w.error;
        std::string disk;
        ASSERT_TRUE(ReadWholeFile(file, disk));
        EXPECT_EQ(disk, data);
    }
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(file.parent_path())) ++entries;
    EXPECT_EQ(entries, 1);  // the temporaries are gone
}

TEST_F(SafeFile, NextSaveRemovesLeftOversOfTheSameFileOnly) {
    const std::set<fs::path> leftOvers = {"ListToDo.db.tmp-123-4", "ListToDo.db.tmp-987654"};
    const std::set<fs::path> unrelated = {
        "ListToDo.db.bak",          "ListToDo.db.tmp-",        "ListToDo.db.tmp-notes",
        "ListToDo.db.tmp-1-2.txt",  "XListToDo.db.tmp-1-2",    "Other.db.tmp-1-2",
        "ListToDo.db.tmp1-2",       fs::path(u8"ListToDo.db.tmp-1-2ё"),
    };
    for (const auto& n : leftOvers) Touch(n);
    for (const auto& n : unrelated) Touch(n);
    fs::create_directory(dir / "ListToDo.db.tmp-5-5");  // not a file: kept

    ASSERT_TRUE(WriteFileAtomically(dir / "ListToDo.db", "new", false).ok);

    std::set<fs::path> want = unrelated;
    want.insert("ListToDo.db");
    want.insert("ListToDo.db.tmp-5-5");
    EXPECT_EQ(Names(), want);
}

// The window prepares saves and commits them off its thread: the file stays
// old until a commit, a commit keeps this program's later prepared saves, and
// the clean-up at start takes every temporary.
TEST_F(SafeFile, PreparedWritesWaitForTheirCommitsInOrder) {
    const fs::path file = dir / "ListToDo.db";
    ASSERT_TRUE(WriteFileAtomically(file, "old").ok);
    const auto prepare = [&](std::string_view data) {
        bool given = false;
        PreparedWrite p;
        const WriteResult w = PrepareWrite(
            file, [&] { return std::exchange(given, true) ? std::string_view() : data; }, p);
        EXPECT_TRUE(w.ok) << w.error;
        return p;
    };
    const PreparedWrite first = prepare("new"), second = prepare("newer");
    EXPECT_EQ(TempFolder::Read(file), "old");
    EXPECT_EQ(Names(), (std::set<fs::path>{"ListToDo.db", first.temp.filename(), second.temp.filename()}));
    ASSERT_TRUE(CommitWrite(first).ok);
    EXPECT_EQ(TempFolder::Read(file), "new");
    ASSERT_TRUE(CommitWrite(second).ok);
    EXPECT_EQ(TempFolder::Read(file), "newer");
    EXPECT_EQ(Names(), std::set<fs::path>{"ListToDo.db"});

    const PreparedWrite orphan = prepare("lost");  // as if killed before its commit
    RemoveLeftoverTemporaries(file);
    EXPECT_EQ(Names(), std::set<fs::path>{"ListToDo.db"});
    EXPECT_FALSE(CommitWrite(orphan).ok);
    EXPECT_EQ(TempFolder::Read(file), "newer");
}

// A damaged file's copy never lands on a name already taken.
TEST_F(SafeFile, CopiesTakeFreeNamesAndHoldTheOriginalsBytes) {
    const fs::path file = dir / "ListToDo.db";
    TempFolder::Write(file, "damaged");
    Touch("ListToDo.db.damaged-2");  // taken out of turn
    const CopyResult a = KeepVerifiedCopy(file, "ListToDo.db.damaged");
    const CopyResult b = KeepVerifiedCopy(file, "ListToDo.db.damaged");
    ASSERT_TRUE(a.ok && b.ok) << a.error << b.error;
    EXPECT_EQ(a.copy.filename(), "ListToDo.db.damaged");
    EXPECT_EQ(b.copy.filename(), "ListToDo.db.damaged-3");
    EXPECT_EQ(TempFolder::Read(b.copy), "damaged");
    EXPECT_EQ(TempFolder::Read(dir / "ListToDo.db.damaged-2"), "x");
}

TEST_F(SafeFile, FailureIsReportedAndLeavesNoTemporary) {
    Touch("ListToDo.db");
    fs::create_directory(dir / "folder");
    const struct {
        const char* what;
        fs::path target;
    } cases[] = {
        {"missing folder", dir / "missing" / "ListToDo.db"},
        {"target is a folder", dir / "folder"}, {"no file name", dir / ""}, {"empty path", fs::path()},
    };
    const std::set<fs::path> before = Names();
    for (const auto& c : cases) {
        const WriteResult w = WriteFileAtomically(c.target, "data");
        EXPECT_FALSE(w.ok) << c.what;
        EXPECT_FALSE(w.error.empty()) << c.what;
        EXPECT_EQ(Names(), before) << c.what;
        EXPECT_TRUE(fs::is_empty(dir / "folder")) << c.what;
    }
    std::string disk;
    ASSERT_TRUE(ReadWholeFile(dir / "ListToDo.db", disk));
    EXPECT_EQ(disk, "x");  // the old contents survive
}

TEST_F(SafeFile, TemporaryNamesAreDistinctAndMatchTheLeftOverPattern) {
    const fs::path target = dir / "ListToDo.db";
    const fs::path a = safe_file_internal::TempPathFor(target);
    const fs::path b = safe_file_internal::TempPathFor(target);
    EXPECT_NE(a, b);
    for (const fs::path& t : {a, b}) {
        EXPECT_EQ(t.parent_path(), dir);  // same folder, so the rename never crosses disks
        EXPECT_TRUE(safe_file_internal::IsLeftoverTemp(t.filename(), target.filename())) << t;
    }
}

#ifndef _WIN32

// Saving keeps what the file is: the target of a link gets the new bytes and
// the link stays a link; private permission bits stay private.
TEST_F(SafeFile, LinkIsFollowedAndPermissionsKept) {
    fs::create_directories(dir / "real");
    ASSERT_TRUE(WriteFileAtomically(dir / "real" / "ListToDo.db", "old").ok);
    fs::permissions(dir / "real" / "ListToDo.db", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(fs::path("real") / "ListToDo.db", dir / "ListToDo.db");

    ASSERT_TRUE(WriteFileAtomically(dir / "ListToDo.db", "new").ok);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "ListToDo.db")));
    std::string back;
    ASSERT_TRUE(ReadWholeFile(dir / "real" / "ListToDo.db", back));
    EXPECT_EQ(back, "new");
    EXPECT_EQ(fs::status(dir / "real" / "ListToDo.db").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(SafeFileReason, CommonFailuresAreSaidInRussianFirst) {
    struct Case { int err; const char* starts; } cases[] = {
        {ENOSPC, "на диске нет места ("}, {EROFS, "диск доступен только для чтения ("},
        {EACCES, "нет прав на запись ("}, {ENOENT, "папка не найдена ("},
    };
    for (const Case& c : cases) EXPECT_EQ(safe_file_internal::SystemReason(c.err).rfind(c.starts, 0), 0u) << c.err;
    EXPECT_EQ(safe_file_internal::SystemReason(EIO), std::strerror(EIO));
}
#endif

}  // namespace
