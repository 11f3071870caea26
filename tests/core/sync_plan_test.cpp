// What a sync round sends and takes; and a model of two data folders and a
// third writer on one server whose requests fail at random, run until quiet:
// everyone ends with the same events and nothing made anywhere is lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "sync/sync_plan.h"
#include "sync/sync_settings.h"

namespace {

std::vector<std::string> Uids(const std::vector<RemoteEvent>& v) {
    std::vector<std::string> out;
    for (const RemoteEvent& r : v) out.push_back(r.uid);
    return out;
}
std::vector<std::string> Uids(const std::vector<SyncedEvent>& v) {
    std::vector<std::string> out;
    for (const SyncedEvent& r : v) out.push_back(r.uid);
    return out;
}
using Names = std::vector<std::string>;

// One UID in every combination of the three views.
TEST(SyncPlan, EachCombinationOfTheThreeViews) {
    struct Case {
        const char* what;
        bool here, there, agreed;
        bool changedHere, changedThere;
        const char* outcome;
    };
    const Case cases[] = {
        {"new here", true, false, false, false, false, "create"},
        {"new there", false, true, false, false, false, "fetch"},
        {"new on both under one UID", true, true, false, false, false, "conflict"},
        {"unchanged", true, true, true, false, false, "nothing"},
        {"changed here", true, true, true, true, false, "update"},
        {"changed there", true, true, true, false, true, "fetch"},
        {"changed on both", true, true, true, true, true, "conflict"},
        {"deleted there", true, false, true, false, false, "dropLocal"},
        {"deleted there, changed here", true, false, true, true, false, "create"},
        {"deleted here", false, true, true, false, false, "remove"},
        {"deleted here, changed there", false, true, true, false, true, "fetch"},
        {"deleted on both", false, false, true, false, false, "forget"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SyncState state;
        if (c.agreed) state.Agree({"u", "/cal/u.ics", "\"1\"", 7});
        std::vector<LocalEvent> local;
        if (c.here) local.push_back({"u", c.changedHere ? 8u : 7u});
        RemoteView remote;
        if (c.there) remote.present.push_back({"u", "/cal/u.ics", c.changedThere ? "\"2\"" : "\"1\""});
        const SyncPlan p = PlanSync(local, remote, state);
        std::string got = "nothing";
        if (!p.create.empty()) got = "create";
        if (!p.update.empty()) got = "update";
        if (!p.remove.empty()) got = "remove";
        if (!p.fetch.empty()) got = "fetch";
        if (!p.dropLocal.empty()) got = "dropLocal";
        if (!p.conflicts.empty()) got = "conflict";
        if (!p.forget.empty()) got = "forget";
        EXPECT_EQ(got, c.outcome);
        const size_t actions = p.create.size() + p.update.size() + p.remove.size() + p.fetch.size() +
                               p.dropLocal.size() + p.conflicts.size() + p.forget.size();
        EXPECT_EQ(actions, got == "nothing" ? 0u : 1u);
    }
}

// A sync token's answer names only what changed; the rest stands as agreed.
TEST(SyncPlan, AnIncrementalAnswerLeavesTheRestAsAgreed) {
    SyncState state;
    state.Agree({"a", "/c/a.ics", "1", 1});
    state.Agree({"b", "/c/b.ics", "1", 2});
    state.Agree({"c", "/c/c.ics", "1", 3});
    RemoteView changes;
    changes.complete = false;
    changes.present.push_back({"b", "/c/b.ics", "2"});
    changes.goneHrefs.push_back("/c/c.ics");
    changes.goneHrefs.push_back("/c/never-seen.ics");
    const SyncPlan p = PlanSync({{"a", 1}, {"b", 2}, {"c", 3}}, changes, state);
    EXPECT_EQ(Uids(p.fetch), Names{"b"});
    EXPECT_EQ(p.dropLocal, Names{"c"});
    EXPECT_TRUE(p.create.empty() && p.update.empty() && p.remove.empty() && p.conflicts.empty());
    // Nothing changed anywhere: nothing to do.
    EXPECT_TRUE(PlanSync({{"a", 1}, {"b", 2}, {"c", 3}}, RemoteView{false, {}, {}}, state).Empty());
}

TEST(SyncState, ItsTextReadsBackAndADamagedOneStartsOver) {
    SyncState s;
    s.token = "http://x/sync/1\t2";
    s.Agree({"u%1", "/c/u 1.ics", "\"e\ttag\"", 18446744073709551615ull});
    s.Agree({"v", "/c/v.ics", "W/\"2\"", 0});
    s.Agree({"e", "/c/e.ics", "", 9});  // a server that sent no ETag
    s.Agree({"w", "/c/v.ics", "3", 5});  // another event put at v's resource
    s.lastDone = EncodeDateTime(2026, 12, 8, 14, 5, 31, 250);
    SyncState back;
    ASSERT_TRUE(back.Read(s.Text()));
    EXPECT_EQ(back.token, s.token);
    EXPECT_EQ(back.lastDone, s.lastDone);
    EXPECT_EQ(Uids(back.Events()), (Names{"u%1", "e", "w"}));
    EXPECT_EQ(back.Find("u%1")->etag, "\"e\ttag\"");
    EXPECT_EQ(back.Find("u%1")->hash, 18446744073709551615ull);
    EXPECT_EQ(back.FindHref("/c/v.ics")->uid, "w");
    EXPECT_EQ(back.Find("v"), nullptr);
    const std::string text = s.Text();
    for (const std::string& bad : {std::string(), std::string("dayloom sync 2\n"), text.substr(0, text.size() - 3) + "x\n",
                                   text + "e\tz\t/c/z\t1\n", text + "e\tz\t/c/z\t1\t%G1\n", text + "junk\n",
                                   text + "e\tz%4\t/c/z\t1\t1\n", text + "e\t\t/c/z\t1\t1\n", text + "e\tz\t\t1\t1\n",
                                   text + "e\tz\t/c/z\t1\t1\t1\n", text + "e\tz\t/c/z\t1\t1x\n",
                                   text + "done\t\n", text + "done\t-1\n", text + "done\t4.5x\n"}) {
        SyncState damaged;
        damaged.Agree({"x", "/x", "1", 1});
        EXPECT_FALSE(damaged.Read(bad)) << bad;
        EXPECT_TRUE(damaged.Empty());
        EXPECT_TRUE(damaged.token.empty());
    }
}

TEST(SyncSettings, ThePasswordIsTheFirstLineACommandPrinted) {
    const std::pair<std::string, std::string> cases[] = {
        {"secret\n", "secret"},       {"secret\r\nmore\n", "secret"}, {"secret", "secret"},
        {"\nsecret\n", ""},          {"", ""},                        {"pass word \t\n", "pass word \t"},
    };
    for (const auto& [printed, password] : cases) EXPECT_EQ(PasswordLine(printed), password) << printed;
}

TEST(SyncSettings, ReadBackWithNothingSmuggledIntoAnotherLine) {
    SyncSettings s;
    s.url = "https://dav.example.org/";
    s.user = "анна";
    s.calendar = "/анна/работа/";
    s.calendarName = "Работа";
    s.passwordCommand = "pass show dav\nurl=http://evil.example/";
    s.zetImports = true;
    s.everyMinutes = 5;
    SyncSettings back;
    std::string error;
    ASSERT_TRUE(ReadSyncSettings(SyncSettingsText(s), back, error)) << error;
    EXPECT_EQ(back.url, s.url);
    EXPECT_EQ(back.user, s.user);
    EXPECT_EQ(back.calendar, s.calendar);
    EXPECT_EQ(back.calendarName, s.calendarName);
    EXPECT_EQ(back.passwordCommand, "pass show davurl=http://evil.example/");
    EXPECT_TRUE(back.zetImports && !back.favourableDays && !back.allowPlainHttp);
    EXPECT_EQ(back.everyMinutes, 5);
    EXPECT_TRUE(back.Configured());

    ASSERT_TRUE(ReadSyncSettings("dayloom sync settings 1\r\nevery-minutes=ten\r\nallow-http=yes\r\nlater=1\r\n"
                                 "every-minutes=1441\r\n", back, error));
    EXPECT_EQ(back.everyMinutes, 15);
    ASSERT_TRUE(ReadSyncSettings("dayloom sync settings 1\nevery-minutes=1440\n", back, error));
    EXPECT_EQ(back.everyMinutes, 1440);
    EXPECT_FALSE(back.allowPlainHttp);
    EXPECT_FALSE(back.Configured());
    EXPECT_FALSE(ReadSyncSettings("url=https://x/\n", back, error));
    EXPECT_EQ(error, "это не файл настроек синхронизации");

    SyncSettings none;
    none.favourableDays = true;
    EXPECT_TRUE(GoesToServer(TImportKind::None, none));
    EXPECT_TRUE(GoesToServer(TImportKind::FavourableDays, none));
    EXPECT_FALSE(GoesToServer(TImportKind::MoonDays, none));
    EXPECT_FALSE(GoesToServer(static_cast<TImportKind>(77), none));
}

// ---- the model ----

struct Server {
    struct Item {
        std::string uid, etag, body;
    };
    std::map<std::string, Item> items;  // by href
    int version = 0;
    std::mt19937* rng = nullptr;
    int faultPercent = 0;
    // A request fails before the server acts, or after it acted with the
    // answer lost on the way back.
    enum class Fault { None, Before, After };
    Fault Roll() {
        if (!faultPercent || static_cast<int>((*rng)() % 100) >= faultPercent) return Fault::None;
        return (*rng)() % 2 ? Fault::Before : Fault::After;
    }
    // PUT with If-None-Match: * (etag empty) or If-Match; the new etag, or "".
    std::string Put(const std::string& href, const std::string& uid, const std::string& body, const std::string& ifMatch) {
        const Fault f = Roll();
        if (f == Fault::Before) return "";
        const auto it = items.find(href);
        if (ifMatch.empty() ? it != items.end() : (it == items.end() || it->second.etag != ifMatch)) return "";
        items[href] = {uid, std::to_string(++version), body};
        return f == Fault::After ? "" : items[href].etag;
    }
    bool Delete(const std::string& href, const std::string& ifMatch) {
        const Fault f = Roll();
        if (f == Fault::Before) return false;
        const auto it = items.find(href);
        if (it == items.end() || it->second.etag != ifMatch) return false;
        items.erase(it);
        return f != Fault::After;
    }
    const Item* Get(const std::string& href) {
        if (Roll() != Fault::None) return nullptr;
        const auto it = items.find(href);
        return it == items.end() ? nullptr : &it->second;
    }
    bool List(RemoteView& out) {
        if (Roll() != Fault::None) return false;
        out = RemoteView{};
        for (const auto& [href, item] : items) out.present.push_back({item.uid, href, item.etag});
        return true;
    }
};

uint64_t Hash(const std::string& s) { return std::hash<std::string>{}(s); }

struct Device {
    std::string name;
    std::map<std::string, std::string> events;  // uid → body
    SyncState state;
    int made = 0;

    // One round, as the transport carries out a plan: the state moves only by
    // what the server confirmed.
    void Sync(Server& server) {
        std::vector<LocalEvent> local;
        for (const auto& [uid, body] : events) local.push_back({uid, Hash(body)});
        RemoteView remote;
        if (!server.List(remote)) return;
        const SyncPlan plan = PlanSync(local, remote, state);
        for (const std::string& uid : plan.create) {
            const std::string href = "/cal/" + uid + ".ics";
            if (const std::string etag = server.Put(href, uid, events[uid], ""); !etag.empty())
                state.Agree({uid, href, etag, Hash(events[uid])});
        }
        for (const SyncedEvent& e : plan.update)
            if (const std::string etag = server.Put(e.href, e.uid, events[e.uid], e.etag); !etag.empty())
                state.Agree({e.uid, e.href, etag, Hash(events[e.uid])});
        for (const SyncedEvent& e : plan.remove)
            if (server.Delete(e.href, e.etag)) state.Forget(e.uid);
        for (const RemoteEvent& r : plan.fetch)
            if (const Server::Item* item = server.Get(r.href)) {
                events[item->uid] = item->body;
                state.Agree({item->uid, r.href, item->etag, Hash(item->body)});
            }
        for (const std::string& uid : plan.dropLocal) {
            events.erase(uid);
            state.Forget(uid);
        }
        for (const RemoteEvent& r : plan.conflicts) {
            const Server::Item* item = server.Get(r.href);
            if (!item || item->uid != r.uid) continue;
            if (events[r.uid] != item->body) events[name + "-c" + std::to_string(++made)] = events[r.uid] + " (конфликт)";
            events[r.uid] = item->body;
            state.Agree({r.uid, r.href, item->etag, Hash(item->body)});
        }
        for (const std::string& uid : plan.forget) state.Forget(uid);
        // The state goes through its file between rounds.
        SyncState reread;
        ASSERT_TRUE(reread.Read(state.Text()));
        state = std::move(reread);
    }
};

TEST(SyncModel, TwoFoldersAndAThirdWriterEndTheSameAndLoseNothing) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        Server server;
        server.rng = &rng;
        server.faultPercent = 20;
        Device a, b;
        a.name = "a";
        b.name = "b";
        std::set<std::string> deleted;  // UIDs deleted somewhere: they may be gone
        std::set<std::string> made;
        std::map<std::string, std::string> edits;  // tag → the UID it was made on
        int third = 0, edited = 0;
        std::set<std::string> deletedTags;  // changes inside a deleted version
        auto forgetTags = [&](const std::string& body) {
            for (size_t at = body.find('['); at != std::string::npos; at = body.find('[', at + 1))
                deletedTags.insert(body.substr(at, body.find(']', at) - at + 1));
        };
        auto edit = [&](const std::string& uid, std::string& body) {
            const std::string tag = "[" + std::to_string(++edited) + "]";
            body += tag;
            edits[tag] = uid;
        };
        for (int round = 0; round < 200; ++round) {
            const int what = static_cast<int>(rng() % 10);
            Device& d = rng() % 2 ? a : b;
            auto pick = [&](auto& m) { auto it = m.begin(); std::advance(it, rng() % m.size()); return it; };
            if (what <= 2) {
                const std::string uid = d.name + std::to_string(round);
                d.events[uid] = "event " + uid;
                made.insert(uid);
            } else if (what <= 4 && !d.events.empty()) {
                const auto it = pick(d.events);
                edit(it->first, it->second);
            } else if (what == 5 && !d.events.empty()) {
                const auto it = pick(d.events);
                deleted.insert(it->first);
                forgetTags(it->second);
                d.events.erase(it);
            } else if (what == 6) {
                // The other device writes to the server directly.
                if (!server.items.empty() && rng() % 2) {
                    auto it = pick(server.items);
                    if (rng() % 3) {
                        it->second.etag = std::to_string(++server.version);
                        edit(it->second.uid, it->second.body);
                    } else {
                        deleted.insert(it->second.uid);
                        forgetTags(it->second.body);
                        server.items.erase(it);
                    }
                } else {
                    const std::string uid = "x" + std::to_string(++third);
                    server.items["/cal/" + uid + ".ics"] = {uid, std::to_string(++server.version), "event " + uid};
                    made.insert(uid);
                }
            } else {
                d.Sync(server);
            }
        }
        server.faultPercent = 0;
        for (int i = 0; i < 4; ++i) {
            a.Sync(server);
            b.Sync(server);
        }
        std::map<std::string, std::string> onServer;
        for (const auto& [href, item] : server.items) {
            EXPECT_FALSE(onServer.count(item.uid)) << "twice on the server: " << item.uid;
            onServer[item.uid] = item.body;
        }
        EXPECT_EQ(a.events, onServer);
        EXPECT_EQ(b.events, onServer);
        for (const std::string& uid : made)
            if (!deleted.count(uid)) {
                EXPECT_TRUE(onServer.count(uid)) << "lost: " << uid;
            }
        // Every change of an event nobody deleted is in some version that
        // stayed: a conflict keeps both.
        for (const auto& edit : edits) {
            const std::string& tag = edit.first;
            const std::string& uid = edit.second;
            if (deletedTags.count(tag)) continue;
            const bool kept = std::any_of(onServer.begin(), onServer.end(),
                                          [&](const auto& e) { return e.second.find(tag) != std::string::npos; });
            EXPECT_TRUE(kept) << "the change " << tag << " of " << uid << " is lost";
        }
        // Quiet: one more round plans nothing.
        std::vector<LocalEvent> local;
        for (const auto& [uid, body] : a.events) local.push_back({uid, Hash(body)});
        RemoteView remote;
        ASSERT_TRUE(server.List(remote));
        EXPECT_TRUE(PlanSync(local, remote, a.state).Empty());
    }
}

}  // namespace
