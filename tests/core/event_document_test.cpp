// The event document: one change, one batch, told once to every observer.
#include <gtest/gtest.h>

#include <random>

#include <atomic>
#include <filesystem>
#include <thread>
#include <string>
#include <vector>

#include "events/event_document.h"
#include "events/purge.h"
#include "events/undo_history.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct Recorder : EventObserver {
    std::vector<EventBatch> heard;
    void EventsChanged(const EventBatch& batch) override { heard.push_back(batch); }
};

template <typename Events>
std::vector<std::string> Names(const Events& items) {
    std::vector<std::string> names;
    for (const TTodoItem& e : items) names.push_back(utf8(e.Subject));
    return names;
}

class EventDocumentTest : public ::testing::Test {
protected:
    TempFolder folder;
    const fs::path file = folder.path() / "ListToDo.db";
    // Five events on the first five days of December.
    void FiveEvents() {
        TodoItems items;
        for (int i = 0; i < 5; ++i) items.Add(Event(std::string(1, char('A' + i)), At(2026, 12, 1 + i, 9, 0)));
        ASSERT_TRUE(SaveToFile(file, items, false).ok);
        ASSERT_EQ(doc.Load().status, LoadReport::Status::Ok);
    }
    EventDocument doc{file};
    Recorder views;
};

// Positions name the events as they were when the change began, whatever the
// change does with the others first; the whole action is one batch.
TEST_F(EventDocumentTest, OneActionIsOneBatchToldOnce) {
    FiveEvents();
    doc.Subscribe(&views);
    const EventBatch& batch = doc.Change(ChangeKind::Imported, [](EventDocument::Edit& e) {
        e.Remove(3);
        e.Add(Event("F", At(2026, 12, 9, 9, 0)));
        e.Remove(1);
        e.Replace(2, Event("C2", At(2026, 12, 3, 10, 0)));
        e.Remove(1);  // asked twice, removed once
        EXPECT_EQ(e.Events().Count(), 5);
    });
    EXPECT_EQ(Names(doc.Events()), (std::vector<std::string>{"A", "C2", "E", "F"}));
    ASSERT_EQ(views.heard.size(), 1u);
    EXPECT_EQ(views.heard[0].kind, ChangeKind::Imported);
    EXPECT_EQ(Names(batch.removed), (std::vector<std::string>{"B", "D"}));
    EXPECT_EQ(Names(batch.added), (std::vector<std::string>{"F"}));
    ASSERT_EQ(batch.changed.size(), 1u);
    EXPECT_EQ(utf8(batch.changed[0].first.Subject), "C");
    EXPECT_EQ(utf8(batch.changed[0].second.Subject), "C2");

    doc.Change(ChangeKind::Edited, [](EventDocument::Edit&) {});  // nothing asked, nobody told
    EXPECT_EQ(views.heard.size(), 1u);
    doc.Unsubscribe(&views);
    doc.Change(ChangeKind::Deleted, [](EventDocument::Edit& e) { e.Remove(0); });
    EXPECT_EQ(views.heard.size(), 1u);
}

// The days a change touches, for the calendar's marks: each once; an event
// moved to another day loses its old day, one changed within its day does not.
TEST_F(EventDocumentTest, TheBatchNamesTheDaysGainedAndLost) {
    FiveEvents();
    const EventBatch& batch = doc.Change(ChangeKind::Edited, [](EventDocument::Edit& e) {
        e.Replace(0, Event("A", At(2026, 12, 20, 9, 0)));    // moved
        e.Replace(1, Event("B", At(2026, 12, 2, 18, 30)));   // same day
        e.Add(Event("X", At(2026, 12, 20, 7, 0)));
        e.Remove(4);
    });
    EXPECT_EQ(batch.DaysGained(), (std::vector<TDateTime>{Day(2026, 12, 20), Day(2026, 12, 2)}));
    EXPECT_EQ(batch.DaysLost(), (std::vector<TDateTime>{Day(2026, 12, 5), Day(2026, 12, 1)}));
}

