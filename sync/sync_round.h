#pragma once
// One round of sync: the server's listing, the plan, and its requests, with
// the folder's side behind an interface (SyncFolder: the event document in
// the program and dayloom-cli; a map in tests). The state moves on only by what the
// server confirmed, and the server's token only when everything it named was
// taken, so a round cut short anywhere loses nothing: the next one plans
// again from there.
#include <cstdint>
#include <string>
#include <vector>

#include "sync/caldav_client.h"
#include "sync/document_sync.h"
#include "sync/sync_plan.h"
#include "sync/sync_status.h"

struct SyncReport {
    bool ok = false;
    std::string error;                  // why the round stopped (no answer, refused password)
    int sent = 0, deletedThere = 0;     // confirmed by the server
    int taken = 0, droppedHere = 0, conflicts = 0;
    int requests = 0;
    std::vector<std::string> problems;  // per event, for the user; the round went on
};

// What the round did, as the user is told it; `lateConflicts`: the conflict
// copies the folder made beyond the round's own (DocumentSync::LateConflicts).
inline SyncCounts CountsOf(const SyncReport& r, int lateConflicts = 0) {
    return {r.sent, r.deletedThere, r.taken, r.droppedHere, r.conflicts + lateConflicts, int(r.problems.size())};
}

SyncReport RunSyncRound(CalDavClient& client, const std::string& calendar, SyncState& state, SyncFolder& folder);
