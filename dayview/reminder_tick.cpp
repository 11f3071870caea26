#include "dayview/reminder_tick.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "events/ansi.h"
#include "events/recurrence.h"

const std::string& EventDeletedText() {
    static const std::string text = ansi("Это событие удалено.");
    return text;
}

namespace {

// Midnight of the value's day; a value outside the calendar is kept as it is
// (it still compares equal to itself as a key).
TDateTime MidnightOf(TDateTime v) {
    const int64_t n = SafeDayNumber(v);
    return n == INT64_MIN ? v : ComposeDateTime(n, 0);
}

// Whole milliseconds from `from` to `to`; false when the span is not a
// sensible one (NaN, infinities, or more than ~27,000 years).
bool SpanMs(TDateTime from, TDateTime to, int64_t& out) {
    const double d = to - from;
    if (!(std::fabs(d) < 1e7)) return false;
    out = std::llround(d * kMsPerDay);
    return true;
}

// The period of a row's repeated reminder in milliseconds, or 0 when the
// row does not repeat its reminder (an end set, a unit other than minutes
// or hours, a count that is 0 or not a number).
int64_t RepeatPeriodMs(const TDayRow& row) {
    if (row.CompletionDate != 0) return 0;
    const int count = row.Repetition.PairedCount();
    const RepeatUnit unit = row.Repetition.PairedUnit();
    if (count <= 0) return 0;
    if (unit == kUnitMinutes) return int64_t{count} * 60000;
    if (unit == kUnitHours) return int64_t{count} * 3600000;
    return 0;
}

}  // namespace

namespace {

std::string TextKey(const std::string& text, TDateTime day) {
    std::string key = AnsiUpperCase(text);
    key += '\0';
    key += std::to_string(SafeDayNumber(day));
    return key;
}

std::string RowKey(const TDayRow& row) {
    std::string key = row.Subject;
    char bits[16];
    std::memcpy(bits, &row.CreationDate, 8);
    std::memcpy(bits + 8, &row.Moment, 8);
    key.append(bits, sizeof bits);
    return key;
}

}  // namespace

void ReminderMemory::Index() const {
    for (; indexed_ < raised.size(); ++indexed_)  // the first with a key stays the one found
        byText_.emplace(TextKey(raised[indexed_].text, raised[indexed_].occurrenceDay), static_cast<int>(indexed_));
}

int ReminderMemory::Find(const std::string& text, TDateTime occurrenceDay) const {
    Index();
    const auto it = byText_.find(TextKey(text, occurrenceDay));
    return it == byText_.end() ? -1 : it->second;
}

int ReminderMemory::Add(RaisedReminder r) {
    raised.push_back(std::move(r));
    Index();
    return static_cast<int>(raised.size()) - 1;
}

int ReminderMemory::KnownTab(const TDayRow& row) const {
    const auto it = byRow_.find(RowKey(row));
    return it == byRow_.end() || it->second >= static_cast<int>(raised.size()) ? -1 : it->second;
}

void ReminderMemory::RememberTab(const TDayRow& row, int tab) { byRow_[RowKey(row)] = tab; }

std::vector<std::string> ReminderMemory::ListMsg() const {
    std::vector<std::string> out;
    out.reserve(raised.size());
    for (const RaisedReminder& r : raised) out.push_back(r.text);
    return out;
}

int ReminderMemory::ListSrcIdxMsg(const TodoItems& store, int tab) const {
    if (tab < 0 || tab >= static_cast<int>(raised.size())) return -1;
    const RaisedReminder& r = raised[static_cast<size_t>(tab)];
    return FindByIdentity(store, r.creationDate, r.subject);
}

std::string ReminderText(const TDayRow& row, TDateTime reference, const DayListFormats& fmt) {
    const TDateTime s = row.CreationDate;
    int64_t ms = 0;
    const bool near = SpanMs(s, reference, ms) && std::llabs(ms) / 3600000 < 23;
    std::string text = row.Subject;
    text += " [";
    text += near ? FormatDateTime(fmt.LongTimeFormat, s) : DateTimeToStr(s, fmt);
    text += ']';
    return text;
}

TickActions ReminderTick(const TickInput& in, ReminderMemory& memory) {
    TickActions act;
    const TDateTime now = in.now;

    // The user closed the alert window while the sound was still going.
    act.cutSound = in.soundPlaying && !in.alertShowing;

    for (const TDayRow& row : in.alertList) {
        if (row.ImageIndex == 0 || row.Complete) continue;
        const TDateTime due = row.Moment;
        // Nothing happens before the reminder moment: neither the raising nor
        // a repeat (the repeat period alone would also ring whole periods
        // before it, all day long and without a window).
        if (!(due <= now)) continue;

        // A row raised before is known by its own fields; only a new one
        // has its text formatted and looked up.
        int tab = memory.KnownTab(row);
        if (tab < 0) {
            const std::string text = ReminderText(row, due, in.fmt);
            const TDateTime day = MidnightOf(due);
            tab = memory.Find(text, day);
            if (tab < 0) {
                act.steps.push_back({TickStep::Play, {}, -1});
                tab = memory.Add({text, day, row.CreationDate, row.Subject, now});
                act.steps.push_back({TickStep::RaiseTab, text, tab});
            }
            memory.RememberTab(row, tab);
        }

        // Repeated every N minutes or hours: each repeat moment after the
        // reminder moment rings once, on the first tick at or after it.
        const int64_t period = RepeatPeriodMs(row);
        int64_t elapsed = 0;
        if (period <= 0 || !SpanMs(due, now, elapsed) || elapsed < period) continue;
        const int64_t repeatAt = elapsed / period * period;  // ms after `due`
        RaisedReminder& r = memory.raised[static_cast<size_t>(tab)];
        int64_t lastRing = 0;
        if (SpanMs(due, r.lastRing, lastRing) && repeatAt <= lastRing) continue;
        r.lastRing = now;
        act.steps.push_back({TickStep::Play, {}, -1});
        act.steps.push_back({TickStep::SelectTab, {}, tab});
    }

    act.setCaption = true;

    const int next = in.refreshTicks < kRefreshTicks - 1 ? in.refreshTicks + 1 : kRefreshTicks;
    act.rebuildDayList = next >= kRefreshTicks;
    act.newRefreshTicks = act.rebuildDayList ? 0 : next;

    const int64_t today = SafeDayNumber(now);
    act.rollOver = today != INT64_MIN && today > SafeDayNumber(in.lastRollDay);
    act.newLastRollDay = act.rollOver ? now : in.lastRollDay;
    return act;
}

std::string TabNotes(const TodoItems& store, const RaisedReminder& reminder, const EventIndex* index) {
    const int i = index ? FindByIdentity(store, *index, reminder.creationDate, reminder.subject)
                        : FindByIdentity(store, reminder.creationDate, reminder.subject);
    if (i < 0) return EventDeletedText();
    std::string out;
    bool first = true;
    for (const std::string_view line : store[i].Notes) {
        if (!first) out += "\r\n";
        out += line;
        first = false;
    }
    return out;
}

std::string TabNotes(const TodoItems& store, const ReminderMemory& memory, int tab, const EventIndex* index) {
    if (tab < 0 || tab >= static_cast<int>(memory.raised.size())) return EventDeletedText();
    return TabNotes(store, memory.raised[static_cast<size_t>(tab)], index);
}
