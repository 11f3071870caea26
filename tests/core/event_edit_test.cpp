#include <gtest/gtest.h>

#include "events/recurrence.h"
#include "events/ansi.h"
#include "events/event_edit.h"

namespace {

constexpr EventKind kSimple = EventKind::Simple, kLasting = EventKind::Lasting,
                    kRepeating = EventKind::Repeating, kToDo = EventKind::ToDo;

TEditorState Steer(EventKind kind, int unit, int mask = 0) {
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
        EventKind kind;
        int unit;
        bool weekdays, count, unitBox;
        const char* countText;  // nullptr: as typed
        bool end;
    };
    const Row rows[] = {
        {kSimple, 0, false, false, false, "0", false}, {kToDo, 0, false, false, false, "0", true},
        {kLasting, 0, false, true, true, "0", false}, {kLasting, 1, false, true, true, nullptr, false},
        {kLasting, 4, false, true, true, nullptr, false}, {kLasting, 5, false, false, true, "1", false},
        {kLasting, 6, false, false, true, "1", false}, {kRepeating, 0, true, true, true, "0", false},
        {kRepeating, 1, true, true, true, nullptr, false}, {kRepeating, 2, true, true, true, nullptr, false},
        {kRepeating, 3, false, true, true, nullptr, false}, {kRepeating, 4, false, true, true, nullptr, false},
        {kRepeating, 5, false, false, true, "1", false}, {kRepeating, 6, false, false, true, "1", false},
    };
    for (const Row& r : rows) {
        TEditorState s = Steer(r.kind, r.unit, 42);
        s.countText = "7";
        BoxDvalueChange(s);
        SCOPED_TRACE(testing::Message() << "kind " << int(r.kind) << " unit " << r.unit);
        EXPECT_EQ(s.weekdaysEnabled, r.weekdays);
        EXPECT_EQ(s.countEnabled, r.count);
        EXPECT_EQ(s.unitEnabled, r.unitBox);
        EXPECT_EQ(s.countText, r.countText ? r.countText : "7");
        EXPECT_EQ(s.endVisible, r.end);
        EXPECT_EQ(s.mask, 0);  // a new kind starts without weekdays
    }
}

TEST(EditorState, DayUnitClearsWeekdaysAndLeavingToDoHidesTheEnd) {
    TEditorState s = Steer(kRepeating, 0);
    s.mask = 34;
    s.unit = 3;
    BoxDvalueChange(s);
    EXPECT_EQ(s.mask, 0);
    EXPECT_FALSE(s.weekdaysEnabled);
    s.kind = kToDo;
    Box1Change(s);
    EXPECT_TRUE(s.endVisible);
    EXPECT_EQ(s.unit, 0);
    s.kind = kSimple;
    Box1Change(s);
    EXPECT_FALSE(s.endVisible);
}

TEST(EditorChecks, RefuseWhatCannotBeStored) {
    struct Row { EventKind kind; int unit, mask; const char* count; bool ok; };
    const Row rows[] = {
        {kSimple, 0, 0, "0", true}, {kToDo, 0, 0, "", true}, {kLasting, 0, 0, "5", false},
        {kLasting, 3, 0, "0", false}, {kLasting, 3, 0, "", false}, {kLasting, 3, 0, "2", true},
        {kRepeating, 0, 0, "0", false}, {kRepeating, 0, 34, "0", true}, {kRepeating, 3, 0, "0", false},
        {kRepeating, 3, 0, "00", false}, {kRepeating, 1, 0, "abc", false}, {kRepeating, 1, 0, "9999", true},
        {kRepeating, 1, 0, "10000", false}, {kRepeating, 1, 0, "-1", false}, {kRepeating, 1, 0, " 5", false},
        {kRepeating, 5, 0, "1", true},
    };
    for (const Row& r : rows) {
        TEditorValues v;
        v.kind = r.kind, v.unit = r.unit, v.mask = r.mask, v.countText = r.count;
        EXPECT_EQ(getParamsToDoEventOk(v), r.ok) << int(r.kind) << "/" << r.unit << "/" << r.count;
    }
}

