#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "events/ansi.h"
#include "events/event_file.h"
#include "events/folder_lock.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"
#include "tools/cli_dispatch.h"

namespace {

class CliImport : public ::testing::Test {
protected:
    TempFolder folder;  // one per test: the tests run side by side
    const std::filesystem::path dir = folder.path();

    int Run(const std::vector<std::string>& args, const std::string& input = {}) {
        std::istringstream in(input);
        out.str({});
        err.str({});
        return RunCli(args, in, out, err, dir / "default", At(2010, 3, 1, 12, 0));
    }
    std::ostringstream out, err;
};

TEST_F(CliImport, StandardInputInUtf8WithAByteOrderMark) {
    // "import" is also the name of the data folder: an option's value is no verb.
    const std::string data = (dir / "import").string();
    ASSERT_EQ(Run({"--data", data, "import", "--void-of-course", "-"},
                  "\xEF\xBB\xBF" "Луна без курса - периоды:\r\n05.03.2010 23:50 - 06.03.2010 00:40\r\n"),
              1);  // the heading line is not a period
    EXPECT_NE(err.str().find("Строка 1: «Луна без курса - периоды:»"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(dir / "import" / "ListToDo.db"));

    ASSERT_EQ(Run({"--data", data, "import", "--remind", "9", "--void-of-course", "-"},
                  "\xEF\xBB\xBF" "05.03.2010 23:50 - 06.03.2010 00:40\r\n"),
              0) << err.str();
    EXPECT_EQ(out.str(), "Луна без курса. Добавлено событий: 1.\n");
    TodoItems store;
    ASSERT_EQ(LoadFromFile(dir / "import" / "ListToDo.db", store).status, LoadReport::Status::Ok);
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store[0].ImageIndex, 9);
    EXPECT_EQ(store[0].Imported, TImportKind::VoidOfCourse);
}

TEST_F(CliImport, AnUndatedFirstLineTakesTheDateOfNow) {
    std::ofstream(dir / "moon.wrk", std::ios::binary)
        << ansi("Журнал Лунных дней 2010 г.\n\n   07:00:00 Новолуние\n");
    ASSERT_EQ(Run({"import", "--now", "2010-10-11 09:30", "--summer-time", (dir / "moon.wrk").string()}), 0)
        << err.str();
    ASSERT_EQ(Run({"import", (dir / "moon.wrk").string()}), 0) << err.str();  // the clock's date: 1 March
    TodoItems store;
    ASSERT_EQ(LoadFromFile(dir / "default" / "ListToDo.db", store).status, LoadReport::Status::Ok);
    ASSERT_EQ(store.Count(), 2);
    EXPECT_EQ(store[0].CreationDate, At(2010, 10, 11, 8, 0));
    EXPECT_EQ(store[1].CreationDate, At(2010, 3, 1, 7, 0));
}

// While the window holds the folder, a writing command refuses at once and
// leaves the file alone; behind another command it waits its turn; a lock
// file left by a run that ended stops nobody, whatever it says.
TEST_F(CliImport, WritersTakeTheFolderInTurn) {
    std::ofstream(dir / "moon.wrk", std::ios::binary) << ansi("Журнал Лунных дней 2010 г.\n\n05.03 07:00:00 +1 w4 1\n");
    const std::string data = dir.string();
    const auto import = [&] { return Run({"import", "--data", data, (dir / "moon.wrk").string()}); };
    {
        FolderLock window;
        ASSERT_EQ(window.Take(dir, kWindowLockOwner), FolderLock::State::Held);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(import(), 1);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
        EXPECT_NE(err.str().find("закройте его"), std::string::npos) << err.str();
        EXPECT_FALSE(std::filesystem::exists(dir / "ListToDo.db"));
        // Reading never waits for the lock.
        Run({"export-ics", "--data", data});
        EXPECT_NE(err.str().find("нет файла событий"), std::string::npos) << err.str();
    }
    for (const char* stale : {"2147483000\ndayloom\n", "garbage\n", ""}) {
        std::ofstream(dir / "dayloom.lock") << stale;
        EXPECT_EQ(import(), 0) << stale << err.str();
    }
    FolderLock other;
    ASSERT_EQ(other.Take(dir, "dayloom-cli good-days"), FolderLock::State::Held);
    std::thread done([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.Release();
    });
    EXPECT_EQ(import(), 0) << err.str();
    done.join();
}
TEST_F(CliImport, AStoreThatCannotBeWrittenIsAFailure) {
    std::ofstream(dir / "moon.wrk", std::ios::binary) << ansi("Журнал Лунных дней 2010 г.\n\n05.03 07:00:00 x\n");
    std::ofstream(dir / "file") << "not a folder";
    EXPECT_EQ(Run({"import", "--data", (dir / "file").string(), (dir / "moon.wrk").string()}), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("file"), std::string::npos) << err.str();
}

// Valid UTF-8 is UTF-8, Cyrillic or not: "12°" stays 12° and does not
// become "12В°".
TEST_F(CliImport, AspectsInUtf8WithoutACyrillicLetter) {
    ASSERT_EQ(Run({"import", "--aspects", "-"}, "05.03.2010 14:22:10 Moon 12°34'56\" ab Sun\n"), 0) << err.str();
    TodoItems store;
    ASSERT_EQ(LoadFromFile(dir / "default" / "ListToDo.db", store).status, LoadReport::Status::Ok);
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store[0].NotesText(), ansi(" Moon 12°34'56\" ab Sun\r\n"));
}

// Nothing from the input reaches the terminal raw: not a line of the file,
// not the file's name, not an argument.
TEST_F(CliImport, MessagesShowTerminalEscapesAsText) {
    const std::string moon = (dir / "moon.wrk").string();
    TempFolder::Write(dir / "moon.wrk", ansi("Журнал Лунных дней 2010 г.\n\n05.13 07:00:00 \x1B]0;x\x07\n"));
    EXPECT_EQ(Run({"import", moon}), 1);
    EXPECT_NE(err.str().find("Строка 3: «05.13 07:00:00 \\x1B]0;x\\x07»"), std::string::npos) << err.str();
    std::string said = err.str();
    EXPECT_EQ(Run({"import-ics", (dir / "gone\x1B[2J.ics").string()}), 1);
    EXPECT_NE(err.str().find("gone\\x1B[2J.ics: Файл не найден."), std::string::npos) << err.str();
    said += err.str();
    // A UTF-16 file is read as such: its message holds no zero bytes either.
    EXPECT_EQ(Run({"import-ics", "-"},
                  Utf16Bytes("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:\x1B\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", false)),
              1);
    EXPECT_NE(err.str().find("стандартный ввод: Строка 2: DTSTART: не читается «\\x1B»"), std::string::npos)
        << err.str();
    said += err.str() + out.str();
    // Every verb's message passes the same way: here an argument's.
    EXPECT_EQ(Run({"import", "--now", "\x1B[2J", moon}), 1);
    EXPECT_NE(err.str().find("«\\x1B[2J»"), std::string::npos) << err.str();
    said += err.str();
    EXPECT_EQ(said.find_first_of(std::string("\x1B\x07\0", 3)), std::string::npos) << said;
}

}  // namespace
