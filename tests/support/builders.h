#pragma once
// Dates and events for tests, built one way everywhere. Names and notes are
// written readable (UTF-8) and stored in the code page, as the program does.
#include <string>
#include <string_view>

#include "events/ansi.h"
#include "events/date_time.h"
#include "events/recurrence.h"
#include "events/todo_item.h"

inline TDateTime Day(int y, int m, int d) { return EncodeDate(y, m, d); }
inline TDateTime At(int y, int m, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDateTime(y, m, d, h, mi, s, ms);
}

// The UTF-16 bytes of a (valid) UTF-8 text, little- or big-endian, with the
// byte-order mark or without.
inline std::string Utf16Bytes(std::string_view utf8Text, bool bigEndian, bool mark = true) {
    std::u16string units = mark ? u"\uFEFF" : u"";
    for (size_t i = 0; i < utf8Text.size();) {
        const auto b = static_cast<unsigned char>(utf8Text[i]);
        const size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
        for (size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8Text[i + k]) & 0x3F);
        i += n;
        if (cp < 0x10000) {
            units += static_cast<char16_t>(cp);
        } else {
            units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    std::string out;
    for (const char16_t u : units) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

// A simple event with reminder choice 1 ("on time"); the setters turn it
// into the other kinds with the fields the editor would store.
class Event {
public:
    Event(std::string_view name, TDateTime start) {
        e_.Subject = ansi(name);
        e_.CreationDate = start;
        e_.Category = e_.Project = e_.Resource = "0";
        e_.ImageIndex = 1;
    }
    Event& Alert(int choice) { e_.ImageIndex = choice; return *this; }
    Event& Notes(std::string_view text) { e_.SetNotesText(ansi(text)); return *this; }
    // Repeating every `count` units, or on the weekdays of `mask`.
    Event& Repeat(std::string count, std::string unit, std::string mask = "0") {
        e_.DueDate = e_.CreationDate;
        e_.Category = std::move(count);
        e_.Project = std::move(unit);
        e_.Resource = std::move(mask);
        return *this;
    }
    // A to-do ending at `end`.
    Event& Until(TDateTime end) { e_.CompletionDate = end; return *this; }
    // Lasting `count` units from the start.
    Event& Lasting(int count, int unit) {
        e_.Category = std::to_string(count);
        e_.Project = std::to_string(unit);
        e_.CompletionDate = AddInterval(count, unit, e_.CreationDate);
        return *this;
    }
    Event& Done(bool done = true) { e_.Complete = done; return *this; }
    TTodoItem& Item() { return e_; }
    operator const TTodoItem&() const { return e_; }

private:
    TTodoItem e_;
};

// A store of the given events, in order.
inline TodoItems Store(std::initializer_list<TTodoItem> events) {
    TodoItems items;
    for (const TTodoItem& e : events) items.Add() = e;
    return items;
}
