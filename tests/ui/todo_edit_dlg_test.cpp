// The editor played by a script through the main window's modal seam: the
// script types, picks and clicks in the shown dialog as a user does.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <cstdlib>

#include "events/qt_ansi.h"
#include "events/todo_edit_dlg.h"
#include "tests/ui/main_window.h"

namespace {

struct Choice {
    const char* name;
    int kind = 0, unit = 0;
    const char* count = nullptr;
    std::vector<int> weekdays = {};  // rows of the check list
    bool accept = true;
};

// What a user does in the dialog for one choice, ending with a button.
int Play(TToDoEditDlg& dlg, const Choice& c) {
    if (c.name) Retype(dlg.SubjectName, QString::fromUtf8(c.name));
    Choose(dlg.Box1, c.kind);
    if (dlg.BoxDvalue->isEnabled()) Choose(dlg.BoxDvalue, c.unit);
    if (c.count) Retype(dlg.BoxDcount, QString::fromUtf8(c.count));
    for (int w : c.weekdays) ToggleRow(dlg.CheckListWk, w);
    QTest::mouseClick(c.accept ? dlg.OKBtn : dlg.CancelBtn, Qt::LeftButton);
    return dlg.result();
}

class EditorTest : public MainWindowTest {
protected:
    void SetUp() override { Start(); }

    // Each modal run plays the next choice; past the last, Cancel.
    void Script(std::vector<Choice> choices) {
        env.modal = [choices, n = size_t(0)](QDialog& d) mutable {
            if (n >= choices.size()) return int(QDialog::Rejected);
            return Play(dynamic_cast<TToDoEditDlg&>(d), choices[n++]);
        };
    }
    TToDoEditDlg& Dlg() { return *Part<TToDoEditDlg>("ToDoEditDlg"); }
    void Add() { ClickButton(form.get(), "SpeedButton1"); }
    void OpenRow(int row) { DoubleClickRow(List(), row); }
};

TEST_F(EditorTest, AddsEachKindOnTheChosenDay) {
    ClickDay(Calendar(), Day(2010, 10, 13));
    env.now = At(2010, 10, 11, 9, 0, 42);
    Script({{"Простое"}, {"Длительное", 1, 5}, {"Повтор", 2, 0, nullptr, {1, 5}}, {"Дело", 3}});
    for (int i = 0; i < 4; ++i) Add();
    ASSERT_EQ(Events().Count(), 4);
    const TDateTime start = At(2010, 10, 13, 9, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Events()[i].CreationDate, start) << i;
    EXPECT_EQ(Events()[1].Category, "1");  // months force the count
    EXPECT_EQ(Events()[1].CompletionDate, At(2010, 11, 13, 9, 0));
    EXPECT_EQ(Events()[2].Resource, "34");
    EXPECT_EQ(Events()[2].DueDate, start);
    EXPECT_EQ(Events()[3].CompletionDate, start);
    EXPECT_EQ(List()->Items().size(), 4u);
    EXPECT_TRUE(Marked(start));
}

TEST_F(EditorTest, EmptyNameAsksAgainAndBadCountsAreRefusedSilently) {
    Script({{""}, {"Имя", 1, 3, "0"}, {"Имя", 1, 3, "2"}});
    Trigger(form.get(), "ToDo_AddEvent1");
    EXPECT_EQ(env.messages, QStringList({"Введите краткое имя события!"}));
    EXPECT_EQ(env.modalRuns, 3);
    ASSERT_EQ(Events().Count(), 1);
    EXPECT_EQ(Events()[0].Category, "2");
}

TEST_F(EditorTest, CancelChangesNothing) {
    Script({{"Первое"}});
    Add();
    const TTodoItem before = Events()[0];
    Script({{"Другое", 2, 3, "5", {}, false}});
    OpenRow(0);
    EXPECT_EQ(env.modalRuns, 2);
    ASSERT_EQ(Events().Count(), 1);
    EXPECT_EQ(Events()[0].Subject, before.Subject);
    EXPECT_EQ(Events()[0].Project, before.Project);
}

TEST_F(EditorTest, ToDoReopensAsToDoWithItsEnd) {
    env.modal = [](QDialog& d) {
        auto& dlg = dynamic_cast<TToDoEditDlg&>(d);
        Retype(dlg.SubjectName, QStringLiteral("Дело"));
        Choose(dlg.Box1, 3);
        dlg.dtpEnd->setDateTime(QDateTime(QDate(2010, 10, 14), QTime(18, 0)));
        QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
        return dlg.result();
    };
    Add();
    ClickButton(form.get(), "SpeedButton4");
    env.modal = nullptr;
    OpenRow(0);
    EXPECT_EQ(Dlg().Box1->currentText(), "Задача");
    EXPECT_FALSE(Dlg().dtpEnd->isHidden());
    EXPECT_FALSE(Dlg().Label1->isHidden());
    EXPECT_EQ(Dlg().dtpEnd->dateTime(), QDateTime(QDate(2010, 10, 14), QTime(18, 0)));
}

TEST_F(EditorTest, DateAndTimeButtonsKeepTheMomentToTheMinute) {
    Script({{"Встреча"}});
    env.now = At(2010, 10, 11, 9, 30);
    Add();
    env.modal = [](QDialog& d) {
        auto& dlg = dynamic_cast<TToDoEditDlg&>(d);
        QTest::mouseClick(dlg.SpeedButton2, Qt::LeftButton);  // "Дата"
        EXPECT_EQ(dlg.SpeedButton2->text(), "Время");
        EXPECT_EQ(dlg.dtpBegin->displayFormat(), "dd.MM.yyyy");
        QTest::mouseClick(dlg.SpeedButton2, Qt::LeftButton);  // "Время"
        EXPECT_EQ(dlg.dtpBegin->time(), QTime(9, 30));
        QTest::mouseClick(dlg.SpeedButton2, Qt::LeftButton);  // "Дата" again, then accept
        QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
        return dlg.result();
    };
    OpenRow(0);
    EXPECT_EQ(Events()[0].CreationDate, At(2010, 10, 11, 9, 30));
}

TEST_F(EditorTest, OpensInTheMiddleOfTheScreenWithItsOwnCaption) {
    QPoint centre, screenCentre;
    env.modal = [&](QDialog& d) {
        centre = d.frameGeometry().center();
        screenCentre = d.screen()->geometry().center();
        EXPECT_EQ(d.windowTitle(), "Событие");
        return int(QDialog::Rejected);
    };
    Add();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 2) << centre.x() << "," << centre.y();
    EXPECT_EQ(Events().Count(), 0);  // cancelled: nothing added
}

