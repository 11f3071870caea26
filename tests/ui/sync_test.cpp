// Sync as the user meets it: the setup window against a real Radicale (the
// calendars found and chosen by name, the password kept in the keyring and
// in no file), an address refused, a round soon after a change that puts
// the event on the server and the tray tip that tells it, a failure told
// once, and a quit while a round waits for a silent server.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>

#include <algorithm>
#include <chrono>

#include "app/sync_dialog.h"
#include "events/safe_file.h"
#include "events/todo_edit_dlg.h"
#include "sync/caldav_client.h"
#include "sync/sync_plan.h"
#include "sync/sync_settings.h"
#include "tests/sync/radicale.h"
#include "tests/ui/main_window.h"

namespace fs = std::filesystem;

namespace {

class SyncTest : public MainWindowTest {
protected:
    void SetUp() override {
        if (!Radicale::Installed()) GTEST_SKIP() << "radicale is not installed (Debian package radicale)";
    }
    // A server with the user's two calendars.
    void StartServer() {
        const fs::path dir = env.dir / "server";
        fs::create_directories(dir);
        server = std::make_unique<Radicale>(dir);
        ASSERT_EQ(server->Python("Работа", "pass"), 0) << server->DeviceLog();
        ASSERT_EQ(server->Python("Дом", "pass"), 0) << server->DeviceLog();
    }
    std::string CalendarHref(const std::string& name) const {
        CalDavClient c(server->Url(), "anna", "secret");
        std::vector<CalendarFound> found;
        std::string error;
        EXPECT_TRUE(c.Discover(found, error)) << error;
        for (const CalendarFound& f : found)
            if (f.name == name) return f.href;
        return {};
    }
    // Sync set up by an earlier run: the settings file and the keyring.
    void SetUpEarlier(const std::string& url) {
        SyncSettings s;
        s.url = url;
        s.user = "anna";
        s.calendar = server ? CalendarHref("Работа") : "/anna/work/";
        s.calendarName = "Работа";
        fs::create_directories(Data());
        ASSERT_TRUE(WriteFileAtomically(Data() / kSyncSettingsFile, SyncSettingsText(s)).ok);
        env.passwords.kept[QString::fromStdString(s.user + "@" + s.url)] = "secret";
    }
    // The summaries the server's calendar holds.
    std::vector<std::string> OnServer(const std::string& name) const {
        CalDavClient c(server->Url(), "anna", "secret");
        const std::string cal = CalendarHref(name);
        RemoteView view;
        std::string token, error;
        std::vector<std::string> hrefs, out;
        EXPECT_TRUE(c.List(cal, "", view, token, error)) << error;
        for (const RemoteEvent& r : view.present) hrefs.push_back(r.href);
        std::vector<RemoteText> texts;
        if (!hrefs.empty()) {
            EXPECT_TRUE(c.Fetch(cal, hrefs, texts, error)) << error;
        }
        for (const RemoteText& t : texts) {
            const size_t at = t.text.find("SUMMARY:");
            if (at != std::string::npos) out.push_back(t.text.substr(at + 8, t.text.find_first_of("\r\n", at) - at - 8));
        }
        return out;
    }
    void AddWithTheEditor(const QString& name) {
        env.modal = [name](QDialog& d) {
            dynamic_cast<TToDoEditDlg&>(d).SubjectName->setText(name);
            return int(QDialog::Accepted);
        };
        ClickButton(form.get(), "SpeedButton1");
    }
    QString TrayTip() const { return Part<QSystemTrayIcon>("TrayIcon")->toolTip(); }
    static QPushButton* Ok(TSyncDialog& d) { return d.Buttons->button(QDialogButtonBox::Ok); }
    // A click on a check box's square (a stretched box has nothing at its middle).
    static void Tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

