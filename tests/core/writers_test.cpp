// Two writers of one data folder: the folder lock keeps them apart, and the
// event file keeper merges what one did while the other held the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "events/event_file.h"
#include "events/event_file_keeper.h"
#include "events/folder_lock.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// ---- the folder lock ----

TEST(FolderLockTest, OneWriterAtATimeAndTheSecondKnowsWhoHoldsIt) {
    TempFolder folder;
    FolderLock first, second;
    ASSERT_EQ(first.Take(folder.path(), "dayloom-cli import-ics"), FolderLock::State::Held);
    // What the system makes once for a thread that waits (a timer on Windows)
    // is made before the count.
    EXPECT_EQ(second.Take(folder.path(), "dayloom-cli good-days", 20ms), FolderLock::State::Busy);
    const auto started = std::chrono::steady_clock::now();
    const size_t descriptors = OpenDescriptors();
    EXPECT_EQ(second.Take(folder.path(), "dayloom-cli good-days", 200ms), FolderLock::State::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 200ms);
    EXPECT_EQ(OpenDescriptors(), descriptors);  // the tries while waiting keep nothing open
    EXPECT_EQ(second.Problem().rfind("dayloom-cli import-ics (процесс ", 0), 0u) << second.Problem();
    first.Release();
    EXPECT_EQ(second.Take(folder.path(), "dayloom-cli good-days"), FolderLock::State::Held);
}

// The lock moves with its owner, and what a holder wrote is shown without
// its control characters (the file is anybody's to write into).
TEST(FolderLockTest, MovesWithItsOwnerAndShowsTheHolderSafely) {
    TempFolder folder;
    FolderLock first;
    ASSERT_EQ(first.Take(folder.path(), "\x1b[31mdayloom-cli\x07"), FolderLock::State::Held);
    FolderLock moved(std::move(first));
    first.Release();
    EXPECT_TRUE(moved.Held());
    FolderLock second;
    EXPECT_EQ(second.Take(folder.path(), "b"), FolderLock::State::Busy);
    EXPECT_EQ(second.Problem().rfind("\\x1B[31mdayloom-cli\\x07 (процесс ", 0), 0u) << second.Problem();
    FolderLock assigned;
    assigned = std::move(moved);
    EXPECT_EQ(second.Take(folder.path(), "b"), FolderLock::State::Busy);
    assigned.Release();
    EXPECT_EQ(second.Take(folder.path(), "b"), FolderLock::State::Held);
    second = FolderLock();  // assigned over, the held lock lets its folder go
    EXPECT_EQ(assigned.Take(folder.path(), "c"), FolderLock::State::Held);
}

TEST(FolderLockTest, AWaitingWriterGetsTheFolderWhenTheHolderLetsGo) {
    TempFolder folder;
    FolderLock holder, waiter;
    ASSERT_EQ(holder.Take(folder.path(), "a"), FolderLock::State::Held);
    std::thread later([&] {
        std::this_thread::sleep_for(300ms);
        holder.Release();
    });
    EXPECT_EQ(waiter.Take(folder.path(), "b", 5s), FolderLock::State::Held);
    later.join();
}

// A lock file deleted under its holder would let a second writer lock a new
// file at the same path; the holder makes it again, so later writers wait.
// (Windows does not let anyone delete a file held open this way.)
TEST(FolderLockTest, ALockFileDeletedUnderTheHolderIsMadeAgain) {
    TempFolder folder;
    FolderLock window, command;
    ASSERT_EQ(window.Take(folder.path(), kWindowLockOwner), FolderLock::State::Held);
    EXPECT_TRUE(window.Renew());  // still in place: nothing to do
    std::error_code ec;
    fs::remove(folder.path() / kFolderLockName, ec);
#ifdef _WIN32
    EXPECT_TRUE(ec);
    EXPECT_EQ(command.Take(folder.path(), "c"), FolderLock::State::Busy);
#else
    ASSERT_FALSE(ec);
    EXPECT_TRUE(window.Renew());
    EXPECT_EQ(command.Take(folder.path(), "c"), FolderLock::State::Busy);
    EXPECT_EQ(command.Problem().rfind(kWindowLockOwner, 0), 0u);

    // Too late: another writer took the new file first.
    fs::remove(folder.path() / kFolderLockName);
    ASSERT_EQ(command.Take(folder.path(), "c"), FolderLock::State::Held);
    EXPECT_FALSE(window.Renew());
#endif
}

