#pragma once
// Imported events: the marker each import puts at the start of its subjects,
// how an imported event is told from the user's own, and their removal by
// kind, month and year.
#include <string>
#include <string_view>
#include <vector>

#include "events/todo_item.h"
#include "import/zet_import.h"

// The subject marker of a kind: "~" moon days and phases, "*" sunrises and
// sunsets, a double quote for moon aspects, ">" for void-of-course periods,
// "#" for favourable days (followed there by the day of birth).
const std::string& ImportMarker(TImportKind kind);

// The kinds of the removal list, by position: moon days, sunrises and
// sunsets, moon aspects, void of course. None for any other position.
TImportKind RemovalKindAt(int index);

// Whether an import made the event: it carries the import mark, or it was
// imported before the mark existed, which shows in the exact form of what
// that import writes (the subject and, where the subject is free text, the
// notes it is taken from). A user's event whose name merely begins with a
// marker character is neither.
bool IsImportedEvent(const TTodoItem& event);

// Whether the event is an imported one whose subject begins with `marker`.
// A marker ending in a digit ("#1") does not take a subject whose number goes
// on ("#13").
bool MatchesImportMarker(const TTodoItem& event, std::string_view marker);

// The event is an imported one of `marker` starting in `month` (1..12) of `year`.
bool IsImportedInMonth(const TTodoItem& event, std::string_view marker, int month, int year);

