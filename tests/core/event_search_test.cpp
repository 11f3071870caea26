// Finding events: folded Cyrillic and Latin, ё as е, names and notes, the
// upcoming ones first and the past after them.
#include <gtest/gtest.h>

#include <atomic>

#include "events/ansi.h"
#include "events/event_search.h"
#include "tests/support/builders.h"

namespace {

std::vector<std::string> Names(const TodoItems& events, const SearchResult& r) {
    std::vector<std::string> names;
    for (const SearchHit& h : r.hits) names.push_back(utf8(events[h.position].Subject));
    return names;
}

TEST(EventSearch, FoldsCaseAndYoAndOrdersByNearness) {
    const TodoItems events = Store({Event("Ёлка в школе", At(2010, 12, 28, 17, 0)),
                                    Event("Врач", At(2010, 10, 20, 9, 0)).Notes("Взять ЕЛОВЫЕ ветки?"),
                                    Event("Ёжик", At(2010, 9, 1, 9, 0)),
                                    Event("Елена", At(2009, 5, 1, 9, 0)),
                                    Event("Обед", At(2010, 10, 12, 13, 0)).Notes("Кафе DELight")});
    EventSearch search;
    EXPECT_TRUE(search.Find(ansi("ел"), At(2010, 10, 11), 10).hits.empty());  // nothing before it is built
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(search.Build(events, &stop));  // told to stop: nothing half made
    EXPECT_FALSE(search.Built());
    EXPECT_TRUE(search.Build(events));
    const TDateTime now = At(2010, 10, 11, 9, 0);
    struct Case { const char* text; std::vector<std::string> names; };
    const Case cases[] = {
        {"ёл", {"Врач", "Ёлка в школе", "Елена"}},  // upcoming nearest first, then the past latest first
        {"ЕЛ", {"Врач", "Ёлка в школе", "Елена"}},
        {"EL", {"Обед"}},  // Latin is not Cyrillic
        {"ёж", {"Ёжик"}},
        {"delight", {"Обед"}},
        {"ветки?", {"Врач"}},
        {"нет такого", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Names(events, search.Find(ansi(c.text), now, 10)), c.names) << c.text;

    const SearchResult two = search.Find(ansi("е"), now, 2);
    EXPECT_EQ(two.total, 5u);
    EXPECT_EQ(Names(events, two), (std::vector<std::string>{"Обед", "Врач"}));
    EXPECT_EQ(Names(events, search.Find(ansi("е"), now, 10, Day(2010, 9, 1), At(2010, 10, 20, 23, 59))),
              (std::vector<std::string>{"Обед", "Врач", "Ёжик"}));
    // A word across the end of one event and the start of the next is no match.
    EXPECT_TRUE(search.Find(ansi("школеврач"), now, 10).hits.empty());
}

}  // namespace
