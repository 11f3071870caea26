#include "events/event_edit.h"

#include "events/ansi.h"
#include "events/foreign_event.h"
#include "events/recurrence.h"

namespace {

constexpr EventKind kSimple = EventKind::Simple, kLasting = EventKind::Lasting,
                    kRepeating = EventKind::Repeating, kToDo = EventKind::ToDo;

std::string Decimal(int v) { return std::to_string(v); }

bool NeedsCount(const TEditorValues& v) {
    return (v.kind == kLasting || v.kind == kRepeating) && v.unit != 0;
}

// A count read for the interval arithmetic; the checks have refused anything else.
int CountOf(const std::string& text) { return IsValidCount(text) ? DecimalOrZero(text) : 0; }

}  // namespace

void Box1Change(TEditorState& s) {
    s.endVisible = false;
    switch (s.kind) {
        case kLasting:
            s.mask = 0;
            s.weekdaysEnabled = false;
            s.countEnabled = s.unitEnabled = true;
            if (s.unit >= 3) s.weekdaysEnabled = false;
            if (s.unit == 0) s.weekdaysEnabled = true;
            break;
        case kRepeating:
            s.mask = 0;
            s.weekdaysEnabled = s.countEnabled = s.unitEnabled = true;
            if (s.unit >= 3) s.weekdaysEnabled = false;
            break;
        case kToDo:
            s.mask = 0;
            s.weekdaysEnabled = false;
            s.countText = "0";
            s.unit = 0;
            s.countEnabled = s.unitEnabled = false;
            s.endVisible = true;
            break;
        default:  // simple
            s.countText = "0";
            s.unit = 0;
            s.mask = 0;
            s.weekdaysEnabled = s.countEnabled = s.unitEnabled = false;
            break;
    }
    BoxDvalueChange(s);
}

void BoxDvalueChange(TEditorState& s) {
    const int u = s.unit;
    const EventKind k = s.kind;
    if (u == 0) {
        s.countText = "0";
        s.weekdaysEnabled = false;
    }
    if (u > 2) {
        s.mask = 0;
        s.weekdaysEnabled = false;
    } else {
        s.weekdaysEnabled = true;
    }
    if (k == kLasting) s.weekdaysEnabled = false;
    if (u >= 3) s.weekdaysEnabled = false;
    if (u >= 5) {
        s.countText = "1";
        s.countEnabled = false;
        s.weekdaysEnabled = false;
    } else {
        s.countEnabled = true;
    }
    if ((k == kLasting || k == kToDo) && u == 0) s.weekdaysEnabled = false;
    if (k == kSimple || k == kToDo) s.countEnabled = s.unitEnabled = s.weekdaysEnabled = false;
}

bool IsValidCount(const std::string& countText) {
    if (countText.empty() || countText.size() > 4) return false;
    int v = 0;
    for (const char c : countText) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    return v >= 1;
}

bool CountRefused(const TEditorValues& v) { return NeedsCount(v) && !IsValidCount(v.countText); }

bool getParamsToDoEventOk(const TEditorValues& v) {
    if (v.kind == kLasting && v.unit == 0) return false;
    if (v.kind == kRepeating && v.mask == 0 && v.unit == 0) return false;
    return !CountRefused(v);
}

TTodoItem NewItemFromEditor(const TEditorValues& v) {
    TTodoItem it;
    it.Subject = v.subject;
    it.Complete = false;
    it.CreationDate = DropSeconds(v.start);
    it.Notes.push_back(v.memo);
    it.DueDate = DropSeconds(v.start);
    std::string count = v.countText.empty() || v.unit == 0 ? "0" : v.countText;
    it.Category = count;
    it.Project = Decimal(v.unit);
    it.ImageIndex = v.alert;
    it.CompletionDate = 0;
    it.Resource = Decimal(v.mask);
    if (v.kind == kToDo) it.CompletionDate = DropSeconds(v.end);
    if (v.kind == kSimple || v.kind == kLasting || v.kind == kToDo) it.DueDate = 0;
    if (v.kind == kLasting) it.CompletionDate = AddInterval(CountOf(count), v.unit, DropSeconds(v.start));
    it.Complete = v.completed;
    return it;
}

