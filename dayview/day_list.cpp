#include "dayview/day_list.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "events/ansi.h"
#include "events/foreign_event.h"
#include "events/recurrence.h"

namespace {

int64_t SecondsOfDayMs(TDateTime v) { return MsOfDay(v) / 1000 * 1000; }

// Whole hours between two moments, either direction. Rounded to the
// millisecond first so that 23 hours do not come out as 22.9999.
int64_t HoursBetween(TDateTime a, TDateTime b) {
    const double span = std::fabs(a - b);
    if (!(span < 1e7)) return INT64_MAX;
    return std::llround(span * kMsPerDay) / 3600000;
}

// Each rule is named after the kind of event it is for; a row keeps the one
// that listed it.
using Rule = EventKind;

struct Pending {
    TDateTime moment;
    int source;    // the slot
    int position;  // in the store, when asked for
    Rule rule;
    TDateTime occurrence;  // the start of another calendar's occurrence shown; 0 for the others
};

const std::string& Completed() {
    static const std::string s = ansi("Завершено");
    return s;
}
const std::string& NotStarted() {
    static const std::string s = ansi("Не начато");
    return s;
}

std::string StartText(Rule rule, const TTodoItem& ev, TDateTime now, const DayListFormats& fmt) {
    const TDateTime s = ev.CreationDate, e = ev.CompletionDate;
    const bool running = s < now && e > now;
    std::string text;
    switch (rule) {
        case Rule::Simple:
            return TimeToHHMM(s);
        case Rule::ToDo:
            if (e == 0) return text;
            if (running) text = TimeLeftText(e, now, fmt.SplitRemainingTime);
            if (s > now) text = SameDay(s, now) ? TimeToHHMM(s) : DateToStr(s, fmt);
            if (e < now) text = Completed();
            return text;
        case Rule::Repeating:
            if (e == 0) return TimeToHHMM(s);
            if (running) text = TimeLeftText(e, now, fmt.SplitRemainingTime);
            if (s > now) text = NotStarted();
            if (e < now) text = Completed();
            return text;
        case Rule::Lasting:
            text = TimeToHHMM(s);
            if (e != 0) {
                if (running) text = TimeLeftText(e, now, fmt.SplitRemainingTime);
                if (e < now) text = Completed();
            }
            return text;
    }
    return text;
}

// The four rules for one day, applied to one event at a time; `add` is
// called once per rule that holds, with the row's moment.
class DayRules {
public:
    DayRules(TDateTime d, ListMode mode) : DayRules(d, SafeDayNumber(d), mode == ListMode::Reminder) {}
    DayRules(TDateTime d, int64_t dayD, bool reminder) : d_(d), dayD_(dayD), reminder_(reminder) {}
    bool Valid() const { return dayD_ != INT64_MIN; }

