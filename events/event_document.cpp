#include "events/event_document.h"

#include <algorithm>
#include <climits>

#include "events/data_folder.h"
#include "events/purge.h"

namespace {

// Days met so far, a bit a day over the span seen (a purge meets half a
// million events on a few thousand days): no hashing, no allocation an event.
class DaysMet {
public:
    // Adds the midnight of `start` to `days` the first time its day is met.
    void Add(std::vector<TDateTime>& days, TDateTime start) { Add(days, SafeDayNumber(start), start); }
    // The same with the start's day number known (INT64_MIN: none).
    void Add(std::vector<TDateTime>& days, int64_t day, TDateTime start) {
        if (day == INT64_MIN) {
            // No day of the calendar (damaged data): few, compared one by one.
            const int64_t odd = DayNumber(DateOf(start));
            if (std::find(odd_.begin(), odd_.end(), odd) != odd_.end()) return;
            odd_.push_back(odd);
            days.push_back(DateOf(start));
        } else if (Insert(day)) {
            days.push_back(static_cast<TDateTime>(day));
        }
    }

private:
    bool Insert(int64_t day) {
        // Whole words, so growing downwards moves words, not bits.
        const int64_t word = day >= 0 ? day / 64 : -((-day + 63) / 64);
        if (bits_.empty()) {
            first_ = word;
            bits_.assign(1, 0);
        } else if (word < first_) {
            bits_.insert(bits_.begin(), static_cast<size_t>(first_ - word), 0);
            first_ = word;
        } else if (word - first_ >= static_cast<int64_t>(bits_.size())) {
            bits_.resize(static_cast<size_t>(word - first_) + 1, 0);
        }
        uint64_t& w = bits_[static_cast<size_t>(word - first_)];
        const uint64_t bit = uint64_t{1} << static_cast<unsigned>(day - word * 64);
        if (w & bit) return false;
        w |= bit;
        return true;
    }
    int64_t first_ = 0;
    std::vector<uint64_t> bits_;
    std::vector<int64_t> odd_;
};

}  // namespace

std::vector<TDateTime> EventBatch::DaysGained() const {
    std::vector<TDateTime> days;
    DaysMet seen;
    for (const TTodoItem& e : added) seen.Add(days, e.CreationDate);
    for (const auto& [before, after] : changed) seen.Add(days, after.CreationDate);
    return days;
}

std::vector<TDateTime> EventBatch::DaysLost() const {
    if (daysLost_) return *daysLost_;
    std::vector<TDateTime> days;
    DaysMet seen;
    for (const TTodoItem& e : removed) seen.Add(days, e.CreationDate);
    for (const auto& [before, after] : changed)
        if (DayNumber(DateOf(before.CreationDate)) != DayNumber(DateOf(after.CreationDate)))
            seen.Add(days, before.CreationDate);
    return days;
}

