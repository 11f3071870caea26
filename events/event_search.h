#pragma once
// Finding events by a piece of their name or notes. The texts of every event
// are folded once (lower case, ё as е) into one column, so a key press costs
// one scan of that column, not a fold of a million records; the column is
// made again when the events have changed.
#include <atomic>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "events/todo_item.h"

// A Windows-1251 text as the search compares it: Latin and Cyrillic letters
// in lower case, ё and Ё as е.
std::string FoldForSearch(std::string_view text);

struct SearchHit {
    int position = -1;   // in the events searched
    TDateTime date = 0;  // the event's start
};

struct SearchResult {
    std::vector<SearchHit> hits;  // the first ones in order, at most the limit
    size_t total = 0;             // how many matched in all
};

class EventSearch {
public:
    // With `stop`, gives up as soon as it is set (false, nothing built).
    bool Build(const TodoItems& events, const std::atomic<bool>* stop = nullptr);
    bool Built() const { return built_; }
    // The events changed: the column is made again before the next search.
    void Invalidate() { built_ = false; }

    // The events whose name or notes contain `text` (Windows-1251), whose
    // start lies within [from, to]: those starting at or after `now` first,
    // the nearest first, then the past ones, the latest first. An empty text
    // finds nothing.
    SearchResult Find(std::string_view text, TDateTime now, size_t limit,
                      TDateTime from = -std::numeric_limits<double>::infinity(),
                      TDateTime to = std::numeric_limits<double>::infinity()) const;

private:
    bool built_ = false;
    std::string column_;          // per event: folded name, '\1', folded notes, '\0'
    std::vector<size_t> starts_;  // where each event's texts begin, and the end
    std::vector<TDateTime> dates_;
};
