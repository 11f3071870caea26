#pragma once
// The content lines of iCalendar files: a whole text walked component by
// component, and lines written escaped and folded.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct IcsProperty {
    std::string Name;  // upper case
    std::vector<std::pair<std::string, std::string>> Params;  // names upper case, values unquoted
    std::string Value;  // as written (TEXT values still escaped)
    int Line = 0;       // where the property starts, from 1

    // The first value of the parameter; nullptr when absent.
    const std::string* Param(std::string_view name) const;
};

struct IcsComponent {
    std::string Name;  // upper case: VCALENDAR, VEVENT ...
    int Line = 0;
    std::vector<IcsProperty> Properties;
    std::vector<IcsComponent> Children;

    const IcsProperty* Find(std::string_view name) const;
    std::vector<const IcsProperty*> FindAll(std::string_view name) const;
};

// What a walk keeps of a file; names upper case. The rest is read, checked
// for its form and dropped, so that what a walk holds at any time stays a
// small part of the file however the file is made.
struct IcsKeep {
    std::string_view Top;                      // the top-level component whose contents are handed out
    std::vector<std::string_view> Components;  // inside it: kept, with what they keep
    std::vector<std::string_view> Properties;  // kept once: the first of the name in a component
    std::vector<std::string_view> Repeated;    // kept each time, up to kMostIcsRepeats in a component
};
// No calendar needs more: a component keeps its first kMostIcsChildren kept
// children, a property its first kMostIcsParams parameters (the first value
// of each).
constexpr size_t kMostIcsChildren = 1000;
constexpr size_t kMostIcsRepeats = 1000;
constexpr size_t kMostIcsParams = 16;

struct IcsWalk {
    bool ok = false;
    int Tops = 0;       // `Top` components met
    int Line = 0;       // failure: the line, from 1
    std::string Error;  // failure: what is wrong (UTF-8, Russian; text from the file shown by ShownText)
};

// Walks a whole text (UTF-8; lines end in CR LF, LF or CR). Folded lines are
// joined and blank lines skipped. Each kept component directly inside a `Top`
// component is handed to `take`, with the number of its `Top` (from 0), as
// soon as its END is read; `take` returns false to end the walk there (the
// walk is then ok). A line without a colon, an END that closes nothing or
// another component, a component left open and nesting deeper than any
// calendar needs are failures; the walk stops at the first, so a caller that
// must see the whole file sound before it acts walks it twice.
IcsWalk WalkIcsText(std::string_view text, const IcsKeep& keep,
                    const std::function<bool(int top, IcsComponent& component)>& take);

// TEXT values: "\\", "\;", "\," and "\n" both ways; a line break written is "\n".
std::string IcsUnescapeText(std::string_view value);
std::string IcsEscapeText(std::string_view text);

// Appends one content line and its CR LF, folded so that no line is longer
// than 75 octets and no UTF-8 character is cut.
void AppendIcsLine(std::string& out, std::string_view line);
