#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/ansi.h"
#include "events/event_file.h"
#include "import/import_batch.h"
#include "import/imported_events.h"
#include "tests/support/builders.h"

namespace {

TTodoItem Imported(const char* name, TDateTime start, TImportKind kind) {
    TTodoItem e = Event(name, start).Notes("");
    e.Imported = kind;
    return e;
}

TEST(ImportedEvents, RemovalByKindYearAndMonthKeepsEverythingElse) {
    TodoItems store = Store({
        Imported("~Лунный день - 13", At(2010, 3, 6, 0, 5), TImportKind::MoonDays),
        Imported("~Лунная фаза - Полнолуние", At(2010, 3, 6, 18, 40), TImportKind::MoonDays),  // next to it
        Imported("~Лунный день - 14", At(2011, 3, 7, 1, 0), TImportKind::MoonDays),      // another year
        Imported("~Лунный день - 15", At(2010, 4, 8, 1, 0), TImportKind::MoonDays),      // another month
        Imported("* Восход Солнца", At(2010, 3, 6, 6, 45), TImportKind::SunRiseSet),     // another kind
        Event("~ мой лунный день", At(2010, 3, 9, 10, 0)),                               // the user's own
        Event("Поход ~ в горы", At(2010, 3, 10, 10, 0)),
        Imported("~Лунный день - 16", At(2010, 3, 31, 23, 59), TImportKind::MoonDays),
    });
    std::vector<std::pair<int, int>> progress;
    const std::vector<size_t> march = ImportedInMonths(store, ImportMarker(RemovalKindAt(0)), MonthChoice().Set(3),
                                                       2010, [&](int m, int of) { progress.emplace_back(m, of); });
    EXPECT_EQ(march, (std::vector<size_t>{0, 1, 7}));
    ASSERT_EQ(progress.size(), 12u);
    EXPECT_EQ(progress.back(), std::make_pair(12, 12));

    EXPECT_TRUE(ImportedInMonths(store, "~", MonthChoice(), 2010).empty());  // no month chosen
    EXPECT_EQ(ImportedInMonths(store, "~", MonthChoice().Set(4), 2010), std::vector<size_t>{3});
    EXPECT_EQ(ImportedInMonths(store, "~", MonthChoice::All(), 2011), std::vector<size_t>{2});
}

// Events imported before the mark existed are known by what the imports
// write; the user's events that only begin with a marker character are not.
TEST(ImportedEvents, UnmarkedEventsByTheFormOfWhatImportsWrite) {
    const TDateTime t = At(2010, 3, 5, 14, 22);
    struct Case { const char* marker; TTodoItem event; bool imported; };
    auto toDo = [&](const char* name, const char* notes) { return TTodoItem(Event(name, t).Notes(notes).Until(At(2010, 3, 5, 18, 40))); };
    auto simple = [&](const char* name, const char* notes, TDateTime at) { return TTodoItem(Event(name, at).Notes(notes)); };
    auto favourable = [&](const char* name, TDateTime at) { return TTodoItem(Event(name, at).Notes("").Alert(0)); };
    const Case cases[] = {
        {"~", simple("~Лунный день - 13", " w4 13", t), true},
        {"~", simple("~Лунная фаза - Полнолуние", "", t), true},
        {"~", simple("~Лунный день - тринадцать", "", t), false},
        {"~", simple("~ мой день", "", t), false},
        {"~", Event("~Лунный день - 13", t).Repeat("1", "3"), false},  // a repeating event is the user's
        {"*", simple("* Восход Солнца", "Москва", t), true},
        {"*", simple("* Восход Солнца!", "", t), false},
        {"*", simple("*важно*", "", t), false},
        {"\"", simple("\"w6 w7", " w3 12°34'56\" ab w6 w7", t), true},
        {"\"", simple("\"", " w3 x\"ab", t), true},
        {"\"", simple("\"Ромашка\" заказ", "купить семена", t), false},
        {"\"", simple("\"Ромашка\"", "заказ \"Ромашка\"", t), false},
        {">", toDo(">Луна без курса", "Луна без курса"), true},
        {">", toDo(">Луна без курса", "мой период"), false},
        {">", simple(">Луна без курса", "Луна без курса", t), false},
        {">", toDo("> отчёт", ""), false},
        {"#13", favourable("#13 : Хороший день.", At(2010, 3, 13, 7, 0)), true},
        {"#13", favourable("#13", At(2010, 3, 13, 7, 0)), true},
        {"#13", favourable("#13 : мой день", At(2010, 3, 13, 7, 0)), false},
        {"#13", favourable("#13", At(2010, 3, 13, 9, 0)), false},
        {"#1", favourable("#13", At(2010, 3, 13, 7, 0)), false},  // the day of birth 1 is not 13
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsImportedInMonth(c.event, c.marker, 3, 2010), c.imported) << utf8(c.event.Subject);
    }
    // With the mark the form does not matter, the marker still does.
    TodoItems marked = Store({Imported("~ другой текст", t, TImportKind::MoonDays),
                              Imported("#13", t, TImportKind::FavourableDays)});
    EXPECT_TRUE(ImportedInMonths(marked, "#1", MonthChoice().Set(3), 2010).empty());
    EXPECT_EQ(ImportedInMonths(marked, "~", MonthChoice().Set(3), 2010), std::vector<size_t>{0});
    EXPECT_EQ(ImportedInMonths(marked, "#13", MonthChoice().Set(3), 2010), std::vector<size_t>{1});
}

TEST(ImportedEvents, TheMarkTravelsThroughTheEventFileOnlyWhereSet) {
    const TodoItems own = Store({Event("Врач", At(2010, 10, 11, 9, 30))});
    const std::string ownBytes = SaveToBytes(own);
    EXPECT_EQ(ownBytes.substr(4, 4), std::string("\x0f\0\0\0", 4));  // the 15 fields as always

    TodoItems mixed = own;
    mixed.Add(Imported(">Луна без курса", At(2010, 3, 5, 14, 22), TImportKind::VoidOfCourse));
    const std::string bytes = SaveToBytes(mixed);
    const std::string mark("\xC8\x01\x00\x04", 4);  // field 200, length 1, value 4
    EXPECT_EQ(bytes.substr(bytes.size() - 4), mark);
    TodoItems back;
    ASSERT_EQ(LoadFromBytes(bytes, back).status, LoadReport::Status::Ok);
    EXPECT_EQ(back[0].Imported, TImportKind::None);
    EXPECT_EQ(back[1].Imported, TImportKind::VoidOfCourse);
    EXPECT_EQ(SaveToBytes(back), bytes);
    EXPECT_EQ(SaveToBytes(own), ownBytes);

    // A mark of another length is skipped like any unknown field.
    std::string odd = bytes;
    odd.replace(odd.size() - 4, 4, std::string("\xC8\x02\x00\x04\x04", 5));
    ASSERT_EQ(LoadFromBytes(odd, back).status, LoadReport::Status::Ok);
    EXPECT_EQ(back[1].Imported, TImportKind::None);
}

}  // namespace
