#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <utility>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "events/safe_file.h"
#include "events/safe_file_internal.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Every case runs with unnamed temporaries (where the system has them) and
// with named ones, as on a file system without them.
class SafeFile : public ::testing::TestWithParam<bool> {
protected:
    SafeFile() { UseNamedTemporaries(GetParam()); }
    ~SafeFile() override { UseNamedTemporaries(false); }
    std::set<fs::path> Names() const {
        std::set<fs::path> names;
        for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename());
        return names;
    }
    void Touch(const fs::path& name) const { TempFolder::Write(dir / name, "x"); }
    TempFolder folder;
    const fs::path dir = folder.path();
};

TEST_P(SafeFile, RoundTripReplacesTheFileInACyrillicFolder) {
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

// A save touches its own file only: names a temporary of another writer
// could have (or a user's file that looks like one) stay as they are.
TEST_P(SafeFile, ASaveLeavesEveryOtherFileAlone) {
    const std::set<fs::path> others = {"ListToDo.db.tmp-123-4", "ListToDo.db.tmp-987654", "cal.ics.tmp-42",
                                       "ListToDo.db.bak"};
    for (const auto& n : others) Touch(n);
    ASSERT_TRUE(WriteFileAtomically(dir / "ListToDo.db", "new", false).ok);
    ASSERT_TRUE(WriteOutputFile(dir / "cal.ics", "BEGIN:VCALENDAR").ok);
    std::set<fs::path> want = others;
    want.insert("ListToDo.db");
    want.insert("cal.ics");
    EXPECT_EQ(Names(), want);
}

// The window prepares saves and commits them off its thread: the file stays
// old until a commit, commits land in order, and a prepared save that is
// never committed leaves nothing behind.
TEST_P(SafeFile, PreparedWritesWaitForTheirCommitsInOrder) {
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
    const size_t descriptors = OpenDescriptors();
    PreparedWrite first = prepare("new"), second = prepare("newer");
    EXPECT_EQ(TempFolder::Read(file), "old");
    ASSERT_TRUE(CommitWrite(first).ok);
    EXPECT_EQ(TempFolder::Read(file), "new");
    ASSERT_TRUE(CommitWrite(second).ok);
    EXPECT_EQ(TempFolder::Read(file), "newer");
    EXPECT_EQ(Names(), std::set<fs::path>{"ListToDo.db"});
    EXPECT_FALSE(CommitWrite(second).ok);  // once only

    PreparedWrite dropped = prepare("lost");
    DiscardWrite(dropped);
    EXPECT_EQ(Names(), std::set<fs::path>{"ListToDo.db"});
    EXPECT_FALSE(CommitWrite(dropped).ok);
    EXPECT_EQ(TempFolder::Read(file), "newer");
    EXPECT_EQ(OpenDescriptors(), descriptors);  // each temporary closed once, nothing else
}

// A damaged file's copy never lands on a name already taken.
TEST_P(SafeFile, CopiesTakeFreeNamesAndHoldTheOriginalsBytes) {
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

// A failed save says so, leaves no temporary, and closes what it opened and
// nothing else of the process.
TEST_P(SafeFile, FailureIsReportedAndLeavesNoTemporary) {
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
    const size_t descriptors = OpenDescriptors();
    for (const auto& c : cases) {
        const WriteResult w = WriteFileAtomically(c.target, "data");
        EXPECT_FALSE(w.ok) << c.what;
        EXPECT_FALSE(w.error.empty()) << c.what;
        EXPECT_EQ(Names(), before) << c.what;
        EXPECT_EQ(OpenDescriptors(), descriptors) << c.what;
        EXPECT_TRUE(fs::is_empty(dir / "folder")) << c.what;
    }
    std::string disk;
    ASSERT_TRUE(ReadWholeFile(dir / "ListToDo.db", disk));
    EXPECT_EQ(disk, "x");  // the old contents survive
}

// Every write changes the stamp that tells one version of a file from the
// next; reading changes nothing.
TEST_P(SafeFile, EachWriteGivesTheFileANewStamp) {
    const fs::path file = dir / "ListToDo.db";
    EXPECT_FALSE(StampOf(file).exists);
    ASSERT_TRUE(WriteFileAtomically(file, "same", false).ok);
    const FileStamp first = StampOf(file);
    EXPECT_TRUE(first.exists);
    EXPECT_EQ(first.size, 4u);
    EXPECT_EQ(StampOf(file), first);
    std::string back;
    ASSERT_TRUE(ReadWholeFile(file, back));
    EXPECT_EQ(StampOf(file), first);
    ASSERT_TRUE(WriteFileAtomically(file, "same", false).ok);  // the same bytes, a new file
    const FileStamp second = StampOf(file);
    EXPECT_NE(second, first);
    // Written over in place by another program, same size: the time tells.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ofstream(file, std::ios::binary | std::ios::in) << "SAME";
    const FileStamp third = StampOf(file);
    EXPECT_EQ(third.file, second.file);
    EXPECT_NE(third, second);
}

#ifndef _WIN32

fs::perms PermsOf(const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; }
constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;

// Saving keeps what the file is: the target of a link gets the new bytes and
// the link stays a link; private permission bits stay private.
TEST_P(SafeFile, LinkIsFollowedAndPermissionsKept) {
    fs::create_directories(dir / "real");
    ASSERT_TRUE(WriteFileAtomically(dir / "real" / "ListToDo.db", "old").ok);
    const fs::perms shared = kPrivate | fs::perms::group_read;  // shared on purpose
    fs::permissions(dir / "real" / "ListToDo.db", shared);
    fs::create_symlink(fs::path("real") / "ListToDo.db", dir / "ListToDo.db");

    ASSERT_TRUE(WriteFileAtomically(dir / "ListToDo.db", "new").ok);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "ListToDo.db")));
    EXPECT_EQ(TempFolder::Read(dir / "real" / "ListToDo.db"), "new");
    EXPECT_EQ(PermsOf(dir / "real" / "ListToDo.db"), shared);

    // A chain of links as long as the system itself follows (40) leads there too.
    fs::path link = dir / "ListToDo.db";
    for (int i = 1; i < 40; ++i) {
        const fs::path next = dir / ("link" + std::to_string(i));
        fs::create_symlink(link.filename(), next);
        link = next;
    }
    ASSERT_TRUE(WriteFileAtomically(link, "newer").ok);
    EXPECT_EQ(TempFolder::Read(dir / "real" / "ListToDo.db"), "newer");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "ListToDo.db")));
}

