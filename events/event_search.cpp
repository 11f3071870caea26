#include "events/event_search.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <utility>

#include "events/ansi.h"

namespace {

const std::array<char, 256>& FoldTable() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int c = 0; c < 256; ++c) t[size_t(c)] = AnsiLower(static_cast<char>(c));
        t[0xA8] = t[0xB8] = '\xE5';  // Ё, ё -> е
        return t;
    }();
    return table;
}

void FoldInto(std::string& out, std::string_view text) {
    const auto& t = FoldTable();
    for (const char c : text) out += t[static_cast<unsigned char>(c)];
}

}  // namespace

std::string FoldForSearch(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    FoldInto(out, text);
    return out;
}

bool EventSearch::Build(const TodoItems& events, const std::atomic<bool>* stop) {
    built_ = false;
    column_.clear();
    starts_.clear();
    dates_.clear();
    starts_.reserve(size_t(events.Count()) + 1);
    dates_.reserve(size_t(events.Count()));
    for (const TTodoItem& e : events) {
        if (stop && starts_.size() % 4096 == 0 && stop->load(std::memory_order_acquire)) return false;
        starts_.push_back(column_.size());
        dates_.push_back(e.CreationDate);
        FoldInto(column_, e.Subject);
        column_ += '\1';
        bool first = true;
        for (const std::string_view line : e.Notes) {
            if (!std::exchange(first, false)) column_ += '\n';
            FoldInto(column_, line);
        }
        column_ += '\0';
    }
    starts_.push_back(column_.size());
    built_ = true;
    return true;
}

SearchResult EventSearch::Find(std::string_view text, TDateTime now, size_t limit, TDateTime from,
                               TDateTime to) const {
    SearchResult result;
    const std::string needle = FoldForSearch(text);
    if (needle.empty() || !built_) return result;
    std::vector<SearchHit> all;
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    const char* const begin = column_.data();
    const char* const end = begin + column_.size();
    // The events are met in order: their index walks forward with the matches.
    size_t i = 0;
    for (const char* at = begin; at < end;) {
        const char* found = needle.size() == 1
                                ? static_cast<const char*>(std::memchr(at, needle[0], size_t(end - at)))
                                : std::search(at, end, searcher);
        if (!found || found == end) break;
        const size_t offset = size_t(found - begin);
        while (starts_[i + 1] <= offset) ++i;
        const TDateTime date = dates_[i];
        if (date >= from && date <= to) all.push_back({int(i), date});
        at = begin + starts_[i + 1];  // each event once
    }
    result.total = all.size();
    // Upcoming first, nearest first; then the past, latest first.
    auto before = [now](const SearchHit& a, const SearchHit& b) {
        const bool aUp = a.date >= now, bUp = b.date >= now;
        if (aUp != bUp) return aUp;
        if (a.date != b.date) return aUp ? a.date < b.date : a.date > b.date;
        return a.position < b.position;
    };
    const size_t shown = std::min(limit, all.size());
    std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(shown), all.end(), before);
    all.resize(shown);
    result.hits = std::move(all);
    return result;
}
