// Undo and redo driven by the keys and the menu items, after each kind of
// change: the day list, the marks, the reminders and the save follow.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <fstream>

#include "events/safe_file.h"
#include "events/todo_edit_dlg.h"
#include "tests/ui/main_window.h"
#include "widgets/tab_set_widget.h"

namespace {

class UndoTest : public MainWindowTest {
protected:
    void SetUp() override {
        SaveEvents(Store({Event("Врач", At(2010, 10, 11, 10, 0)).Notes("Кабинет 12"),
                          Event("Обед", At(2010, 10, 11, 13, 0)), Event("Было", At(2010, 10, 1, 9, 0)),
                          Event("Было ещё", At(2010, 10, 2, 9, 0))}));
        ASSERT_TRUE(WriteFileAtomically(env.dir / "ding.wav", "RIFF").ok);
        Start();
    }
    void Keys(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        // The editor hidden here keeps the activation on this platform,
        // where a closed modal window gives it back.
        QApplication::setActiveWindow(form.get());
        QTest::keyClick(List(), key, mods);
        QApplication::processEvents();
    }
    void Undo() { Keys(Qt::Key_Z, Qt::ControlModifier); }
    void Redo() { Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }
    void Select(const char* name) { ClickRow(List(), int(DayList().indexOf(QString::fromUtf8(name)))); }
    // The editor's answer for the next run: a new name, or just OK.
    void EditorAnswers(const char* name) {
        env.modal = [name](QDialog& d) {
            auto& dlg = dynamic_cast<TToDoEditDlg&>(d);
            if (name) Retype(dlg.SubjectName, QString::fromUtf8(name));
            QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
            return dlg.result();
        };
    }
    // Undo brings back `before`, redo `after`, each a change that is saved.
    void UndoRedo(const QStringList& before, const QStringList& after, const QString& undoText) {
        SCOPED_TRACE(undoText.toStdString());
        EXPECT_EQ(Action("pmUndo")->text(), undoText);
        EXPECT_TRUE(Action("pmUndo")->isEnabled());
        Timer("SaveSoon")->stop();
        Undo();
        EXPECT_EQ(DayList(), before);
        EXPECT_TRUE(Timer("SaveSoon")->isActive());
        EXPECT_EQ(Action("pmRedo")->text(), QString(undoText).replace("Отменить", "Повторить"));
        EXPECT_TRUE(Action("pmRedo")->isEnabled());
        Redo();
        EXPECT_EQ(DayList(), after);
        Keys(Qt::Key_Z, Qt::ControlModifier);
        Keys(Qt::Key_Y, Qt::ControlModifier);  // the other redo key
        EXPECT_EQ(DayList(), after);
    }
};

TEST_F(UndoTest, EveryKindOfChangeUndoesAndRedoes) {
    EXPECT_FALSE(Action("pmUndo")->isEnabled());
    EXPECT_EQ(Action("pmUndo")->text(), "Отменить");
    const QStringList day = {"Врач", "Обед"};

    EditorAnswers("Новое");
    ClickButton(form.get(), "SpeedButton1");
    UndoRedo(day, {"Новое", "Врач", "Обед"}, "Отменить: добавление «Новое»");
    Undo();

    Select("Врач");
    EditorAnswers("Врач 2");
    Keys(Qt::Key_Return);
    UndoRedo(day, {"Врач 2", "Обед"}, "Отменить: изменение «Врач 2»");
    Undo();

    Select("Врач");
    Keys(Qt::Key_Delete);
    UndoRedo(day, {"Обед"}, "Отменить: удаление «Врач»");
    Undo();
    EXPECT_TRUE(Marked(Day(2010, 10, 11)));

    Select("Врач");
    Keys(Qt::Key_Space);
    UndoRedo(day, day, "Отменить: отметка о завершении «Врач»");
    EXPECT_TRUE(Events()[FindByIdentity(Events(), At(2010, 10, 11, 10, 0), ansi("Врач"))].Complete);
    Undo();
    EXPECT_FALSE(Events()[FindByIdentity(Events(), At(2010, 10, 11, 10, 0), ansi("Врач"))].Complete);

    Select("Врач");
    EditorAnswers(nullptr);
    ClickDay(Calendar(), Day(2010, 10, 20), Qt::RightButton);
    UndoRedo(day, {"Обед"}, "Отменить: перенос «Врач»");
    EXPECT_TRUE(Marked(Day(2010, 10, 20)));
    Undo();
    EXPECT_FALSE(Marked(Day(2010, 10, 20)));

    // The purge tells what it did once, in a line, and asks nothing.
    Trigger(form.get(), "ToDo_deleteOld");
    EXPECT_EQ(Events().Count(), 2);
    EXPECT_TRUE(Part<QLabel>("LabelNotice")->isVisible());
    EXPECT_EQ(Part<QLabel>("LabelNotice")->text(), "Удалено событий: 2. Ctrl+Z — отменить");
    EXPECT_TRUE(env.messages.isEmpty());
    EXPECT_EQ(Action("pmUndo")->text(), "Отменить: очистка прошедших (2 события)");
    if (const char* dir = std::getenv("DAYLOOM_SHOT_DIR")) {
        QMenu* menu = Part<QMenu>("PopupToDo");
        menu->popup(form->mapToGlobal(QPoint(20, 300)));
        QApplication::processEvents();
        menu->grab().save(QString::fromLocal8Bit(dir) + "/undo_menu.png");
        form->grab().save(QString::fromLocal8Bit(dir) + "/undo_notice.png");
        menu->hide();
    }
    Undo();
    EXPECT_EQ(Events().Count(), 4);
    EXPECT_FALSE(Part<QLabel>("LabelNotice")->isVisible());  // what it told is undone
    EXPECT_TRUE(Marked(Day(2010, 10, 1)));
    Redo();
    EXPECT_FALSE(Marked(Day(2010, 10, 1)));
    Undo();

    // An import from a file, one step however many events it brought.
    const auto ics = env.dir / "two.ics";
    std::ofstream(ics, std::ios::binary)
        << "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20101011T150000\r\nSUMMARY:Первое\r\nEND:VEVENT\r\n"
           "BEGIN:VEVENT\r\nDTSTART:20101011T160000\r\nSUMMARY:Второе\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    env.filesToChoose << QString::fromStdU16String(ics.u16string());
    TriggerAndWait(form.get(), "pmImportICalendar1");
    UndoRedo(day, {"Врач", "Обед", "Первое", "Второе"}, "Отменить: импорт (2 события)");
    Undo();
    EXPECT_EQ(Events().Count(), 4);

    // Menu items as well as keys; the whole way back leaves nothing to undo.
    while (Action("pmUndo")->isEnabled()) Action("pmUndo")->trigger();
    EXPECT_EQ(Action("pmUndo")->text(), "Отменить");
    EXPECT_TRUE(Action("pmRedo")->isEnabled());
    form->WaitForSaves();
}

// A reminder raised and dismissed today stays dismissed when its event is
// deleted and brought back.
TEST_F(UndoTest, ARestoredEventDoesNotRaiseItsReminderTwice) {
    env.now = At(2010, 10, 11, 10, 0);
    form->TimerAlertTimer();
    ASSERT_EQ(AlertWindow()->TabSetMsg->count(), 1);
    AlertWindow()->close();
    Select("Врач");
    Keys(Qt::Key_Delete);
    Undo();
    ASSERT_EQ(form->Reminders().size(), 2u);
    env.now += kOneMinute;
    form->TimerAlertTimer();
    EXPECT_FALSE(AlertWindow()->isVisible());
    EXPECT_EQ(AlertWindow()->TabSetMsg->count(), 1);
    EXPECT_EQ(env.sound.plays, 1);
}

}  // namespace
