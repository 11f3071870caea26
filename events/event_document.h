#pragma once
// The events of one data folder, owned in one place. Everything that changes
// them — the editor, delete, completion, purge, every import and removal,
// another writer's changes found in the file — goes through Change(), which
// applies the whole of one user action and then tells every observer once,
// with the batch of what it did. The views decide from the batch what to
// rebuild; the saver saves; undo and sync can keep it.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "events/event_file.h"
#include "events/event_file_keeper.h"
#include "events/event_index.h"
#include "events/todo_item.h"

// The user action a change was. The few things the views do differently
// after one kind or another are properties of the batch (below), decided here.
enum class ChangeKind : uint8_t {
    Loaded,     // the file was read: every event is new
    Added,      // the editor's new event
    Edited,     // the editor changed an event (the right-click move too)
    Deleted,    // the selected event
    Completed,  // its completion toggled
    Purged,     // every past event at once
    Imported,   // an import of any kind
    Removed,    // a removal of imported events
    Merged,     // another writer's changes brought in from the file
    Undone,     // an undo or a redo of one of the above: every view rebuilds
    Synced,     // what a round of sync with a calendar server took, dropped and kept
};

// What one change did: the records as they went in, as they were when they
// went out (read where they lay: a purge does not copy them), and both sides
// of each record changed in place.
struct EventBatch {
    ChangeKind kind = ChangeKind::Loaded;
    std::vector<TTodoItem> added;
    TakenEvents removed;
    std::vector<std::pair<TTodoItem, TTodoItem>> changed;  // before, after

    bool Empty() const { return kind != ChangeKind::Loaded && added.empty() && removed.empty() && changed.empty(); }
    // Midnight of each start day that gained an event, and of each that may
    // have lost its last one; each day once, in the order first met.
    std::vector<TDateTime> DaysGained() const;
    std::vector<TDateTime> DaysLost() const;

    // What the views do after it. The day list is rebuilt, except after a
    // completion, which changes the shown copy and repaints. The reminder
    // list is rebuilt, except after a delete (its copy goes directly) and a
    // purge (nothing it holds is past). The marks of the shown months are
    // recomputed, except after a purge, which only drops the marks of days
    // left without events. The reminder timer is held around the change,
    // except around a completion.
    bool RebuildsDayList() const { return kind != ChangeKind::Completed; }
    bool RebuildsReminders() const { return kind != ChangeKind::Deleted && kind != ChangeKind::Purged; }
    bool RecomputesMarkers() const { return kind != ChangeKind::Purged; }
    bool HoldsTimer() const { return kind != ChangeKind::Completed; }

private:
    friend class EventDocument;
    // DaysLost as the document found it while it removed (from the index's
    // start days, without reaching the records).
    std::optional<std::vector<TDateTime>> daysLost_;
};

class EventObserver {
public:
    virtual void EventsChanged(const EventBatch& batch) = 0;

protected:
    ~EventObserver() = default;
};

class EventDocument {
public:
    explicit EventDocument(std::filesystem::path file) : file_(std::move(file)), keeper_(file_) {}
    EventDocument(const EventDocument&) = delete;
    EventDocument& operator=(const EventDocument&) = delete;

    const std::filesystem::path& File() const { return file_; }
    // The events, in store order (the order of the file).
    const TodoItems& Events() const { return events_; }
    int Count() const { return events_.Count(); }
    const TTodoItem& operator[](int i) const { return events_[i]; }
    // Which events may fall on a day; kept up to date with every change.
    const EventIndex& Index() const { return index_; }

    // The last batch goes to `keeper` when it stops being the last (at the
    // start of the next change or read, or at HandOverLastBatch), so a keeper
    // of batches (undo) moves a purge's records instead of copying them.
    void SetBatchKeeper(std::function<void(EventBatch&&)> keeper) { batchKeeper_ = std::move(keeper); }
    void HandOverLastBatch();
    const EventBatch& LastBatch() const { return last_; }

    void Subscribe(EventObserver* observer);
    void Unsubscribe(EventObserver* observer);

    // One change. Positions name the events as they were when the change
    // began: removals are made at the end in one pass (the others keep their
    // order), additions go after the rest.
    class Edit {
    public:
        const TodoItems& Events() const { return events_; }
        void Add(TTodoItem item) { added_.push_back(std::move(item)); }
        // Room for `count` additions at once: a million are not moved twice over as the list grows.
        void ReserveAdditions(size_t count) { added_.reserve(added_.size() + count); }
        void Remove(size_t position) { removed_.push_back(position); }
        void Replace(size_t position, TTodoItem item) { replaced_.emplace_back(position, std::move(item)); }
        // Removes every event IsPurgeable at `now` (after the replacements),
        // the purge: the index knows from which day each event is past, so
        // this costs a number an event rather than a look at its record.
        void RemovePast(TDateTime now) { pastAt_ = now; }

