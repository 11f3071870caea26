#pragma once
// The real main window on a FakeEnvironment in a fresh temporary folder, its
// reminder timer stopped: the tests tick by hand.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/day_panel.h"
#include "app/main_form.h"
#include "dayview/form_alert.h"
#include "events/ansi.h"
#include "events/event_file.h"
#include "tests/support/builders.h"
#include "tests/ui/drive.h"
#include "tests/ui/fake_environment.h"

// The window's parts, found as a user's tools find them: by object name.
template <typename T>
T* Find(const QWidget* form, const char* name) {
    T* found = form->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}
inline TDayPanel* PanelOf(const QWidget* form) { return Find<TDayPanel>(form, "DayPanel"); }
inline TPlannerCalendar* CalendarOf(const QWidget* form) { return PanelOf(form)->Calendar(); }
inline TTodoList* ListOf(const QWidget* form) { return PanelOf(form)->List(); }
inline QTimer* TimerOf(const QWidget* form, const char* name) { return Find<QTimer>(form, name); }
// The alert window is a window of its own, not a child of the main one.
inline TFormAlert* AlertWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("FormAlert")) return static_cast<TFormAlert*>(w);
    return nullptr;
}

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
        Timer("TimerAlert")->stop();
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
    TDayPanel* Panel() const { return PanelOf(form.get()); }
    TPlannerCalendar* Calendar() const { return CalendarOf(form.get()); }
    TTodoList* List() const { return ListOf(form.get()); }
    QAction* Action(const char* name) const { return Find<QAction>(form.get(), name); }
    QTimer* Timer(const char* name) const { return TimerOf(form.get(), name); }
    template <typename T>
    T* Part(const char* name) const { return Find<T>(form.get(), name); }
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
        for (const TDayRow& r : List()->Items()) shown << QString::fromStdString(utf8(r.Subject));
        return shown;
    }
    bool Marked(TDateTime day) const { return Calendar()->Events().Find(day) >= 0; }
};