namespace {

// The fields the dialog sets, nothing more.
void ChangeFields(TTodoItem& item, const TEditorValues& v) {
    item.ImageIndex = v.alert;
    item.CompletionDate = 0;
    item.Subject = v.subject;
    item.SetNotesText(v.memo);
    item.Complete = false;
    item.CreationDate = DropSeconds(v.start);
    item.Resource = Decimal(v.mask);
    item.DueDate = DropSeconds(v.start);
    if (v.kind == kSimple || v.kind == kToDo || v.kind == kLasting) item.DueDate = 0;
    item.Category = v.countText.empty() ? "0" : v.countText;
    item.Project = Decimal(v.unit);
    if (v.kind == kToDo) item.CompletionDate = DropSeconds(v.end);
    if (v.kind == kLasting)
        item.CompletionDate = AddInterval(CountOf(v.countText), v.unit, DropSeconds(v.start));
    item.Complete = v.completed;
}

}  // namespace

void ChangeItemToDo(TTodoItem& item, const TEditorValues& v) {
    if (!item.Foreign()) return ChangeFields(item, v);
    // An event of another calendar whose days the user changed is the user's
    // own from then on: its calendar's occurrences would no longer be the
    // ones the user set. When only its name, notes, reminder or completion
    // change, it stays its calendar's, its dates as they were.
    const TTodoItem before = item;
    const TRepetition r = before.Repetition();
    const bool counted = v.kind == kRepeating || v.kind == kLasting;
    const bool days = DropSeconds(v.start) != before.CreationDate || v.kind != before.Kind() ||
                      (counted && (v.countText != before.Category.view() || v.unit != r.Unit || v.mask != r.Mask)) ||
                      (v.kind == kToDo && DropSeconds(v.end) != before.CompletionDate);
    ChangeFields(item, v);
    if (days) {
        // Its UID stays: a server that holds it sees a change, not a new event.
        if (item.Raw.syncUid().empty()) item.Raw.setSyncUid(item.Foreign()->Uid());
        item.Raw.setForeign(nullptr);
        return;
    }
    item.CreationDate = before.CreationDate;
    item.DueDate = before.DueDate;
    item.CompletionDate = before.CompletionDate;
    item.Category = before.Category;
    item.Project = before.Project;
    item.Resource = before.Resource;
}


TEditorValues EditorValuesFromItem(const TTodoItem& e, TDateTime moveToDay, const TEditorValues& previous,
                                   TEditorState& state) {
    TEditorValues v = previous;
    v.start = e.CreationDate;
    if (moveToDay != 0) v.start = DateOf(moveToDay) + (e.CreationDate - DateOf(e.CreationDate));
    v.subject = e.Subject;
    v.memo = e.NotesText();
    // The stored text ends every line with a break; the memo shows lines.
    if (v.memo.size() >= 2 && v.memo.compare(v.memo.size() - 2, 2, "\r\n") == 0) v.memo.resize(v.memo.size() - 2);
    state.kind = e.Kind();
    if (e.CompletionDate != 0) v.end = e.CompletionDate;
    const TRepetition r = e.Repetition();
    state.countText = e.Category;
    if (r.HasUnit) state.unit = r.Unit >= 0 && r.Unit <= 6 ? r.Unit : 0;
    if (r.HasMask || r.HasCount) {
        Box1Change(state);
        state.mask = r.Mask & 127;
    }
    if (e.ImageIndex != -1) v.alert = e.ImageIndex;
    v.completed = e.Complete;
    v.kind = state.kind;
    v.unit = state.unit;
    v.countText = state.countText;
    v.mask = state.mask;
    return v;
}
