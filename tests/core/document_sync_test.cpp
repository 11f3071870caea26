// The event document's side of sync: the UIDs it gives and keeps, and a
// round's results applied as one change that never loses the user's version.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "events/ansi.h"
#include "events/event_file.h"
#include "import/ics.h"
#include "sync/document_sync.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ServerText(const std::string& uid, const std::string& summary) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//RU\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:20261208T100000Z\r\nSUMMARY:" + summary +
           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

class DocumentSyncTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::filesystem::path file = folder.path() / "ListToDo.db";
    EventDocument doc{file};
    SyncSettings settings;

    void Add(const TTodoItem& e) {
        doc.Change(ChangeKind::Added, [&](EventDocument::Edit& edit) { edit.Add(e); });
    }
    const TTodoItem* Named(const std::string& name) const {
        for (const TTodoItem& e : doc.Events())
            if (utf8(e.Subject) == name) return &e;
        return nullptr;
    }
};

TEST(SyncUidField, IsKeptThroughTheFileAndABrokenOneKeepsItsBytes) {
    TodoItems items;
    items.Add(Event("Врач", At(2026, 12, 8, 10, 0)));
    items[0].Raw.setSyncUid("abc-1@dayloom");
    items.Add(Event("Без UID", At(2026, 12, 8, 11, 0)));
    const std::string bytes = SaveToBytes(items);
    TodoItems back;
    ASSERT_EQ(LoadFromBytes(bytes, back).status, LoadReport::Status::Ok);
    EXPECT_EQ(back[0].SyncUid(), "abc-1@dayloom");
    EXPECT_EQ(back[1].SyncUid(), "");
    EXPECT_EQ(SaveToBytes(back), bytes);

    // A field 202 that is no UID (empty) is another program's: kept as it was.
    std::string odd = SaveToBytes(back);
    const std::string field = std::string(1, char(202)) + std::string("\x0d\x00", 2) + "abc-1@dayloom";
    const size_t at = odd.find(field);
    ASSERT_NE(at, std::string::npos);
    odd.replace(at, field.size(), std::string(1, char(202)) + std::string("\x00\x00", 2));
    TodoItems broken;
    ASSERT_EQ(LoadFromBytes(odd, broken).status, LoadReport::Status::Ok);
    EXPECT_EQ(broken[0].SyncUid(), "");
    EXPECT_EQ(SaveToBytes(broken), odd);
}

TEST_F(DocumentSyncTest, GivenUidsAreTheSameEveryTimeAndKeptWithoutCountingAsAChange) {
    Add(Event("Врач", At(2026, 12, 8, 10, 0)));
    Add(Event("Врач", At(2026, 12, 8, 10, 0)));  // the same identity twice
    DocumentSync a(doc, settings, UtcZone()), b(doc, settings, UtcZone());
    const auto first = a.Events(), again = b.Events();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_NE(first[0].uid, first[1].uid);
    EXPECT_EQ(first[0].uid, again[0].uid);
    EXPECT_EQ(first[1].uid, again[1].uid);
    a.Apply();
    EXPECT_EQ(doc.Events()[0].SyncUid(), first[0].uid);
    EXPECT_EQ(doc.Events()[1].SyncUid(), first[1].uid);
    DocumentSync c(doc, settings, UtcZone());
    const auto after = c.Events();
    EXPECT_EQ(after[0].hash, first[0].hash);  // the next round sends nothing
    EXPECT_EQ(after[1].hash, first[1].hash);
    EXPECT_NE(c.Text(first[0].uid).find("UID:" + first[0].uid), std::string::npos);

    // A third of the same identity does not take a UID another already holds.
    Add(Event("Врач", At(2026, 12, 8, 10, 0)));
    const auto three = DocumentSync(doc, settings, UtcZone()).Events();
    ASSERT_EQ(three.size(), 3u);
    EXPECT_NE(three[2].uid, first[0].uid);
    EXPECT_NE(three[2].uid, first[1].uid);
}

// Before the first new event goes out its UID is kept (and saved by the
// owner): renamed afterwards, even by a program killed before the round's
// end, the event keeps the UID the server got; the rest of the round is not
// mistaken for the user's change.
TEST_F(DocumentSyncTest, UidsKeptBeforeSendingSurviveARenameAndMakeNoConflict) {
    Add(Event("Врач", At(2026, 12, 8, 10, 0)));
    Add(Event("Отчёт", At(2026, 12, 9, 10, 0)));
    DocumentSync sync(doc, settings, UtcZone());
    int saves = 0;
    sync.OnBeforeSending([&](std::string&) {
        ++saves;
        return sync.KeepGivenUids() && doc.Save().ok;
    });
    const auto local = sync.Events();
    std::string why;
    ASSERT_TRUE(sync.BeforeSending(why));
    ASSERT_TRUE(sync.BeforeSending(why));  // nothing more to keep: not asked again
    EXPECT_EQ(saves, 1);
    EventDocument onDisk(file);
    onDisk.Load();
    EXPECT_EQ(onDisk.Events()[0].SyncUid(), local[0].uid);
    EXPECT_EQ(onDisk.Events()[1].SyncUid(), local[1].uid);

    // The server's version of one comes later in the round: no conflict.
    uint64_t hash = 0;
    ASSERT_TRUE(sync.Take(local[1].uid, ServerText(local[1].uid, "Отчёт v2"), hash, why));
    sync.Apply();
    EXPECT_EQ(sync.LateConflicts(), 0);
    EXPECT_TRUE(Named("Отчёт v2"));
    EXPECT_EQ(doc.Count(), 2);

    doc.Change(ChangeKind::Edited, [&](EventDocument::Edit& edit) {
        TTodoItem e = edit.Events()[0];
        e.Subject = ansi("Зубной врач");
        edit.Replace(0, e);
    });
    DocumentSync next(doc, settings, UtcZone());
    EXPECT_EQ(next.Events()[0].uid, local[0].uid);
}

