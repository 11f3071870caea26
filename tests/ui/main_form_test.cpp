#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <memory>

#include "app/environment.h"
#include "widgets/gradient_panel_widget.h"
#include "dayview/form_alert.h"
#include "widgets/tab_set_widget.h"
#include "events/todo_edit_dlg.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/main_window.h"

namespace {

class MainFormTest : public MainWindowTest {
protected:
    std::filesystem::path Db() const { return Data() / "ListToDo.db"; }
    static std::string ReadAll(const std::filesystem::path& p) { return TempFolder::Read(p); }
    void RunOnce() {
        Start();
        form->close();
    }
};

// An empty folder gets an empty event file, the options of the default place
// and the shipped themes; the panels show their default shades.
// The save timer has fired and its commit, made off the window's thread, has
// reported back.
void SavesDone(TMainForm& form) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !TimerOf(&form, "SaveSoon")->isActive(); }, 2000));
    form.WaitForSaves();
    QApplication::processEvents();
}

TEST_F(MainFormTest, FirstStartInAnEmptyFolder) {
    Start();
    EXPECT_EQ(form->windowTitle(), "dayloom");
    EXPECT_EQ(form->pos(), QPoint(1280 - 265, 984 - 545));
    EXPECT_TRUE(List()->Items().empty());
    EXPECT_EQ(Part<TGradientPanel>("Panel1")->Top, clSilver);
    EXPECT_EQ(Part<TGradientPanel>("Panel1")->Bottom, clSkyBlue);
    EXPECT_TRUE(form->ColorScheme().empty());
    for (const char* name : {"Default.tdt", "Dark.tdt", "Light.tdt", "Contrast.tdt"})
        EXPECT_TRUE(std::filesystem::exists(Data() / "themes" / name)) << name;
    form->close();
    EXPECT_EQ(ReadAll(Db()), std::string(4, '\0'));
    EXPECT_EQ(ReadAll(Data() / "user_options").rfind("439\r\n1015\r\n545\r\n265\r\n", 0), 0u);
    EXPECT_TRUE(env.messages.isEmpty());
}

TEST_F(MainFormTest, CanonicalFileIsWrittenBackByteForByte) {
    TodoItems items;
    for (int i = 0; i < 3; ++i) {
        TTodoItem& it = items.Add(Event(i == 0 ? "Встреча с Ёжиком" : "Событие №" + std::to_string(i),
                                        At(2010, 10, 11 + i, 9 + i, 30))
                                      .Alert(i)
                                      .Notes("первая строка\r\nвторая\r\n\r\nчетвёртая"));
        it.DueDate = it.CreationDate;
        it.Tag = i * 7;
        it.TotalTime = -i;
    }
    SaveEvents(items);
    const std::string canonical = SaveToBytes(items);
    // Another process's temporary, or a user's file named like one: not ours to remove.
    TempFolder::Write(Db().string() + ".tmp-4242-7", "a save killed mid-write");
    Start();
    EXPECT_EQ(Events().Count(), 3);
    EXPECT_EQ(List()->Items().size(), 1u);  // the event of 11 October
    ClickRow(List(), 0);
    Trigger(form.get(), "pmCompleted1");  // done, and back: a change that ends where it began
    Trigger(form.get(), "pmCompleted1");
    EXPECT_FALSE(Events()[0].Complete);
    form->close();
    EXPECT_EQ(ReadAll(Db()), canonical);
    EXPECT_TRUE(std::filesystem::exists(Db().string() + ".tmp-4242-7"));
}

// Another writer's record (notes ending in bare LF, a sixteenth field this
// program does not know) comes back as it was after a start and a close.
TEST_F(MainFormTest, AnotherWritersRecordComesBackByteForByte) {
    TTodoItem it = Event("Чужая запись", At(2010, 10, 11, 9, 30));
    it.SetNotesText("X\r\nY\r\n");
    std::string bytes = SaveToBytes(Store({it}));
    const std::string crlf("\x07\x06\x00X\r\nY\r\n", 9), lf("\x07\x04\x00X\nY\n", 7);
    ASSERT_NE(bytes.find(crlf), std::string::npos);
    bytes.replace(bytes.find(crlf), crlf.size(), lf);
    ASSERT_EQ(bytes[4], '\x0f');
    bytes[4] = '\x10';  // sixteen fields, the last one unknown
    bytes += std::string("\x10\x02\x00zz", 5);
    std::filesystem::create_directories(Data());
    TempFolder::Write(Db(), bytes);
    Start();
    ASSERT_EQ(Events().Count(), 1);
    EXPECT_EQ(Events()[0].NotesText(), "X\r\nY\r\n");
    form->close();
    EXPECT_EQ(ReadAll(Db()), bytes);
    EXPECT_TRUE(env.messages.isEmpty());
}