    private:
        friend class EventDocument;
        explicit Edit(const TodoItems& events) : events_(events) {}
        const TodoItems& events_;
        std::vector<TTodoItem> added_;
        std::vector<size_t> removed_;
        std::vector<std::pair<size_t, TTodoItem>> replaced_;
        std::optional<TDateTime> pastAt_;
    };
    // Runs `edit`, applies what it asked and tells the observers once (not at
    // all when it asked nothing). The batch stays valid until the next change.
    const EventBatch& Change(ChangeKind kind, const std::function<void(Edit&)>& edit);

    // ---- the file ----
    // Reads the file (a missing one is an empty store); the observers hear
    // Loaded. A file that did not read whole must not be written over until
    // a copy of it is kept (KeepDamagedCopy).
    LoadReport Load();
    // Reads the file for a reader that never writes it: without the record
    // hashes a later merge would need, so quicker. A document read so
    // refuses to save.
    LoadReport LoadToRead();
    bool CopyDue() const { return copyDue_; }
    CopyResult KeepDamagedCopy(const std::string& copyName);
    // What stops a save before it starts: a folder in the file's place, a
    // damaged file whose copy cannot be made (tried again here under
    // `copyName`). Makes the data folder when it is missing. Empty when the
    // save may go.
    std::string ReadyToWrite(const std::string& copyName);
    // The save in two steps (EventFileKeeper): Prepare here, Commit on any
    // thread, in order. A commit that finds the file changed by another
    // writer writes nothing and says `changedOutside`: MergeOutsideChanges,
    // then save again.
    WriteResult Prepare(EventFileKeeper::Prepared& out) const { return Prepare(out, nullptr); }
    // Prepare on another thread while the window goes on, so the window's
    // thread does nothing after a change that grows with the store. It reads
    // the events as they are; a change or a read of the file first stops it
    // and waits until it lets go of them, within one chunk of the file's
    // work, and the stopped save says `stopped` and writes nothing: the
    // change asks for a save of its own. One such save at a time.
    WriteResult PrepareAside(EventFileKeeper::Prepared& out);
    // Any other reading of the events aside, under the same rule: `read`
    // sees them and the flag that tells it to stop, and the changes made so
    // far (Version) while it reads. False when it was told to stop.
    bool ReadAside(const std::function<void(const TodoItems&, uint64_t version, const std::atomic<bool>& stop)>& read);
    // Stops a reader aside and waits until it has let go (before the
    // document goes away).
    void StopAside() { HoldEvents(); }
    // Counts the changes and reads of the file: a result made aside from an
    // earlier version is out of date.
    uint64_t Version() const { return version_.load(std::memory_order_acquire); }
    WriteResult Commit(EventFileKeeper::Prepared& prepared, bool sync = true) { return keeper_.Commit(prepared, sync); }
    WriteResult Save(bool sync = true);
    // Brings in what another writer did to the file (the observers hear
    // Merged); its unreadable file is kept as `copyName`.
    EventFileKeeper::Merge MergeOutsideChanges(const std::string& copyName);

private:
    void Tell(const EventBatch& batch);
    WriteResult Prepare(EventFileKeeper::Prepared& out, const std::atomic<bool>* stop) const;
    // Stops a save reading the events aside and keeps it out until released.
    std::unique_lock<std::mutex> HoldEvents();
    // After a read: the index, the damaged-file rule, the observers told.
    LoadReport AfterRead(const LoadReport& rep);

    static constexpr size_t kDeadSlotsBeforeCompaction = 65536;

    std::filesystem::path file_;
    mutable EventFileKeeper keeper_;
    TodoItems events_;
    EventIndex index_;
    std::vector<EventObserver*> observers_;
    EventBatch last_;
    bool lastKept_ = true;  // the last batch went to the keeper already
    std::function<void(EventBatch&&)> batchKeeper_;
    std::atomic<bool> copyDue_{false};
    std::atomic<bool> readOnly_{false};
    std::mutex aside_;               // held by the save aside while it reads
    std::atomic<bool> stopAside_{false};
    std::atomic<uint64_t> version_{0};
};
