#pragma once
// The imports of ZET data: moon-day and sunrise-and-sunset journals, and
// pasted moon aspects and void-of-course periods.
//
// An import is two steps. A run reads the whole input and gives either every
// event it holds or the first line that does not convert (then nothing is
// added at all). The run's events then go in as one import batch
// (import/import_batch.h). The window shows run.Message when a run is not ok.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "events/date_time.h"
#include "events/todo_item.h"

// Months 1..12 chosen in the window's month list ("All" checks all twelve).
class MonthChoice {
public:
    static MonthChoice All() { MonthChoice m; m.bits_ = 0x1FFE; return m; }
    MonthChoice& Set(int month, bool on = true) {
        if (month >= 1 && month <= 12) {
            const auto bit = static_cast<uint16_t>(1u << month);
            bits_ = static_cast<uint16_t>(on ? bits_ | bit : bits_ & ~bit);
        }
        return *this;
    }
    bool Has(int month) const { return month >= 1 && month <= 12 && (bits_ >> month & 1u) != 0; }
    bool Any() const { return bits_ != 0; }

private:
    uint16_t bits_ = 0;
};

struct ZetImportOptions {
    MonthChoice Months;        // journals only: pasted text is not filtered by month
    int AlertIndex = 2;        // reminder choice of every imported event ("за 1 мин")
    bool SummerTime = false;   // moon days: one hour more where a line has no "+N" mark
    bool MoonDayNotes = true;  // moon days: the short note of the day in the notes
    TDateTime Now = 0;         // moon days: an undated first line takes this date
};

// Progress of a run: `done` of `total` lines read. Called after each line that
// moves the window's progress bar, so the window can repaint between lines.
using ZetProgress = std::function<void(int done, int total)>;

// One event a run found, as AddEventToListToDo takes it.
struct ZetNewEvent {
    std::string Subject;  // begins with the kind's marker ("~", "*", "\"", ">")
    std::string Notes;
    TDateTime Start = 0;
    TDateTime End = 0;    // to-do events only
    EventKind Kind = EventKind::Simple;  // or a to-do (void-of-course periods)
    int AlertIndex = 2;
    TImportKind Source = TImportKind::None;
};

enum class ZetStatus {
    Ok,           // Events holds everything the input gives (possibly nothing)
    NotThisKind,  // a journal run was given another kind of journal: no message
    NoMonths,     // no month chosen
    EmptyText,    // pasted text without a line
    WrongKind,    // pasted text whose first line is not of the chosen kind
    BadLine,      // a line that does not convert: Line and Message tell which
    NotAJournal,  // neither journal run knows the file
    Unreadable,   // the file or text could not be taken (too large, unreadable)
};

struct ZetRun {
    ZetStatus Status = ZetStatus::Ok;
    TImportKind Kind = TImportKind::None;  // what the input was taken for
    std::vector<ZetNewEvent> Events;       // Ok only, in input order
    int Line = 0;                          // BadLine: the line's number, from 1
    std::string Message;                   // for the user (UTF-8); empty when Ok
    bool ok() const { return Status == ZetStatus::Ok; }
};

// The moon-day journal: a first line with "Журнал Лунных дней" and the year,
// line 3 carried into the notes, data lines after the first blank line. One
// event per moon day ("~Лунный день - N") and per moon phase ("~Лунная фаза -
// ...") of the chosen months.
ZetRun LoadZetJournalMoonDays(const std::vector<std::string>& lines, const ZetImportOptions& options,
                              const ZetProgress& progress = {});

// The sunrise-and-sunset journal: a first line with "восходов Солнца" and the
// year, lines 2 and 3 as the notes, data lines two lines after the time-zone
// line. Two events per day of the chosen months ("* Восход Солнца" and
// "* Заход Солнца").
ZetRun LoadSunData(const std::vector<std::string>& lines, const ZetImportOptions& options,
                   const ZetProgress& progress = {});

// Pasted moon aspects, one event per line: date and time, then the aspect
// text three characters after the line's last double quote.
ZetRun LoadActualAspectMoon(const std::vector<std::string>& lines, const ZetImportOptions& options,
                            const ZetProgress& progress = {});

// Pasted void-of-course periods, one to-do event per line from the start
// date and time to the end date and time (">Луна без курса").
ZetRun MoonWithOutKurs(const std::vector<std::string>& lines, const ZetImportOptions& options,
                       const ZetProgress& progress = {});

// The journal's Import button: the moon-day run, then the sunrise-and-sunset
// run, each on the journal of its kind; NotAJournal when neither knows it.
ZetRun ImportZetJournal(const std::vector<std::string>& lines, const ZetImportOptions& options,
                        const ZetProgress& progress = {});

// The kinds of pasted text, in the order of the window's list.
enum class ZetPastedKind { MoonAspects = 0, VoidOfCourse = 1 };

// The paste box's Import button: checks the first line that is not blank
// against the chosen kind, then runs that kind's import.
ZetRun ImportPastedZetText(const std::vector<std::string>& lines, ZetPastedKind kind,
                           const ZetImportOptions& options, const ZetProgress& progress = {});