TEST_F(MainFormTest, DamagedFileIsKeptBesideAndReportedOnce) {
    std::filesystem::create_directories(Data());
    const std::string damaged("\x05\x00\x00\x00\x01\x00\x00\x00\x0b\x03\x00" "abc" "\x02\x00", 16);
    TempFolder::Write(Db(), damaged);
    // The first name is taken (an earlier damaged start in the same second):
    // it keeps its bytes and the copy gets the next name.
    const auto taken = Data() / "ListToDo.db.damaged-20101011-090000";
    TempFolder::Write(taken, "older");
    RunOnce();
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_TRUE(env.messages[0].contains("повреждён"));
    EXPECT_EQ(ReadAll(taken), "older");
    const auto copy = Data() / "ListToDo.db.damaged-20101011-090000-2";
    EXPECT_TRUE(env.messages[0].contains(QString::fromStdString(copy.filename().string())));
    EXPECT_TRUE(env.messages[0].contains(QString::fromStdString(copy.string())));
    EXPECT_EQ(ReadAll(copy), damaged);
    // The record that was whole survives into the new file.
    TodoItems back;
    EXPECT_EQ(LoadFromFile(Db(), back).status, LoadReport::Status::Ok);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0].Subject, "abc");
}

// No copy can be made (every name is taken): the start says so truly, and
// neither a change nor the close writes over the damaged file.
TEST_F(MainFormTest, ADamagedFileWithoutACopyIsNeverWrittenOver) {
    std::filesystem::create_directories(Data());
    const std::string damaged("\x05\x00\x00\x00\x01\x00\x00\x00\x0b\x03\x00" "abc" "\x02\x00", 16);
    TempFolder::Write(Db(), damaged);
    const std::string name = "ListToDo.db.damaged-20101011-090000";
    TempFolder::Write(Data() / name, "older");
    for (int n = 2; n < 1000; ++n) TempFolder::Write(Data() / (name + "-" + std::to_string(n)), "older");
    Start();
    QApplication::processEvents();
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_TRUE(env.messages[0].contains("не будет перезаписан")) << env.messages[0].toStdString();
    Timer("SaveSoon")->setInterval(20);
    env.modal = [](QDialog& d) {
        dynamic_cast<TToDoEditDlg&>(d).SubjectName->setText(QStringLiteral("Новое"));
        return int(QDialog::Accepted);
    };
    ClickButton(form.get(), "SpeedButton1");
    SavesDone(*form);
    ASSERT_EQ(env.messages.size(), 2);  // the save after the change cannot go on
    EXPECT_TRUE(env.messages[1].contains("копию")) << env.messages[1].toStdString();
    form->close();
    EXPECT_EQ(ReadAll(Db()), damaged);
    EXPECT_EQ(env.questions.size(), 1);  // at close: try again, or close without saving
}

TEST_F(MainFormTest, FailedSaveIsReportedWithThePathAndRetried) {
    RunOnce();
    // A folder in the file's place makes every write fail.
    std::filesystem::remove(Db());
    std::filesystem::create_directories(Db() / "blocker");
    env.retriesWanted = 1;
    RunOnce();
    // The start says what will happen, truly: no question is promised.
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_TRUE(env.messages[0].contains("папка"));
    ASSERT_EQ(env.questions.size(), 2);  // the first answer asked to try again
    EXPECT_TRUE(env.questions[0].contains(QString::fromStdString(Db().string())));
    EXPECT_TRUE(env.questions[0].contains("папка"));
    EXPECT_TRUE(std::filesystem::is_directory(Db()));
}

// Window captions are the program's own texts, and message boxes open in the
// middle of the screen like the editor.
TEST(Application, CaptionsAndMessageBoxes) {
    SetUpApplication(*qApp);
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "dayloom");
    // With no display name of its own set, the platform appends nothing to
    // captions ("Событие", not "Событие — dayloom"): the display name
    // follows the application name.
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    SetUpApplication(*qApp);

    QWidget panel;
    panel.setGeometry(700, 500, 265, 400);
    panel.show();
    QMessageBox box(QMessageBox::Warning, {}, QStringLiteral("Текст"), QMessageBox::Ok, &panel);
    PrepareMessageBox(box);
    box.show();
    QApplication::processEvents();
    EXPECT_EQ(box.windowTitle(), "dayloom");
    const QPoint off = box.frameGeometry().center() - box.screen()->geometry().center();
    EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
}