    template <typename Add>
    void Apply(const TTodoItem& ev, Add&& add) const {
        if (!Valid()) return;
        if (const TForeignEvent* f = ev.Foreign()) {
            ApplyForeign(*f, ev, add);
            return;
        }
        const TDateTime d = d_;
        const int64_t dayD = dayD_;
        const bool reminder = reminder_;
        const TDateTime s = ev.CreationDate, e = ev.CompletionDate, u = ev.DueDate;
        const int a = ev.ImageIndex;
        const bool done = ev.Complete;
        // A text that is no number counts as 0, so one bad record does not
        // hide the others.
        const int count = ev.Repetition().PairedCount();
        // The start's day only matters when it is the day or the next one. A
        // day number is within a day of its value, so a start more than three
        // days from d is on neither, and the many such starts need not have
        // theirs worked out: they get the number no day has, as a start
        // outside the calendar does (NaN is worked out).
        const int64_t dayS = std::fabs(s - d) < 8 ? SafeDayNumber(s) : INT64_MIN;
        const bool onStartDay = dayS == dayD;
        const bool shift = reminder && a >= 2 && a <= 8;
        auto at = [&](TDateTime time) {
            const TDateTime m = ComposeDateTime(dayD, SecondsOfDayMs(time));
            return shift ? getDtTimeWithAlertTime(a, m) : m;
        };

        // Simple events, and in the reminder list the day-before row of
        // any event reminded a day ahead.
        const bool dayBefore = reminder && a == kAlertDayBefore && dayS != INT64_MIN &&
                               dayS - 1 == dayD;
        if ((u == 0 && e == 0 && onStartDay) || dayBefore) add(at(s), Rule::Simple, 0);

        // To-do: every day of its span while open, its start day always.
        if (count == 0 && e != 0 &&
            ((s <= d && d <= e && !done && u == 0) || onStartDay)) {
            const TDateTime time = HoursBetween(s, e) < 23 && d > s ? e : s;
            add(at(time), Rule::ToDo, 0);
        }

        // Repeating: a completed one only on its start day.
        const bool recurs = RecursOn(ev, d);
        if (recurs && (!done || onStartDay)) add(at(u), Rule::Repeating, 0);

        // Lasting: every day of its span while open, its start day always.
        if (!recurs && u == 0 && e != 0 && count != 0 &&
            ((s <= d && d <= e && !done) || onStartDay))
            add(at(s), Rule::Lasting, 0);
    }

private:
    // An event of another calendar is on the day by its own occurrences:
    // each one starting there is a row at its moment, one lasting into the
    // day a row at its time of day; a completed one only on its start day.
    template <typename Add>
    void ApplyForeign(const TForeignEvent& f, const TTodoItem& ev, Add&& add) const {
        const int a = ev.ImageIndex;
        const bool shift = reminder_ && a >= 2 && a <= 8;
        auto at = [&](TDateTime m) { return shift ? getDtTimeWithAlertTime(a, m) : m; };
        thread_local std::vector<TOccurrence> occ;
        occ.clear();
        if (!ev.Complete || SafeDayNumber(ev.CreationDate) == dayD_) f.OnDay(dayD_, occ);
        const Rule starting = f.Repeats() ? Rule::Repeating : Rule::Simple;
        for (const TOccurrence& o : occ) {
            if (SafeDayNumber(o.Start) == dayD_) add(at(o.Start), starting, o.Start);
            else add(at(ComposeDateTime(dayD_, SecondsOfDayMs(o.Start))), Rule::Lasting, o.Start);
        }
        if (reminder_ && a == kAlertDayBefore) {
            occ.clear();
            f.OnDay(dayD_ + 1, occ);
            for (const TOccurrence& o : occ)
                if (SafeDayNumber(o.Start) == dayD_ + 1) add(o.Start - 1, Rule::Simple, o.Start);
        }
    }

    TDateTime d_;
    int64_t dayD_;
    bool reminder_;
};

}  // namespace

TDateTime getDtTimeWithAlertTime(int alertIndex, TDateTime moment) {
    static constexpr int kMinutes[8] = {1, 5, 15, 30, 45, 60, 120, 1440};
    if (alertIndex < 2 || alertIndex > 9) return moment;
    return AddMinutes(moment, -kMinutes[alertIndex - 2]);
}

TDateTime TimeOfDay(TDateTime moment) {
    return static_cast<double>(SecondsOfDayMs(moment)) / kMsPerDay;
}

TDateTime CombineDateAndTime(TDateTime day, TDateTime time) {
    const int64_t n = SafeDayNumber(day);
    if (n == INT64_MIN) return day;
    return ComposeDateTime(n, SecondsOfDayMs(time));
}

std::string TimeToHHMM(TDateTime moment) {
    const int64_t ms = MsOfDay(moment);
    const int h = static_cast<int>(ms / 3600000), m = static_cast<int>(ms / 60000 % 60);
    const char text[5] = {static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':',
                          static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10)};
    return std::string(text, 5);
}

namespace {

// The rows of the pending occurrences, ordered by moment (store order
// within a moment: pending slots ascend), appended to `out`.
void RowsOf(const TodoItems& store, std::vector<Pending>& pending, TDateTime now, const DayListFormats& fmt,
            TDayRows& out, std::vector<int>* sources) {
    if (sources) {
        // The slots ascend here: one walk along the store finds their positions.
        size_t from = 0;
        for (Pending& p : pending) p.position = store.PositionOf(static_cast<uint32_t>(p.source), from);
    }
    std::stable_sort(pending.begin(), pending.end(),
                     [](const Pending& x, const Pending& y) { return x.moment < y.moment; });

    out.reserve(pending.size());
    if (sources) sources->reserve(pending.size());
    for (const Pending& p : pending) {
        const TTodoItem& ev = store.AtSlot(static_cast<uint32_t>(p.source));
        TDayRow& r = out.emplace_back();
        r.Subject = ev.Subject;
        // Another calendar's occurrence shows its own hour, which need not be
        // the first one's on this clock.
        r.StartText = p.occurrence != 0 && p.rule != Rule::Lasting ? TimeToHHMM(p.occurrence)
                                                                   : StartText(p.rule, ev, now, fmt);
        r.CreationDate = ev.CreationDate;
        r.CompletionDate = ev.CompletionDate;
        r.Moment = p.moment;
        r.Repetition = ev.Repetition();
        r.ImageIndex = ev.ImageIndex;
        r.Kind = p.rule;
        r.Complete = ev.Complete;
        if (sources) sources->push_back(p.position);
    }
}

}  // namespace

