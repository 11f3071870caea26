#include "import/imported_events.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "events/ansi.h"
#include "import/zet_text.h"

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The fields AddEventToListToDo gives every imported event.
bool ImportShape(const TTodoItem& e) {
    return e.Category == "0" && e.Project == "0" && e.Resource == "0" && e.DueDate == 0;
}

struct Legacy {
    std::string moonDay = ansi("~Лунный день - ");
    std::string moonPhase = ansi("~Лунная фаза -");
    std::string sunrise = ansi("* Восход Солнца");
    std::string sunset = ansi("* Заход Солнца");
    std::string voidSubject = ansi(">Луна без курса");
    std::string voidNotes = ansi("Луна без курса");
    std::array<std::string, 4> dayKinds = {ansi("Хороший день."), ansi("Особенный день."),
                                           ansi("Отличный день."), ansi("Очень благоприятный день.")};
};

const Legacy& L() {
    static const Legacy l;
    return l;
}

// An aspect's subject is the text three characters after the last double
// quote of the line its notes were cut from.
bool AspectShape(const TTodoItem& e) {
    if (e.Subject.size() < 1 || e.Notes.size() != 1) return false;
    const std::string_view notes = e.Notes[0];
    const size_t q = notes.rfind('"');
    if (q == std::string_view::npos) return false;
    const std::string_view after = q + 4 < notes.size() ? notes.substr(q + 4) : std::string_view{};
    return TrimZet(after) == std::string_view(e.Subject).substr(1);
}

// "#" and the day of birth, then nothing or " : " and a kind of day; at 07:00
// without a reminder.
bool FavourableShape(const TTodoItem& e) {
    const std::string_view s = std::string_view(e.Subject).substr(1);
    size_t digits = 0;
    while (digits < s.size() && IsDigit(s[digits])) ++digits;
    if (digits == 0 || digits > 2) return false;
    const std::string_view rest = s.substr(digits);
    bool kindOk = rest.empty();
    for (const std::string& k : L().dayKinds) kindOk = kindOk || rest == " : " + k;
    return kindOk && e.ImageIndex == 0 && MsOfDay(e.CreationDate) == 7 * 3600000;
}

bool ImportedBeforeTheMark(const TTodoItem& e) {
    if (!ImportShape(e) || e.Subject.empty()) return false;
    const Legacy& l = L();
    const std::string_view s = e.Subject;
    switch (s[0]) {
        case '~':
            if (e.CompletionDate != 0) return false;
            if (StartsWith(s, l.moonPhase)) return true;
            if (StartsWith(s, l.moonDay)) {
                std::string_view n = s.substr(l.moonDay.size());
                if (!n.empty() && n[0] == '-') n.remove_prefix(1);
                return AllDigits(n);
            }
            return false;
        case '*': return e.CompletionDate == 0 && (s == l.sunrise || s == l.sunset);
        case '"': return e.CompletionDate == 0 && AspectShape(e);
        case '>':
            return e.CompletionDate != 0 && s == l.voidSubject && e.Notes.size() == 1 &&
                   e.Notes[0] == l.voidNotes;
        case '#': return e.CompletionDate == 0 && FavourableShape(e);
        default: return false;
    }
}

}  // namespace

const std::string& ImportMarker(TImportKind kind) {
    static const std::array<std::string, 6> kMarkers = {"", "~", "*", "\"", ">", "#"};
    const auto i = static_cast<size_t>(kind);
    return kMarkers[i < kMarkers.size() ? i : 0];
}

TImportKind RemovalKindAt(int index) {
    switch (index) {
        case 0: return TImportKind::MoonDays;
        case 1: return TImportKind::SunRiseSet;
        case 2: return TImportKind::MoonAspects;
        case 3: return TImportKind::VoidOfCourse;
        default: return TImportKind::None;
    }
}

bool IsImportedEvent(const TTodoItem& e) {
    return e.Imported != TImportKind::None || ImportedBeforeTheMark(e);
}

bool MatchesImportMarker(const TTodoItem& e, std::string_view marker) {
    if (marker.empty() || !StartsWith(e.Subject, marker)) return false;
    if (IsDigit(marker.back()) && e.Subject.size() > marker.size() && IsDigit(e.Subject[marker.size()]))
        return false;
    return IsImportedEvent(e);
}

namespace {

bool InMonth(const TTodoItem& e, int month, int year) {
    if (!InCalendar(e.CreationDate)) return false;
    const auto ymd = YmdOf(e.CreationDate);
    return static_cast<int>(ymd.year()) == year && static_cast<unsigned>(ymd.month()) == static_cast<unsigned>(month);
}

}  // namespace

namespace {

}  // namespace

bool IsImportedInMonth(const TTodoItem& event, std::string_view marker, int month, int year) {
    return MatchesImportMarker(event, marker) && InMonth(event, month, year);
}

