#include "events/undo_history.h"

#include <cstring>
#include <functional>
#include <unordered_map>

#include "events/ansi.h"

namespace {

bool SameBits(TDateTime a, TDateTime b) { return std::memcmp(&a, &b, sizeof a) == 0; }

uint64_t IdentityHash(const TTodoItem& e) {
    uint64_t bits = 0;
    std::memcpy(&bits, &e.CreationDate, sizeof bits);
    return std::hash<std::string_view>{}(e.Subject) ^ (bits * 0x9E3779B97F4A7C15ull);
}

// Store positions of the `wanted` records, each a distinct position, -1 for
// one not found. A few are looked for among the events of their start day;
// the rest, or many, in one pass over the store.
std::vector<int> Locate(const EventDocument& doc, const std::vector<const TTodoItem*>& wanted) {
    std::vector<int> at(wanted.size(), -1);
    std::vector<bool> taken(static_cast<size_t>(doc.Count()), false);
    const TodoItems& events = doc.Events();
    size_t missing = wanted.size();
    if (wanted.size() <= 64) {
        std::vector<int> candidates;
        for (size_t w = 0; w < wanted.size(); ++w) {
            doc.Index().Candidates(SafeDayNumber(wanted[w]->CreationDate), false, candidates);
            for (const int slot : candidates) {
                const int pos = events.PositionOf(static_cast<uint32_t>(slot));
                if (pos >= 0 && !taken[size_t(pos)] && SameRecord(events[pos], *wanted[w])) {
                    taken[size_t(pos)] = true;
                    at[w] = pos;
                    --missing;
                    break;
                }
            }
        }
    }
    if (missing == 0) return at;
    std::unordered_multimap<uint64_t, size_t> byIdentity;
    byIdentity.reserve(missing);
    for (size_t w = 0; w < wanted.size(); ++w)
        if (at[w] < 0) byIdentity.emplace(IdentityHash(*wanted[w]), w);
    for (int pos = 0; pos < events.Count() && missing > 0; ++pos) {
        if (taken[size_t(pos)]) continue;
        auto [from, to] = byIdentity.equal_range(IdentityHash(events[pos]));
        for (auto it = from; it != to; ++it)
            if (SameRecord(events[pos], *wanted[it->second])) {
                at[it->second] = pos;
                --missing;
                byIdentity.erase(it);
                break;
            }
    }
    return at;
}

std::string Quoted(const std::string& subject) { return ansi("«") + subject + ansi("»"); }

std::string Counted(const char* what, size_t n) {
    return ansi(what) + " (" + GroupedNumber(n) + " " + EventsWord(n) + ")";
}

// "удаление «Врач»" for one event, "удаление (3 события)" for more.
template <typename Events>
std::string OneOrMany(const char* what, const Events& events) {
    if (events.size() == 1) return ansi(what) + " " + Quoted(events.front().Subject);
    return Counted(what, events.size());
}

}  // namespace

bool SameRecord(const TTodoItem& a, const TTodoItem& b) {
    return a.Subject == b.Subject && SameBits(a.CreationDate, b.CreationDate) && SameBits(a.DueDate, b.DueDate) &&
           SameBits(a.CompletionDate, b.CompletionDate) && a.ImageIndex == b.ImageIndex && a.Tag == b.Tag &&
           a.TotalTime == b.TotalTime && a.Notes == b.Notes && a.Category == b.Category && a.Project == b.Project &&
           a.Resource == b.Resource && a.Complete == b.Complete && a.Completion == b.Completion &&
           a.Priority == b.Priority && a.Status == b.Status && a.Imported == b.Imported &&
           a.Raw.view() == b.Raw.view();
}

std::string GroupedNumber(size_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
        out += digits[i];
    }
    return out;
}

std::string EventsWord(size_t n) {
    const size_t last2 = n % 100, last = n % 10;
    if (last2 >= 11 && last2 <= 14) return ansi("событий");
    if (last == 1) return ansi("событие");
    if (last >= 2 && last <= 4) return ansi("события");
    return ansi("событий");
}

std::string RemovalNotice(size_t n) {
    return ansi("Удалено событий: ") + GroupedNumber(n) + ansi(". Ctrl+Z — отменить");
}

