#pragma once
// Undo and redo of the user's changes of the events. The history keeps the
// batches the document announces, one step per user action, so it holds
// only what changed (a purge of 100,000 events holds those records, not the
// store). An undo or a redo is itself one change of the document, so every
// view, the save and the reminders follow it as they follow any change.
//
// Records are found again by their whole content, not by a position: other
// steps undone before, or another writer's changes merged meanwhile, move
// positions. A record no longer there is left out of the step.
#include <algorithm>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "events/event_document.h"

class UndoHistory : private EventObserver {
public:
    static constexpr size_t kSteps = 100;

    explicit UndoHistory(EventDocument& doc, size_t steps = kSteps);
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    bool CanUndo() const { return pending_ || !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    size_t UndoSteps() const { return std::min(undo_.size() + (pending_ ? 1 : 0), limit_); }
    size_t RedoSteps() const { return redo_.size(); }
    // What the next undo or redo would undo or redo, Windows-1251:
    // "удаление «Врач»", "очистка прошедших (1 523 события)"; empty when none.
    std::string UndoName() const;
    std::string RedoName() const;

    // Reverses the last step (or makes the last undone one again) through the
    // document; false when there is none.
    bool Undo();
    bool Redo();
    void Clear();

private:
    void EventsChanged(const EventBatch& batch) override;
    // Applies `remove` out and `add` in, and each changed pair from first to
    // second, as one change of the document.
    template <typename Remove, typename Add>
    void Apply(const Remove& remove, const Add& add, const std::vector<std::pair<TTodoItem, TTodoItem>>& changed,
               bool forward);

    EventDocument& doc_;
    size_t limit_;
    std::deque<EventBatch> undo_;
    std::vector<EventBatch> redo_;
    bool applying_ = false;
    // The document's last batch is a step, still the document's: it comes
    // over (moved, not copied) when the next change begins.
    bool pending_ = false;
    void Keep(EventBatch&& batch);
    // Moves the last step of `from` onto `to` and applies it backwards (undo)
    // or forwards (redo).
    template <typename From, typename To>
    bool Step(From& from, To& to, bool forward);
};

// The name of the action a batch was, as the history shows it.
std::string ActionName(const EventBatch& batch);
// "1 523": thousands apart by a space.
std::string GroupedNumber(size_t n);
// "событие", "события" or "событий" for `n` (Windows-1251).
std::string EventsWord(size_t n);
// "Удалено событий: 1 523. Ctrl+Z — отменить" (Windows-1251).
std::string RemovalNotice(size_t n);
// Whether two records are the same in every field.
bool SameRecord(const TTodoItem& a, const TTodoItem& b);
