#pragma once
// One writer's hold on the event file. It remembers the file as it last read
// or wrote it, so that a save never writes over what another writer put there
// since: the folder lock keeps writers apart, and this is the second line for
// when the lock is gone (deleted, on a medium that does not lock) — the other
// writer's changes are merged in, or its file is kept beside and the user told.
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "events/event_file.h"
#include "events/safe_file.h"

class EventFileKeeper {
public:
    explicit EventFileKeeper(std::filesystem::path file) : file_(std::move(file)) {}
    const std::filesystem::path& File() const { return file_; }

    // Reads the file into `items` and takes it as what the next save builds
    // on. A file that does not read whole as an event file is never written
    // through a link: the save puts the new file in the link's place.
    LoadReport Load(TodoItems& items);

    // A save in two steps, so the window can flush on another thread. Prepare
    // writes the items into a temporary beside the file. Commit puts it in
    // the file's place unless another writer changed the file since it was
    // read or written here: then nothing is written and the result says
    // `changedOutside`, for MergeOutsideChanges and a save again. Commits come
    // in the order of their prepares; a Prepared is committed or discarded.
    struct Prepared {
        PreparedWrite write;
        std::vector<uint64_t> records;
    };
    WriteResult Prepare(const TodoItems& items, Prepared& out, const std::atomic<bool>* stop = nullptr);
    WriteResult Commit(Prepared& prepared, bool sync = true);
    void Discard(Prepared& prepared) { DiscardWrite(prepared.write); }
    // Both steps at once.
    WriteResult Save(const TodoItems& items, bool sync = true);

    // What another writer did to the file since it was read or written here,
    // brought into `items`: the records it added are added (unless `items`
    // hold the same record already), the records it removed are removed where
    // `items` still hold them as they were. A record both changed stays in
    // both versions: nothing of either side is lost. A file that holds none of
    // the records read here did not grow from them: nothing is removed then. A file that no longer
    // reads whole is kept beside under `copyName` (…-2, -3 when taken) and
    // `items` stay as they are; without a verified copy `ok` is false and the
    // file must not be written over.
    struct Merge {
        bool ok = true;
        bool changed = false;  // the file was another writer's
        int added = 0, removed = 0;
        std::vector<TDateTime> addedDays, removedDays;  // start days, for the markers
        std::filesystem::path keptCopy;  // where an unreadable file went
        std::string problem;             // why it was unreadable, or why no copy
    };
    Merge MergeOutsideChanges(TodoItems& items, const std::string& copyName);

    // The same in two steps, for an owner that applies changes its own way:
    // what to remove from `items` (positions, ascending) and what to add.
    // The keeper takes the file as read once the plan is made.
    struct MergePlan {
        Merge result;  // counts and days are filled by ApplyMerge
        std::vector<size_t> remove;
        std::vector<TTodoItem> add;
    };
    MergePlan PlanMerge(const TodoItems& items, const std::string& copyName);
    static void ApplyMerge(MergePlan& plan, TodoItems& items);

    // The file on disk is still the one read or written here.
    bool Unchanged() const;

private:
    std::filesystem::path file_;
    mutable std::mutex m_;  // commits run on another thread than the rest
    FileStamp stamp_;                // the file as last read or written here
    std::vector<uint64_t> base_;     // its records' hashes, sorted
    LinkPolicy links_ = LinkPolicy::Follow;
};
