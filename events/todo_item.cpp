#include "events/todo_item.h"

#include "events/foreign_event.h"

std::string TTodoItem::NotesText() const { return Notes.Text(); }

std::string_view TTodoItem::SyncUid() const noexcept {
    if (const std::string_view own = Raw.syncUid(); !own.empty()) return own;
    if (const TForeignEvent* f = Foreign()) return f->Uid();
    return {};
}

bool EveryLineEndsInCrLf(std::string_view v) {
    if (v.empty()) return true;
    if (v.size() < 2 || v[v.size() - 2] != '\r' || v.back() != '\n') return false;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\r' && (i + 1 >= v.size() || v[i + 1] != '\n')) return false;
        if (v[i] == '\n' && (i == 0 || v[i - 1] != '\r')) return false;
    }
    return true;
}

void TTodoItem::SetNotesText(std::string_view text) {
    if (EveryLineEndsInCrLf(text)) {
        Notes.SetPlainText(text);
        return;
    }
    // The lines split at CR LF, CR or LF hold no break of their own, so the
    // notes' form is each of them followed by CR LF, built in one pass.
    std::string form;
    form.reserve(text.size() + 2);
    size_t start = 0;
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            form.append(text.substr(start, i - start));
            form += "\r\n";
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n) {
        form.append(text.substr(start));
        form += "\r\n";
    }
    Notes.SetPlainText(form);
}

EventKind TTodoItem::Kind() const {
    // Each step overrides the one before; an event typed in the editor meets
    // exactly one, a record from elsewhere the last that fits.
    const TRepetition r = Repetition();
    EventKind kind = CompletionDate != 0 ? EventKind::ToDo : EventKind::Simple;
    if (r.HasMask || r.HasCount) {
        if (r.Mask == 0 && r.Count > 0 && DueDate == 0) kind = EventKind::Lasting;
        if (r.Mask > 0 || (CompletionDate == 0 && r.Count > 0)) kind = EventKind::Repeating;
    }
    return kind;
}

int FindByIdentity(const TodoItems& in, TDateTime creationDate, const std::string& subject) {
    for (int i = 0; i < in.Count(); ++i)
        if (in[i].CreationDate == creationDate && in[i].Subject == subject) return i;
    return -1;
}
