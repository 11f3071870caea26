#include "dayview/agenda.h"

#include <algorithm>

#include "dayview/day_list.h"
#include "events/ansi.h"

namespace {

// The reminder timer never raises these rows.
bool TimerSkips(const TDayRow& row) { return row.ImageIndex == kAlertNone || row.Complete; }

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
    TDayRows rows;
    UpDateTdList(store, DateOf(day), ListMode::Day, now, fmt, rows);
    std::vector<std::string> lines;
    lines.reserve(rows.size());
    for (const TDayRow& r : rows) lines.push_back(CliField(r.StartText) + '\t' + CliField(r.Subject));
    return lines;
}

std::vector<std::string> ReminderLines(const TodoItems& store, TDateTime now,
                                       const DayListFormats& fmt, const SnoozeList* snoozed) {
    TDayRows rows;
    UpDateTdList(store, now, ListMode::Reminder, now, fmt, rows);
    auto putOff = [&](const TDayRow& r) {
        if (!snoozed) return false;
        for (const SnoozedReminder& s : snoozed->Items())
            if (s.subject == r.Subject && s.creationDate == r.CreationDate &&
                SafeDayNumber(s.occurrenceDay) == SafeDayNumber(r.Moment))
                return true;
        return false;
    };
    std::vector<std::string> lines;
    for (const TDayRow& r : rows)
        if (!TimerSkips(r) && !putOff(r)) lines.push_back(FormatCliMoment(r.Moment) + '\t' + CliField(r.Subject));
    if (snoozed && !snoozed->Empty()) {
        for (const SnoozedReminder& s : snoozed->Items())
            lines.push_back(FormatCliMoment(s.moment) + '\t' + CliField(s.subject));
        // Each line begins with its moment, written so that text order is time order.
        std::stable_sort(lines.begin(), lines.end(),
                         [](const std::string& a, const std::string& b) { return a.compare(0, 16, b, 0, 16) < 0; });
    }
    return lines;
}

std::string FormatCliMoment(TDateTime moment) { return FormatDateTime("yyyy-MM-dd HH:mm", moment); }
