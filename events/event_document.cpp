#include "events/event_document.h"

#include <algorithm>
#include <unordered_set>

#include "events/data_folder.h"

namespace {

void AddDay(std::vector<TDateTime>& days, std::unordered_set<int64_t>& seen, TDateTime start) {
    const TDateTime day = DateOf(start);
    if (seen.insert(DayNumber(day)).second) days.push_back(day);
}

}  // namespace

std::vector<TDateTime> EventBatch::DaysGained() const {
    std::vector<TDateTime> days;
    std::unordered_set<int64_t> seen;
    for (const TTodoItem& e : added) AddDay(days, seen, e.CreationDate);
    for (const auto& [before, after] : changed) AddDay(days, seen, after.CreationDate);
    return days;
}

std::vector<TDateTime> EventBatch::DaysLost() const {
    std::vector<TDateTime> days;
    std::unordered_set<int64_t> seen;
    for (const TTodoItem& e : removed) AddDay(days, seen, e.CreationDate);
    for (const auto& [before, after] : changed)
        if (DayNumber(DateOf(before.CreationDate)) != DayNumber(DateOf(after.CreationDate)))
            AddDay(days, seen, before.CreationDate);
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
    auto& v = events_.Vector();
    std::sort(e.removed_.begin(), e.removed_.end());
    e.removed_.erase(std::unique(e.removed_.begin(), e.removed_.end()), e.removed_.end());
    while (!e.removed_.empty() && e.removed_.back() >= v.size()) e.removed_.pop_back();
    std::vector<size_t> refile;
    for (auto& [position, item] : e.replaced_) {
        if (position >= v.size()) continue;
        last_.changed.emplace_back(v[position], item);
        if (e.removed_.empty()) {
            index_.Refile(v[position], item, static_cast<int>(position));
        } else {
            index_.Unfile(v[position], static_cast<int>(position));
            if (!std::binary_search(e.removed_.begin(), e.removed_.end(), position)) refile.push_back(position);
        }
        v[position] = std::move(item);
    }
    if (!e.removed_.empty()) {
        const std::vector<int> gone(e.removed_.begin(), e.removed_.end());
        index_.Compact(gone);
        last_.removed.reserve(e.removed_.size());
        // The events before the first removed one stay where they are.
        size_t kept = e.removed_.front(), next = 0;
        for (size_t i = kept; i < v.size(); ++i) {
            if (next < e.removed_.size() && e.removed_[next] == i) {
                ++next;
                last_.removed.push_back(std::move(v[i]));
                continue;
            }
            if (kept != i) v[kept] = std::move(v[i]);
            ++kept;
        }
        v.resize(kept);
    }
    for (const size_t position : refile) {
        const auto below = std::lower_bound(e.removed_.begin(), e.removed_.end(), position) - e.removed_.begin();
        const auto now = static_cast<int>(position) - static_cast<int>(below);
        index_.File(v[static_cast<size_t>(now)], now);
    }
    const int firstAdded = static_cast<int>(v.size());
    last_.added.reserve(e.added_.size());
    for (TTodoItem& item : e.added_) {
        v.push_back(item);
        last_.added.push_back(std::move(item));
    }
    index_.FileAppended(events_, firstAdded);
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
