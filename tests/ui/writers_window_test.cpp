// The window as one of the data folder's writers: it writes only what
// changed, never over another writer's file, and a failing options file
// never holds the events back.
#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <thread>

#include "app/single_instance.h"
#include "events/event_file.h"
#include "events/folder_lock.h"
#include "events/todo_edit_dlg.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/main_window.h"

namespace fs = std::filesystem;

namespace {

class WritersWindowTest : public MainWindowTest {
protected:
    fs::path Db() const { return Data() / "ListToDo.db"; }
    fs::path Options() const { return Data() / "user_options"; }
    // The user adds an event named `name` with the button and the editor.
    void AddWithTheEditor(const QString& name) {
        env.modal = [name](QDialog& d) {
            dynamic_cast<TToDoEditDlg&>(d).SubjectName->setText(name);
            return int(QDialog::Accepted);
        };
        ClickButton(form.get(), "SpeedButton1");
    }
    void SavesDone() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Timer("SaveSoon")->isActive(); }, 3000));
        form->WaitForSaves();
        QApplication::processEvents();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Timer("SaveSoon")->isActive(); }, 3000));
        form->WaitForSaves();
    }
    QStringList Stored() const {
        TodoItems items;
        EXPECT_EQ(LoadFromFile(Db(), items).status, LoadReport::Status::Ok);
        QStringList names;
        for (const TTodoItem& e : items) names << QString::fromStdString(utf8(e.Subject));
        names.sort();
        return names;
    }
};

// A start and a close with nothing changed leave both files exactly as they
// were: another writer that wrote meanwhile loses nothing to the close.
TEST_F(WritersWindowTest, NothingChangedNothingWritten) {
    SaveEvents(Store({Event("Врач", At(2010, 10, 11, 10, 0))}));
    Start();
    form->close();  // the first close writes the options of the default place
    const FileStamp events = StampOf(Db()), options = StampOf(Options());
    Start();
    form->close();
    EXPECT_EQ(StampOf(Db()), events);
    EXPECT_EQ(StampOf(Options()), options);
}

// Another writer got past the lock and wrote the file: the window's next
// save merges its events with the window's own and says so once, without
// waiting for the user.
TEST_F(WritersWindowTest, AnotherWritersEventsAreMergedIntoTheNextSave) {
    SaveEvents(Store({Event("Врач", At(2010, 10, 11, 10, 0))}));
    Start();
    Timer("SaveSoon")->setInterval(20);
    ASSERT_TRUE(SaveToFile(Db(), Store({Event("Врач", At(2010, 10, 11, 10, 0)), Event("Из команды", At(2010, 10, 11, 12, 0))}), false).ok);
    AddWithTheEditor(QStringLiteral("Из окна"));
    SavesDone();
    EXPECT_EQ(Stored(), QStringList({"Врач", "Из команды", "Из окна"}));
    EXPECT_EQ(DayList().size(), 3);  // the merged event shows at once
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_TRUE(env.messages[0].contains(QStringLiteral("добавлено событий — 1"))) << env.messages[0].toStdString();
    EXPECT_EQ(env.waitingMessages, 0);
    form->close();
    EXPECT_EQ(Stored(), QStringList({"Врач", "Из команды", "Из окна"}));
}

// The same at close: the other writer's file is merged, not written over.
TEST_F(WritersWindowTest, TheCloseMergesTooAndNeverWritesOverAnotherWritersFile) {
    const TTodoItem call = Event("Звонок", At(2010, 10, 11, 11, 0));
    SaveEvents(Store({Event("Врач", At(2010, 10, 11, 10, 0)), call}));
    Start();
    Timer("SaveSoon")->setInterval(60000);
    AddWithTheEditor(QStringLiteral("Из окна"));
    ASSERT_TRUE(SaveToFile(Db(), Store({call, Event("Из команды", At(2010, 10, 11, 12, 0))}), false).ok);
    form->close();
    // The other writer removed "Врач" and added its own; the window added one.
    EXPECT_EQ(Stored(), QStringList({"Звонок", "Из команды", "Из окна"}));
}

// The options cannot be written (a folder stands in their place): the events
// are saved all the same, on time, and the failure is told once, without a
// box that waits.
TEST_F(WritersWindowTest, AFailingOptionsFileNeverHoldsTheEventsBack) {
    Start();
    form->close();
    fs::remove(Options());
    fs::create_directories(Options() / "blocker");
    Start();
    Timer("SaveSoon")->setInterval(20);
    form->move(form->pos() + QPoint(0, -40));  // the options differ from the disk now
    AddWithTheEditor(QStringLiteral("Сразу"));
    SavesDone();
    EXPECT_EQ(Stored(), QStringList({"Сразу"}));
    AddWithTheEditor(QStringLiteral("Ещё"));
    SavesDone();
    EXPECT_EQ(Stored(), QStringList({"Ещё", "Сразу"}));
    EXPECT_EQ(env.waitingMessages, 0);
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_TRUE(env.messages[0].startsWith(QStringLiteral("Программа не может сохранить настройки!")));
    form->close();
    EXPECT_EQ(env.waitingMessages, 0);
}

