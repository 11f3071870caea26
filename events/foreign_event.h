#pragma once
// An event that came from another calendar program keeps what that calendar
// said of it: its UID, its whole repetition (rule, left-out and extra dates,
// moved occurrences), its zone, its length and its text in full Unicode. The
// event file carries the event's iCalendar text (Text()); it is read once,
// with the record, into the few values its occurrences are worked out from,
// and the occurrences themselves are worked out on demand and remembered.
//
// Occurrences are worked out in the event's own zone and shown on the
// program's clock (ClockZone), so a Berlin series keeps its Berlin hour on
// a Moscow clock in both halves of the year.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "events/date_time.h"

struct icalcomponent_impl;  // libical's component

// One occurrence on the program's clock; End == Start when it has no length.
struct TOccurrence {
    TDateTime Start = 0, End = 0;
};

class TForeignEvent {
public:
    // Reads an event's iCalendar text: the VEVENT, the VEVENTs of its moved
    // occurrences and the VTIMEZONEs they name that the system's zone data
    // lacks (UTF-8; without the VCALENDAR around them). None, with `problem`
    // said, when there is no VEVENT with a start that reads, or a date of it
    // does not read. `visit`, when given, sees the event and its component
    // once the text has read, so a reader of files parses each event once.
    using Visit = std::function<void(const TForeignEvent&, icalcomponent_impl*)>;
    static std::shared_ptr<const TForeignEvent> Read(std::string text, std::string* problem = nullptr,
                                                     const Visit& visit = {});

    const std::string& Text() const { return text_; }
    const std::string& Uid() const { return uid_; }
    const std::string& Summary() const { return summary_; }          // UTF-8
    const std::string& Description() const { return description_; }  // UTF-8
    // A rule or extra dates: more than the first occurrence may come.
    bool Repeats() const { return repeats_; }
    bool AllDay() const { return allDay_; }
    bool ToDo() const { return todo_; }  // a VTODO
    // The zone of the start ("Europe/Berlin"); empty for UTC or floating.
    const std::string& ZoneName() const { return zoneName_; }
    TOccurrence First() const;

    // The occurrences that have a moment on the day `day` (a day number of
    // the program's clock), by start.
    void OnDay(int64_t day, std::vector<TOccurrence>& out) const;
    bool OccursOnDay(int64_t day) const;
    // The days from `first` to `last` on which an occurrence starts, ascending.
    void StartDays(int64_t first, int64_t last, std::vector<int64_t>& days) const;
    // Some occurrence ends at or after `moment` (a series without an end always).
    bool AnyFrom(TDateTime moment) const;

    ~TForeignEvent();
    TForeignEvent(const TForeignEvent&) = delete;
    TForeignEvent& operator=(const TForeignEvent&) = delete;

    // A moment of the series: seconds, UTC or (`floating`) on the wall clock
    // of whoever reads it.
    struct When {
        int64_t t = 0;
        int32_t length = 0;  // seconds
        bool floating = false;
        friend bool operator<(const When& a, const When& b) { return a.t < b.t; }
    };

private:
    TForeignEvent() = default;
    struct Series;

    // The series' moments from `lo` to `hi` (its own seconds), ascending.
    void Moments(int64_t lo, int64_t hi, std::vector<When>& out) const;
    void Occurrences(int64_t wallFrom, int64_t wallTo, std::vector<TOccurrence>& out) const;

    std::string text_, uid_, summary_, description_, zoneName_;
    bool repeats_ = false, allDay_ = false, todo_ = false;
    int64_t longest_ = 0;  // seconds: the longest occurrence
    std::unique_ptr<Series> series_;
    // Remembered blocks of moments of a series without a known end.
    mutable std::mutex cacheMutex_;
    mutable std::vector<std::pair<int64_t, std::vector<When>>> blocks_;
};

// An iCalendar date-time or date as "YYYYMMDDTHHMMSS" on a wall clock.
std::string IcsStamp(int64_t wallSeconds, bool dateOnly = false);

// The system's zone data has a zone of this name (or of its last two parts,
// as "/mozilla.org/20050126_1/Europe/Berlin" names Europe/Berlin).
bool SystemKnowsZone(const std::string& tzid);
