#pragma once
// The event editor's logic without its window: how the kind and unit boxes
// steer the other controls, the checks before a store, and how the values of
// the dialog become the fields of an event and back.
#include <array>
#include <string>

#include "events/date_time.h"
#include "events/todo_item.h"

// What reading the dialog gives. Texts are Windows-1251 bytes.
struct TEditorValues {
    std::string subject;
    std::string memo;             // lines joined by CR LF
    EventKind kind = EventKind::Simple;  // Box1, whose index is the kind
    int unit = 0;                 // BoxDvalue, 0..6
    std::string countText = "0";  // BoxDcount as typed
    int mask = 0;                 // CheckListWk
    TDateTime start = 0, end = 0;
    int alert = 1;                // BoxAlert
    bool completed = false;
};

// The controls the kind and unit boxes steer.
struct TEditorState {
    EventKind kind = EventKind::Simple;
    int unit = 0;
    std::string countText = "0";
    int mask = 0;
    bool countEnabled = false;
    bool unitEnabled = false;
    bool weekdaysEnabled = false;
    bool endVisible = false;  // "Завершение:", its "Время" button and the end picker
};

// The kind changed (Box1Change); runs the unit change too.
void Box1Change(TEditorState& s);
// The unit changed (BoxDvalueChange).
void BoxDvalueChange(TEditorState& s);

// A count that a lasting or repeating event with a unit can hold: a whole
// number from 1 to 9999.
bool IsValidCount(const std::string& countText);
// The checks before a store (getParamsToDoEventOk). Simple and to-do events
// always pass.
bool getParamsToDoEventOk(const TEditorValues& v);
// The checks failed because of the count (the dialog marks the count box).
bool CountRefused(const TEditorValues& v);

// A fresh event from the dialog (AddItemToListFromUser). Never fails part-way:
// the caller appends the result only when it is whole.
TTodoItem NewItemFromEditor(const TEditorValues& v);
// Overwrites an event from the dialog. Unlike a new event, the notes are
// replaced line by line and a count is kept as typed when the unit is blank.
void ChangeItemToDo(TTodoItem& item, const TEditorValues& v);

// The dialog's values for opening a stored event (ShowPropertiesEvent):
// `previous` holds the controls as they are; only the fields the event
// decides change. `state` gets the steered controls. moveToDay 0 keeps the
// start date; any other value replaces it, the time of day kept.
TEditorValues EditorValuesFromItem(const TTodoItem& event, TDateTime moveToDay, const TEditorValues& previous,
                                   TEditorState& state);