#ifndef _WIN32
// Files in the data folder that are links to something that is not ours:
// the targets are never written; the new files take the links' places and
// copies of what they pointed at are kept.
TEST_F(WritersWindowTest, LinksToForeignFilesAreNeverWrittenThrough) {
    QTemporaryDir elsewhere;
    const fs::path passwd = fs::path(elsewhere.path().toStdString()) / "passwd";
    const fs::path notes = fs::path(elsewhere.path().toStdString()) / "notes.txt";
    TempFolder::Write(passwd, "root:x:0:0:root:/root:/bin/bash\n");
    TempFolder::Write(notes, "Мои заметки\nвторая строка\n");
    fs::create_directories(Data());
    fs::create_symlink(passwd, Db());
    fs::create_symlink(notes, Options());
    Start();
    Timer("SaveSoon")->setInterval(20);
    AddWithTheEditor(QStringLiteral("Новое"));
    SavesDone();
    form->close();
    EXPECT_EQ(TempFolder::Read(passwd), "root:x:0:0:root:/root:/bin/bash\n");
    EXPECT_EQ(TempFolder::Read(notes), "Мои заметки\nвторая строка\n");
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(Db())));
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(Options())));
    EXPECT_EQ(Stored(), QStringList({"Новое"}));
    int copies = 0;
    for (const auto& e : fs::directory_iterator(Data())) {
        const std::string name = e.path().filename().string();
        if (name.rfind("ListToDo.db.damaged-", 0) == 0) {
            ++copies;
            EXPECT_EQ(TempFolder::Read(e.path()), "root:x:0:0:root:/root:/bin/bash\n");
        }
        if (name.rfind("user_options.damaged-", 0) == 0) {
            ++copies;
            EXPECT_EQ(TempFolder::Read(e.path()), "Мои заметки\nвторая строка\n");
        }
    }
    EXPECT_EQ(copies, 2);
}
#endif

// ---- one window per folder ----

// The meeting point is a socket in a folder only the user can reach, and a
// flood of connections neither stops the window nor keeps its files open.
TEST(SingleInstanceSocket, LivesInAPrivateFolderAndAnswersBriefly) {
    QTemporaryDir tmp;
    const fs::path dir = tmp.path().toStdString();
    TSingleInstance first(dir);
    ASSERT_TRUE(first.Acquire());
    const QString name = TSingleInstance::ServerName(dir);
    ASSERT_FALSE(name.isEmpty());
    EXPECT_FALSE(name.startsWith(QStringLiteral("/tmp/")));
#ifndef _WIN32
    const fs::path folder = fs::path(name.toStdString()).parent_path();
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 50; ++i) {  // connect and say nothing
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(name);
        idle.back()->waitForConnected(200);
    }
    QTest::qWait(1500);  // silent peers are dropped after a second
    int stillOpen = 0;
    for (auto& s : idle) stillOpen += s->state() == QLocalSocket::ConnectedState;
    EXPECT_EQ(stillOpen, 0);
    QSignalSpy woken(&first, &TSingleInstance::Activate);
    TSingleInstance second(dir);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(woken.wait(2000));
}

// A command writing the folder when the window starts: the window waits for
// it before it reads, so it reads what the command wrote.
TEST(SingleInstanceSocket, AStartWaitsForACommandThatHoldsTheFolder) {
    QTemporaryDir tmp;
    const fs::path dir = tmp.path().toStdString();
    FolderLock command;
    ASSERT_EQ(command.Take(dir, "dayloom-cli import-ics"), FolderLock::State::Held);
    std::thread done([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        command.Release();
    });
    TSingleInstance window(dir);
    EXPECT_TRUE(window.Acquire(std::chrono::seconds(5)));
    done.join();
    EXPECT_TRUE(window.HoldsLock());

    // A command that keeps it: the user is asked, told who holds it, and may give up.
    QTemporaryDir tmp2;
    const fs::path busy = tmp2.path().toStdString();
    ASSERT_EQ(command.Take(busy, "dayloom-cli import"), FolderLock::State::Held);
    std::string told;
    TSingleInstance late(busy);
    EXPECT_FALSE(late.Acquire(std::chrono::milliseconds(100), [&](const std::string& holder) {
        told = holder;
        return false;
    }));
    EXPECT_EQ(told.rfind("dayloom-cli import (процесс ", 0), 0u) << told;
}

}  // namespace
