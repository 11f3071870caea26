#pragma once
// The real main window on a FakeEnvironment in a fresh temporary folder, its
// reminder timer stopped: the tests tick by hand.
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "app/main_form.h"
#include "events/ansi.h"
#include "events/event_file.h"
#include "tests/support/builders.h"
#include "tests/ui/drive.h"
#include "tests/ui/fake_environment.h"

class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    FakeEnvironment env;
    std::unique_ptr<TMainForm> form;

    MainWindowTest() { env.dir = std::filesystem::path(tmp.path().toStdU16String()); }
    void TearDown() override {
        if (form && form->isVisible()) form->close();  // one a test closed saves nothing twice
    }
    std::filesystem::path Data() const { return env.dir / "dayloom_data"; }
    // The event file the next start reads.
    void SaveEvents(const TodoItems& events) {
        std::filesystem::create_directories(Data());
        ASSERT_TRUE(SaveToFile(Data() / "ListToDo.db", events, false).ok);
    }
    void Start() {
        form = std::make_unique<TMainForm>(env);
        form->show();
        Activate(form.get());
        form->TimerAlert->stop();
    }
    void Restart() {
        form->close();
        form.reset();
        Start();
    }
    // The events as another program would leave them: added to the file
    // between a close and a start.
    void RestartWith(std::initializer_list<TTodoItem> events) {
        form->close();
        form.reset();
        TodoItems stored;
        LoadFromFile(Data() / "ListToDo.db", stored);
        for (const TTodoItem& e : events) stored.Add(e);
        SaveEvents(stored);
        Start();
    }
    const TodoItems& Events() const { return form->Document().Events(); }
    // Triggers the menu item `action`, whose modal window `user` plays; then the window is closed.
    void OpenModal(const char* action, std::function<void()> user) {
        env.modal = [user](QDialog&) {
            user();
            return int(QDialog::Rejected);
        };
        Trigger(form.get(), action);
    }
    QStringList DayList() const {
        QStringList shown;
        for (const TTodoItem& e : form->TodoListShow->Items()) shown << QString::fromStdString(utf8(e.Subject));
        return shown;
    }
    bool Marked(TDateTime day) const { return form->PlannerCalendar1->Events().Find(day) >= 0; }
};