#ifndef _WIN32
TEST(FolderLockTest, ALinkInTheLocksPlaceIsNeverWrittenThrough) {
    TempFolder folder;
    TempFolder::Write(folder.path() / "passwd", "root:x:0:0\n");
    fs::create_symlink(folder.path() / "passwd", folder.path() / kFolderLockName);
    FolderLock lock;
    EXPECT_EQ(lock.Take(folder.path(), "x"), FolderLock::State::Failed);
    EXPECT_NE(lock.Problem().find("ссылка"), std::string::npos) << lock.Problem();
    EXPECT_EQ(TempFolder::Read(folder.path() / "passwd"), "root:x:0:0\n");
}

// The system lets go of a dead holder's lock: a crash never blocks the next writer.
TEST(FolderLockTest, AKilledHoldersLockIsFreeAndTheFileIsPrivate) {
    TempFolder folder;
    const pid_t child = ::fork();
    if (child == 0) {
        FolderLock held;
        held.Take(folder.path(), "dying");
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    FolderLock next;
    EXPECT_EQ(next.Take(folder.path(), "next"), FolderLock::State::Held);
    EXPECT_EQ(fs::status(folder.path() / kFolderLockName).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}
#endif

// ---- the keeper: what another writer did is never lost ----

std::vector<std::string> Names(const TodoItems& items) {
    std::vector<std::string> names;
    for (const TTodoItem& e : items)
        names.push_back(utf8(e.Subject) + (e.Notes.empty() ? "" : "+" + utf8(std::string(e.Notes[0]))));
    std::sort(names.begin(), names.end());
    return names;
}

TTodoItem Named(const std::string& name, int day = 1) { return Event(name, At(2026, 12, day, 9, 0)); }

struct MergeCase {
    const char* what;
    std::vector<std::string> base;
    std::function<void(TodoItems&)> ours, theirs;
    std::vector<std::string> want;
};

void Remove(TodoItems& items, const std::string& name) {
    for (int i = 0; i < items.Count(); ++i)
        if (utf8(items[i].Subject) == name) return items.Delete(i);
}
void Change(TodoItems& items, const std::string& name, const std::string& notes) {
    for (TTodoItem& e : items)
        if (utf8(e.Subject) == name) return e.SetNotesText(ansi(notes));
}

TEST(EventFileKeeperTest, AnotherWritersChangesAreMergedAndNothingIsLost) {
    const MergeCase cases[] = {
        {"both add", {"A", "B"}, [](TodoItems& o) { o.Add(Named("C")); },
         [](TodoItems& t) { t.Add(Named("D")); }, {"A", "B", "C", "D"}},
        {"they remove", {"A", "B"}, [](TodoItems&) {}, [](TodoItems& t) { Remove(t, "B"); }, {"A"}},
        {"we remove", {"A", "B"}, [](TodoItems& o) { Remove(o, "A"); }, [](TodoItems&) {}, {"B"}},
        {"both remove one", {"A", "B"}, [](TodoItems& o) { Remove(o, "A"); },
         [](TodoItems& t) { Remove(t, "A"); }, {"B"}},
        {"both add the same", {"A"}, [](TodoItems& o) { o.Add(Named("X", 5)); },
         [](TodoItems& t) { t.Add(Named("X", 5)); }, {"A", "X"}},
        {"they change it", {"A", "B"}, [](TodoItems&) {}, [](TodoItems& t) { Change(t, "A", "их"); },
         {"A+их", "B"}},
        {"both change it", {"A"}, [](TodoItems& o) { Change(o, "A", "мои"); },
         [](TodoItems& t) { Change(t, "A", "их"); }, {"A+их", "A+мои"}},
        {"we remove what they changed", {"A", "B"}, [](TodoItems& o) { Remove(o, "A"); },
         [](TodoItems& t) { Change(t, "A", "их"); }, {"A+их", "B"}},
        {"one of two alike removed", {"A", "A", "B"}, [](TodoItems&) {}, [](TodoItems& t) { Remove(t, "A"); },
         {"A", "B"}},
        {"they began afresh (the folder was deleted)", {"A", "B"}, [](TodoItems& o) { o.Add(Named("C")); },
         [](TodoItems& t) { t = Store({Named("X")}); }, {"A", "B", "C", "X"}},
    };
    for (const MergeCase& c : cases) {
        TempFolder folder;
        const fs::path file = folder.path() / "ListToDo.db";
        TodoItems base;
        for (const std::string& n : c.base) base.Add(Named(n));
        ASSERT_TRUE(SaveToFile(file, base, false).ok);
        EventFileKeeper keeper(file);
        TodoItems ours;
        ASSERT_EQ(keeper.Load(ours).status, LoadReport::Status::Ok);
        c.ours(ours);
        TodoItems theirs = base;
        c.theirs(theirs);
        ASSERT_TRUE(SaveToFile(file, theirs, false).ok);  // the other writer's save

        EXPECT_FALSE(keeper.Unchanged()) << c.what;
        const WriteResult first = keeper.Save(ours, false);
        EXPECT_FALSE(first.ok) << c.what;
        EXPECT_TRUE(first.changedOutside) << c.what;
        EXPECT_EQ(TempFolder::Read(file), SaveToBytes(theirs)) << c.what << ": their file stays until merged";
        const EventFileKeeper::Merge m = keeper.MergeOutsideChanges(ours, "ListToDo.db.damaged");
        EXPECT_TRUE(m.ok) << c.what;
        // Every record brought in or taken out names its start day, for the markers.
        EXPECT_EQ(m.addedDays.size(), size_t(m.added)) << c.what;
        EXPECT_EQ(m.removedDays.size(), size_t(m.removed)) << c.what;
        for (const TDateTime d : m.addedDays) EXPECT_EQ(d, Day(2026, 12, d == Day(2026, 12, 5) ? 5 : 1)) << c.what;
        for (const TDateTime d : m.removedDays) EXPECT_EQ(d, Day(2026, 12, 1)) << c.what;
        EXPECT_EQ(m.changed, SaveToBytes(theirs) != SaveToBytes(base)) << c.what;
        ASSERT_TRUE(keeper.Save(ours, false).ok) << c.what;
        TodoItems disk;
        ASSERT_EQ(LoadFromFile(file, disk).status, LoadReport::Status::Ok);
        EXPECT_EQ(Names(disk), c.want) << c.what;
        EXPECT_EQ(Names(ours), c.want) << c.what;
    }
}

TEST(EventFileKeeperTest, AFileNobodyElseTouchedIsSavedAgainAndAgain) {
    TempFolder folder;
    const fs::path file = folder.path() / "ListToDo.db";
    EventFileKeeper keeper(file);
    TodoItems items;
    EXPECT_EQ(keeper.Load(items).status, LoadReport::Status::Missing);
    items.Add(Named("A"));
    ASSERT_TRUE(keeper.Save(items, false).ok);
    items.Add(Named("B"));
    ASSERT_TRUE(keeper.Save(items, false).ok);
    EXPECT_TRUE(keeper.Unchanged());
    // Their identical rewrite brings nothing in.
    ASSERT_TRUE(SaveToFile(file, items, false).ok);
    const EventFileKeeper::Merge m = keeper.MergeOutsideChanges(items, "x");
    EXPECT_FALSE(m.changed);
    EXPECT_EQ(items.Count(), 2);
    ASSERT_TRUE(keeper.Save(items, false).ok);
}

// Their file no longer reads as an event file: it is kept beside, ours goes
// in its place. A file taken away is written again.
TEST(EventFileKeeperTest, AnUnreadableOrMissingFileOfTheOtherWriterIsKeptOrWrittenAgain) {
    TempFolder folder;
    const fs::path file = folder.path() / "ListToDo.db";
    TodoItems items = Store({Named("A")});
    ASSERT_TRUE(SaveToFile(file, items, false).ok);
    EventFileKeeper keeper(file);
    ASSERT_EQ(keeper.Load(items).status, LoadReport::Status::Ok);
    TempFolder::Write(file, std::string("\x05\x00\x00\x00garbage", 11));
    ASSERT_TRUE(keeper.Save(items, false).changedOutside);
    const EventFileKeeper::Merge m = keeper.MergeOutsideChanges(items, "ListToDo.db.damaged");
    ASSERT_TRUE(m.ok) << m.problem;
    EXPECT_EQ(TempFolder::Read(m.keptCopy), std::string("\x05\x00\x00\x00garbage", 11));
    ASSERT_TRUE(keeper.Save(items, false).ok);
    EXPECT_EQ(TempFolder::Read(file), SaveToBytes(items));

    fs::remove(file);
    EXPECT_FALSE(keeper.MergeOutsideChanges(items, "x").changed);
    fs::remove(file);
    ASSERT_TRUE(keeper.Save(items, false).ok);
    EXPECT_EQ(TempFolder::Read(file), SaveToBytes(items));
}

#ifndef _WIN32
// Another writer put a link to a foreign file in the event file's place: its
// target is kept as a copy and never written.
TEST(EventFileKeeperTest, ALinkAnotherWriterPutInPlaceIsNeverWrittenThrough) {
    TempFolder folder;
    const fs::path file = folder.path() / "ListToDo.db";
    TodoItems items = Store({Named("A")});
    ASSERT_TRUE(SaveToFile(file, items, false).ok);
    EventFileKeeper keeper(file);
    ASSERT_EQ(keeper.Load(items).status, LoadReport::Status::Ok);
    TempFolder::Write(folder.path() / "passwd", "root:x:0:0\n");
    fs::remove(file);
    fs::create_symlink(folder.path() / "passwd", file);
    ASSERT_TRUE(keeper.Save(items, false).changedOutside);
    ASSERT_FALSE(keeper.MergeOutsideChanges(items, "ListToDo.db.damaged").keptCopy.empty());
    ASSERT_TRUE(keeper.Save(items, false).ok);
    EXPECT_EQ(TempFolder::Read(folder.path() / "passwd"), "root:x:0:0\n");
    EXPECT_EQ(TempFolder::Read(file), SaveToBytes(items));
}

// A link to something that is not an event file: the new file takes the
// link's place, the target is never touched.
TEST(EventFileKeeperTest, ADamagedFileBehindALinkIsNeverWrittenThrough) {
    TempFolder folder;
    TempFolder::Write(folder.path() / "passwd", "root:x:0:0:root:/root:/bin/bash\n");
    fs::create_symlink(folder.path() / "passwd", folder.path() / "ListToDo.db");
    EventFileKeeper keeper(folder.path() / "ListToDo.db");
    TodoItems items;
    EXPECT_EQ(keeper.Load(items).status, LoadReport::Status::Damaged);
    items.Add(Named("A"));
    ASSERT_TRUE(keeper.Save(items, false).ok);
    EXPECT_EQ(TempFolder::Read(folder.path() / "passwd"), "root:x:0:0:root:/root:/bin/bash\n");
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(folder.path() / "ListToDo.db")));
    EXPECT_EQ(TempFolder::Read(folder.path() / "ListToDo.db"), SaveToBytes(items));
}
#endif

