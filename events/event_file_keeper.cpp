#include "events/event_file_keeper.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace {

// Reads the file whole together with the stamp it had meanwhile; a file
// replaced during the read is read again.
LoadReport ReadSteady(const std::filesystem::path& file, TodoItems& items, std::vector<uint64_t>& hashes,
                      FileStamp& stamp) {
    LoadReport rep;
    for (int attempt = 0; attempt < 4; ++attempt) {
        stamp = StampOf(file);
        rep = LoadFromFile(file, items, &hashes);
        if (StampOf(file) == stamp) break;
    }
    return rep;
}

bool ReadsWhole(const LoadReport& rep) {
    return rep.status == LoadReport::Status::Ok || rep.status == LoadReport::Status::Missing;
}

}  // namespace

LoadReport EventFileKeeper::Load(TodoItems& items) {
    std::vector<uint64_t> hashes;
    FileStamp stamp;
    const LoadReport rep = ReadSteady(file_, items, hashes, stamp);
    std::sort(hashes.begin(), hashes.end());
    std::lock_guard lock(m_);
    stamp_ = stamp;
    base_ = std::move(hashes);
    links_ = ReadsWhole(rep) ? LinkPolicy::Follow : LinkPolicy::Replace;
    return rep;
}

WriteResult EventFileKeeper::Prepare(const TodoItems& items, Prepared& out, const std::atomic<bool>* stop) {
    LinkPolicy links;
    {
        std::lock_guard lock(m_);
        links = links_;
    }
    return PrepareEventFile(file_, items, out.write, &out.records, links, stop);
}

WriteResult EventFileKeeper::Commit(Prepared& prepared, bool sync) {
    std::sort(prepared.records.begin(), prepared.records.end());
    std::lock_guard lock(m_);
    // A file taken away holds nothing to merge: the save simply puts it back.
    if (const FileStamp now = StampOf(file_); now != stamp_ && now.exists) {
        DiscardWrite(prepared.write);
        WriteResult r;
        r.changedOutside = true;
        r.error = "файл событий изменила другая программа";
        return r;
    }
    WriteResult r = CommitWrite(prepared.write, sync);
    if (r.ok) {
        stamp_ = StampOf(file_);
        base_ = std::move(prepared.records);
    }
    return r;
}

WriteResult EventFileKeeper::Save(const TodoItems& items, bool sync) {
    Prepared prepared;
    const WriteResult w = Prepare(items, prepared);
    return w.ok ? Commit(prepared, sync) : w;
}

bool EventFileKeeper::Unchanged() const {
    std::lock_guard lock(m_);
    return StampOf(file_) == stamp_;
}

EventFileKeeper::MergePlan EventFileKeeper::PlanMerge(const TodoItems& items, const std::string& copyName) {
    MergePlan plan;
    Merge& m = plan.result;
    TodoItems theirs;
    std::vector<uint64_t> theirHashes;
    FileStamp stamp;
    const LoadReport rep = ReadSteady(file_, theirs, theirHashes, stamp);
    std::lock_guard lock(m_);
    if (stamp == stamp_) return plan;
    if (rep.status == LoadReport::Status::Missing) {
        // A file taken away is no word about the events: the next save
        // writes them all again.
        stamp_ = stamp;
        return plan;
    }
    m.changed = true;
    if (!ReadsWhole(rep)) {
        const CopyResult copy = KeepVerifiedCopy(file_, copyName);
        m.problem = rep.problem;
        if (!copy.ok) {
            m.ok = false;
            m.problem += "; копию сделать не удалось: " + copy.error;
            return plan;
        }
        m.keptCopy = copy.copy;
        stamp_ = stamp;
        links_ = LinkPolicy::Replace;
        return plan;
    }

    std::vector<uint64_t> sorted = theirHashes;
    std::sort(sorted.begin(), sorted.end());
    std::vector<uint64_t> added, removed;
    std::set_difference(sorted.begin(), sorted.end(), base_.begin(), base_.end(), std::back_inserter(added));
    std::set_difference(base_.begin(), base_.end(), sorted.begin(), sorted.end(), std::back_inserter(removed));
    // A file with nothing of ours in it was not made from ours (the folder was
    // deleted and the other writer began afresh): what it lacks it never
    // removed, it never had it.
    if (!base_.empty() && removed.size() == base_.size()) removed.clear();
    stamp_ = stamp;
    base_ = std::move(sorted);
    links_ = LinkPolicy::Follow;
    if (added.empty() && removed.empty()) {
        m.changed = false;  // the same records written again
        return plan;
    }

    std::unordered_map<uint64_t, int> toRemove, toAdd, ours;
    for (const uint64_t h : removed) ++toRemove[h];
    for (const uint64_t h : added) ++toAdd[h];
    for (size_t i = 0; i < static_cast<size_t>(items.Count()); ++i) {
        const uint64_t h = RecordHash(items[static_cast<int>(i)]);
        if (auto it = toRemove.find(h); it != toRemove.end() && it->second > 0) {
            --it->second;
            plan.remove.push_back(i);
            continue;
        }
        ++ours[h];
    }
    for (size_t j = 0; j < theirHashes.size(); ++j) {
        const uint64_t h = theirHashes[j];
        auto it = toAdd.find(h);
        if (it == toAdd.end() || it->second == 0) continue;
        --it->second;
        if (auto own = ours.find(h); own != ours.end() && own->second > 0) {
            --own->second;  // the same change made on both sides
            continue;
        }
        plan.add.push_back(std::move(theirs[static_cast<int>(j)]));
    }
    return plan;
}

void EventFileKeeper::ApplyMerge(MergePlan& plan, TodoItems& items) {
    Merge& m = plan.result;
    size_t next = 0;
    items.Take(0, [&](int i, uint32_t slot) {
        if (next >= plan.remove.size() || plan.remove[next] != static_cast<size_t>(i)) return false;
        ++next;
        m.removedDays.push_back(DateOf(items.AtSlot(slot).CreationDate));
        return true;
    });
    items.Compact();
    m.removed = static_cast<int>(plan.remove.size());
    for (TTodoItem& e : plan.add) {
        m.addedDays.push_back(DateOf(e.CreationDate));
        items.Add(std::move(e));
    }
    m.added = static_cast<int>(plan.add.size());
    plan.add.clear();
}

EventFileKeeper::Merge EventFileKeeper::MergeOutsideChanges(TodoItems& items, const std::string& copyName) {
    MergePlan plan = PlanMerge(items, copyName);
    ApplyMerge(plan, items);
    return plan.result;
}
