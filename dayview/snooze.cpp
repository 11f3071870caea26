#include "dayview/snooze.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <system_error>
#include <utility>

namespace {

constexpr std::string_view kHeader = "dayloom snoozed reminders 1";

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) out += digits[c >> 4], out += digits[c & 15];
    return out;
}

bool Unhex(std::string_view hex, std::string& out) {
    if (hex.size() % 2) return false;
    out.clear();
    auto value = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = value(hex[i]), lo = value(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi << 4 | lo);
    }
    return true;
}

// Written and read without the locale: the window runs under the user's
// (a decimal comma in Russian), dayloom-cli under the C one.
std::string Number(TDateTime v) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);  // the shortest text that reads back exactly
    return std::string(buf, r.ptr);
}

bool ReadNumber(const std::string& text, TDateTime& out) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, out);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(out);
}

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == '\t') fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

}  // namespace

void SnoozeList::Add(SnoozedReminder r) {
    const auto at = std::upper_bound(items_.begin(), items_.end(), r.moment,
                                     [](TDateTime m, const SnoozedReminder& s) { return m < s.moment; });
    items_.insert(at, std::move(r));
}

std::vector<SnoozedReminder> SnoozeList::TakeDue(TDateTime now) {
    size_t due = 0;
    while (due < items_.size() && items_[due].moment <= now) ++due;
    std::vector<SnoozedReminder> out(std::make_move_iterator(items_.begin()),
                                     std::make_move_iterator(items_.begin() + static_cast<std::ptrdiff_t>(due)));
    items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(due));
    return out;
}

std::string SnoozeList::Text() const {
    std::string out(kHeader);
    out += '\n';
    for (const SnoozedReminder& s : items_) {
        out += Number(s.moment) + '\t' + Number(s.occurrenceDay) + '\t' + Number(s.creationDate) + '\t' +
               Hex(s.subject) + '\t' + Hex(s.text) + '\n';
    }
    return out;
}

SnoozeList SnoozeList::Parse(std::string_view text) {
    SnoozeList list;
    bool first = true;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (std::exchange(first, false)) {
            if (line != kHeader) return list;  // another program's file: nothing of ours
            continue;
        }
        const std::vector<std::string> f = Fields(line);
        SnoozedReminder s;
        if (f.size() != 5 || !ReadNumber(f[0], s.moment) || !ReadNumber(f[1], s.occurrenceDay) ||
            !ReadNumber(f[2], s.creationDate) || !Unhex(f[3], s.subject) || !Unhex(f[4], s.text))
            continue;
        list.Add(std::move(s));
    }
    return list;
}

SnoozeList SnoozeList::Load(const std::filesystem::path& file) {
    std::string text;
    if (!ReadWholeFile(file, text)) return {};
    return Parse(text);
}

WriteResult SnoozeList::Save(const std::filesystem::path& file) const { return WriteFileAtomically(file, Text()); }
