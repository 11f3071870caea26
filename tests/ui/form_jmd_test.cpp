// The ZET import window opened from the main window's menu, played through
// the environment seam: load a journal, import chosen months, paste text,
// remove a kind; the day list, the marks and the reminder timer follow.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cstdlib>
#include <fstream>

#include "import/form_jmd.h"
#include "tests/ui/main_window.h"

namespace {

class ImportWindowTest : public MainWindowTest {
protected:
    TFormJMD* jmd = nullptr;
    std::filesystem::path journal;

    void SetUp() override {
        journal = env.dir / "moon.wrk";
        std::ofstream(journal, std::ios::binary) << ansi(
            "Журнал Лунных дней 2010 г.\r\nZET 8\r\nМосква\r\n\r\n"
            "11.10 07:00:00 +1 w4 4\r\n   18:40:00 Новолуние\r\n12.10 08:00:00 +1 w4 5\r\n"
            "05.11 07:00:00 +1 w4 29\r\n01.12 07:00:00 +1 w4 25\r\n");
        Start();
        jmd = Part<TFormJMD>("FormJMD");
    }
    void Open(std::function<void()> user) { OpenModal("ZetjournalMoonDays1", std::move(user)); }
    void CheckMonth(int m) { ToggleRow(jmd->ListMonth, m); }
    int Count(const char* prefix) {
        int n = 0;
        for (const TTodoItem& e : Events()) n += e.Subject.rfind(ansi(prefix), 0) == 0;
        return n;
    }
};

TEST_F(ImportWindowTest, JournalOfTwoMonthsThenRemovalOfOneKind) {
    Open([&] {
        // Opened with the calendar's month checked and nothing else.
        EXPECT_EQ(jmd->ListMonth->item(10)->checkState(), Qt::Checked);
        EXPECT_EQ(jmd->ListMonth->item(11)->checkState(), Qt::Unchecked);
        EXPECT_FALSE(jmd->BitBtnImportZetJMD->isEnabled());
        env.filesToChoose << QString::fromStdString(journal.string());
        QTest::mouseClick(jmd->BitBtnLoadZetJMD, Qt::LeftButton);
        EXPECT_EQ(jmd->MemoPreview->toPlainText(), "Журнал Лунных дней 2010 г.\nZET 8\nМосква");
        CheckMonth(11);  // October and November
        QTest::mouseClick(jmd->BitBtnImportZetJMD, Qt::LeftButton);
        EXPECT_EQ(jmd->Progress1->value(), 0);
        EXPECT_TRUE(jmd->BitBtnImportZetJMD->isEnabled());
    });
    EXPECT_EQ(Count("~"), 4);  // December was not chosen
    // Every run ends with what it did, as information; nothing is a warning.
    EXPECT_EQ(env.infos, QStringList({"Добавлено событий: 4."}));
    EXPECT_TRUE(env.messages.isEmpty());
    EXPECT_TRUE(Timer("TimerAlert")->isActive());
    EXPECT_EQ(DayList(), QStringList({"~Лунный день - 4", "~Лунная фаза - Новолуние"}));
    EXPECT_TRUE(Marked(Day(2010, 10, 12)));
    EXPECT_EQ(form->Reminders().size(), 2u);  // today's reminders include them

    // The same journal again (the window reopens on October alone) adds
    // nothing and says so, in the same form.
    Open([&] { QTest::mouseClick(jmd->BitBtnImportZetJMD, Qt::LeftButton); });
    EXPECT_EQ(Count("~"), 4);
    EXPECT_EQ(env.infos.last(), "Добавлено событий: 0, уже были в списке: 3.");

    // A user's own event that merely looks imported stays.
    RestartWith({Event("~ моя заметка", At(2010, 10, 20, 9, 0))});
    jmd = Part<TFormJMD>("FormJMD");
    Open([&] {
        CheckMonth(11);  // the journal's months: October, November
        Choose(jmd->Box1, 0);
        QTest::mouseClick(jmd->BtnDeleteImportData, Qt::LeftButton);
    });
    EXPECT_EQ(Count("~"), 1);
    EXPECT_EQ(env.infos.last(), "Удалено событий: 4.");
    EXPECT_TRUE(env.messages.isEmpty());
    EXPECT_TRUE(DayList().isEmpty());
    EXPECT_FALSE(Marked(Day(2010, 10, 12)));
    EXPECT_TRUE(Timer("TimerAlert")->isActive());
}

// Tab in the paste box goes on to the next control instead of typing a tab.
TEST_F(ImportWindowTest, TabLeavesThePasteBox) {
    Open([&] {
        QApplication::setActiveWindow(jmd);  // the modal window has the keyboard
        jmd->Memo2->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), jmd->Memo2);
        QTest::keyClick(jmd->Memo2, Qt::Key_Tab);
        EXPECT_TRUE(jmd->Memo2->toPlainText().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), jmd->TypeZetDataBox1);
        QTest::keyClick(jmd->TypeZetDataBox1, Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget(), jmd->Memo2);
    });
}