    std::unique_ptr<Radicale> server;
};

TEST_F(SyncTest, TheCalendarsFoundAreChosenByNameAndThePasswordGoesToTheKeyringOnly) {
    StartServer();
    Start();
    const QString url = QString::fromStdString(server->Url());
    bool searchedAside = false;
    QStringList names;
    env.modal = [&](QDialog& d) {
        auto& dlg = dynamic_cast<TSyncDialog&>(d);
        EXPECT_EQ(dlg.windowTitle(), "Синхронизация");
        Type(dlg.edUrl, url);
        EXPECT_FALSE(dlg.chbAllowHttp->isVisible());  // http to this machine needs no leave
        Type(dlg.edUser, "anna");
        Type(dlg.edPassword, "secret");
        EXPECT_EQ(dlg.edPassword->echoMode(), QLineEdit::Password);
        QTest::mouseClick(dlg.btnDiscover, Qt::LeftButton);
        // The click came back before the server answered.
        searchedAside = !dlg.btnDiscover->isEnabled() && dlg.lbFound->text() == "Поиск календарей на сервере…";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.Searching(); }, 20000));
        EXPECT_EQ(dlg.lbFound->text(), "Найдено календарей: 2.");
        // Another user's calendars are not this one's: the list goes with an edit.
        Type(dlg.edUser, "x");
        EXPECT_EQ(dlg.cbCalendar->count(), 0);
        QTest::keyClick(dlg.edUser, Qt::Key_Backspace);
        QTest::mouseClick(dlg.btnDiscover, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.Searching(); }, 20000));
        for (int i = 0; i < dlg.cbCalendar->count(); ++i) names << dlg.cbCalendar->itemText(i);
        Choose(dlg.cbCalendar, int(names.indexOf("Работа")));
        Tick(dlg.chbFavourableDays);
        QTest::mouseClick(Ok(dlg), Qt::LeftButton);
        return dlg.result();
    };
    Trigger(form.get(), "pmSync");
    EXPECT_TRUE(searchedAside);
    names.sort();
    EXPECT_EQ(names, QStringList({"Дом", "Работа"}));

    std::string text, error;
    ASSERT_TRUE(ReadWholeFile(Data() / kSyncSettingsFile, text));
    SyncSettings saved;
    ASSERT_TRUE(ReadSyncSettings(text, saved, error)) << error;
    EXPECT_EQ(saved.url, server->Url());
    EXPECT_EQ(saved.user, "anna");
    EXPECT_EQ(saved.calendar, CalendarHref("Работа"));
    EXPECT_EQ(saved.calendarName, "Работа");
    EXPECT_TRUE(saved.favourableDays);
    EXPECT_FALSE(saved.zetImports);
    EXPECT_EQ(saved.everyMinutes, 15);
    EXPECT_EQ(env.passwords.kept.value(QString::fromStdString("anna@" + server->Url())), "secret");
    // The first round, with nothing to send, and no file of ours holds the password.
    EXPECT_TRUE(QTest::qWaitFor([&] { return TrayTip() == "dayloom\nСинхронизация: 11.10.2010 09:00"; }, 20000))
        << TrayTip().toStdString();
    form->close();
    for (const auto& f : fs::recursive_directory_iterator(Data())) {
        std::string bytes;
        if (f.is_regular_file() && ReadWholeFile(f.path(), bytes)) {
            EXPECT_EQ(bytes.find("secret"), std::string::npos) << f.path();
        }
    }
    EXPECT_TRUE(env.messages.isEmpty()) << env.messages.join("|").toStdString();
}

TEST_F(SyncTest, APlainHttpAddressOfAnotherMachineIsRefusedUntilAllowed) {
    Start();
    env.modal = [&](QDialog& d) {
        auto& dlg = dynamic_cast<TSyncDialog&>(d);
        EXPECT_FALSE(dlg.lbHttp->isVisible());
        Type(dlg.edUrl, "http://dav.example.org/dav/");
        EXPECT_TRUE(dlg.lbHttp->isVisible());
        EXPECT_TRUE(dlg.chbAllowHttp->isVisible());
        EXPECT_EQ(dlg.lbHttp->text(), "Адрес http:// без шифрования разрешён только для этого компьютера; "
                                      "используйте https:// или разрешите http в настройке.");
        Type(dlg.edUser, "anna");
        Type(dlg.edPassword, "secret");
        const QString refused = "Адрес сервера не подходит: адрес http:// без шифрования разрешён только для этого "
                                "компьютера; используйте https:// или разрешите http в настройке.";
        // Neither a search nor the setup goes to such an address.
        QTest::mouseClick(dlg.btnDiscover, Qt::LeftButton);
        EXPECT_FALSE(dlg.Searching());
        EXPECT_EQ(dlg.lbProblem->text(), refused);
        QTest::mouseClick(Ok(dlg), Qt::LeftButton);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.lbProblem->text(), refused);
        // Allowed, it is a warning; the setup still wants a calendar.
        Tick(dlg.chbAllowHttp);
        EXPECT_FALSE(dlg.lbProblem->isVisible());
        EXPECT_TRUE(dlg.lbHttp->text().startsWith("Пароль и события пойдут по сети открыто"));
        QTest::mouseClick(Ok(dlg), Qt::LeftButton);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.lbProblem->text(), "Выберите календарь: нажмите «Найти календари» и выберите его в списке.");
        // An https address needs no leave.
        Retype(dlg.edUrl, "https://dav.example.org/dav/");
        EXPECT_FALSE(dlg.chbAllowHttp->isVisible());
        QTest::mouseClick(dlg.Buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        return dlg.result();
    };
    Trigger(form.get(), "pmSync");
    EXPECT_EQ(env.modalRuns, 1);
    EXPECT_FALSE(fs::exists(Data() / kSyncSettingsFile));
    EXPECT_TRUE(env.passwords.kept.isEmpty());
    EXPECT_EQ(TrayTip(), "dayloom");
}

