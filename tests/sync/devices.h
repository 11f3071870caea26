#pragma once
// The other parties of the randomized sync tests: a proxy that breaks
// requests, python3-caldav as a phone kept running, and what the server
// holds, read past both.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "events/event_edit.h"
#include "sync/caldav_client.h"
#include "tests/support/temp_folder.h"
#include "tests/sync/map_folder.h"
#include "tests/sync/radicale.h"

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
    // Every request of this method meets this fault ("500", "412", "before", ...).
    void Aim(const std::string& method, const std::string& fault) { TempFolder::Write(control_, "100 " + method + " " + fault); }
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

inline std::map<std::string, std::string> ServerEvents(const std::string& url, const std::string& calendar) {
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


// A test server whose user has one calendar, "Работа"; `calendar` is its
// path, empty when the server did not come up.
struct WorkServer {
    Radicale server;
    std::string calendar;
    explicit WorkServer(const std::filesystem::path& dir) : server(dir) {
        EXPECT_EQ(server.Python("Работа", "pass"), 0) << server.DeviceLog();
        CalDavClient finder(server.Url(), "anna", "secret");
        std::vector<CalendarFound> found;
        std::string error;
        EXPECT_TRUE(finder.Discover(found, error)) << error;
        if (!found.empty()) calendar = found[0].href;
    }
};

// A test against the work calendar of a server of its own, kept in a
// temporary folder beside the test's other files; skipped where Radicale is
// not installed.
class WorkServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Radicale::Installed()) GTEST_SKIP() << "radicale is not installed (Debian package radicale)";
        std::filesystem::create_directories(folder.path() / "server");
        work = std::make_unique<WorkServer>(folder.path() / "server");
        ASSERT_FALSE(work->calendar.empty());
    }
    TempFolder folder;
    std::unique_ptr<WorkServer> work;
};

// An event changed as the editor changes it: opened, its values changed, stored.
inline void EditInEditor(TTodoItem& e, const std::function<void(TEditorValues&)>& change) {
    TEditorState state;
    TEditorValues v = EditorValuesFromItem(e, 0, {}, state);
    v.kind = state.kind;
    v.unit = state.unit;
    v.countText = state.countText;
    v.mask = state.mask;
    change(v);
    ChangeItemToDo(e, v);
}

// DAYLOOM_SYNC_SEED, or the seed a randomized test keeps by default.
inline unsigned SyncSeed(unsigned fallback) {
    const char* v = std::getenv("DAYLOOM_SYNC_SEED");
    return v ? static_cast<unsigned>(std::atoi(v)) : fallback;
}