// A purge of many: the removed records move into the batch, the others keep
// their order, in one pass.
TEST_F(EventDocumentTest, ARemovalOfManyKeepsTheOrderOfTheRest) {
    TodoItems items;
    for (int i = 0; i < 20000; ++i) items.Add(Event("e" + std::to_string(i), At(2026, 1, 1 + i % 28, 9, 0)));
    ASSERT_TRUE(SaveToFile(file, items, false).ok);
    ASSERT_EQ(doc.Load().status, LoadReport::Status::Ok);
    const EventBatch& batch = doc.Change(ChangeKind::Purged, [](EventDocument::Edit& e) {
        for (size_t i = 0; i < 20000; i += 2) e.Remove(i);
    });
    EXPECT_EQ(batch.removed.size(), 10000u);
    ASSERT_EQ(doc.Count(), 10000);
    for (int i = 0; i < doc.Count(); ++i) ASSERT_EQ(utf8(doc[i].Subject), "e" + std::to_string(2 * i + 1));
}

// A damaged file is never written over before its copy is kept; the copy is
// tried again before each save.
TEST_F(EventDocumentTest, ADamagedFileIsCopiedBeforeAnySaveGoesOverIt) {
    TempFolder::Write(file, std::string("\x02\x00\x00\x00", 4) + SaveToBytes(Store({Event("A", At(2026, 12, 1))})).substr(4));
    doc.Subscribe(&views);
    EXPECT_TRUE(doc.Load().damaged());
    ASSERT_EQ(views.heard.size(), 1u);
    EXPECT_EQ(views.heard[0].kind, ChangeKind::Loaded);
    EXPECT_EQ(doc.Count(), 1);
    EXPECT_TRUE(doc.CopyDue());
    EXPECT_FALSE(doc.Save(false).ok);
    EXPECT_EQ(doc.ReadyToWrite("ListToDo.db.damaged-1"), "");
    EXPECT_FALSE(doc.CopyDue());
    ASSERT_TRUE(doc.Save(false).ok);
    EXPECT_TRUE(fs::exists(folder.path() / "ListToDo.db.damaged-1"));
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(doc.ReadyToWrite("x"), "на месте файла находится папка");
}

// Another writer's changes come in as one Merged batch.
TEST_F(EventDocumentTest, AnotherWritersChangesArriveAsOneBatch) {
    FiveEvents();
    doc.Subscribe(&views);
    TodoItems theirs = doc.Events();
    theirs.Delete(0);
    theirs.Add(Event("Z", At(2026, 12, 31, 9, 0)));
    ASSERT_TRUE(SaveToFile(file, theirs, false).ok);
    EXPECT_TRUE(doc.Save(false).changedOutside);
    const EventFileKeeper::Merge m = doc.MergeOutsideChanges("copy");
    EXPECT_TRUE(m.ok && m.changed);
    EXPECT_EQ(m.added, 1);
    EXPECT_EQ(m.removed, 1);
    ASSERT_EQ(views.heard.size(), 1u);
    EXPECT_EQ(views.heard[0].kind, ChangeKind::Merged);
    EXPECT_EQ(Names(views.heard[0].added), std::vector<std::string>{"Z"});
    EXPECT_EQ(Names(views.heard[0].removed), std::vector<std::string>{"A"});
    ASSERT_TRUE(doc.Save(false).ok);

    // A removal with nothing added comes in just the same.
    theirs = doc.Events();
    theirs.Delete(1);
    ASSERT_TRUE(SaveToFile(file, theirs, false).ok);
    EXPECT_TRUE(doc.Save(false).changedOutside);
    EXPECT_EQ(doc.MergeOutsideChanges("copy").removed, 1);
    EXPECT_EQ(Names(doc.Events()), Names(theirs));
    ASSERT_EQ(views.heard.size(), 2u);
    EXPECT_EQ(Names(views.heard[1].removed), std::vector<std::string>{"C"});
    ASSERT_TRUE(doc.Save(false).ok);
}