void UpDateTdList(const TodoItems& store, TDateTime d, ListMode mode, TDateTime now,
                  const DayListFormats& fmt, TDayRows& out, std::vector<int>* sources, const EventIndex* index) {
    out.clear();
    if (sources) sources->clear();
    if (SafeDayNumber(d) == INT64_MIN) return;

    // Only the events that fall on the day cost more than a few comparisons:
    // nothing is allocated or formatted for the others.
    // Events are named by their slots here (the index's names), which
    // ascend as positions do; the rows' positions are looked up at the end.
    std::vector<Pending> pending;
    const auto slots = static_cast<int>(store.SlotCount());
    const DayRules rules(d, mode);
    auto apply = [&](int slot) {
        rules.Apply(store.AtSlot(static_cast<uint32_t>(slot)), [&](TDateTime moment, Rule rule, TDateTime occurrence) {
            pending.push_back({moment, slot, -1, rule, occurrence});
        });
    };
    if (index) {
        // Ascending slots, so rows of one moment keep store order.
        std::vector<int> candidates;
        index->Candidates(SafeDayNumber(d), mode == ListMode::Reminder, candidates);
        for (const int slot : candidates)
            if (slot >= 0 && slot < slots) apply(slot);
    } else {
        for (int i = 0; i < store.Count(); ++i) apply(static_cast<int>(store.SlotOf(i)));
    }
    RowsOf(store, pending, now, fmt, out, sources);
}

void AddRowsOf(const TodoItems& store, const std::vector<uint32_t>& added, TDateTime d, ListMode mode, TDateTime now,
               const DayListFormats& fmt, TDayRows& rows, std::vector<int>* sources) {
    if (SafeDayNumber(d) == INT64_MIN || added.empty()) return;
    std::vector<Pending> pending;
    const DayRules rules(d, mode);
    for (const uint32_t slot : added)
        rules.Apply(store.AtSlot(slot), [&](TDateTime moment, Rule rule, TDateTime occurrence) {
            pending.push_back({moment, static_cast<int>(slot), -1, rule, occurrence});
        });
    TDayRows more;
    std::vector<int> moreSources;
    RowsOf(store, pending, now, fmt, more, sources ? &moreSources : nullptr);
    // Each goes after every row of its moment or an earlier one: the later
    // slot, as a rebuild orders them.
    for (size_t k = 0; k < more.size(); ++k) {
        const auto at = std::upper_bound(rows.begin(), rows.end(), more[k].Moment,
                                         [](TDateTime m, const TDayRow& r) { return m < r.Moment; });
        const auto i = at - rows.begin();
        rows.insert(at, std::move(more[k]));
        if (sources) sources->insert(sources->begin() + i, moreSources[k]);
    }
}

int TakeRowsOf(const TodoItems& store, const TakenEvents& taken, TDayRows& rows, std::vector<int>& sources,
               std::vector<uint32_t>& slots) {
    if (slots.size() != rows.size() || sources.size() != rows.size()) return -1;
    // The store moved its events to slots of their own with this change: the
    // rows' slots name others now.
    if (!taken.empty() && !taken.From(store)) return -1;
    size_t kept = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (taken.Took(store, slots[i])) continue;
        const int position = store.PositionOf(slots[i]);
        if (position < 0) return -1;  // rows of another store's events
        if (kept != i) rows[kept] = std::move(rows[i]);
        slots[kept] = slots[i];
        sources[kept++] = position;
    }
    const int gone = static_cast<int>(rows.size() - kept);
    rows.resize(kept);
    sources.resize(kept);
    slots.resize(kept);
    return gone;
}

FallsOnDay::FallsOnDay(TDateTime d, ListMode mode)
    : d_(d), dayD_(SafeDayNumber(d)), reminder_(mode == ListMode::Reminder) {}

bool FallsOnDay::operator()(const TTodoItem& event) const {
    bool any = false;
    DayRules(d_, dayD_, reminder_).Apply(event, [&](TDateTime, Rule, TDateTime) { any = true; });
    return any;
}

int getIdxOfList(int index, const TDayRows& from, const TodoItems& in, const EventIndex* eventIndex) {
    if (index < 0 || index >= static_cast<int>(from.size())) return -1;
    const TDayRow& row = from[static_cast<size_t>(index)];
    return eventIndex ? FindByIdentity(in, *eventIndex, row.CreationDate, row.Subject)
                      : FindByIdentity(in, row.CreationDate, row.Subject);
}

int DeleteRowOf(TDayRows& rows, const TTodoItem& event) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].CreationDate == event.CreationDate && rows[i].Subject == event.Subject) {
            rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i));
            return static_cast<int>(i);
        }
    return -1;
}
