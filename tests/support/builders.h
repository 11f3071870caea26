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
