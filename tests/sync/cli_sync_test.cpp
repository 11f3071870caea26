// dayloom-cli sync-setup and sync against a real Radicale: two data folders
// as two computers, python3-caldav as a phone.
#include <gtest/gtest.h>

#include <sstream>

#include "events/ansi.h"
#include "events/event_document.h"
#include "events/safe_file.h"
#include "sync/sync_plan.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"
#include "tests/sync/devices.h"
#include "tests/sync/radicale.h"
#include "tools/cli_dispatch.h"

namespace {

// A weekly series of the phone: ten Mondays, one cancelled, one moved.
const char kSeries[] =
    "BEGIN:VCALENDAR\\r\\nVERSION:2.0\\r\\nPRODID:-//phone//EN\\r\\n"
    "BEGIN:VEVENT\\r\\nUID:weekly-1@phone\\r\\nDTSTAMP:20261201T000000Z\\r\\n"
    "DTSTART;TZID=Europe/Berlin:20261207T090000\\r\\nDURATION:PT1H\\r\\nRRULE:FREQ=WEEKLY;COUNT=10\\r\\n"
    "EXDATE;TZID=Europe/Berlin:20261214T090000\\r\\nSUMMARY:Планёрка\\r\\nEND:VEVENT\\r\\n"
    "BEGIN:VEVENT\\r\\nUID:weekly-1@phone\\r\\nDTSTAMP:20261201T000000Z\\r\\n"
    "RECURRENCE-ID;TZID=Europe/Berlin:20261221T090000\\r\\nDTSTART;TZID=Europe/Berlin:20261222T110000\\r\\n"
    "DURATION:PT1H\\r\\nSUMMARY:Планёрка\\r\\nEND:VEVENT\\r\\nEND:VCALENDAR\\r\\n";

struct Said {
    int rc;
    std::string out, err;
};

class CliSyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Radicale::Installed()) GTEST_SKIP() << "radicale is not installed (Debian package radicale)";
        std::filesystem::create_directories(folder.path() / "server");
        server = std::make_unique<Radicale>(folder.path() / "server");
        ASSERT_EQ(server->Python("Работа", "pass"), 0) << server->DeviceLog();
        ASSERT_EQ(server->Python("Дом", "pass"), 0) << server->DeviceLog();
        secrets.runCommand = [this](const std::string& command, std::string& line, std::string& error) {
            commands.push_back(command);
            if (command != "print-password") {
                error = "код выхода 127";
                return false;
            }
            line = "secret";
            return true;
        };
        secrets.keyring = [this](const std::string& key, std::string& password, std::string& error) {
            const auto it = keyring.find(key);
            if (it == keyring.end()) {
                error = "пароль не сохранён или хранилище недоступно";
                return false;
            }
            password = it->second;
            return true;
        };
    }

    Said Cli(std::vector<std::string> args, const std::string& device, TDateTime now = At(2026, 12, 8, 12, 0)) {
        args.push_back("--data");
        args.push_back((folder.path() / device).string());
        std::istringstream in;
        std::ostringstream out, err;
        const int rc = RunCli(args, in, out, err, folder.path() / "default", now, UtcZone(), &secrets);
        return {rc, out.str(), err.str()};
    }
    Said Setup(const std::string& device, const std::string& calendar = "Работа") {
        return Cli({"sync-setup", server->Url(), "--user", "anna", "--calendar", calendar, "--password-command",
                    "print-password"},
                   device);
    }

    // The events of a device's folder, changed as the window would change them.
    std::vector<std::string> Names(const std::string& device) {
        EventDocument doc(folder.path() / device / "ListToDo.db");
        doc.Load();
        std::vector<std::string> names;
        for (const TTodoItem& e : doc.Events()) names.push_back(utf8(e.Subject));
        std::sort(names.begin(), names.end());
        return names;
    }
    void Change(const std::string& device, const std::function<void(EventDocument::Edit&)>& edit) {
        EventDocument doc(folder.path() / device / "ListToDo.db");
        doc.Load();
        doc.Change(ChangeKind::Edited, edit);
        ASSERT_TRUE(doc.Save().ok);
    }
    void Rename(const std::string& device, const std::string& from, const std::string& to) {
        Change(device, [&](EventDocument::Edit& edit) {
            for (int i = 0; i < edit.Events().Count(); ++i) {
                if (utf8(edit.Events()[i].Subject) != from) continue;
                TTodoItem e = edit.Events()[i];
                EditInEditor(e, [&](TEditorValues& v) { v.subject = ansi(to); });
                edit.Replace(static_cast<size_t>(i), e);
            }
        });
    }
    std::string FileText(const std::filesystem::path& file) {
        std::string text;
        ReadWholeFile(file, text);
        return text;
    }

    TempFolder folder;
    std::unique_ptr<Radicale> server;
    CliSecrets secrets;
    std::vector<std::string> commands;
    std::map<std::string, std::string> keyring;
};