// Ins, the name typed at once, Enter: the keys alone add the event; opened on
// an event, typing replaces its name; after a refused count the count has the keys.
TEST_F(EditorTest, KeysGoToTheNameAndEnterAccepts) {
    QStringList typedInto;
    env.modal = [&](QDialog& d) {
        // What has the keys once the dialog is the active window.
        QWidget* focused = d.focusWidget();
        typedInto << (focused == Dlg().SubjectName                ? "name"
                      : focused && Dlg().BoxDcount->isAncestorOf(focused) ? "count"
                                                                  : "other");
        if (!focused) return int(QDialog::Rejected);
        if (typedInto.size() == 3) {  // reopened after the count "0"
            Retype(focused, QStringLiteral("2"));
        } else {
            Type(focused, typedInto.size() == 1 ? QStringLiteral("Обед") : QStringLiteral("Ужин"));
            if (typedInto.size() == 2) Choose(Dlg().Box1, 1), Choose(Dlg().BoxDvalue, 3), Retype(Dlg().BoxDcount, "0");
        }
        QTest::keyClick(focused, Qt::Key_Return);
        return d.result();
    };
    Activate(form.get());
    QTest::keyClick(List(), Qt::Key_Insert);
    ASSERT_EQ(Events().Count(), 1);
    EXPECT_EQ(FromAnsi(Events()[0].Subject), "Обед");
    DoubleClickRow(List(), 0);
    EXPECT_EQ(typedInto, QStringList({"name", "name", "count"}));
    ASSERT_EQ(Events().Count(), 1);
    EXPECT_EQ(FromAnsi(Events()[0].Subject), "Ужин");
    EXPECT_EQ(Events()[0].Category, "2");
}

TEST(EditorDialog, TheColumnStaysAndTextsAreCutToWhatTheFileHolds) {
    TToDoEditDlg dlg;
    // The right-hand column keeps its place whatever the kind.
    dlg.show();
    QApplication::processEvents();
    const int column = dlg.SubjectName->x();
    Choose(dlg.Box1, 3);
    QApplication::processEvents();
    EXPECT_FALSE(dlg.Label1->isHidden());
    EXPECT_EQ(dlg.SubjectName->x(), column);
    EXPECT_EQ(dlg.Box1->x(), column);

    bool changed = false;
    EXPECT_EQ(FitForFile(QString::fromUtf8("Кофе ☕ и €"), &changed), QString::fromUtf8("Кофе ? и €"));
    EXPECT_TRUE(changed);
    EXPECT_EQ(FitForFile(QString(70000, QLatin1Char('x'))).size(), 65535);
    dlg.Memo1->setPlainText(QString(70000, QChar(0x0416)));  // Ж: one byte each
    EXPECT_EQ(dlg.Memo1->toPlainText().size(), 65535);

    if (const char* dir = std::getenv("DAYLOOM_SHOT_DIR")) {
        dlg.SubjectName->setText(QStringLiteral("Планёрка отдела"));
        dlg.Memo1->setPlainText(QStringLiteral("Переговорная 3\nВзять отчёт за квартал"));
        Choose(dlg.Box1, 2);
        dlg.CheckListWk->item(1)->setCheckState(Qt::Checked);
        dlg.CheckListWk->item(3)->setCheckState(Qt::Checked);
        QApplication::processEvents();
        dlg.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/editor.png"));
    }
}

}  // namespace