void EventDocument::Subscribe(EventObserver* observer) {
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void EventDocument::Unsubscribe(EventObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void EventDocument::Tell(const EventBatch& batch) {
    // A copy: an observer may subscribe or leave while it is told.
    const std::vector<EventObserver*> observers = observers_;
    for (EventObserver* o : observers) o->EventsChanged(batch);
}

const EventBatch& EventDocument::Change(ChangeKind kind, const std::function<void(Edit&)>& edit) {
    Edit e(events_);
    edit(e);
    HandOverLastBatch();
    std::unique_lock hold = HoldEvents();
    last_ = EventBatch{};
    last_.kind = kind;
    const auto count = static_cast<size_t>(events_.Count());
    std::sort(e.removed_.begin(), e.removed_.end());
    e.removed_.erase(std::unique(e.removed_.begin(), e.removed_.end()), e.removed_.end());
    while (!e.removed_.empty() && e.removed_.back() >= count) e.removed_.pop_back();
    for (auto& [position, item] : e.replaced_) {
        if (position >= count) continue;
        const int at = static_cast<int>(position);
        last_.changed.emplace_back(events_[at], item);
        index_.Refile(events_[at], item, static_cast<int>(events_.SlotOf(at)));
        events_[at] = std::move(item);
    }
    const TDateTime pastAt = e.pastAt_.value_or(0);
    const int64_t today = e.pastAt_ ? SafeDayNumber(pastAt) : INT64_MIN;
    std::vector<TDateTime> lost;
    DaysMet lostMet;
    if (!e.removed_.empty() || today != INT64_MIN) {
        // The removed records stay in their slots for the batch to read; the
        // index only marks them.
        const EventIndex::PastDays past = index_.AllPastFrom();
        auto isPast = [&, past](uint32_t slot) {
            const int32_t pastFrom = past(slot);
            bool gone = pastFrom <= today;
            if (pastFrom == kPastAsk) [[unlikely]]
                gone = IsPurgeable(events_.AtSlot(slot), pastAt);
            return gone;
        };
        if (e.removed_.empty()) {
            // The purge alone: a number an event, and no branch on it.
            last_.removed = events_.Take(0, [&isPast](int, uint32_t slot) { return isPast(slot); });
        } else {
            size_t next = 0;
            const int from = today != INT64_MIN ? 0 : static_cast<int>(e.removed_.front());
            last_.removed = events_.Take(from, [&](int i, uint32_t slot) {
                if (next < e.removed_.size() && e.removed_[next] == static_cast<size_t>(i)) {
                    ++next;
                    return true;
                }
                return today != INT64_MIN && isPast(slot);
            });
        }
        last_.removed.ForEachSlot([&](uint32_t slot) {
            const int64_t day = index_.StartDay(static_cast<int>(slot));
            lostMet.Add(lost, day, day == INT64_MIN ? events_.AtSlot(slot).CreationDate : 0);
        });
        index_.BuryAll(last_.removed);
        index_.Tidy();
    }
    for (const auto& [before, after] : last_.changed)
        if (DayNumber(DateOf(before.CreationDate)) != DayNumber(DateOf(after.CreationDate)))
            lostMet.Add(lost, before.CreationDate);
    last_.daysLost_ = std::move(lost);
    const int firstAdded = events_.Count();
    last_.added.reserve(e.added_.size());
    for (TTodoItem& item : e.added_) {
        events_.Add(item);
        last_.added.push_back(std::move(item));
    }
    index_.FileAppended(events_, firstAdded);
    // Slots of removed events are never filled again; once they outnumber the
    // events, the events move to slots of their own (the batches kept keep
    // the old ones) and the index is made again. Rare: after removing more
    // events than the store holds.
    if (events_.Dead() > static_cast<size_t>(events_.Count()) + kDeadSlotsBeforeCompaction) {
        events_.Compact();
        index_.Rebuild(events_);
    }
    hold.unlock();
    lastKept_ = last_.Empty();
    if (!last_.Empty()) Tell(last_);
    return last_;
}

std::unique_lock<std::mutex> EventDocument::HoldEvents() {
    stopAside_.store(true, std::memory_order_release);
    std::unique_lock hold(aside_);
    stopAside_.store(false, std::memory_order_relaxed);
    // Whoever holds the events is about to change them.
    version_.fetch_add(1, std::memory_order_acq_rel);
    return hold;
}

bool EventDocument::ReadAside(
    const std::function<void(const TodoItems&, uint64_t version, const std::atomic<bool>& stop)>& read) {
    const std::lock_guard hold(aside_);
    read(events_, Version(), stopAside_);
    return !stopAside_.load(std::memory_order_acquire);
}

LoadReport EventDocument::Load() {
    LoadReport rep;
    {
        const std::unique_lock hold = HoldEvents();
        readOnly_ = false;
        rep = keeper_.Load(events_);
    }
    return AfterRead(rep);
}

LoadReport EventDocument::LoadToRead() {
    LoadReport rep;
    {
        const std::unique_lock hold = HoldEvents();
        readOnly_ = true;
        rep = LoadFromFile(file_, events_);
    }
    return AfterRead(rep);
}

void EventDocument::HandOverLastBatch() {
    if (lastKept_) return;
    lastKept_ = true;
    if (batchKeeper_) batchKeeper_(std::move(last_));
    last_ = EventBatch{};
}

LoadReport EventDocument::AfterRead(const LoadReport& rep) {
    HandOverLastBatch();
    index_.Rebuild(events_);
    copyDue_ = rep.status == LoadReport::Status::Damaged || rep.status == LoadReport::Status::Unreadable;
    last_ = EventBatch{};
    Tell(last_);
    return rep;
}

CopyResult EventDocument::KeepDamagedCopy(const std::string& copyName) {
    CopyResult copy = KeepVerifiedCopy(file_, copyName);
    if (copy.ok) copyDue_ = false;
    return copy;
}

std::string EventDocument::ReadyToWrite(const std::string& copyName) {
    std::error_code ec;
    if (file_.has_parent_path()) MakeDataFolder(file_.parent_path(), ec);
    if (std::filesystem::is_directory(file_, ec)) return "на месте файла находится папка";
    if (copyDue_ && std::filesystem::exists(file_, ec)) {
        const CopyResult copy = KeepDamagedCopy(copyName);
        if (!copy.ok) return "не удалось сохранить копию повреждённого файла: " + copy.error;
    }
    return {};
}

WriteResult EventDocument::Prepare(EventFileKeeper::Prepared& out, const std::atomic<bool>* stop) const {
    if (readOnly_) return {false, "файл событий прочитан только для чтения"};
    if (copyDue_) return {false, "повреждённый файл не записывается поверх, пока нет его копии"};
    return keeper_.Prepare(events_, out, stop);
}

WriteResult EventDocument::PrepareAside(EventFileKeeper::Prepared& out) {
    const std::lock_guard hold(aside_);
    return Prepare(out, &stopAside_);
}

WriteResult EventDocument::Save(bool sync) {
    EventFileKeeper::Prepared prepared;
    const WriteResult w = Prepare(prepared);
    return w.ok ? keeper_.Commit(prepared, sync) : w;
}

EventFileKeeper::Merge EventDocument::MergeOutsideChanges(const std::string& copyName) {
    EventFileKeeper::MergePlan plan = keeper_.PlanMerge(events_, copyName);
    EventFileKeeper::Merge& m = plan.result;
    if (!plan.remove.empty() || !plan.add.empty()) {
        const EventBatch& batch = Change(ChangeKind::Merged, [&](Edit& e) {
            for (const size_t p : plan.remove) e.Remove(p);
            for (TTodoItem& item : plan.add) e.Add(std::move(item));
        });
        m.added = static_cast<int>(batch.added.size());
        m.removed = static_cast<int>(batch.removed.size());
        m.addedDays = batch.DaysGained();
        m.removedDays = batch.DaysLost();
    }
    return m;
}
