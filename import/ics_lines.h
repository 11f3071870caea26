#pragma once
// The content lines of iCalendar files: a whole text read into nested
// components and their properties, and lines written escaped and folded.
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

struct IcsParse {
    bool ok = false;
    std::vector<IcsComponent> Calendars;  // the top-level components
    int Line = 0;                         // failure: the line, from 1
    std::string Error;                    // failure: what is wrong (UTF-8, Russian)
};

// Reads a whole text (UTF-8, a byte-order mark allowed; CR LF or LF). Folded
// lines are joined first. Blank lines are skipped; a line without a colon, an
// END that closes nothing or another component, a component left open and
// nesting deeper than any calendar needs are failures.
IcsParse ParseIcsText(std::string_view text);

// TEXT values: "\\", "\;", "\," and "\n" both ways; a line break written is "\n".
std::string IcsUnescapeText(std::string_view value);
std::string IcsEscapeText(std::string_view text);

// Appends one content line and its CR LF, folded so that no line is longer
// than 75 octets and no UTF-8 character is cut.
void AppendIcsLine(std::string& out, std::string_view line);
