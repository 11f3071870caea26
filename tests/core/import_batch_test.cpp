// One way in: every import is a batch merged by identity in one change of the
// document; removals by kind and month are one change too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/event_document.h"
#include "events/event_file.h"
#include "import/good_days.h"
#include "import/import_batch.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

struct Counter : EventObserver {
    std::vector<ChangeKind> kinds;
    size_t added = 0, removed = 0;
    void EventsChanged(const EventBatch& b) override {
        kinds.push_back(b.kind);
        added += b.added.size();
        removed += b.removed.size();
    }
};

ZetNewEvent Zet(const char* name, TDateTime start, TImportKind kind = TImportKind::MoonDays) {
    return {ansi(name), ansi("заметка"), start, 0, EventKind::Simple, 2, kind};
}

class ImportBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SaveToFile(folder.path() / "ListToDo.db",
                               Store({Event("~лунный день - 13", At(2010, 3, 6, 0, 5)),
                                      Event("Врач", At(2010, 3, 6, 0, 5))}),
                               false)
                        .ok);
        doc.Load();
        doc.Subscribe(&views);
    }
    TempFolder folder;
    EventDocument doc{folder.path() / "ListToDo.db"};
    Counter views;
};

// The events the store lacks go in, each identity once, as one change; what
// is there already is counted, never added twice.
TEST_F(ImportBatchTest, AnImportIsOneChangeAndNothingComesTwice) {
    const std::vector<ZetNewEvent> run = {Zet("~Лунный день - 13", At(2010, 3, 6, 0, 5, 30)),
                                          Zet("~Лунная фаза - Полнолуние", At(2010, 3, 6, 18, 40)),
                                          Zet("~Лунная фаза - Полнолуние", At(2010, 3, 6, 18, 40, 30))};
    const ChangeSummary first = MergeImport(doc, BatchOf(run));
    EXPECT_EQ(first.Added, 2);
    EXPECT_EQ(first.AlreadyThere, 1);  // the third repeats the second to the minute
    ASSERT_EQ(doc.Count(), 4);
    EXPECT_EQ(doc[2].Imported, TImportKind::MoonDays);
    EXPECT_EQ(doc[2].CreationDate, At(2010, 3, 6, 0, 5));  // to the minute
    EXPECT_EQ(views.kinds, std::vector<ChangeKind>{ChangeKind::Imported});
    EXPECT_EQ(views.added, 2u);

    const ChangeSummary again = MergeImport(doc, BatchOf(run));
    EXPECT_EQ(again.Added, 0);
    EXPECT_EQ(again.AlreadyThere, 3);
    EXPECT_EQ(views.kinds.size(), 1u);  // nothing changed, nobody told
}

// iCalendar's simplified repetitions count only where they were added; the
// undated items are told, not added.
TEST_F(ImportBatchTest, ACalendarsSimplifiedAndUndatedItemsAreCounted) {
    IcsRun run;
    run.ok = true;
    run.Events = {Event("Врач", At(2010, 3, 6, 0, 5)), Event("Сериал", At(2010, 3, 9, 20, 0)),
                  Event("Йога", At(2010, 3, 10, 8, 0))};
    run.Simplified = {1, 1, 0};
    run.Undated = 4;
    const ChangeSummary s = MergeImport(doc, BatchOf(std::move(run)));
    EXPECT_EQ(s, (ChangeSummary{false, 2, 1, 0, 1, 4}));
}

// A favourable day already there under another wording of its kind counts as
// there; a user's event that merely begins with "#1" is not one of them.
TEST_F(ImportBatchTest, FavourableDaysAreThereWhateverTheirWording) {
    const GoodDaysRequest march{13, 2010, MonthChoice().Set(3), true};
    const ChangeSummary first = MergeImport(doc, GoodDaysBatch(FindGoodDaysOfYear(march).Events));
    EXPECT_EQ(first.Added, 7);
    const std::string bytes = SaveToBytes(doc.Events());
    const ChangeSummary again =
        MergeImport(doc, GoodDaysBatch(FindGoodDaysOfYear({13, 2010, march.Months, false}).Events));
    EXPECT_EQ(again.Added, 0);
    EXPECT_EQ(again.AlreadyThere, 7);
    EXPECT_EQ(SaveToBytes(doc.Events()), bytes);
}

// A removal takes the imported events of the kind, year and months, and
// nothing the user typed, as one change.
TEST_F(ImportBatchTest, ARemovalIsOneChangeOfImportedEventsOnly) {
    MergeImport(doc, BatchOf({Zet("~Лунный день - 14", At(2010, 3, 7, 1, 0)), Zet("~Лунный день - 15", At(2010, 4, 8, 1, 0)),
                              Zet("~Лунный день - 16", At(2011, 3, 7, 1, 0)),
                              Zet("* Восход Солнца", At(2010, 3, 6, 6, 45), TImportKind::SunRiseSet)}));
    std::vector<int> progress;
    const ChangeSummary s = RemoveImported(doc, "~", MonthChoice().Set(3), 2010, [&](int m, int) { progress.push_back(m); });
    EXPECT_EQ(s, RemovalSummary(1));
    EXPECT_EQ(doc.Count(), 5);  // the user's "~лунный день - 13" stays
    EXPECT_EQ(progress.size(), 12u);
    EXPECT_EQ(views.kinds, (std::vector<ChangeKind>{ChangeKind::Imported, ChangeKind::Removed}));
    EXPECT_EQ(RemoveImported(doc, "~", MonthChoice(), 2010), RemovalSummary(0));  // no month chosen
    EXPECT_EQ(views.kinds.size(), 2u);
}

}  // namespace
