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
#include "tests/sync/map_folder.h"
#include "tests/sync/radicale.h"

namespace {

class FaultProxy {
public:
    FaultProxy(const std::filesystem::path& dir, int target, unsigned seed) : control_(dir / "faults") {
        SetPercent(0);
        const std::string portFile = (dir / "proxy-port").string();
        pid_ = fork();
        if (pid_ == 0) {
            const std::string script = std::string(DAYLOOM_TESTS_DIR) + "/sync/fault_proxy.py";
            const std::string t = std::to_string(target), s = std::to_string(seed), c = control_.string();
            execl("/usr/bin/python3", "python3", script.c_str(), portFile.c_str(), t.c_str(), s.c_str(), c.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 200 && !std::filesystem::exists(portFile); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        port_ = std::atoi(TempFolder::Read(portFile).c_str());
    }
    ~FaultProxy() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    void SetPercent(int p) { TempFolder::Write(control_, std::to_string(p)); }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    std::filesystem::path control_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// python3-caldav kept running, taking one command a line.
class PythonDevice {
public:
    PythonDevice(const std::filesystem::path& dir, const std::string& url) {
        const std::filesystem::path script = dir / "device_loop.py";
        TempFolder::Write(script,
                          "import caldav, icalendar, sys\n"
                          "client = caldav.DAVClient(url='" + url + "', username='anna', password='secret')\n"
                          "cal = [c for c in client.principal().calendars() if c.name == 'Работа'][0]\n"
                          "for line in sys.stdin:\n"
                          "    op, uid, arg = line.rstrip('\\n').split('\\t')\n"
                          "    try:\n"
                          "        if op == 'add':\n"
                          "            cal.save_event('BEGIN:VCALENDAR\\r\\nVERSION:2.0\\r\\nPRODID:-//phone//EN\\r\\n"
                          "BEGIN:VEVENT\\r\\nUID:%s\\r\\nDTSTAMP:20261201T000000Z\\r\\nDTSTART:20261209T100000Z\\r\\n"
                          "SUMMARY:%s\\r\\nEND:VEVENT\\r\\nEND:VCALENDAR\\r\\n' % (uid, arg))\n"
                          "        else:\n"
                          "            ev = cal.event_by_uid(uid)\n"
                          "            if op == 'delete':\n"
                          "                ev.delete()\n"
                          "            else:\n"
                          "                c = icalendar.Calendar.from_ical(ev.data)\n"
                          "                for v in c.walk('VEVENT'):\n"
                          "                    v['SUMMARY'] = str(v['SUMMARY']) + arg\n"
                          "                ev.data = c.to_ical().decode()\n"
                          "                ev.save()\n"
                          "        print('ok', flush=True)\n"
                          "    except Exception as e:\n"
                          "        print('failed', type(e).__name__, flush=True)\n");
        int in[2], out[2];
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(out), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            const std::string s = script.string();
            execl("/usr/bin/python3", "python3", s.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to_ = fdopen(in[1], "w");
        from_ = fdopen(out[0], "r");
    }
    ~PythonDevice() {
        fclose(to_);
        fclose(from_);
        waitpid(pid_, nullptr, 0);
    }
    // "ok", or "failed" with the reason.
    std::string Do(const std::string& op, const std::string& uid, const std::string& arg) {
        std::fprintf(to_, "%s\t%s\t%s\n", op.c_str(), uid.c_str(), arg.c_str());
        std::fflush(to_);
        char line[256] = {};
        return std::fgets(line, sizeof line, from_) ? std::string(line) : "no answer";
    }

private:
    pid_t pid_ = -1;
    FILE* to_ = nullptr;
    FILE* from_ = nullptr;
};

std::map<std::string, std::string> ServerEvents(const std::string& url, const std::string& calendar) {
    CalDavClient c(url, "anna", "secret");
    RemoteView view;
    std::string token, error;
    std::map<std::string, std::string> out;
    EXPECT_TRUE(c.List(calendar, "", view, token, error)) << error;
    std::vector<std::string> hrefs;
    for (const RemoteEvent& r : view.present) hrefs.push_back(r.href);
    std::vector<RemoteText> texts;
    EXPECT_TRUE(c.Fetch(calendar, hrefs, texts, error)) << error;
    for (const RemoteText& t : texts) {
        EXPECT_FALSE(out.count(t.uid)) << "twice on the server: " << t.uid;
        out[t.uid] = SummaryOf(t.text);
    }
    return out;
}

TEST(SyncRounds, TwoFoldersAndAPhoneUnderFaultsEndTheSameAndLoseNothing) {
    if (!Radicale::Installed()) GTEST_SKIP() << "radicale is not installed (Debian package radicale)";
    TempFolder folder;
    Radicale server(folder.path());
    ASSERT_EQ(server.Python("Работа", "pass"), 0) << server.DeviceLog();
    CalDavClient finder(server.Url(), "anna", "secret");
    std::vector<CalendarFound> found;
    std::string error;
    ASSERT_TRUE(finder.Discover(found, error)) << error;
    const std::string calendar = found.at(0).href;

    const unsigned seed = std::getenv("DAYLOOM_SYNC_SEED") ? std::atoi(std::getenv("DAYLOOM_SYNC_SEED")) : 7;
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

}  // namespace
