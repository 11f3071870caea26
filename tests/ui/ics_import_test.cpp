// "Импорт iCalendar…" in the main window's menu, played through the
// environment seam; and where the window keeps its data when the program's
// folder cannot be written.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <fstream>
#include <memory>

#include "app/main_form.h"
#include "tests/ui/main_window.h"
#include "events/data_folder.h"
#include "events/event_file.h"
#include "tests/support/builders.h"
#include "tests/ui/drive.h"
#include "tests/ui/fake_environment.h"
#include "widgets/todo_list.h"

namespace {

constexpr const char* kCalendar =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\n"
    "BEGIN:VEVENT\r\nUID:1@example.org\r\nDTSTART:20101011T100000\r\nSUMMARY:Врач\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:2@example.org\r\nDTSTART:20101011T180000\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
    "SUMMARY:Курс\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

class IcsImportTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    FakeEnvironment env;
    std::filesystem::path file;

    void SetUp() override {
        env.dir = tmp.path().toStdString();
        env.now = At(2010, 10, 11, 9, 0);
        file = env.dir / "календарь.ics";
        std::ofstream(file, std::ios::binary) << kCalendar;
    }
};

TEST_F(IcsImportTest, EventsOfTheFileJoinTheDayListOnceAndAFaultyComponentIsNamed) {
    TMainForm form(env);
    form.show();
    TimerOf(&form, "TimerAlert")->stop();
    env.filesToChoose << QString::fromStdU16String(file.u16string());
    TriggerAndWait(&form, "pmImportICalendar1");
    ASSERT_EQ(env.fileDialogs.size(), 1);
    EXPECT_TRUE(form.findChild<QLabel*>("LabelNotice")->isHidden());
    EXPECT_TRUE(env.fileDialogs[0].startsWith("Импорт iCalendar|")) << env.fileDialogs[0].toStdString();
    ASSERT_EQ(form.Document().Events().Count(), 2);
    EXPECT_EQ(env.infos, QStringList({"Добавлено событий: 2."}));
    EXPECT_TRUE(env.messages.isEmpty());
    // The day list and the reminder list were rebuilt through the change path.
    ASSERT_EQ(ListOf(&form)->Items().size(), 2u);
    EXPECT_EQ(ListOf(&form)->Items()[0].Subject, ansi("Врач"));
    EXPECT_EQ(form.Reminders()[0].Moment, At(2010, 10, 11, 9, 45));

    // The same file again: nothing twice. One broken component: the others
    // come in and it is named; nothing readable: nothing at all.
    env.filesToChoose << QString::fromStdU16String(file.u16string());
    TriggerAndWait(&form, "pmImportICalendar1");
    EXPECT_EQ(env.infos.last(), "Добавлено событий: 0, уже были в списке: 2.");
    std::ofstream(env.dir / "broken.ics", std::ios::binary)
        << "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20101012T100000\r\nSUMMARY:Новое\r\nEND:VEVENT\r\n"
           "BEGIN:VEVENT\r\nUID:b\r\nDTSTART:завтра\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    env.filesToChoose << QString::fromStdU16String((env.dir / "broken.ics").u16string());
    TriggerAndWait(&form, "pmImportICalendar1");
    EXPECT_EQ(env.infos.last(), "Добавлено событий: 1.\nНе прочитаны:\nстрока 6, UID b: DTSTART: не читается «завтра»");
    EXPECT_EQ(form.Document().Events().Count(), 3);
    std::ofstream(env.dir / "broken.ics", std::ios::binary)
        << "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:завтра\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    env.filesToChoose << QString::fromStdU16String((env.dir / "broken.ics").u16string());
    TriggerAndWait(&form, "pmImportICalendar1");
    EXPECT_TRUE(env.messages.last().startsWith("Строка 2: DTSTART")) << env.messages.last().toStdString();
    EXPECT_EQ(form.Document().Events().Count(), 3);
    // Cancelling the file dialog does nothing.
    const qsizetype said = env.messages.size(), told = env.infos.size();
    TriggerAndWait(&form, "pmImportICalendar1");
    EXPECT_EQ(env.messages.size(), said);
    EXPECT_EQ(env.infos.size(), told);
    form.close();
}

// A large calendar is read aside: the window says so and takes no second
// import meanwhile; closing it then stops the reading and waits for nothing
// long.
TEST_F(IcsImportTest, ALargeCalendarIsReadAsideAndClosingStopsIt) {
    {
        std::ofstream big(env.dir / "big.ics", std::ios::binary);
        big << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
        for (int i = 0; i < 60000; ++i)
            big << "BEGIN:VEVENT\r\nUID:" << i << "@example.org\r\nDTSTART:20101011T100000\r\nSUMMARY:Встреча "
                << i << "\r\nDESCRIPTION:" << std::string(200, 'x') << "\r\nEND:VEVENT\r\n";
        big << "END:VCALENDAR\r\n";
    }
    auto form = std::make_unique<TMainForm>(env);
    form->show();
    TimerOf(form.get(), "TimerAlert")->stop();
    env.filesToChoose << QString::fromStdU16String((env.dir / "big.ics").u16string());
    Trigger(form.get(), "pmImportICalendar1");
    EXPECT_FALSE(form->findChild<QAction*>("pmImportICalendar1")->isEnabled());
    const QLabel* notice = form->findChild<QLabel*>("LabelNotice");
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("Чтение календаря…"));
    EXPECT_EQ(form->Document().Events().Count(), 0);
    const auto started = std::chrono::steady_clock::now();
    form->close();
    form.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_TRUE(env.infos.isEmpty());
}

TEST_F(IcsImportTest, AProgramFolderThatCannotBeWrittenKeepsTheDataInThePerUserFolder) {
    // A program folder under a file: nothing can be created there, as in an
    // installed program's folder.
    std::ofstream(env.dir / "installed") << "x";
    const std::filesystem::path program = env.dir / "installed" / "bin";
    env.perUser = env.dir / "home" / ".local" / "share" / "dayloom";
    env.dir = program;
    {
        TMainForm form(env);
        EXPECT_EQ(form.Document().File(), env.perUser / "dayloom_data" / "ListToDo.db");
        form.show();
        TimerOf(&form, "TimerAlert")->stop();
        env.filesToChoose << QString::fromStdU16String(file.u16string());
        TriggerAndWait(&form, "pmImportICalendar1");
        form.close();
    }
    TodoItems saved;
    ASSERT_EQ(LoadFromFile(env.perUser / "dayloom_data" / "ListToDo.db", saved).status, LoadReport::Status::Ok);
    EXPECT_EQ(saved.Count(), 2);
    EXPECT_TRUE(std::filesystem::exists(env.perUser / "dayloom_data" / "user_options"));
}

#ifndef _WIN32
// dayloom-cli computes the per-user folder itself; it must be the toolkit's.
TEST(PerUserFolder, TheCommandsRuleNamesTheToolkitsFolder) {
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("dayloom"));
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    for (const char* value : {"/tmp/данные пользователя", "relative/folder", ""}) {
        SCOPED_TRACE(value);
        if (*value) qputenv("XDG_DATA_HOME", value);
        else qunsetenv("XDG_DATA_HOME");
        const std::filesystem::path ours = PerUserAppDataFolder([](const char* n) -> std::optional<std::string> {
            if (!qEnvironmentVariableIsSet(n)) return std::nullopt;
            return qEnvironmentVariable(n).toStdString();
        });
        EXPECT_EQ(ours, Environment().PerUserDataDir());
    }
    if (xdg.isNull()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", xdg);
    QCoreApplication::setApplicationName(name);
}
#endif

}  // namespace