// On a 1024 x 600 screen with a panel the window fits, caption and all, and
// nothing in it is cut: every label and button has its room, every month its
// whole name, each text box three lines at least.
TEST_F(ImportWindowTest, FitsASmallScreenWithNothingCut) {
    constexpr int kCaption = 30;  // what a window system's frame adds on top
    for (const QRect area : {QRect(0, 0, 1024, 600 - 30), QRect(0, 24, 1024, 600 - 24), QRect(0, 0, 1280, 984)}) {
        env.workArea = area;
        Open([&] {
            const QRect frame = jmd->frameGeometry().adjusted(0, -kCaption, 0, 0);
            EXPECT_TRUE(area.contains(frame)) << frame.y() << "+" << frame.height() << " in " << area.height();
            for (const QWidget* w : jmd->findChildren<QWidget*>()) {
                if (!w->isVisible() || !(qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
                                         qobject_cast<const QComboBox*>(w)))
                    continue;
                EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
                EXPECT_GE(w->height(), w->minimumSizeHint().height()) << w->objectName().toStdString();
            }
            // The months as a plain list lays them out, each as wide as it needs.
            QListWidget plain;
            plain.setFont(jmd->ListMonth->font());
            for (int m = 0; m < jmd->ListMonth->count(); ++m) {
                auto* item = new QListWidgetItem(jmd->ListMonth->item(m)->text(), &plain);
                item->setCheckState(Qt::Unchecked);
                const QRect cell = jmd->ListMonth->visualItemRect(jmd->ListMonth->item(m));
                EXPECT_GE(cell.width(), plain.sizeHintForIndex(plain.model()->index(m, 0)).width()) << m;
                EXPECT_LE(cell.right(), jmd->ListMonth->viewport()->width()) << m;
            }
            for (const QPlainTextEdit* box : {jmd->MemoPreview, jmd->Memo2})
                EXPECT_GE(box->viewport()->height(), 3 * box->fontMetrics().lineSpacing()) << box->objectName().toStdString();
            if (area.height() > 900) {  // where there is room, the paste box has it
                EXPECT_GE(jmd->Memo2->height(), 110);
            }
        });
    }
}

TEST_F(ImportWindowTest, PastedTextIsCheckedAgainstItsKind) {
    Open([&] {
        QTest::mouseClick(jmd->BitBtnImportKurs, Qt::LeftButton);  // an empty box
        jmd->Memo2->setPlainText(QStringLiteral("11.10.2010 14:22 - 11.10.2010 18:05"));
        EXPECT_TRUE(jmd->BitBtn2->isEnabled());
        QTest::mouseClick(jmd->BitBtnImportKurs, Qt::LeftButton);  // taken for aspects: refused
        Choose(jmd->TypeZetDataBox1, 1);
        QTest::mouseClick(jmd->BitBtnImportKurs, Qt::LeftButton);
        QTest::mouseClick(jmd->BitBtn2, Qt::LeftButton);
        EXPECT_TRUE(jmd->Memo2->toPlainText().isEmpty());
        EXPECT_FALSE(jmd->BitBtn2->isEnabled());
    });
    EXPECT_EQ(env.messages, QStringList({"Вставьте данные!",
                                         "Данные не соответствуют типу ZET-данных, выбранному для импорта."}));
    ASSERT_EQ(Count(">"), 1);
    EXPECT_EQ(Events()[0].CompletionDate, At(2010, 10, 11, 18, 5));
    EXPECT_EQ(List()->Items().size(), 1u);

    if (const char* dir = std::getenv("DAYLOOM_SHOT_DIR")) {
        Open([&] {
            env.filesToChoose << QString::fromStdString(journal.string());
            QTest::mouseClick(jmd->BitBtnLoadZetJMD, Qt::LeftButton);
            jmd->Memo2->setPlainText(QStringLiteral("11.10.2010 14:22 - 11.10.2010 18:05"));
            QApplication::processEvents();
            jmd->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/import.png"));
        });
    }
}

// The box's text reaches the events as typed: "В«" stays two characters,
// though its Windows-1251 bytes happen to spell "«" in UTF-8.
TEST_F(ImportWindowTest, PastedTextKeepsItsLetters) {
    Open([&] {
        jmd->Memo2->setPlainText(QStringLiteral("11.10.2010 14:22:10 w3 12^34'56\" ab В«x"));
        QTest::mouseClick(jmd->BitBtnImportKurs, Qt::LeftButton);
    });
    ASSERT_EQ(Count("\""), 1);
    EXPECT_EQ(Events()[0].Subject, ansi("\"В«x"));
}

}  // namespace
