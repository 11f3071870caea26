#pragma once
// One round of sync: the server's listing, the plan, and its requests, with
// the folder's side behind an interface (the event document in the program
// and dayloom-cli; a map in tests). The state moves on only by what the
// server confirmed, and the server's token only when everything it named was
// taken, so a round cut short anywhere loses nothing: the next one plans
// again from there.
#include <cstdint>
#include <string>
#include <vector>

#include "sync/caldav_client.h"
#include "sync/sync_plan.h"

class SyncFolder {
public:
    // The events that go to the server: UID and a hash of their text.
    virtual std::vector<LocalEvent> Events() = 0;
    // The iCalendar text sent for one of them.
    virtual std::string Text(const std::string& uid) = 0;
    // Whether the server's text says something else than the local event.
    virtual bool Differs(const std::string& uid, const std::string& serverText) = 0;
    // Takes the server's version, new or over the local one: the hash of the
    // local event it became, or false with the reason when the text does not
    // read (it is left for the next round).
    virtual bool Take(const std::string& uid, const std::string& serverText, uint64_t& hash, std::string& why) = 0;
    virtual void Drop(const std::string& uid) = 0;
    // The local version kept beside the server's as a new event.
    virtual void KeepAsConflict(const std::string& uid) = 0;

protected:
    ~SyncFolder() = default;
};

struct SyncReport {
    bool ok = false;
    std::string error;                  // why the round stopped (no answer, refused password)
    int sent = 0, deletedThere = 0;     // confirmed by the server
    int taken = 0, droppedHere = 0, conflicts = 0;
    int requests = 0;
    std::vector<std::string> problems;  // per event, for the user; the round went on
};

SyncReport RunSyncRound(CalDavClient& client, const std::string& calendar, SyncState& state, SyncFolder& folder);
