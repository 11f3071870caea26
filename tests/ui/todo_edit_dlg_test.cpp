// The editor played by a script through the main window's modal seam.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>

#include "app/main_form.h"
#include "events/ansi.h"
#include "events/todo_edit_dlg.h"
#include "tests/ui/fake_environment.h"
#include "widgets/planner_calendar.h"
#include "widgets/todo_list.h"

namespace {

struct Choice {
    const char* name;
    int kind = 0, unit = 0;
    const char* count = nullptr;
    std::vector<int> weekdays = {};  // rows of the check list
    bool accept = true;
};

class EditorTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    FakeEnvironment env;
    std::unique_ptr<TMainForm> form;

    void SetUp() override {
        env.dir = tmp.path().toStdString();
        form = std::make_unique<TMainForm>(env);
        form->show();
        QApplication::processEvents();
        form->TimerAlert->stop();
    }
    void TearDown() override { form->close(); }

    // Each modal run plays the next choice.
    void Script(std::vector<Choice> choices) {
        env.modal = [choices, n = size_t(0)](QDialog& d) mutable {
            auto& dlg = dynamic_cast<TToDoEditDlg&>(d);
            if (n >= choices.size()) return int(QDialog::Rejected);
            const Choice& c = choices[n++];
            if (c.name) dlg.SubjectName->setText(QString::fromUtf8(c.name));
            dlg.Box1->setCurrentIndex(c.kind);
            dlg.Box1Change();
            dlg.BoxDvalue->setCurrentIndex(c.unit);
            dlg.BoxDvalueChange();
            if (c.count) dlg.BoxDcount->setEditText(QString::fromUtf8(c.count));
            for (int w : c.weekdays) dlg.CheckListWk->item(w)->setCheckState(Qt::Checked);
            return int(c.accept ? QDialog::Accepted : QDialog::Rejected);
        };
    }
    TToDoEditDlg& Dlg() { return *form->ToDoEditDlg; }
};

