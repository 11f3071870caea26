#pragma once
// What the window tells of sync: the last round's time and what it did, the
// error of one that failed, and when that error is told (once, not at every
// try). Texts are UTF-8, as the other sync texts.
#include <cstddef>
#include <string>

#include "events/date_time.h"
#include "sync/sync_settings.h"

// What a round did, as the server confirmed it.
struct SyncCounts {
    int sent = 0, deletedThere = 0;
    int taken = 0, droppedHere = 0, conflicts = 0;
    int problems = 0;  // events that did not go this time (the round went on)
};

struct SyncOutcome {
    bool ok = false;
    std::string error;  // why the round stopped
    SyncCounts counts;
    std::string firstProblem;
};

class SyncStatus {
public:
    // A round ended at `when`. True when its error is to be told now: the
    // first failure after a round that went through, or after new settings;
    // a server that stays away is not announced at every try.
    bool Note(TDateTime when, const SyncOutcome& outcome);
    // New settings: their first failure is told again.
    void Restart() { told_ = false; }
    // The time of the last round of an earlier run (what it did is not kept).
    void Remember(TDateTime lastDone) {
        lastDone_ = lastDone;
        countsKnown_ = false;
    }

    TDateTime LastDone() const { return lastDone_; }  // 0: no round went through yet
    const SyncCounts& Counts() const { return counts_; }
    bool CountsKnown() const { return countsKnown_; }
    const std::string& FirstProblem() const { return firstProblem_; }
    TDateTime FailedAt() const { return failedAt_; }  // 0: the last round did not fail
    const std::string& Error() const { return error_; }

private:
    TDateTime lastDone_ = 0, failedAt_ = 0;
    SyncCounts counts_;
    std::string firstProblem_, error_;
    bool told_ = false;
    bool countsKnown_ = true;  // false: the last round was an earlier run's
};

// What a round did, as a line: "отправлено: 2, получено: 1" or "изменений не было".
std::string SyncCountsText(const SyncCounts& c);

// The tray icon's tip: the last sync's time, and the error when the last
// round failed, cut to this many letters.
inline constexpr size_t kTipReasonLetters = 60;
std::string SyncTipText(const SyncStatus& s);
// The setup window's status line: time, what the last round did, the error.
std::string SyncStatusText(const SyncStatus& s);
// Told once when rounds begin to fail.
std::string SyncFailureNotice(const SyncStatus& s);
// Told after a round that kept both versions of events changed on both
// sides; empty when there were none.
std::string SyncConflictNotice(int conflicts);

// What keeps the account from being used (address, user, password), for
// the user; empty when nothing does. `addressRefusal`: what the client says
// of the address (empty: it is fine); `hasPassword`: one was typed, or the
// keyring keeps one for this account.
std::string SyncAccountProblem(const SyncSettings& s, const std::string& addressRefusal, bool hasPassword);
// What keeps the setup from being saved: the account's problem, or no
// calendar chosen; empty when it may be saved. Every field empty is sync
// turned off, which may be saved too.
std::string SyncSetupProblem(const SyncSettings& s, const std::string& addressRefusal, bool hasPassword);

// The key the password is kept under in the system's keyring: one per
// server and user.
std::string SyncPasswordKey(const SyncSettings& s);
// Whether two settings name the same calendar of the same account: when they
// do not, what was agreed with the old one means nothing for the new one.
bool SameSyncCalendar(const SyncSettings& a, const SyncSettings& b);
