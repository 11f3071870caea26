#include "dayview/agenda.h"

#include "dayview/day_list.h"
#include "events/ansi.h"

namespace {

// The reminder timer never raises these copies.
bool TimerSkips(const TTodoItem& copy) { return copy.ImageIndex == kAlertNone || copy.Complete; }

}  // namespace

std::string CliField(std::string_view ansiText) {
    std::string clean(ansiText);
    for (char& c : clean) {
        const auto b = static_cast<unsigned char>(c);
        // 0x98 has no character in the code page and would come out as a C1 control.
        if (b < 0x20 || b == 0x7F || b == 0x98) c = ' ';
    }
    return utf8(clean);
}

std::vector<std::string> AgendaLines(const TodoItems& store, TDateTime day, TDateTime now,
                                     const DayListFormats& fmt) {
    TodoItems copies;
    UpDateTdList(store, DateOf(day), ListMode::Day, now, fmt, copies);
    std::vector<std::string> lines;
    lines.reserve(size_t(copies.Count()));
    for (const TTodoItem& c : copies) lines.push_back(CliField(c.Category) + '\t' + CliField(c.Subject));
    return lines;
}

std::vector<std::string> ReminderLines(const TodoItems& store, TDateTime now,
                                       const DayListFormats& fmt) {
    TodoItems copies;
    UpDateTdList(store, now, ListMode::Reminder, now, fmt, copies);
    std::vector<std::string> lines;
    for (const TTodoItem& c : copies)
        if (!TimerSkips(c)) lines.push_back(FormatCliMoment(c.DueDate) + '\t' + CliField(c.Subject));
    return lines;
}

std::string FormatCliMoment(TDateTime moment) { return FormatDateTime("yyyy-MM-dd HH:mm", moment); }
