// Rounds of sync against a real Radicale through a proxy that breaks
// requests at random: two data folders and python3-caldav change the same
// calendar; when the faults stop and everyone has synced, all hold the same
// events, nothing made anywhere is lost, and every conflict kept both versions.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "sync/sync_round.h"
#include "tests/support/temp_folder.h"
#include "tests/sync/devices.h"
#include "tests/sync/map_folder.h"
#include "tests/sync/radicale.h"

namespace {

using SyncRounds = WorkServerTest;

TEST_F(SyncRounds, TwoFoldersAndAPhoneUnderFaultsEndTheSameAndLoseNothing) {
    const Radicale& server = work->server;
    const std::string& calendar = work->calendar;

    const unsigned seed = SyncSeed(7);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    FaultProxy proxy(folder.path(), server.Port(), seed);
    PythonDevice phone(folder.path(), server.Url());
    MapFolder a, b;
    a.name = "a";
    b.name = "b";

    std::set<std::string> made, deleted, deletedTags;
    std::map<std::string, std::string> phoneKnows;  // what the phone last saw there
    int tags = 0;
    auto forgetTags = [&](const std::string& name) {
        for (size_t at = name.find('['); at != std::string::npos; at = name.find('[', at + 1))
            deletedTags.insert(name.substr(at, name.find(']', at) - at + 1));
    };
    auto sync = [&](MapFolder& f) {
        CalDavClient c(proxy.Url(), "anna", "secret");
        RunSyncRound(c, calendar, f.state, f);
        SyncState reread;  // the state goes through its file between rounds
        ASSERT_TRUE(reread.Read(f.state.Text()));
        f.state = std::move(reread);
    };
    proxy.SetPercent(25);
    const int rounds = std::getenv("DAYLOOM_SYNC_ROUNDS") ? std::atoi(std::getenv("DAYLOOM_SYNC_ROUNDS")) : 200;
    for (int round = 0; round < rounds; ++round) {
        MapFolder& f = rng() % 2 ? a : b;
        const int what = static_cast<int>(rng() % 10);
        auto pick = [&](auto& m) { auto it = m.begin(); std::advance(it, rng() % m.size()); return it; };
        if (what <= 1) {
            const std::string uid = f.name + std::to_string(round) + "@dayloom";
            f.events[uid] = "Событие " + uid;
            made.insert(uid);
        } else if (what <= 3 && !f.events.empty()) {
            pick(f.events)->second += "[" + std::to_string(++tags) + "]";
        } else if (what == 4 && !f.events.empty()) {
            const auto it = pick(f.events);
            deleted.insert(it->first);
            forgetTags(it->second);
            f.events.erase(it);
        } else if (what == 5) {
            // The phone writes straight to the server, through no proxy.
            const std::map<std::string, std::string> there = ServerEvents(server.Url(), calendar);
            if (!there.empty() && rng() % 2) {
                auto it = there.begin();
                std::advance(it, rng() % there.size());
                if (rng() % 3) {
                    ASSERT_EQ(phone.Do("edit", it->first, "[" + std::to_string(++tags) + "]"), "ok\n");
                } else {
                    deleted.insert(it->first);
                    forgetTags(it->second);
                    ASSERT_EQ(phone.Do("delete", it->first, ""), "ok\n");
                }
            } else {
                const std::string uid = "p" + std::to_string(round) + "@phone";
                ASSERT_EQ(phone.Do("add", uid, "Звонок " + uid), "ok\n");
                made.insert(uid);
            }
        } else {
            sync(f);
        }
    }
    proxy.SetPercent(0);
    for (int i = 0; i < 3; ++i) {
        sync(a);
        sync(b);
    }
    const std::map<std::string, std::string> there = ServerEvents(server.Url(), calendar);
    EXPECT_EQ(a.events, there);
    EXPECT_EQ(b.events, there);
    for (const std::string& uid : made)
        if (!deleted.count(uid)) {
            EXPECT_TRUE(there.count(uid)) << "lost: " << uid;
        }
    for (int t = 1; t <= tags; ++t) {
        const std::string tag = "[" + std::to_string(t) + "]";
        if (deletedTags.count(tag)) continue;
        EXPECT_TRUE(std::any_of(there.begin(), there.end(), [&](const auto& e) { return e.second.find(tag) != std::string::npos; }))
            << "the change " << tag << " is lost";
    }
    // Quiet: a round with nothing changed asks once and does nothing.
    CalDavClient c(server.Url(), "anna", "secret");
    const SyncReport quiet = RunSyncRound(c, calendar, a.state, a);
    EXPECT_TRUE(quiet.ok) << quiet.error;
    EXPECT_EQ(quiet.requests, 1);
    EXPECT_EQ(quiet.sent + quiet.taken + quiet.conflicts + quiet.deletedThere + quiet.droppedHere, 0);
    std::printf("events %zu, conflicts %d + %d\n", there.size(), a.copies, b.copies);
}

// A change sent and refused is sent again, whatever the server said since:
// the token moves on only when everything the round meant to do was done.
// Here the other computer deleted the event while this one renamed it; the
// rename's first try fails, the second must still know the event is gone there.
TEST_F(SyncRounds, ARefusedChangeIsSentAgainNextRound) {
    const Radicale& server = work->server;
    const std::string& calendar = work->calendar;
    FaultProxy proxy(folder.path(), server.Port(), 1);
    auto sync = [&](MapFolder& f) {
        CalDavClient c(proxy.Url(), "anna", "secret");
        return RunSyncRound(c, calendar, f.state, f);
    };
    for (const char* refusal : {"500", "412", "before", "after"}) {
        SCOPED_TRACE(refusal);
        MapFolder a, b;
        a.name = "a";
        b.name = "b";
        const std::string uid = std::string("x-") + refusal + "@dayloom";
        a.events[uid] = "Врач";
        ASSERT_TRUE(sync(a).ok);
        ASSERT_TRUE(sync(b).ok);
        ASSERT_EQ(b.events.count(uid), 1u);
        b.events.erase(uid);
        ASSERT_EQ(sync(b).deletedThere, 1);
        a.events[uid] = "Врач в кабинете 5";
        proxy.Aim("PUT", refusal);
        const SyncReport refused = sync(a);
        ASSERT_TRUE(refused.ok) << refused.error;
        proxy.SetPercent(0);
        sync(a);
        EXPECT_EQ(ServerEvents(server.Url(), calendar).count(uid), 1u) << "the rename is lost";
        sync(b);
        EXPECT_EQ(b.events[uid], "Врач в кабинете 5");
        EXPECT_EQ(sync(a).requests, 1);
    }
}

}  // namespace
