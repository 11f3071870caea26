#pragma once
// What one round of sync with a calendar server sends and takes, decided from
// three views of the events by their UIDs: what the data folder holds now,
// what the server holds now, and what both held when they last agreed (the
// sync state). Nothing here talks to a server; the transport carries the plan
// out, and the state moves on only by what the server confirmed, so a round
// cut short anywhere is planned again from where it stopped.
//
// The rules that keep every version: an event changed on both sides keeps
// the server's version and the local one beside it as a new event (a
// conflict); an event deleted on one side and changed on the other stays as
// changed; an event both sides hold that neither changed is left alone.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "events/date_time.h"

// An event of the data folder: its UID and a hash of what would be sent for
// it (two equal hashes: nothing to send).
struct LocalEvent {
    std::string uid;
    uint64_t hash = 0;
};

// An event of the server: the resource that holds it and its version.
struct RemoteEvent {
    std::string uid;
    std::string href;
    std::string etag;
};

// What both sides held of one event when they last agreed.
struct SyncedEvent {
    std::string uid;
    std::string href;
    std::string etag;
    uint64_t hash = 0;
};

// The server's side for a round: every event it holds (`complete`), or only
// what changed since the last round (a sync token's answer): the events
// added or changed, and the resources gone.
struct RemoteView {
    bool complete = true;
    std::vector<RemoteEvent> present;
    std::vector<std::string> goneHrefs;
};

struct SyncPlan {
    std::vector<std::string> create;     // local UIDs the server lacks: sent as new (If-None-Match: *)
    std::vector<SyncedEvent> update;     // changed here only: sent over the server's version (If-Match)
    std::vector<SyncedEvent> remove;     // deleted here, unchanged there: deleted there (If-Match)
    std::vector<RemoteEvent> fetch;      // new or changed there only: taken
    std::vector<std::string> dropLocal;  // deleted there, unchanged here: deleted here
    // Changed on both sides, or new on both under one UID: the server's
    // version is taken; the local one stays beside it as a new event unless
    // it turns out the same as what was taken.
    std::vector<RemoteEvent> conflicts;
    std::vector<std::string> forget;     // gone from both: dropped from the state

    bool Empty() const {
        return create.empty() && update.empty() && remove.empty() && fetch.empty() && dropLocal.empty() &&
               conflicts.empty() && forget.empty();
    }
};

class SyncState;
SyncPlan PlanSync(const std::vector<LocalEvent>& local, const RemoteView& remote, const SyncState& state);

// What both sides held when they last agreed, and the server's token for
// asking what changed since. Written to a file of its own in the data folder.
class SyncState {
public:
    const SyncedEvent* Find(const std::string& uid) const;
    const SyncedEvent* FindHref(const std::string& href) const;
    // Both sides now hold this version of the event.
    void Agree(const SyncedEvent& e);
    void Forget(const std::string& uid);
    const std::vector<SyncedEvent>& Events() const { return events_; }
    bool Empty() const { return events_.empty(); }

    std::string token;  // the server's sync token after the last complete round; empty: none
    TDateTime lastDone = 0;  // when a round last went through, shown after a restart; 0: never

    // The state as text, and back. Reading is total: a damaged text gives
    // false and an empty state, and the next round starts from a full listing
    // (nothing is lost that way, only time).
    std::string Text() const;
    bool Read(std::string_view text);

private:
    std::vector<SyncedEvent> events_;
    std::unordered_map<std::string, size_t> byUid_, byHref_;
};