TEditorValues Values(EventKind kind, int unit, const char* count, int mask = 0) {
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
    const TTodoItem simple = NewItemFromEditor(Values(kSimple, 0, "0"));
    EXPECT_EQ(simple.CreationDate, start);  // seconds dropped
    EXPECT_EQ(simple.DueDate, 0);
    EXPECT_EQ(simple.CompletionDate, 0);
    EXPECT_EQ(simple.ImageIndex, 4);
    EXPECT_EQ(simple.Notes, std::vector<std::string>{ansi("коврик\r\nвода")});

    const TTodoItem weekdays = NewItemFromEditor(Values(kRepeating, 0, "7", 34));
    EXPECT_EQ(weekdays.Category, "0");
    EXPECT_EQ(weekdays.Project, "0");
    EXPECT_EQ(weekdays.Resource, "34");
    EXPECT_EQ(weekdays.DueDate, start);

    const TTodoItem monthly = NewItemFromEditor(Values(kLasting, 5, "1"));
    EXPECT_EQ(monthly.CompletionDate, AddInterval(1, 5, start));
    EXPECT_EQ(monthly.DueDate, 0);

    const TTodoItem todo = NewItemFromEditor(Values(kToDo, 0, "0"));
    EXPECT_EQ(todo.CompletionDate, EncodeDateTime(2010, 10, 16, 12, 0));
}

TEST(EditorStore, ChangeReplacesEveryFieldAndKeepsTheTypedCount) {
    TTodoItem it = NewItemFromEditor(Values(kToDo, 0, "0"));  // a to-do
    TEditorValues v = Values(kSimple, 0, "3");
    v.memo = ansi("одна");
    ChangeItemToDo(it, v);
    EXPECT_EQ(it.Notes, std::vector<std::string>{ansi("одна")});
    EXPECT_EQ(it.Category, "3");
    EXPECT_EQ(it.CompletionDate, 0);  // no longer a to-do
    // Into a lasting event, moved to another start and completed.
    v = Values(kLasting, kUnitDays, "2");
    v.start = EncodeDateTime(2010, 10, 20, 8, 15, 30);
    v.completed = true;
    ChangeItemToDo(it, v);
    EXPECT_EQ(it.CreationDate, EncodeDateTime(2010, 10, 20, 8, 15));
    EXPECT_EQ(it.CompletionDate, EncodeDateTime(2010, 10, 22, 8, 15));
    EXPECT_EQ(it.Project, "3");
    EXPECT_TRUE(it.Complete);
}

TEST(EditorOpen, StoredEventsReopenAsTheirKind) {
    struct Row { TEditorValues stored; EventKind kind; };
    const Row rows[] = {{Values(kSimple, 0, "0"), kSimple}, {Values(kLasting, 3, "4"), kLasting},
                        {Values(kRepeating, 4, "2"), kRepeating}, {Values(kRepeating, 0, "0", 42), kRepeating},
                        {Values(kToDo, 0, "0"), kToDo}};
    for (const Row& r : rows) {
        const TTodoItem e = NewItemFromEditor(r.stored);
        TEditorState s;
        const TEditorValues v = EditorValuesFromItem(e, 0, TEditorValues{}, s);
        SCOPED_TRACE(int(r.kind));
        EXPECT_EQ(v.kind, r.kind);
        EXPECT_EQ(v.unit, r.stored.unit);
        EXPECT_EQ(v.mask, r.stored.mask);
        EXPECT_EQ(v.memo, r.stored.memo);
        EXPECT_EQ(v.alert, 4);
        if (r.kind == kToDo) {
            EXPECT_EQ(v.end, EncodeDateTime(2010, 10, 16, 12, 0));
        }
        if (r.kind == kLasting || r.kind == kRepeating) {
            EXPECT_EQ(v.countText, r.stored.unit ? r.stored.countText : "0");
        }
        EXPECT_EQ(s.endVisible, r.kind == kToDo);
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