TEST_F(CliSyncTest, SetupChoosesOneCalendarAndKeepsNoPassword) {
    // Two calendars and none named: both are listed, nothing is written.
    Said s = Cli({"sync-setup", server->Url(), "--user", "anna", "--password-command", "print-password"}, "a");
    EXPECT_EQ(s.rc, 1);
    EXPECT_NE(s.err.find("выберите один: --calendar ИМЯ"), std::string::npos) << s.err;
    EXPECT_NE(s.err.find("  Работа\t/anna/"), std::string::npos) << s.err;
    EXPECT_NE(s.err.find("  Дом\t/anna/"), std::string::npos) << s.err;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "a" / "sync.ini"));

    s = Cli({"sync-setup", server->Url(), "--user", "anna", "--calendar", "Отпуск", "--password-command",
             "print-password"},
            "a");
    EXPECT_EQ(s.rc, 1);
    EXPECT_NE(s.err.find("календаря «Отпуск» нет; есть:"), std::string::npos) << s.err;

    s = Setup("a");
    ASSERT_EQ(s.rc, 0) << s.err;
    EXPECT_NE(s.out.find("календарь «Работа»"), std::string::npos) << s.out;
    const std::string ini = FileText(folder.path() / "a" / "sync.ini");
    EXPECT_NE(ini.find("password-command=print-password"), std::string::npos) << ini;
    for (const auto& f : std::filesystem::directory_iterator(folder.path() / "a"))
        EXPECT_EQ(FileText(f.path()).find("secret"), std::string::npos) << f.path();

    // Without a command the keyring is read, under the window's key.
    s = Cli({"sync-setup", server->Url(), "--user", "anna", "--calendar", "Работа"}, "b");
    EXPECT_EQ(s.rc, 1);
    EXPECT_NE(s.err.find("--password-command"), std::string::npos) << s.err;
    keyring["anna@" + server->Url()] = "secret";
    s = Cli({"sync-setup", server->Url(), "--user", "anna", "--calendar", "Работа"}, "b");
    EXPECT_EQ(s.rc, 0) << s.err;
    EXPECT_NE(s.out.find("из хранилища паролей системы"), std::string::npos) << s.out;
    EXPECT_EQ(Cli({"sync"}, "b").rc, 0);

    // A wrong password, a failing command, and plain http to another machine.
    keyring["anna@" + server->Url()] = "wrong";
    s = Cli({"sync"}, "b");
    EXPECT_EQ(s.rc, 1);
    EXPECT_NE(s.err.find("не принял имя пользователя или пароль"), std::string::npos) << s.err;
    s = Cli({"sync-setup", server->Url(), "--user", "anna", "--password-command", "false"}, "c");
    EXPECT_EQ(s.rc, 1);
    EXPECT_NE(s.err.find("команда пароля «false» не дала пароль: код выхода 127"), std::string::npos) << s.err;
    commands.clear();
    s = Cli({"sync-setup", "http://calendar.example.org/", "--user", "anna", "--password-command", "print-password"},
            "c");
    EXPECT_EQ(s.rc, 1);
    EXPECT_NE(s.err.find("адрес сервера не подходит"), std::string::npos) << s.err;
    EXPECT_TRUE(commands.empty()) << "the password is not asked for an address refused";
    s = Cli({"sync"}, "c");
    EXPECT_EQ(s.rc, 1);
    EXPECT_NE(s.err.find("синхронизация не настроена"), std::string::npos) << s.err;
}