std::string ActionName(const EventBatch& b) {
    switch (b.kind) {
    case ChangeKind::Added: return OneOrMany("добавление", b.added);
    case ChangeKind::Deleted: return OneOrMany("удаление", b.removed);
    case ChangeKind::Purged: return Counted("очистка прошедших", b.removed.size());
    case ChangeKind::Imported: return Counted("импорт", b.added.size() + b.changed.size());
    case ChangeKind::Removed: return Counted("удаление импортированных", b.removed.size());
    case ChangeKind::Completed:
        if (b.changed.size() == 1) return ansi("отметка о завершении ") + Quoted(b.changed.front().second.Subject);
        return Counted("отметка о завершении", b.changed.size());
    case ChangeKind::Edited:
        if (b.changed.size() == 1) {
            const auto& [before, after] = b.changed.front();
            // Only the dates differ: the event was moved to another day.
            TTodoItem moved = before;
            moved.CreationDate = after.CreationDate;
            moved.DueDate = after.DueDate;
            moved.CompletionDate = after.CompletionDate;
            moved.Raw = after.Raw;
            const bool move = SameRecord(moved, after) && DayNumber(DateOf(before.CreationDate)) !=
                                                              DayNumber(DateOf(after.CreationDate));
            return ansi(move ? "перенос " : "изменение ") + Quoted(after.Subject);
        }
        return Counted("изменение", b.changed.size());
    default: return ansi("изменение");
    }
}

UndoHistory::UndoHistory(EventDocument& doc, size_t steps) : doc_(doc), limit_(steps) {
    doc_.Subscribe(this);
    doc_.SetBatchKeeper([this](EventBatch&& batch) { Keep(std::move(batch)); });
}

UndoHistory::~UndoHistory() {
    doc_.SetBatchKeeper({});
    doc_.Unsubscribe(this);
}

void UndoHistory::Keep(EventBatch&& batch) {
    if (!pending_) return;
    pending_ = false;
    undo_.push_back(std::move(batch));
    while (undo_.size() > limit_) undo_.pop_front();
}

std::string UndoHistory::UndoName() const {
    if (pending_) return ActionName(doc_.LastBatch());
    return undo_.empty() ? std::string() : ActionName(undo_.back());
}

std::string UndoHistory::RedoName() const { return redo_.empty() ? std::string() : ActionName(redo_.back()); }

void UndoHistory::Clear() {
    pending_ = false;
    undo_.clear();
    redo_.clear();
}

void UndoHistory::EventsChanged(const EventBatch& batch) {
    if (applying_) return;
    switch (batch.kind) {
    case ChangeKind::Loaded: Clear(); return;
    // Another writer's changes (a server's too) are not the user's action
    // here: they stay whatever is undone.
    case ChangeKind::Merged:
    case ChangeKind::Synced:
    case ChangeKind::Undone: return;
    default: break;
    }
    redo_.clear();
    pending_ = true;
}

// The step changes stacks before it is applied: the observers told of the
// change already see what is left to undo and to redo.
template <typename From, typename To>
bool UndoHistory::Step(From& from, To& to, bool forward) {
    doc_.HandOverLastBatch();
    if (from.empty()) return false;
    to.push_back(std::move(from.back()));
    from.pop_back();
    const EventBatch& step = to.back();
    if (forward) Apply(step.removed, step.added, step.changed, true);
    else Apply(step.added, step.removed, step.changed, false);
    return true;
}

bool UndoHistory::Undo() { return Step(undo_, redo_, false); }

bool UndoHistory::Redo() { return Step(redo_, undo_, true); }

template <typename Remove, typename Add>
void UndoHistory::Apply(const Remove& remove, const Add& add,
                        const std::vector<std::pair<TTodoItem, TTodoItem>>& changed, bool forward) {
    std::vector<const TTodoItem*> wanted;
    wanted.reserve(remove.size() + changed.size());
    for (const TTodoItem& e : remove) wanted.push_back(&e);
    for (const auto& [before, after] : changed) wanted.push_back(forward ? &before : &after);
    const std::vector<int> at = Locate(doc_, wanted);
    applying_ = true;
    doc_.Change(ChangeKind::Undone, [&](EventDocument::Edit& e) {
        for (size_t i = 0; i < remove.size(); ++i)
            if (at[i] >= 0) e.Remove(size_t(at[i]));
        for (size_t i = 0; i < changed.size(); ++i)
            if (const int pos = at[remove.size() + i]; pos >= 0) {
                TTodoItem put = forward ? changed[i].second : changed[i].first;
                // The UID a server came to know the event by meanwhile stays
                // with it: the undo reaches the server as a change.
                if (put.Raw.syncUid().empty()) put.Raw.setSyncUid(e.Events()[pos].Raw.syncUid());
                e.Replace(size_t(pos), std::move(put));
            }
        for (const TTodoItem& item : add) e.Add(item);
    });
    applying_ = false;
}