// Where the link points at something that is not our file, the new file
// takes the link's place and the target is left exactly as it was.
TEST_P(SafeFile, AReplacedLinkLeavesItsTargetAlone) {
    TempFolder::Write(dir / "passwd", "root:x:0:0");
    fs::create_symlink(dir / "passwd", dir / "ListToDo.db");
    bool given = false;
    const WriteResult w = WriteChunksAtomically(
        dir / "ListToDo.db", [&] { return std::exchange(given, true) ? std::string_view() : "new"; }, false,
        LinkPolicy::Replace);
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(dir / "ListToDo.db")));
    EXPECT_EQ(TempFolder::Read(dir / "ListToDo.db"), "new");
    EXPECT_EQ(TempFolder::Read(dir / "passwd"), "root:x:0:0");
}

// New data files are the user's alone, whatever the umask; an export is as
// readable as the umask makes it; a copy can be read by whom the original
// could, no more.
TEST_P(SafeFile, NewFilesArePrivateAndCopiesKeepTheOriginalsMode) {
    const mode_t old = ::umask(022);
    ASSERT_TRUE(WriteFileAtomically(dir / "ListToDo.db", "x", false).ok);
    ASSERT_TRUE(WriteOutputFile(dir / "cal.ics", "x").ok);
    const CopyResult copy = KeepVerifiedCopy(dir / "ListToDo.db", "ListToDo.db.damaged");
    ::umask(old);
    EXPECT_EQ(PermsOf(dir / "ListToDo.db"), kPrivate);
    EXPECT_EQ(PermsOf(dir / "cal.ics"), kPrivate | fs::perms::group_read | fs::perms::others_read);
    ASSERT_TRUE(copy.ok) << copy.error;
    EXPECT_EQ(PermsOf(copy.copy), kPrivate);
}

// An output that is not a regular file is written into, never replaced.
TEST_P(SafeFile, AnOutputDeviceOrPipeIsWrittenIntoNotReplaced) {
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] {
        std::ifstream in(dir / "pipe", std::ios::binary);
        got.assign(std::istreambuf_iterator<char>(in), {});
    });
    const WriteResult w = WriteOutputFile(dir / "pipe", "BEGIN:VCALENDAR");
    reader.join();
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_EQ(got, "BEGIN:VCALENDAR");
    EXPECT_EQ(fs::status(dir / "pipe").type(), fs::file_type::fifo);
    ASSERT_TRUE(WriteOutputFile("/dev/null", "x").ok);
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
}

// A process that dies between the two steps of a save leaves no temporary.
TEST_P(SafeFile, AWriterKilledBeforeItsCommitLeavesNothing) {
    if (GetParam()) GTEST_SKIP() << "a named temporary outlives its killed writer";
    const fs::path file = dir / "ListToDo.db";
    ASSERT_TRUE(WriteFileAtomically(file, "old", false).ok);
    const pid_t child = ::fork();
    if (child == 0) {
        PreparedWrite p;
        bool given = false;
        PrepareWrite(file, [&] { return std::exchange(given, true) ? std::string_view() : "half"; }, p);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Names(), std::set<fs::path>{"ListToDo.db"});
    EXPECT_EQ(TempFolder::Read(file), "old");
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

INSTANTIATE_TEST_SUITE_P(Temporaries, SafeFile, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Named" : "Unnamed"; });

}  // namespace