// Two computers and a phone: what one adds the others get, a rename is a
// change (never a second event), nothing changed costs one request, and a
// calendar switched to another starts afresh instead of deleting there.
TEST_F(CliSyncTest, TwoFoldersAndAPhoneMeetOnTheServer) {
    ASSERT_EQ(Setup("a").rc, 0);
    ASSERT_EQ(Setup("b").rc, 0);
    Change("a", [](EventDocument::Edit& edit) {
        edit.Add(Event("Врач", At(2026, 12, 9, 10, 0)));
        edit.Add(Event("Поезд", At(2026, 12, 10, 7, 30)));
    });
    Said s = Cli({"sync"}, "a", At(2026, 12, 8, 12, 5));
    ASSERT_EQ(s.rc, 0) << s.err;
    EXPECT_EQ(s.out, "отправлено: 2 (запросов: 3)\n");
    SyncState state;
    ASSERT_TRUE(state.Read(FileText(folder.path() / "a" / "sync-state.txt")));
    EXPECT_EQ(state.lastDone, At(2026, 12, 8, 12, 5));  // shown by the window after a restart

    s = Cli({"sync"}, "b");
    ASSERT_EQ(s.rc, 0) << s.err;
    EXPECT_EQ(s.out, "получено: 2 (запросов: 2)\n");
    EXPECT_EQ(Names("b"), (std::vector<std::string>{"Врач", "Поезд"}));

    Rename("b", "Врач", "Врач, кабинет 12");
    s = Cli({"sync"}, "b");
    EXPECT_EQ(s.out, "отправлено: 1 (запросов: 2)\n");
    s = Cli({"sync"}, "a");
    EXPECT_EQ(s.out, "получено: 1 (запросов: 2)\n");
    EXPECT_EQ(Names("a"), (std::vector<std::string>{"Врач, кабинет 12", "Поезд"}));
    EXPECT_EQ(Cli({"sync"}, "a").out, "изменений не было (запросов: 1)\n");

    // The phone deletes one; both computers drop it.
    ASSERT_EQ(server->Python("Работа", "[e.delete() for e in cal.events() if 'Поезд' in e.data]"), 0)
        << server->DeviceLog();
    EXPECT_EQ(Cli({"sync"}, "a").out, "удалено здесь: 1 (запросов: 1)\n");
    EXPECT_EQ(Cli({"sync"}, "b").out, "удалено здесь: 1 (запросов: 1)\n");
    EXPECT_EQ(Names("b"), (std::vector<std::string>{"Врач, кабинет 12"}));

    // Another calendar: the old one's state would read as deletions there.
    s = Setup("a", "Дом");
    ASSERT_EQ(s.rc, 0) << s.err;
    EXPECT_EQ(Cli({"sync"}, "a").out, "отправлено: 1 (запросов: 2)\n");
    ASSERT_EQ(Setup("a", "Работа").rc, 0);
    Cli({"sync"}, "a");
    EXPECT_EQ(Names("a"), (std::vector<std::string>{"Врач, кабинет 12"}));
    ASSERT_EQ(server->Python("Работа", "print('events', len(cal.events()))"), 0);
    EXPECT_NE(server->DeviceLog().find("events 1\n"), std::string::npos) << server->DeviceLog();
}

