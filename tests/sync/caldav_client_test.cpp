// The CalDAV client against a real Radicale, with python3-caldav as the
// other device.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "sync/caldav_client.h"
#include "tests/support/temp_folder.h"
#include "tests/sync/radicale.h"

namespace {

const char kWeekly[] =
    "BEGIN:VCALENDAR\\r\\nVERSION:2.0\\r\\nPRODID:-//phone//EN\\r\\nBEGIN:VEVENT\\r\\nUID:weekly-1@phone\\r\\n"
    "DTSTAMP:20261201T000000Z\\r\\nDTSTART;TZID=Europe/Berlin:20261207T090000\\r\\nDURATION:PT1H\\r\\n"
    "RRULE:FREQ=WEEKLY;COUNT=10\\r\\nEXDATE;TZID=Europe/Berlin:20261214T090000\\r\\nSUMMARY:Планёрка\\r\\n"
    "END:VEVENT\\r\\nEND:VCALENDAR\\r\\n";

std::string Event(const std::string& uid, const std::string& summary) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//dayloom//RU\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:20261208T100000Z\r\nSUMMARY:" + summary +
           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

class CalDavTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Radicale::Installed()) GTEST_SKIP() << "radicale is not installed (Debian package radicale)";
        server = std::make_unique<Radicale>(folder.path());
        ASSERT_EQ(server->Python("Работа", "cal.save_event('''" + std::string(kWeekly) + "''')"), 0) << server->DeviceLog();
    }
    std::string Calendar() {
        CalDavClient c(server->Url(), "anna", "secret");
        std::vector<CalendarFound> found;
        std::string error;
        EXPECT_TRUE(c.Discover(found, error)) << error;
        const auto it = std::find_if(found.begin(), found.end(), [](const CalendarFound& f) { return f.name == "Работа"; });
        return it == found.end() ? "" : it->href;
    }
    TempFolder folder;
    std::unique_ptr<Radicale> server;
};

TEST_F(CalDavTest, FindsTheUsersCalendarsByName) {
    EXPECT_NE(Calendar(), "");
    CalDavClient wrong(server->Url(), "anna", "wrong");
    std::vector<CalendarFound> found;
    std::string error;
    EXPECT_FALSE(wrong.Discover(found, error));
    EXPECT_EQ(error, "сервер не принял имя пользователя или пароль");
}

// The first listing is whole and brings a token; with it, a round where
// nothing changed is one request, and a change there shows alone.
TEST_F(CalDavTest, ATokenAsksOnlyWhatChanged) {
    const std::string cal = Calendar();
    CalDavClient c(server->Url(), "anna", "secret");
    RemoteView view;
    std::string token, error;
    ASSERT_TRUE(c.List(cal, "", view, token, error)) << error;
    EXPECT_TRUE(view.complete);
    ASSERT_EQ(view.present.size(), 1u);
    EXPECT_FALSE(token.empty());
    std::vector<RemoteText> texts;
    ASSERT_TRUE(c.Fetch(cal, {view.present[0].href}, texts, error)) << error;
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].uid, "weekly-1@phone");
    EXPECT_NE(texts[0].text.find("EXDATE;TZID=Europe/Berlin:20261214T090000"), std::string::npos);
    EXPECT_NE(texts[0].text.find("Планёрка"), std::string::npos);

    const int before = c.Requests();
    std::string next;
    ASSERT_TRUE(c.List(cal, token, view, next, error)) << error;
    EXPECT_EQ(c.Requests() - before, 1);
    EXPECT_FALSE(view.complete);
    EXPECT_TRUE(view.present.empty() && view.goneHrefs.empty());

    ASSERT_EQ(server->Python("Работа", "cal.save_event('''" + Event("x@phone", "Новое") + "''')"), 0) << server->DeviceLog();
    ASSERT_TRUE(c.List(cal, next, view, next, error)) << error;
    ASSERT_EQ(view.present.size(), 1u);
    ASSERT_TRUE(c.Fetch(cal, {view.present[0].href}, texts, error));
    EXPECT_EQ(texts.at(0).uid, "x@phone");
    // A token the server does not know: the whole listing again.
    ASSERT_TRUE(c.List(cal, "http://radicale.org/ns/sync/bogus", view, next, error)) << error;
    EXPECT_TRUE(view.complete);
    EXPECT_EQ(view.present.size(), 2u);
}