// The file and colour choosers open in the middle of the screen like the
// program's dialogs, not beside the narrow panel they are asked from.
TEST(Application, ChoosersOpenInTheMiddleOfTheScreen) {
    Environment env;  // the real choosers
    QWidget panel;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    panel.setGeometry(area.right() - 265, area.bottom() - 545, 265, 545);
    panel.show();
    QPoint centre;
    const auto lookAndClose = [&] {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            centre = dialog->frameGeometry().center();
            dialog->reject();
        });
    };
    lookAndClose();
    EXPECT_TRUE(env.ChooseOpenFile(&panel, QStringLiteral("Импорт iCalendar"), QDir::tempPath(),
                                   QStringLiteral("iCalendar (*.ics)")).isEmpty());
    EXPECT_LE((centre - area.center()).manhattanLength(), 2) << centre.x() << "," << centre.y();
    lookAndClose();
    EXPECT_FALSE(env.ChooseColor(&panel, Qt::red));
    EXPECT_LE((centre - area.center()).manhattanLength(), 2) << centre.x() << "," << centre.y();
}

// The toolkit's own texts — the choosers, the text boxes' menus — are Russian
// like the program's, from the toolkit's translations (qt6-translations-l10n).
TEST(Application, TheToolkitSpeaksRussian) {
    QTranslator* russian = InstallToolkitTranslations(*qApp);
    ASSERT_NE(russian, nullptr) << "no Russian translations of the toolkit";
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text();
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    for (const QAbstractButton* b : files.findChildren<QAbstractButton*>())
        if (!b->text().isEmpty()) texts << b->text();
    for (const QLabel* l : files.findChildren<QLabel*>()) texts << l->text();
    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    texts << colours.windowTitle();
    for (const QLabel* l : colours.findChildren<QLabel*>()) texts << l->text();
    QCoreApplication::removeTranslator(russian);
    delete russian;
    ASSERT_GT(texts.size(), 10);
    for (const QString& t : texts) {
        QString letters = t.section(QLatin1Char('\t'), 0, 0);  // the shortcut after the tab is a key's name
        letters.remove(QRegularExpression(QStringLiteral("[^A-Za-z]|HTML")));
        EXPECT_TRUE(letters.isEmpty()) << t.toStdString();
    }
}

// A change reaches the disk shortly after it is made, not only at close:
// a kill after that loses nothing.
TEST_F(MainFormTest, ChangesAreSavedSoonAfterwards) {
    RunOnce();
    Start();
    Timer("SaveSoon")->setInterval(20);
    env.modal = [](QDialog& d) {
        auto& dlg = dynamic_cast<TToDoEditDlg&>(d);
        dlg.SubjectName->setText(QStringLiteral("Сразу"));
        return int(QDialog::Accepted);
    };
    std::filesystem::remove((Data() / "user_options"));
    for (int i = 0; i < 3; ++i) ClickButton(form.get(), "SpeedButton1");  // a burst is one save
    EXPECT_TRUE(Timer("SaveSoon")->isActive());
    SavesDone(*form);
    TodoItems saved;
    ASSERT_EQ(LoadFromFile(Db(), saved).status, LoadReport::Status::Ok);
    EXPECT_EQ(saved.Count(), 3);
    EXPECT_TRUE(std::filesystem::exists((Data() / "user_options")));  // saved with the events

    // A failing background save is told once, without waiting for the user,
    // and tried again at the next change.
    std::filesystem::remove(Db());
    std::filesystem::create_directories(Db() / "blocker");
    ClickButton(form.get(), "SpeedButton1");
    SavesDone(*form);
    ClickButton(form.get(), "SpeedButton1");
    SavesDone(*form);
    EXPECT_EQ(env.messages.size(), 1);
    std::filesystem::remove_all(Db());
    ClickButton(form.get(), "SpeedButton1");
    SavesDone(*form);
    ASSERT_EQ(LoadFromFile(Db(), saved).status, LoadReport::Status::Ok);
    EXPECT_EQ(saved.Count(), 6);
}

// Thousands of reminders due at start-up: they come up in one tick and the
// window still closes at once (each tab used to look its notes up in the
// whole store, one after another).
TEST_F(MainFormTest, ThousandsOfDueRemindersDoNotHoldTheWindow) {
    TodoItems items;
    for (int i = 0; i < 60000; ++i)
        items.Add(Event("event " + std::to_string(i),
                        i < 3000 ? At(2010, 10, 11, 0, i % 540) : Day(2006, 1, 1) + i % 1500));
    SaveEvents(items);
    QElapsedTimer clock;
    clock.start();
    Start();
    form->TimerAlertTimer();
    EXPECT_EQ(AlertWindow()->TabSetMsg->count(), 3000);
    form->TimerAlertTimer();
    form->close();
    EXPECT_LT(clock.elapsed(), 1000);
}

}  // namespace