// A phone's event moved and done on one computer reaches the other one: the
// move makes it the user's own event, still known to the server by its UID.
TEST_F(CliSyncTest, APhonesEventMovedHereReachesTheOtherComputer) {
    ASSERT_EQ(server->Python("Работа", "cal.save_event('BEGIN:VCALENDAR\\r\\nVERSION:2.0\\r\\nPRODID:-//phone//EN\\r\\n"
                                       "BEGIN:VEVENT\\r\\nUID:p34@phone\\r\\nDTSTAMP:20261201T000000Z\\r\\n"
                                       "DTSTART:20261209T100000Z\\r\\nSUMMARY:p34\\r\\nEND:VEVENT\\r\\n"
                                       "END:VCALENDAR\\r\\n')"),
              0)
        << server->DeviceLog();
    ASSERT_EQ(Setup("a").rc, 0);
    ASSERT_EQ(Setup("b").rc, 0);
    EXPECT_EQ(Cli({"sync"}, "a").out, "получено: 1 (запросов: 2)\n");
    EXPECT_EQ(Cli({"sync"}, "b").out, "получено: 1 (запросов: 2)\n");
    Change("a", [](EventDocument::Edit& edit) {
        // Moved in the editor, done by Space.
        TTodoItem e = edit.Events()[0];
        EditInEditor(e, [](TEditorValues& v) { v.start += 1; });
        e.Complete = true;
        edit.Replace(0, e);
    });
    Said s = Cli({"sync"}, "a");
    EXPECT_EQ(s.out, "отправлено: 1 (запросов: 2)\n") << s.err;
    s = Cli({"sync"}, "b");
    EXPECT_EQ(s.out, "получено: 1 (запросов: 2)\n") << s.err;
    EventDocument doc(folder.path() / "b" / "ListToDo.db");
    doc.Load();
    ASSERT_EQ(doc.Events().Count(), 1);
    EXPECT_EQ(doc.Events()[0].CreationDate, At(2026, 12, 10, 10, 0));
    EXPECT_TRUE(doc.Events()[0].Complete);

    // Reopened on the other computer, done again on the first: each step arrives.
    for (const bool done : {false, true, false}) {
        const std::string from = done ? "a" : "b", to = done ? "b" : "a";
        Change(from, [&](EventDocument::Edit& edit) {
            TTodoItem e = edit.Events()[0];
            e.Complete = done;
            edit.Replace(0, e);
        });
        EXPECT_EQ(Cli({"sync"}, from).out, "отправлено: 1 (запросов: 2)\n") << done;
        EXPECT_EQ(Cli({"sync"}, to).out, "получено: 1 (запросов: 2)\n") << done;
        EventDocument other(folder.path() / to / "ListToDo.db");
        other.Load();
        EXPECT_EQ(other.Events()[0].Complete, done);
    }
}

// A phone's weekly series with a cancelled and a moved meeting, renamed
// here: the server's series keeps its rule and both exceptions.
TEST_F(CliSyncTest, AForeignSeriesRenamedHereKeepsItsRuleAndExceptions) {
    ASSERT_EQ(server->Python("Работа", "cal.save_event('''" + std::string(kSeries) + "''')"), 0)
        << server->DeviceLog();
    ASSERT_EQ(Setup("a").rc, 0);
    Said s = Cli({"sync"}, "a");
    ASSERT_EQ(s.rc, 0) << s.err;
    EXPECT_EQ(s.out, "получено: 1 (запросов: 2)\n");
    Rename("a", "Планёрка", "Планёрка в 305");
    s = Cli({"sync"}, "a");
    ASSERT_EQ(s.rc, 0) << s.err;
    EXPECT_EQ(s.out, "отправлено: 1 (запросов: 2)\n");

    ASSERT_EQ(server->Python("Работа", "print(cal.event_by_uid('weekly-1@phone').data)"), 0) << server->DeviceLog();
    std::string text = server->DeviceLog();
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    for (const char* line : {"RRULE:FREQ=WEEKLY;COUNT=10", "EXDATE;TZID=Europe/Berlin:20261214T090000",
                             "RECURRENCE-ID;TZID=Europe/Berlin:20261221T090000",
                             "DTSTART;TZID=Europe/Berlin:20261222T110000", "SUMMARY:Планёрка в 305"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("SUMMARY:Планёрка\n"), std::string::npos) << text;
}

}  // namespace
