#include "events/todo_item.h"

#include <algorithm>
#include <numeric>

#include "events/ansi.h"

std::string TTodoItem::NotesText() const { return Notes.Text(); }

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

namespace {
template <typename T>
int Cmp(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }
}  // namespace

int CompareItems(const TTodoItem& a, const TTodoItem& b, TodoData field) {
    switch (field) {
        case TodoData::tdSubject: return AnsiCompareStr(a.Subject, b.Subject);
        case TodoData::tdCompletion: return Cmp(a.Completion, b.Completion);
        case TodoData::tdNotes: return AnsiCompareStr(a.NotesText(), b.NotesText());
        case TodoData::tdPriority: return Cmp(a.Priority, b.Priority);
        case TodoData::tdDueDate: return Cmp(a.DueDate, b.DueDate);
        case TodoData::tdImage: return Cmp(a.ImageIndex, b.ImageIndex);
        case TodoData::tdComplete: return Cmp(a.Complete, b.Complete);
        case TodoData::tdCompletionDate: return Cmp(a.CompletionDate, b.CompletionDate);
        case TodoData::tdCreationDate: return Cmp(a.CreationDate, b.CreationDate);
        case TodoData::tdResource: return AnsiCompareStr(a.Resource, b.Resource);
        case TodoData::tdProject: return AnsiCompareStr(a.Project, b.Project);
        case TodoData::tdStatus:
        case TodoData::tdTotalTime:
        case TodoData::tdHandle:
        case TodoData::tdCategory: return 0;
    }
    return 0;
}

int TodoItems::Sort(TodoData field, TSortDirection direction, int keepIndex) {
    std::vector<size_t> order(items_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const bool desc = direction == TSortDirection::sdDescending;
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        const int c = CompareItems(items_[x], items_[y], field);
        return desc ? c > 0 : c < 0;
    });
    std::vector<TTodoItem> sorted;
    sorted.reserve(items_.size());
    int newKeep = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == keepIndex) newKeep = static_cast<int>(i);
        sorted.push_back(std::move(items_[order[i]]));
    }
    items_ = std::move(sorted);
    return newKeep;
}

int FindByIdentity(const TodoItems& in, TDateTime creationDate, const std::string& subject) {
    for (int i = 0; i < in.Count(); ++i)
        if (in[i].CreationDate == creationDate && in[i].Subject == subject) return i;
    return -1;
}

int getIdxOfList(int index, const TodoItems& from, const TodoItems& in) {
    if (index < 0 || index >= from.Count()) return -1;
    return FindByIdentity(in, from[index].CreationDate, from[index].Subject);
}