TEST_F(DocumentSyncTest, JournalImportsGoOnlyWhenChosen) {
    TTodoItem moon = Event("Луна", At(2026, 12, 8, 0, 0));
    moon.Imported = TImportKind::MoonDays;
    Add(moon);
    Add(Event("Своё", At(2026, 12, 8, 9, 0)));
    EXPECT_EQ(DocumentSync(doc, settings, UtcZone()).Events().size(), 1u);
    settings.zetImports = true;
    EXPECT_EQ(DocumentSync(doc, settings, UtcZone()).Events().size(), 2u);
}

TEST_F(DocumentSyncTest, TakenDroppedAndKeptGoInOneChangeAndTheUsersVersionSurvives) {
    Add(Event("Врач", At(2026, 12, 8, 10, 0)));
    Add(Event("Отчёт", At(2026, 12, 9, 10, 0)));
    Add(Event("Старое", At(2026, 12, 10, 10, 0)));
    DocumentSync earlier(doc, settings, UtcZone());  // a round before gave the UIDs
    earlier.Events();
    earlier.Apply();
    DocumentSync sync(doc, settings, UtcZone());
    const auto local = sync.Events();
    const std::string doctor = local[0].uid, report = local[1].uid, old = local[2].uid;

    uint64_t hash = 0;
    std::string why;
    EXPECT_FALSE(sync.Take("x", "не календарь", hash, why));
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(sync.Differs(doctor, ServerText(doctor, "Зубной врач")));
    sync.KeepAsConflict(doctor);
    ASSERT_TRUE(sync.Take(doctor, ServerText(doctor, "Зубной врач"), hash, why));
    ASSERT_TRUE(sync.Take("new-1", ServerText("new-1", "С телефона"), hash, why));
    const uint64_t taken = hash;
    ASSERT_TRUE(sync.Take(report, ServerText(report, "Отчёт v2"), hash, why));
    sync.Drop(old);

    // Meanwhile the user renames the report: the server's version comes,
    // the user's stays beside it.
    doc.Change(ChangeKind::Edited, [&](EventDocument::Edit& edit) {
        TTodoItem e = edit.Events()[1];
        e.Subject = ansi("Отчёт мой");
        edit.Replace(1, e);
    });
    int batches = 0;
    struct Count : EventObserver {
        int* n;
        void EventsChanged(const EventBatch& b) override { *n += b.kind == ChangeKind::Synced; }
    } counter;
    counter.n = &batches;
    doc.Subscribe(&counter);
    sync.Apply();
    doc.Unsubscribe(&counter);
    EXPECT_EQ(batches, 1);

    EXPECT_TRUE(Named("Зубной врач"));
    ASSERT_TRUE(Named("Врач (конфликт)"));
    EXPECT_NE(Named("Врач (конфликт)")->SyncUid(), doctor);
    EXPECT_TRUE(Named("С телефона"));
    EXPECT_TRUE(Named("Отчёт v2"));
    EXPECT_TRUE(Named("Отчёт мой (конфликт)"));
    EXPECT_EQ(sync.LateConflicts(), 1);
    EXPECT_FALSE(Named("Старое"));
    EXPECT_EQ(Named("Зубной врач")->SyncUid(), doctor);
    // The hash the round keeps for a taken event is the one the next round sees.
    DocumentSync next(doc, settings, UtcZone());
    for (const LocalEvent& e : next.Events()) {
        if (e.uid == "new-1") {
            EXPECT_EQ(e.hash, taken);
        }
    }
}

TEST_F(DocumentSyncTest, ADropLeavesAnEventChangedWhileTheRoundRan) {
    Add(Event("Встреча", At(2026, 12, 8, 10, 0)));
    DocumentSync sync(doc, settings, UtcZone());
    const std::string uid = sync.Events()[0].uid;
    sync.Drop(uid);
    doc.Change(ChangeKind::Completed, [&](EventDocument::Edit& edit) {
        TTodoItem e = edit.Events()[0];
        e.Complete = true;
        edit.Replace(0, e);
    });
    sync.Apply();
    ASSERT_EQ(doc.Count(), 1);
    EXPECT_TRUE(doc.Events()[0].Complete);
}

}  // namespace
