// Undo and redo: each user action one step, found again by content whatever
// moved meanwhile, applied as a change every observer hears.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "events/undo_history.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string> SortedNames(const TodoItems& items) {
    std::vector<std::string> names;
    for (const TTodoItem& e : items) names.push_back(utf8(e.Subject) + (e.Complete ? "+" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

// Position of the first event named `name` as the change begins.
size_t Pos(const EventDocument::Edit& e, const char* name) {
    for (int k = 0; k < e.Events().Count(); ++k)
        if (e.Events()[k].Subject == ansi(name)) return size_t(k);
    return size_t(-1);
}

struct Counter : EventObserver {
    int told = 0;
    ChangeKind last = ChangeKind::Loaded;
    void EventsChanged(const EventBatch& b) override { ++told, last = b.kind; }
};

class UndoHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        TodoItems items;
        for (int i = 0; i < 5; ++i) items.Add(Event(std::string(1, char('A' + i)), At(2026, 12, 1 + i, 9, 0)));
        // A repeating one and a twin: found again by content, one each.
        items.Add(Event("R", At(2026, 1, 5, 8, 0)).Repeat("1", "4"));
        items.Add(Event("A", At(2026, 12, 1, 9, 0)));
        ASSERT_TRUE(SaveToFile(folder.path() / "ListToDo.db", items, false).ok);
        doc.Load();
        doc.Subscribe(&views);
    }
    TempFolder folder;
    EventDocument doc{folder.path() / "ListToDo.db"};
    UndoHistory history{doc};
    Counter views;
};

// Every kind of change undoes to the store before it and redoes to the
// store after it, as one change the views hear.
TEST_F(UndoHistoryTest, EachKindUndoesAndRedoes) {
    struct Case {
        const char* name;
        ChangeKind kind;
        std::function<void(EventDocument::Edit&)> edit;
    };
    const std::vector<Case> cases = {
        {"добавление «N»", ChangeKind::Added, [](auto& e) { e.Add(Event("N", At(2026, 12, 7, 9, 0))); }},
        {"удаление «C»", ChangeKind::Deleted, [](auto& e) { e.Remove(Pos(e, "C")); }},
        {"отметка о завершении «B»", ChangeKind::Completed,
         [](auto& e) { TTodoItem b = e.Events()[int(Pos(e, "B"))]; b.Complete = true; e.Replace(Pos(e, "B"), b); }},
        {"изменение «D2»", ChangeKind::Edited, [](auto& e) { e.Replace(Pos(e, "D"), Event("D2", At(2026, 12, 4, 10, 0))); }},
        {"перенос «R»", ChangeKind::Edited,
         [](auto& e) {
             TTodoItem r = e.Events()[int(Pos(e, "R"))];
             r.CreationDate = r.DueDate = At(2026, 2, 5, 8, 0);
             e.Replace(Pos(e, "R"), r);
         }},
        {"очистка прошедших (3 события)", ChangeKind::Purged, [](auto& e) { e.Remove(Pos(e, "A")), e.Remove(Pos(e, "E")), e.Remove(Pos(e, "R")); }},
        {"импорт (2 события)", ChangeKind::Imported,
         [](auto& e) { e.Add(Event("J1", At(2026, 12, 8))); e.Add(Event("J2", At(2026, 12, 9))); }},
        {"удаление импортированных (1 событие)", ChangeKind::Removed, [](auto& e) { e.Remove(Pos(e, "J1")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = SortedNames(doc.Events());
        doc.Change(c.kind, c.edit);
        const auto after = SortedNames(doc.Events());
        ASSERT_TRUE(history.CanUndo());
        EXPECT_EQ(utf8(history.UndoName()), c.name);
        const int told = views.told;
        ASSERT_TRUE(history.Undo());
        EXPECT_EQ(views.told, told + 1);
        EXPECT_EQ(views.last, ChangeKind::Undone);
        EXPECT_EQ(SortedNames(doc.Events()), before);
        EXPECT_EQ(utf8(history.RedoName()), c.name);
        ASSERT_TRUE(history.Redo());
        EXPECT_EQ(SortedNames(doc.Events()), after);
        ASSERT_TRUE(history.Undo());
        EXPECT_EQ(SortedNames(doc.Events()), before);
        EXPECT_TRUE(history.Redo());
    }
    // Back through all of them, then forward again.
    while (history.Undo()) {}
    EXPECT_EQ(SortedNames(doc.Events()), (std::vector<std::string>{"A", "A", "B", "C", "D", "E", "R"}));
    EXPECT_EQ(history.RedoSteps(), cases.size());
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.UndoName(), "");
}

// A new action ends the redo; the history keeps its last steps only, and a
// reload forgets it; a step whose record another writer took away leaves it out.
TEST_F(UndoHistoryTest, LimitsAndWhatEndsTheHistory) {
    doc.Change(ChangeKind::Deleted, [](auto& e) { e.Remove(0); });
    history.Undo();
    doc.Change(ChangeKind::Deleted, [](auto& e) { e.Remove(1); });
    EXPECT_FALSE(history.CanRedo());

    UndoHistory three(doc, 3);
    for (int i = 0; i < 5; ++i) doc.Change(ChangeKind::Added, [&](auto& e) { e.Add(Event("x", At(2027, 1, 1 + i))); });
    EXPECT_EQ(three.UndoSteps(), 3u);

    doc.Change(ChangeKind::Merged, [](auto& e) { e.Remove(size_t(e.Events().Count() - 1)); });
    const int count = doc.Count();
    EXPECT_TRUE(three.Undo());  // its event went with the merge: nothing to take away
    EXPECT_EQ(doc.Count(), count);
    EXPECT_TRUE(three.Undo());
    EXPECT_EQ(doc.Count(), count - 1);

    doc.Load();
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(three.CanRedo());
}

// An edit undone after a sync gave the event its UID: the event is as it
// was, still known to the server by that UID (the undo syncs as a change,
// not as a deletion and a new event); redone, it keeps it too.
TEST_F(UndoHistoryTest, AnEditUndoneAfterASyncKeepsTheEventsUid) {
    doc.Change(ChangeKind::Edited, [](auto& e) { e.Replace(Pos(e, "D"), Event("D2", At(2026, 12, 4, 10, 0))); });
    doc.Change(ChangeKind::Synced, [](auto& e) {
        TTodoItem d = e.Events()[int(Pos(e, "D2"))];
        d.Raw.setSyncUid("d@dayloom");
        e.Replace(Pos(e, "D2"), d);
    });
    ASSERT_TRUE(history.Undo());
    const auto find = [&](const char* name) -> const TTodoItem& {
        for (const TTodoItem& e : doc.Events())
            if (e.Subject == name) return e;
        ADD_FAILURE() << name;
        return doc.Events()[0];
    };
    EXPECT_EQ(find("D").SyncUid(), "d@dayloom");
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(find("D2").SyncUid(), "d@dayloom");
}

TEST(UndoTexts, NumbersAndPlurals) {
    const std::vector<std::pair<size_t, std::string>> cases = {
        {1, "1 событие"}, {2, "2 события"}, {5, "5 событий"}, {11, "11 событий"}, {14, "14 событий"},
        {21, "21 событие"}, {112, "112 событий"}, {1523, "1 523 события"}, {1000000, "1 000 000 событий"}};
    for (const auto& [n, text] : cases) EXPECT_EQ(GroupedNumber(n) + " " + utf8(EventsWord(n)), text);
    EXPECT_EQ(utf8(RemovalNotice(1523)), "Удалено событий: 1 523. Ctrl+Z — отменить");
}

}  // namespace
