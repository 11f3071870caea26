#pragma once
// The event document's side of a round of sync. The round's calls may run on
// another thread than the document's while the user goes on changing it:
// they only read the document aside (EventDocument::ReadAside) and collect
// what the round takes, drops and keeps. Apply, on the document's thread,
// makes all of it one change (ChangeKind::Synced) when the round is over.
//
// An event is known to the server by its UID: a calendar's own UID for an
// event that came from one, otherwise one given here and kept in the event
// file from the first round on. A UID is made from the event's record, so an
// event whose UID was sent but not yet saved (the program was killed between
// the two) gets the same one again and is not sent twice.
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "events/event_document.h"
#include "sync/sync_plan.h"
#include "sync/sync_settings.h"

#include "events/clock_zone.h"

// The interface the round calls (its transport lives in sync_round.h).
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
    // Called before the first new event goes to the server: the UIDs given
    // are kept where they survive the program, so an event the server got
    // is never sent again under another UID. False with the reason: nothing
    // may be sent.
    virtual bool BeforeSending(std::string& why) = 0;

protected:
    ~SyncFolder() = default;
};

// The name a conflict's local copy gets: its own name and this.
inline constexpr const char* kConflictMark = " (конфликт)";

class DocumentSync final : public SyncFolder {
public:
    DocumentSync(EventDocument& doc, const SyncSettings& settings, const IcsZone& zone);

    std::vector<LocalEvent> Events() override;
    std::string Text(const std::string& uid) override;
    bool Differs(const std::string& uid, const std::string& serverText) override;
    bool Take(const std::string& uid, const std::string& serverText, uint64_t& hash, std::string& why) override;
    void Drop(const std::string& uid) override;
    void KeepAsConflict(const std::string& uid) override;
    bool BeforeSending(std::string& why) override;
    // What BeforeSending does when UIDs were given: keep them (KeepGivenUids
    // on the document's thread) and save. None: the UIDs wait for Apply.
    void OnBeforeSending(std::function<bool(std::string& why)> keep) { beforeSending_ = std::move(keep); }
    // On the document's thread: the UIDs given so far, kept in their events
    // as one change; true when any was.
    bool KeepGivenUids();

    // On the document's thread, after the round: one change with what was
    // collected and the UIDs given (nothing when there is nothing). An event
    // the user changed while the round ran is never lost: a taken version
    // over it keeps it beside as a conflict, a drop leaves it (it goes to
    // the server next time).
    void Apply();
    // How many conflict copies Apply made beyond those the round counted.
    int LateConflicts() const { return lateConflicts_; }

private:
    struct Seen {
        size_t position;
        uint64_t record;  // RecordHash as the round saw it
        bool given;       // the UID was made here, not yet in the record
    };
    struct Pending {
        enum class What { Take, Drop, Keep } what;
        std::string uid;
        TTodoItem item;  // Take: the new version
    };
    // Runs `read` on the events aside, again while a change stops it.
    void Read(const std::function<void(const TodoItems&)>& read);
    const TTodoItem* Find(const TodoItems& events, const std::string& uid) const;
    bool AnyGiven() const;
    // Where each UID's event is; the UIDs given placed in their events (in
    // `replaced`) when they are still as the round saw them.
    void PlaceUids(const TodoItems& events, std::unordered_map<std::string, size_t>& at,
                   std::unordered_map<size_t, TTodoItem>& replaced);

    EventDocument& doc_;
    SyncSettings settings_;
    const IcsZone zone_;  // a copy: callers pass temporaries
    std::unordered_map<std::string, Seen> seen_;
    std::vector<Pending> pending_;
    int lateConflicts_ = 0;
    std::function<bool(std::string& why)> beforeSending_;
};