// Two writers never overwrite each other: a new event only where there is
// none, a change or a deletion only over the version it was made from.
TEST_F(CalDavTest, PreconditionsKeepTwoWritersApart) {
    const std::string cal = Calendar();
    CalDavClient c(server->Url(), "anna", "secret");
    const std::string href = CalDavClient::HrefFor(cal, "d-1 «врач»");
    const HttpAnswer made = c.Put(href, Event("d-1 «врач»", "Врач"), "");
    ASSERT_EQ(made.status, 201) << made.error;
    EXPECT_FALSE(made.etag.empty());
    EXPECT_EQ(c.Put(href, Event("d-1 «врач»", "Врач"), "").status, 412);
    EXPECT_EQ(c.Put(href, Event("d-1 «врач»", "Врач 2"), "\"stale\"").status, 412);
    const HttpAnswer changed = c.Put(href, Event("d-1 «врач»", "Врач 2"), made.etag);
    ASSERT_LT(changed.status, 300) << changed.status;
    EXPECT_EQ(c.Delete(href, made.etag).status, 412);
    RemoteView view;
    std::string token, error;
    ASSERT_TRUE(c.List(cal, "", view, token, error));
    const auto mine = std::find_if(view.present.begin(), view.present.end(), [&](const RemoteEvent& r) { return r.href == href; });
    ASSERT_NE(mine, view.present.end());
    EXPECT_LT(c.Delete(href, mine->etag).status, 300);
    ASSERT_TRUE(c.List(cal, token, view, token, error));
    EXPECT_EQ(view.goneHrefs, std::vector<std::string>{href});
}

TEST(CalDavAddress, PlainHttpOnlyForThisMachineUnlessAllowed) {
    struct Case {
        const char* url;
        bool allowed, refused;
    };
    for (const Case& c : {Case{"https://dav.example.org/", false, false}, Case{"http://127.0.0.1:5232/", false, false},
                          Case{"http://localhost/dav", false, false}, Case{"http://[::1]:8080/", false, false},
                          Case{"http://dav.example.org/", false, true}, Case{"http://localhost.example.org/", false, true},
                          Case{"http://dav.example.org/", true, false}, Case{"ftp://dav.example.org/", true, true},
                          Case{"dav.example.org", false, true}})
        EXPECT_EQ(!CalDavClient::CheckAddress(c.url, c.allowed).empty(), c.refused) << c.url;
}

// A program that quits does not wait for a server that took the request and
// never answers (a listening socket nobody reads from).
TEST(CalDavStop, ARequestWaitingForAnAnswerEndsSoonAfterTheStopAndLaterOnesAtOnce) {
    const SilentServer silent;
    ASSERT_NE(silent.port, 0);
    CalDavClient c(silent.Url(), "anna", "secret");
    std::atomic<bool> stop{false};
    c.StopWhen(&stop);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    std::vector<CalendarFound> found;
    std::string error;
    EXPECT_FALSE(c.Discover(found, error));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(error.empty());
    stopper.join();
    const int before = c.Requests();
    EXPECT_EQ(c.Put("/anna/x.ics", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n", "").error, "синхронизация прервана");
    EXPECT_EQ(c.Requests(), before);
}

TEST(CalDavText, TheUidOfAComponentIsReadUnfolded) {
    EXPECT_EQ(UidOfICalendar("BEGIN:VCALENDAR\r\nBEGIN:VTIMEZONE\r\nTZID:X\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\n"
                             "UID;X-A=1:abc-\r\n def\r\nEND:VEVENT\r\n"),
              "abc-def");
    EXPECT_EQ(UidOfICalendar("uid:lower\n"), "lower");
    EXPECT_EQ(UidOfICalendar("UIDX:no\nSUMMARY:UID:no\n"), "");
}

}  // namespace