TEST_F(SyncTest, ARoundSoonAfterAChangePutsTheEventOnTheServerAndAFailureIsToldOnce) {
    StartServer();
    SetUpEarlier(server->Url());
    Start();
    EXPECT_EQ(TrayTip(), "dayloom\nСинхронизация ещё не выполнялась");
    AddWithTheEditor("Врач");
    QTimer* soon = Timer("SyncSoon");
    ASSERT_TRUE(soon->isActive());
    EXPECT_EQ(soon->interval(), 30000);
    soon->start(0);  // the half minute after the change, passed
    ASSERT_TRUE(QTest::qWaitFor([&] { return TrayTip() == "dayloom\nСинхронизация: 11.10.2010 09:00"; }, 20000))
        << TrayTip().toStdString();
    EXPECT_EQ(OnServer("Работа"), std::vector<std::string>{"Врач"});
    EXPECT_TRUE(OnServer("Дом").empty());
    // What both sides agreed on is written once the events that match it are.
    SyncState state;
    std::string text;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReadWholeFile(Data() / kSyncStateFile, text) && state.Read(text) &&
                                              state.Events().size() == 1; }, 5000));
    EXPECT_TRUE(env.messages.isEmpty()) << env.messages.join("|").toStdString();

    // The server goes away: two tries by hand, one message; the tip and the
    // setup window say why.
    server.reset();
    env.now = At(2010, 10, 11, 9, 30);
    env.modal = [&](QDialog& d) {
        auto& dlg = dynamic_cast<TSyncDialog&>(d);
        EXPECT_TRUE(dlg.lbStatus->text().startsWith("Последняя синхронизация: 11.10.2010 09:00 — отправлено: 1."))
            << dlg.lbStatus->text().toStdString();
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(dlg.btnSyncNow, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.btnSyncNow->isEnabled(); }, 20000));
        }
        EXPECT_NE(dlg.lbStatus->text().indexOf("\nОшибка (11.10.2010 09:30): нет ответа сервера"), -1)
            << dlg.lbStatus->text().toStdString();
        return int(QDialog::Rejected);
    };
    Trigger(form.get(), "pmSync");
    ASSERT_EQ(env.messages.size(), 1) << env.messages.join("|").toStdString();
    EXPECT_TRUE(env.messages[0].startsWith("Синхронизация с сервером не удалась: нет ответа сервера"));
    EXPECT_TRUE(TrayTip().startsWith("dayloom\nСинхронизация: 11.10.2010 09:00\nОшибка (11.10.2010 09:30): нет "
                                     "ответа сервера"))
        << TrayTip().toStdString();

    // The next run knows when the last round went through before any round of its own.
    Restart();
    EXPECT_EQ(TrayTip(), "dayloom\nСинхронизация: 11.10.2010 09:00");
}

// No Secret Service (a build machine, a bare session): the program says so
// once, takes the password typed for this session and syncs with it.
TEST_F(SyncTest, WithoutAKeyringThePasswordTypedServesTheSessionAndEachTroubleIsToldOnce) {
    StartServer();
    SetUpEarlier(server->Url());
    env.passwords.available = false;
    Start();
    Timer("SyncSoon")->start(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !env.messages.isEmpty(); }, 5000));
    EXPECT_TRUE(env.messages[0].startsWith("Синхронизация с сервером не удалась: пароль не прочитан: хранилище "
                                           "паролей системы недоступно"))
        << env.messages[0].toStdString();
    env.modal = [&](QDialog& d) {
        auto& dlg = dynamic_cast<TSyncDialog&>(d);
        EXPECT_TRUE(dlg.edPassword->text().isEmpty());
        Type(dlg.edPassword, "secret");
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(dlg.btnSyncNow, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.btnSyncNow->isEnabled(); }, 20000));
        }
        EXPECT_EQ(dlg.lbStatus->text(), "Последняя синхронизация: 11.10.2010 09:00 — изменений не было.");
        QTest::mouseClick(Ok(dlg), Qt::LeftButton);
        return dlg.result();
    };
    Trigger(form.get(), "pmSync");
    ASSERT_EQ(env.messages.size(), 2) << env.messages.join("|").toStdString();
    EXPECT_TRUE(env.messages[1].startsWith("Пароль не сохранён в хранилище паролей системы: хранилище паролей "
                                           "системы недоступно"))
        << env.messages[1].toStdString();
    EXPECT_EQ(TrayTip(), "dayloom\nСинхронизация: 11.10.2010 09:00");
}

// A server that took the connection and never answers: the window closes at
// once and keeps the event it was sending.
TEST_F(SyncTest, QuittingWhileARoundWaitsForASilentServerNeitherWaitsNorLosesTheEvent) {
    const SilentServer silent;
    ASSERT_NE(silent.port, 0);
    SetUpEarlier(silent.Url());
    Start();
    AddWithTheEditor("Врач");
    Timer("SyncSoon")->start(0);
    QTest::qWait(300);  // the round is waiting for its first answer
    const auto start = std::chrono::steady_clock::now();
    form->close();
    form.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    TodoItems stored;
    ASSERT_EQ(LoadFromFile(Data() / "ListToDo.db", stored).status, LoadReport::Status::Ok);
    ASSERT_EQ(stored.Count(), 1);
    EXPECT_EQ(stored[0].Subject, ansi("Врач"));
    EXPECT_FALSE(fs::exists(Data() / kSyncStateFile));
}

}  // namespace