TEST_F(EditorTest, AddsEachKindOnTheChosenDay) {
    form->PlannerCalendar1->ChangeDate(EncodeDate(2010, 10, 13));
    env.now = EncodeDateTime(2010, 10, 11, 9, 0, 42);
    Script({{"Простое"}, {"Длительное", 1, 5}, {"Повтор", 2, 0, nullptr, {1, 5}}, {"Дело", 3}});
    for (int i = 0; i < 4; ++i) form->ToDo_AddEvent1Click();
    ASSERT_EQ(form->TodoListSrc.Count(), 4);
    const TDateTime start = EncodeDateTime(2010, 10, 13, 9, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(form->TodoListSrc[i].CreationDate, start) << i;
    EXPECT_EQ(form->TodoListSrc[1].CompletionDate, EncodeDateTime(2010, 11, 13, 9, 0));
    EXPECT_EQ(form->TodoListSrc[2].Resource, "34");
    EXPECT_EQ(form->TodoListSrc[2].DueDate, start);
    EXPECT_EQ(form->TodoListSrc[3].CompletionDate, start);
    EXPECT_EQ(form->TodoListShow->Items().Count(), 4);
    EXPECT_GE(form->PlannerCalendar1->Events().Find(start), 0);
}

TEST_F(EditorTest, EmptyNameAsksAgainAndBadCountsAreRefusedSilently) {
    Script({{""}, {"Имя", 1, 3, "00"}, {"Имя", 1, 3, "2"}});
    form->ToDo_AddEvent1Click();
    EXPECT_EQ(env.messages, QStringList({"Введите краткое имя события!"}));
    EXPECT_EQ(env.modalRuns, 3);
    ASSERT_EQ(form->TodoListSrc.Count(), 1);
    EXPECT_EQ(form->TodoListSrc[0].Category, "2");
}

TEST_F(EditorTest, CancelChangesNothing) {
    Script({{"Первое"}});
    form->ToDo_AddEvent1Click();
    const TTodoItem before = form->TodoListSrc[0];
    Script({{"Другое", 2, 3, "5", {}, false}});
    form->TodoListShow->SetItemIndex(0);
    form->TodoListShowClick();
    form->ToDo_PropertiesEvent1Click();
    ASSERT_EQ(form->TodoListSrc.Count(), 1);
    EXPECT_EQ(form->TodoListSrc[0].Subject, before.Subject);
    EXPECT_EQ(form->TodoListSrc[0].Project, before.Project);
    Script({{nullptr, 0, 0, nullptr, {}, false}});
    form->ToDo_AddEvent1Click();
    EXPECT_EQ(form->TodoListSrc.Count(), 1);
}

TEST_F(EditorTest, ToDoReopensAsToDoWithItsEnd) {
    Script({{"Дело", 3}});
    form->ToDo_AddEvent1Click();
    form->TodoListSrc[0].CompletionDate = EncodeDateTime(2010, 10, 14, 18, 0);
    form->SpeedButton4Click();
    form->TodoListShow->SetItemIndex(0);
    form->TodoListShowClick();
    env.modal = [](QDialog&) { return int(QDialog::Rejected); };
    form->ToDo_PropertiesEvent1Click();
    EXPECT_EQ(Dlg().Box1->currentText(), "ToDo");
    EXPECT_FALSE(Dlg().dtpEnd->isHidden());
    EXPECT_FALSE(Dlg().Label1->isHidden());
    EXPECT_EQ(Dlg().dtpEnd->dateTime(), QDateTime(QDate(2010, 10, 14), QTime(18, 0)));
}

TEST_F(EditorTest, RightClickMovesTheSelectedEventKeepingItsTime) {
    Script({{"Встреча"}});
    form->ToDo_AddEvent1Click();
    form->TodoListShow->SetItemIndex(0);
    form->TodoListShowClick();
    env.modal = [](QDialog&) { return int(QDialog::Accepted); };
    const QPoint p = form->PlannerCalendar1->DateRect(EncodeDate(2010, 10, 20)).center();
    form->PlannerCalendar1MouseDown(Qt::RightButton, p.x(), p.y());
    EXPECT_EQ(form->TodoListSrc[0].CreationDate, EncodeDateTime(2010, 10, 20, 9, 0));
    EXPECT_GE(form->PlannerCalendar1->Events().Find(EncodeDate(2010, 10, 20)), 0);
    EXPECT_LT(form->PlannerCalendar1->Events().Find(EncodeDate(2010, 10, 11)), 0);
}

TEST(EditorDialog, ControlsTextsAndLimits) {
    TToDoEditDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Событие");
    EXPECT_EQ(dlg.size(), QSize(284, 303));
    EXPECT_EQ(dlg.BoxAlert->count(), 10);
    EXPECT_EQ(dlg.BoxAlert->currentText(), "Вовремя");
    EXPECT_EQ(dlg.BoxDcount->currentText(), "0");
    EXPECT_FALSE(dlg.BoxDcount->isEnabled());
    EXPECT_TRUE(dlg.dtpEnd->isHidden());
    EXPECT_EQ(dlg.CheckListWk->item(0)->text(), "Вс");

    dlg.SpeedButton2Click();
    EXPECT_EQ(dlg.dtpBegin->displayFormat(), "dd.MM.yyyy");
    EXPECT_EQ(dlg.SpeedButton2->text(), "Time");
    dlg.SpeedButton2Click();
    EXPECT_EQ(dlg.dtpBegin->displayFormat(), "HH:mm");

    bool changed = false;
    EXPECT_EQ(FitForFile(QString::fromUtf8("Кофе ☕ и €"), &changed), QString::fromUtf8("Кофе ? и €"));
    EXPECT_TRUE(changed);
    EXPECT_EQ(FitForFile(QString(70000, QLatin1Char('x'))).size(), 65535);
    dlg.Memo1->setPlainText(QString(70000, QChar(0x0416)));  // Ж: one byte each
    EXPECT_EQ(dlg.Memo1->toPlainText().size(), 65535);

    if (const char* dir = std::getenv("DAYLOOM_SHOT_DIR")) {
        dlg.SubjectName->setText(QStringLiteral("Планёрка отдела"));
        dlg.Memo1->setPlainText(QStringLiteral("Переговорная 3\nВзять отчёт за квартал"));
        dlg.Box1->setCurrentIndex(2);
        dlg.Box1Change();
        dlg.CheckListWk->item(1)->setCheckState(Qt::Checked);
        dlg.CheckListWk->item(3)->setCheckState(Qt::Checked);
        dlg.show();
        QApplication::processEvents();
        dlg.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/editor.png"));
    }
}

}  // namespace