// The merge tells records apart by their bytes: a record read and written
// back unchanged must give the same value, whatever shape the file gave it.
TEST(EventFileKeeperTest, ARecordReadAndWrittenBackHashesTheSame) {
    TempFolder folder;
    const fs::path file = folder.path() / "ListToDo.db";
    TodoItems items = Store({Named("A"), Event("B", At(2026, 1, 2)).Notes("строка\r\nещё"), Named("C", 3)});
    std::string bytes = SaveToBytes(items);
    // Another writer's record: notes ending in a bare LF, kept as read.
    bytes[0] = 4;
    std::string odd = SaveToBytes(Store({Event("D", At(2026, 1, 4)).Notes("x")})).substr(4);
    const size_t notes = odd.find(std::string("\x07\x03\x00x\r\n", 6));
    ASSERT_NE(notes, std::string::npos);
    odd.replace(notes, 6, std::string("\x07\x02\x00x\n", 5));
    bytes += odd;
    TempFolder::Write(file, bytes);
    std::vector<uint64_t> read, written;
    TodoItems loaded;
    ASSERT_EQ(LoadFromFile(file, loaded, &read).status, LoadReport::Status::Ok);
    ASSERT_EQ(read.size(), 4u);
    PreparedWrite p;
    ASSERT_TRUE(PrepareEventFile(folder.path() / "again.db", loaded, p, &written).ok);
    DiscardWrite(p);
    EXPECT_EQ(read, written);
    for (int i = 0; i < loaded.Count(); ++i) EXPECT_EQ(RecordHash(loaded[i]), read[size_t(i)]) << i;
    EXPECT_NE(read[0], read[2]);
}

}  // namespace
