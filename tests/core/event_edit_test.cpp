#include <gtest/gtest.h>

#include "events/recurrence.h"
#include "events/ansi.h"
#include "events/event_edit.h"

namespace {

TEditorState Steer(int kind, int unit, int mask = 0) {
    TEditorState s;
    s.kind = kind;
    s.unit = 0;
    s.mask = mask;
    Box1Change(s);  // the kind first, then the unit, as the user picks them
    s.unit = unit;
    BoxDvalueChange(s);
    return s;
}

TEST(EditorState, KindAndUnitGiveTheTableOfStates) {
    struct Row {
        int kind, unit;
        bool weekdays, count, unitBox;
        const char* countText;  // nullptr: as typed
        bool end;
    };
    const Row rows[] = {
        {0, 0, false, false, false, "0", false}, {3, 0, false, false, false, "0", true},
        {1, 0, false, true, true, "0", false},   {1, 1, false, true, true, nullptr, false},
        {1, 4, false, true, true, nullptr, false}, {1, 5, false, false, true, "1", false},
        {1, 6, false, false, true, "1", false},  {2, 0, true, true, true, "0", false},
        {2, 1, true, true, true, nullptr, false}, {2, 2, true, true, true, nullptr, false},
        {2, 3, false, true, true, nullptr, false}, {2, 4, false, true, true, nullptr, false},
        {2, 5, false, false, true, "1", false},  {2, 6, false, false, true, "1", false},
    };
    for (const Row& r : rows) {
        TEditorState s = Steer(r.kind, r.unit, 42);
        s.countText = "7";
        BoxDvalueChange(s);
        SCOPED_TRACE(testing::Message() << "kind " << r.kind << " unit " << r.unit);
        EXPECT_EQ(s.weekdaysEnabled, r.weekdays);
        EXPECT_EQ(s.countEnabled, r.count);
        EXPECT_EQ(s.unitEnabled, r.unitBox);
        EXPECT_EQ(s.countText, r.countText ? r.countText : "7");
        EXPECT_EQ(s.endVisible, r.end);
        EXPECT_EQ(s.mask, 0);  // a new kind starts without weekdays
    }
}

TEST(EditorState, DayUnitClearsWeekdaysAndLeavingToDoHidesTheEnd) {
    TEditorState s = Steer(2, 0);
    s.mask = 34;
    s.unit = 3;
    BoxDvalueChange(s);
    EXPECT_EQ(s.mask, 0);
    EXPECT_FALSE(s.weekdaysEnabled);
    s.kind = 3;
    Box1Change(s);
    EXPECT_TRUE(s.endVisible);
    EXPECT_EQ(s.unit, 0);
    s.kind = 0;
    Box1Change(s);
    EXPECT_FALSE(s.endVisible);
}

TEST(EditorChecks, RefuseWhatCannotBeStored) {
    struct Row { int kind, unit, mask; const char* count; bool ok; };
    const Row rows[] = {
        {0, 0, 0, "0", true},  {3, 0, 0, "", true},    {1, 0, 0, "5", false}, {1, 3, 0, "0", false},
        {1, 3, 0, "", false},  {1, 3, 0, "2", true},   {2, 0, 0, "0", false}, {2, 0, 34, "0", true},
        {2, 3, 0, "0", false}, {2, 3, 0, "00", false}, {2, 1, 0, "abc", false}, {2, 1, 0, "9999", true},
        {2, 1, 0, "10000", false}, {2, 1, 0, "-1", false}, {2, 1, 0, " 5", false}, {2, 5, 0, "1", true},
    };
    for (const Row& r : rows) {
        TEditorValues v;
        v.kind = r.kind, v.unit = r.unit, v.mask = r.mask, v.countText = r.count;
        EXPECT_EQ(getParamsToDoEventOk(v), r.ok) << r.kind << "/" << r.unit << "/" << r.count;
    }
}

TEditorValues Values(int kind, int unit, const char* count, int mask = 0) {
    TEditorValues v;
    v.subject = ansi("Йога");
    v.memo = ansi("коврик\r\nвода");
    v.kind = kind, v.unit = unit, v.countText = count, v.mask = mask;
    v.start = EncodeDateTime(2010, 10, 15, 10, 30, 45);
    v.end = EncodeDateTime(2010, 10, 16, 12, 0, 30);
    v.alert = 4;
    return v;
}

TEST(EditorStore, NewEventsOfEachKind) {
    const TDateTime start = EncodeDateTime(2010, 10, 15, 10, 30);
    const TTodoItem simple = NewItemFromEditor(Values(0, 0, "0"));
    EXPECT_EQ(simple.CreationDate, start);  // seconds dropped
    EXPECT_EQ(simple.DueDate, 0);
    EXPECT_EQ(simple.CompletionDate, 0);
    EXPECT_EQ(simple.ImageIndex, 4);
    EXPECT_EQ(simple.Notes, std::vector<std::string>{ansi("коврик\r\nвода")});

    const TTodoItem weekdays = NewItemFromEditor(Values(2, 0, "7", 34));
    EXPECT_EQ(weekdays.Category, "0");
    EXPECT_EQ(weekdays.Project, "0");
    EXPECT_EQ(weekdays.Resource, "34");
    EXPECT_EQ(weekdays.DueDate, start);

    const TTodoItem monthly = NewItemFromEditor(Values(1, 5, "1"));
    EXPECT_EQ(monthly.CompletionDate, AddInterval(1, 5, start));
    EXPECT_EQ(monthly.DueDate, 0);

    const TTodoItem todo = NewItemFromEditor(Values(3, 0, "0"));
    EXPECT_EQ(todo.CompletionDate, EncodeDateTime(2010, 10, 16, 12, 0));
}

TEST(EditorStore, ChangeReplacesEveryFieldAndKeepsTheTypedCount) {
    TTodoItem it = NewItemFromEditor(Values(3, 0, "0"));  // a to-do
    TEditorValues v = Values(0, 0, "3");
    v.memo = ansi("одна");
    ChangeItemToDo(it, v);
    EXPECT_EQ(it.Notes, std::vector<std::string>{ansi("одна")});
    EXPECT_EQ(it.Category, "3");
    EXPECT_EQ(it.CompletionDate, 0);  // no longer a to-do
    // Into a lasting event, moved to another start and completed.
    v = Values(1, kUnitDays, "2");
    v.start = EncodeDateTime(2010, 10, 20, 8, 15, 30);
    v.completed = true;
    ChangeItemToDo(it, v);
    EXPECT_EQ(it.CreationDate, EncodeDateTime(2010, 10, 20, 8, 15));
    EXPECT_EQ(it.CompletionDate, EncodeDateTime(2010, 10, 22, 8, 15));
    EXPECT_EQ(it.Project, "3");
    EXPECT_TRUE(it.Complete);
}

TEST(EditorOpen, StoredEventsReopenAsTheirKind) {
    struct Row { TEditorValues stored; int kind; };
    const Row rows[] = {{Values(0, 0, "0"), 0}, {Values(1, 3, "4"), 1}, {Values(2, 4, "2"), 2},
                        {Values(2, 0, "0", 42), 2}, {Values(3, 0, "0"), 3}};
    for (const Row& r : rows) {
        const TTodoItem e = NewItemFromEditor(r.stored);
        TEditorState s;
        const TEditorValues v = EditorValuesFromItem(e, 0, TEditorValues{}, s);
        SCOPED_TRACE(r.kind);
        EXPECT_EQ(v.kind, r.kind);
        EXPECT_EQ(v.unit, r.stored.unit);
        EXPECT_EQ(v.mask, r.stored.mask);
        EXPECT_EQ(v.memo, r.stored.memo);
        EXPECT_EQ(v.alert, 4);
        if (r.kind == 3) {
            EXPECT_EQ(v.end, EncodeDateTime(2010, 10, 16, 12, 0));
        }
        if (r.kind == 1 || r.kind == 2) {
            EXPECT_EQ(v.countText, r.stored.unit ? r.stored.countText : "0");
        }
        EXPECT_EQ(s.endVisible, r.kind == 3);
        // Storing what was opened gives the event back.
        TTodoItem again = e;
        ChangeItemToDo(again, v);
        EXPECT_EQ(again.CompletionDate, e.CompletionDate);
        EXPECT_EQ(again.DueDate, e.DueDate);
        EXPECT_EQ(again.Category, e.Category);
        EXPECT_EQ(again.Resource, e.Resource);
    }
}

}  // namespace