// The save's first step runs beside the window while changes go on: a change
// stops it, a stopped one writes nothing and leaves nothing, and every image
// that does get written is one whole state of the events.
TEST_F(EventDocumentTest, ASaveAsideIsStoppedByAChangeAndNeverWritesAHalfState) {
    TodoItems start;
    for (int i = 0; i < 20000; ++i) start.Add(Event("e" + std::to_string(i), At(2026, 1, 1 + i % 28, 9, 0)));
    ASSERT_TRUE(SaveToFile(file, start, false).ok);
    ASSERT_EQ(doc.Load().status, LoadReport::Status::Ok);

    const std::atomic<bool> stopNow{true};
    PreparedWrite never;
    EXPECT_TRUE(PrepareEventFile(file, doc.Events(), never, nullptr, LinkPolicy::Follow, &stopNow).stopped);

    constexpr int kChanges = 300;
    std::atomic<bool> done{false};
    std::atomic<int> written{0}, stopped{0};
    std::vector<std::string> faults;
    std::thread saver([&] {
        while (!done.load()) {
            EventFileKeeper::Prepared p;
            const WriteResult w = doc.PrepareAside(p);
            if (w.stopped) { ++stopped; continue; }
            if (!w.ok || !doc.Commit(p, false).ok) { faults.push_back("save failed: " + w.error); continue; }
            ++written;
            TodoItems back;
            const LoadReport r = LoadFromFile(file, back);
            if (r.status != LoadReport::Status::Ok || back.Count() < 20000 || back.Count() > 20000 + kChanges ||
                utf8(back[back.Count() - 1].Subject) != (back.Count() == 20000 ? "e19999" : "n" + std::to_string(back.Count() - 20001)))
                faults.push_back("a written file is no state of the events: " + std::to_string(back.Count()));
        }
    });
    // Changes go on until some save was stopped by one (a slow thread start
    // on some systems) or all are made.
    for (int i = 0; i < kChanges; ++i) {
        doc.Change(ChangeKind::Added, [&](EventDocument::Edit& e) { e.Add(Event("n" + std::to_string(i), At(2026, 2, 1, 9, 0))); });
        if (stopped.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        else std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    done = true;
    saver.join();
    EXPECT_EQ(faults, std::vector<std::string>{});
    EXPECT_GT(stopped.load(), 0);
    ASSERT_TRUE(doc.Save(false).ok);
    TodoItems back;
    ASSERT_EQ(LoadFromFile(file, back).status, LoadReport::Status::Ok);
    EXPECT_EQ(Names(back), Names(doc.Events()));
    // Stopped saves leave no temporaries behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    std::printf("saves written %d, stopped %d\n", written.load(), stopped.load());
}

// Any reader aside (the search's column) is stopped the same way, and knows
// which version of the events it read.
TEST_F(EventDocumentTest, AReaderAsideIsStoppedByAChangeAndKnowsItsVersion) {
    FiveEvents();
    std::atomic<bool> started{false};
    bool sawStop = false;
    uint64_t readVersion = 0;
    bool whole = true;
    std::thread reader([&] {
        whole = doc.ReadAside([&](const TodoItems& events, uint64_t version, const std::atomic<bool>& stop) {
            readVersion = version;
            EXPECT_EQ(events.Count(), 5);
            started = true;
            for (int i = 0; i < 5000 && !stop.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            sawStop = stop.load();
        });
    });
    while (!started) std::this_thread::yield();
    doc.Change(ChangeKind::Added, [](EventDocument::Edit& e) { e.Add(Event("F", At(2026, 12, 9, 9, 0))); });
    reader.join();
    EXPECT_TRUE(sawStop);
    EXPECT_FALSE(whole);
    EXPECT_GT(doc.Version(), readVersion);
    EXPECT_TRUE(doc.ReadAside([](const TodoItems& events, uint64_t, const std::atomic<bool>&) { EXPECT_EQ(events.Count(), 6); }));
}

}  // namespace

namespace {

// What the store held when it was a plain vector: a removal erased, a purge
// kept the others in order, an undo put the removed records back at the end.
struct PlainStore {
    std::vector<TTodoItem> v;
    std::vector<std::vector<TTodoItem>> undo;
    std::string Bytes() const {
        TodoItems items;
        for (const TTodoItem& e : v) items.Add(e);
        return SaveToBytes(items);
    }
};

}  // namespace

// Events whose records stay in their slots must save as the plain store did:
// the same records in the same order, byte for byte, after every Del, purge,
// undo and redo (and the slots' compaction after many removals).
TEST(EventDocumentSlots, SavesTheBytesOfAPlainStoreThroughRemovalsAndUndo) {
    TempFolder folder;
    EventDocument doc(folder.path() / "ListToDo.db");
    UndoHistory history(doc);
    std::mt19937 rng(28);
    PlainStore plain;
    const TDateTime now = At(2010, 10, 15, 14, 0);
    int serial = 0;
    auto addSome = [&](int n) {
        std::vector<TTodoItem> fresh;
        for (int i = 0; i < n; ++i) {
            Event e(std::to_string(serial++), At(2010, 9, 1) + static_cast<int>(rng() % 90) + (rng() % 1440) * kOneMinute);
            if (rng() % 4 == 0) e.Until(At(2010, 9, 1) + static_cast<int>(rng() % 90));
            if (rng() % 5 == 0) e.Repeat("1", std::to_string(3 + rng() % 4).c_str());
            fresh.push_back(e.Done(rng() % 6 == 0));
        }
        doc.Change(ChangeKind::Imported, [&](EventDocument::Edit& e) {
            for (const TTodoItem& x : fresh) e.Add(x);
        });
        plain.v.insert(plain.v.end(), fresh.begin(), fresh.end());
        plain.undo.push_back({});
    };
    // Each step: what the user does, and what the plain store did for it.
    enum class Step { Add, Del, Purge, Undo };
    const Step steps[] = {Step::Add, Step::Del,  Step::Del,   Step::Purge, Step::Undo, Step::Del, Step::Add,
                          Step::Purge, Step::Undo, Step::Purge, Step::Del, Step::Add, Step::Purge, Step::Undo};
    addSome(300);
    for (int round = 0; round < 40; ++round) {
        for (const Step s : steps) {
            switch (s) {
                case Step::Add: addSome(50 + static_cast<int>(rng() % 200)); break;
                case Step::Del: {
                    if (plain.v.empty()) break;
                    const size_t p = rng() % plain.v.size();
                    doc.Change(ChangeKind::Deleted, [&](EventDocument::Edit& e) { e.Remove(p); });
                    plain.undo.push_back({plain.v[p]});
                    plain.v.erase(plain.v.begin() + static_cast<std::ptrdiff_t>(p));
                    break;
                }
                case Step::Purge: {
                    doc.Change(ChangeKind::Purged, [&](EventDocument::Edit& e) { e.RemovePast(now); });
                    std::vector<TTodoItem> gone, kept;
                    for (const TTodoItem& x : plain.v) (IsPurgeable(x, now) ? gone : kept).push_back(x);
                    plain.v = std::move(kept);
                    plain.undo.push_back(std::move(gone));
                    break;
                }
                case Step::Undo: {
                    // Only the removals are undone here; an import's undo is another test's.
                    if (plain.undo.empty() || plain.undo.back().empty()) break;
                    ASSERT_TRUE(history.Undo());
                    plain.v.insert(plain.v.end(), plain.undo.back().begin(), plain.undo.back().end());
                    plain.undo.pop_back();
                    break;
                }
            }
            ASSERT_EQ(SaveToBytes(doc.Events()), plain.Bytes()) << "round " << round;
        }
    }
}

// Positions asked for ascending slots, each search starting where the last
// ended, answer as a search of the whole order does: for slots kept and
// taken, at the ends, asked twice, and far apart.
TEST(EventDocumentSlots, PositionsOfAscendingSlotsAsOneWalk) {
    struct Case {
        const char* what;
        int events;
        bool (*taken)(int slot);
        int stride;  // every how many slots one is asked
    };
    const Case cases[] = {
        {"none taken, every slot", 300, [](int) { return false; }, 1},
        {"every other taken", 300, [](int s) { return s % 2 == 1; }, 1},
        {"a block taken, far apart", 1000, [](int s) { return s >= 100 && s < 700; }, 37},
        {"all but the last taken", 200, [](int s) { return s != 199; }, 3},
        {"the first ones taken", 200, [](int s) { return s < 130; }, 1},
    };
    for (const Case& c : cases) {
        TodoItems items;
        for (int i = 0; i < c.events; ++i) items.Add();
        (void)items.Take(0, [&](int, uint32_t slot) { return c.taken(static_cast<int>(slot)); });
        size_t from = 0;
        for (uint32_t slot = 0; slot < items.SlotCount(); slot += static_cast<uint32_t>(c.stride))
            for (int twice = 0; twice < 2; ++twice)
                ASSERT_EQ(items.PositionOf(slot, from), items.PositionOf(slot)) << c.what << ", slot " << slot;
        EXPECT_EQ(items.PositionOf(items.SlotCount(), from), -1) << c.what;
    }
}
