// The preferences dialog on the real main window, played through its
// controls: the settings it takes on acceptance and leaves on cancel, the
// theme editor and its names, and the start-up entry in a folder of the test.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "widgets/gradient_panel_widget.h"
#include "events/safe_file.h"
#include "settings/autostart.h"
#include "settings/color_dlg.h"
#include "settings/theme_file.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/main_window.h"

namespace fs = std::filesystem;

namespace {

class PreferencesTest : public MainWindowTest {
protected:
    PreferencesTest() { env.startUp = env.dir / u8"автозагрузка"; }
    // Opens the dialog with the button (or the menu item "Preferences"), lets
    // `play` act in it, then presses "Принять" or "Отмена".
    void Open(const std::function<void(TColorDlg&)>& play, bool accept = true, const char* from = "sbPreferences") {
        env.modal = [&](QDialog& d) {
            auto& dlg = dynamic_cast<TColorDlg&>(d);
            play(dlg);
            ClickButton(&dlg, accept ? "OKBtn" : "CancelBtn");
            return dlg.result();
        };
        if (QString::fromLatin1(from) == "Preferences") Trigger(form.get(), "Preferences");
        else ClickButton(form.get(), from);
        QApplication::processEvents();
    }
    void Cancel(const std::function<void(TColorDlg&)>& play) { Open(play, false); }
    static void Paste(TColorDlg& dlg, const QString& text) {
        QApplication::clipboard()->setText(text);
        QLineEdit* edit = dlg.ComboShem->lineEdit();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
    static void ClickGridRow(TColorDlg& dlg, int row) {
        QTableWidget* grid = dlg.GridColor;
        grid->scrollToItem(grid->item(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, 0)).center());
    }
    static void AcceptColor(TColorDlg& dlg, const QString& typed) {
        dlg.edSelColor->clear();
        Type(dlg.edSelColor, typed);
        ClickButton(&dlg, "BitBtn1");
    }
    static QString Cell(TColorDlg& dlg, int row) { return dlg.GridColor->item(row, 1)->text(); }
    fs::path Link() const { return *env.startUp / StartUpLinkName(); }
};

constexpr int kSelectColorRow = 14;  // SelectColor, slot 15

// The theme editor opens and closes moving the dialog by its height, and is
// closed again at the next opening; accepting unchanged changes nothing.
TEST_F(PreferencesTest, OpeningTwiceChangesNothingAndTheEditorIsClosedEachTime) {
    Start();
    const UserOptions before = form->CurrentOptions();
    const SchemeColors colors = form->WidgetColorValues();
    for (const char* from : {"sbPreferences", "Preferences"}) {
        Open(
            [&](TColorDlg& dlg) {
                EXPECT_TRUE(dlg.Panel3->isHidden()) << from;
                EXPECT_EQ(dlg.ComboShem->currentText(), "Default");
                const QPoint at = dlg.pos();
                ClickButton(&dlg, "BitBtn2");
                EXPECT_FALSE(dlg.Panel3->isHidden());
                EXPECT_EQ(dlg.pos(), at - QPoint(0, 113));
                ClickButton(&dlg, "BitBtn2");
                EXPECT_EQ(dlg.pos(), at);
                ClickButton(&dlg, "BitBtn2");  // left open for the next time
            },
            true, from);
        EXPECT_EQ(form->CurrentOptions(), before) << from;
        EXPECT_EQ(form->WidgetColorValues(), colors);
        EXPECT_EQ(form->CurrentOptions().CurrentThemeFile, "Default.tdt");
        EXPECT_EQ(form->ColorScheme(), FullListColorShem(colors));
    }
    EXPECT_FALSE(fs::exists(Link()));
    EXPECT_TRUE(env.messages.isEmpty());
}

TEST_F(PreferencesTest, CancelRestoresTheColoursTheWindowHad) {
    Start();
    const QColor select = Calendar()->SelectColor;
    const TColor panel = Part<TGradientPanel>("Panel1")->Middle;
    const std::string sound = Utf8Of(form->CurrentOptions().SoundFile);
    env.filesToChoose << QStringLiteral("/snd/a.wav");
    Cancel([&](TColorDlg& dlg) {
        ClickButton(&dlg, "BitBtnAlertFile");
        Retype(dlg.ComboShem->lineEdit(), "Dark");  // loads and previews on the way
        EXPECT_NE(Calendar()->SelectColor, select);
        ClickButton(&dlg, "BitBtn2");
        ClickGridRow(dlg, kSelectColorRow);
        AcceptColor(dlg, "clLime");
        EXPECT_EQ(Calendar()->SelectColor, QColor(0, 255, 0));
    });
    EXPECT_EQ(Calendar()->SelectColor, select);
    EXPECT_EQ(Part<TGradientPanel>("Panel1")->Middle, panel);
    EXPECT_EQ(form->CurrentOptions().CurrentThemeFile, "Default.tdt");
    EXPECT_EQ(Utf8Of(form->CurrentOptions().SoundFile), sound);
    EXPECT_TRUE(env.messages.isEmpty());
}

TEST_F(PreferencesTest, HtmlColourIsTakenAsBlueGreenRed) {
    Start();
    Open([&](TColorDlg& dlg) {
        ClickButton(&dlg, "BitBtn2");
        ClickGridRow(dlg, kSelectColorRow);
        EXPECT_EQ(dlg.edSelColor->text(), "$00FFD06F");  // the row's colour string
        for (const char* typed : {"#FF8000", "  # FF8000 "}) {
            AcceptColor(dlg, typed);
            EXPECT_EQ(Cell(dlg, kSelectColorRow), "$000080FF") << typed;
            EXPECT_EQ(Calendar()->SelectColor, QColor(255, 128, 0));
        }
        EXPECT_TRUE(env.messages.isEmpty());
        AcceptColor(dlg, "#FF80");
        EXPECT_EQ(Cell(dlg, kSelectColorRow), "#FF80");
        EXPECT_EQ(env.messages, QStringList({ErrorFormatText()}));
        AcceptColor(dlg, "#FF8000");
    });
    EXPECT_EQ(form->ColorScheme()[kSelectColorRow], "$000080FF");
    EXPECT_EQ(Calendar()->SelectColor, QColor(255, 128, 0));
}

TEST_F(PreferencesTest, ListedNameInOtherLetterCaseIsTakenAsTyped) {
    Start();
    Open([&](TColorDlg& dlg) { Retype(dlg.ComboShem->lineEdit(), "dARK"); });
    EXPECT_EQ(form->CurrentOptions().CurrentThemeFile, "dARK.tdt");
    std::vector<std::string> dark;
    ASSERT_TRUE(ReadThemeValues(ThemesDir(Data()) / "Dark.tdt", dark));
    EXPECT_EQ(form->ColorScheme(), dark);

    // A name that is not listed changes no setting; its preview stays for this run.
    const QColor previewed = Calendar()->SelectColor;
    Open([&](TColorDlg& dlg) {
        Retype(dlg.ComboShem->lineEdit(), "Новая");
        ClickButton(&dlg, "BitBtn2");
        ClickGridRow(dlg, kSelectColorRow);
        AcceptColor(dlg, "clRed");
    });
    EXPECT_EQ(form->CurrentOptions().CurrentThemeFile, "dARK.tdt");
    EXPECT_EQ(form->ColorScheme(), dark);
    EXPECT_NE(Calendar()->SelectColor, previewed);
}

TEST_F(PreferencesTest, ThemeNamesTypedOrPastedStaySafe) {
    Start();
    // A theme whose file name has a blank, put there by hand: never listed or loaded.
    std::vector<std::string> list;
    std::vector<GridRow> rows = PreViewColorShema(list, DesignColors());
    rows[kSelectColorRow].color = "clRed";
    ASSERT_TRUE(WriteFileAtomically(ThemesDir(Data()) / "My theme.tdt", ThemeFileText(rows)).ok);
    Cancel([&](TColorDlg& dlg) {
        // Typed into the box, where the keys go: what a name may not hold
        // never gets in, and Ё is a letter like the others.
        dlg.ComboShem->setFocus();
        Retype(dlg.ComboShem, "Ab c.d/e\\Жж!Ёё");
        EXPECT_EQ(dlg.ComboShem->currentText(), "AbcdeЖжЁё");
        QTest::keyClick(dlg.ComboShem, Qt::Key_Backspace);
        EXPECT_EQ(dlg.ComboShem->currentText(), "AbcdeЖжЁ");
        EXPECT_EQ(dlg.ComboShem->findText("My theme"), -1);

        // Pasted text loses the same characters.
        ClickButton(&dlg, "BitBtn2");
        const std::pair<const char*, const char*> pasted[] = {{"My theme", "Mytheme"}, {"../x", "x"}, {"a.b\t", "ab"}};
        for (const auto& [text, kept] : pasted) {
            Paste(dlg, text);
            EXPECT_EQ(dlg.ComboShem->currentText(), kept);
        }
        EXPECT_EQ(Cell(dlg, kSelectColorRow), "$00FFD06F");  // "My theme" was never loaded
        Retype(dlg.ComboShem, "lpt1");  // typed letter by letter, yet a device
        ClickButton(&dlg, "BtnSaveShem");
        ASSERT_EQ(env.messages.size(), 1);
        EXPECT_TRUE(env.messages[0].contains("систем"));
        EXPECT_EQ(env.messages[0], dlg.BtnSaveShem->toolTip());
        Retype(dlg.ComboShem, "Ёлка");
        ClickButton(&dlg, "BtnSaveShem");
        EXPECT_EQ(env.messages.size(), 1);
    });
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(env.dir)) files.push_back(e.path().filename().string());
    for (const char* never : {"x.tdt", "ab.tdt", "lpt1.tdt", "Mytheme.tdt"})
        EXPECT_EQ(std::count(files.begin(), files.end(), never), 0) << never;
    EXPECT_EQ(std::count(files.begin(), files.end(), "Ёлка.tdt"), 1);
}

TEST_F(PreferencesTest, SavingATheme) {
    Start();
    // The next write fails as on a full disk: the save says so.
    BlockNextSafeWrite(ThemesDir(Data()) / "Blocked.tdt");
    Cancel([&](TColorDlg& dlg) {
        ClickButton(&dlg, "BitBtn2");
        Retype(dlg.ComboShem->lineEdit(), "");
        ClickButton(&dlg, "BtnSaveShem");
        Retype(dlg.ComboShem->lineEdit(), "Blocked");
        ClickButton(&dlg, "BtnSaveShem");
        ASSERT_EQ(env.messages.size(), 2);
        EXPECT_EQ(env.messages[0], "Введите имя цветовой схемы!");
        EXPECT_TRUE(env.messages[1].startsWith("Не удалось сохранить тему «Blocked»:\n")) << env.messages[1].toStdString();
        EXPECT_EQ(dlg.ComboShem->findText("Blocked"), -1);

        ClickGridRow(dlg, kSelectColorRow);
        AcceptColor(dlg, "clRed");
        Retype(dlg.ComboShem->lineEdit(), "Моя");
        ClickButton(&dlg, "BtnSaveShem");
        EXPECT_TRUE(env.questions.isEmpty());  // a new name asks nothing
        const int items = dlg.ComboShem->count();
        env.answers << true;
        Retype(dlg.ComboShem->lineEdit(), "МОЯ");
        ClickButton(&dlg, "BtnSaveShem");
        EXPECT_EQ(env.questions, QStringList({"Тема «Моя» уже есть. Заменить её?"}));
        EXPECT_EQ(dlg.ComboShem->count(), items);  // no second item
        EXPECT_EQ(env.messages.size(), 2);
    });
    EXPECT_EQ(ThemeValues(TempFolder::Read(ThemesDir(Data()) / fs::path(u8"Моя.tdt")))[kSelectColorRow], "clRed");
    EXPECT_EQ(std::distance(fs::directory_iterator(ThemesDir(Data())), fs::directory_iterator()), 5);
}

// A shipped theme's name in other letter case once replaced it unasked.
TEST_F(PreferencesTest, ReplacingAThemeAsksFirstAndTheShippedOnesComeBack) {
    Start();
    const fs::path dark = ThemesDir(Data()) / "Dark.tdt";
    const std::string shipped = TempFolder::Read(dark);
    Cancel([&](TColorDlg& dlg) {
        ClickButton(&dlg, "BitBtn2");
        ClickGridRow(dlg, kSelectColorRow);
        AcceptColor(dlg, "clRed");
        Retype(dlg.ComboShem->lineEdit(), "dark");  // loads Dark; the colour goes red again
        ClickGridRow(dlg, kSelectColorRow);
        AcceptColor(dlg, "clRed");
        ClickButton(&dlg, "BtnSaveShem");  // asked, and cancelled
        EXPECT_EQ(env.questions, QStringList({"Тема «Dark» уже есть. Заменить её?"}));
        EXPECT_EQ(TempFolder::Read(dark), shipped);
        env.answers << true;
        ClickButton(&dlg, "BtnSaveShem");
        EXPECT_NE(TempFolder::Read(dark), shipped);

        // Brought back on request, after saying which.
        ClickButton(&dlg, "BtnRestoreThemes");  // cancelled
        ASSERT_EQ(env.questions.size(), 3);
        EXPECT_TRUE(env.questions[2].contains(": Dark.")) << env.questions[2].toStdString();
        EXPECT_NE(TempFolder::Read(dark), shipped);
        env.answers << true;
        ClickButton(&dlg, "BtnRestoreThemes");
        EXPECT_EQ(TempFolder::Read(dark), shipped);
        EXPECT_NE(Cell(dlg, kSelectColorRow), "clRed");  // the box's "dark" shows Dark as shipped
        ClickButton(&dlg, "BtnRestoreThemes");  // nothing left to bring back
        EXPECT_EQ(env.questions.size(), 4);
        EXPECT_EQ(env.infos.size(), 1);
    });
    EXPECT_TRUE(env.messages.isEmpty());
}

TEST_F(PreferencesTest, OneBadColourDoesNotDropTheOtherSettings) {
    Start();
    const SchemeColors colors = form->WidgetColorValues();
    const QString sound = QString::fromStdString(Utf8Of(form->CurrentOptions().SoundFile));
    env.filesToChoose << QString() << QStringLiteral("/music/звонок.ogg");
    Open([&](TColorDlg& dlg) {
        ClickButton(&dlg, "BitBtn2");
        ClickGridRow(dlg, 0);
        AcceptColor(dlg, "xyz");
        ClickButton(&dlg, "BitBtnAlertFile");  // the chooser cancelled
        EXPECT_EQ(dlg.edAlertFile->text(), sound);
        ClickButton(&dlg, "BitBtnAlertFile");
        ClickButton(&dlg, "chbShowNumWeeks");
        ClickButton(&dlg, "chbStartDay");
        ClickButton(&dlg, "cbBigLastTime");
        EXPECT_EQ(dlg.ComboShem->currentText(), "Default");
    });
    EXPECT_EQ(env.messages, QStringList({ErrorFormatText(), ErrorFormatText()}));
    EXPECT_EQ(form->CurrentOptions().CurrentThemeFile, "Default.tdt");
    EXPECT_EQ(form->ColorScheme(), FullListColorShem(colors));
    EXPECT_EQ(form->WidgetColorValues(), colors);  // the preview is undone
    EXPECT_EQ(Utf8Of(form->CurrentOptions().SoundFile), "/music/звонок.ogg");
    EXPECT_FALSE(form->CurrentOptions().ShowWeekNumbers);
    EXPECT_FALSE(Calendar()->ShowWeeks);
    EXPECT_EQ(form->CurrentOptions().WeekStartDay, 7);
    EXPECT_FALSE(form->Formats().SplitRemainingTime);
}

TEST_F(PreferencesTest, WeekStartRoundTrip) {
    fs::create_directories(Data());
    ASSERT_TRUE(WriteFileAtomically(Data() / "user_options", "439\r\n1015\r\n545\r\n265\r\n\r\nDefault.tdt\r\n1\r\n0\r\n1\r\n7\r\n1\r\n").ok);
    Start();
    ASSERT_EQ(Calendar()->StartDay, 7);
    Open([&](TColorDlg& dlg) {
        EXPECT_TRUE(dlg.chbStartDay->isChecked());
        ClickButton(&dlg, "chbStartDay");
    });
    EXPECT_EQ(form->CurrentOptions().WeekStartDay, 1);
    EXPECT_EQ(Calendar()->StartDay, 1);
    Open([&](TColorDlg& dlg) {
        EXPECT_FALSE(dlg.chbStartDay->isChecked());
        ClickButton(&dlg, "chbStartDay");
    });
    EXPECT_EQ(Calendar()->StartDay, 7);
    form->close();
    EXPECT_EQ(SplitLines(TempFolder::Read(Data() / "user_options"))[9], "7");
}

TEST_F(PreferencesTest, GridSwatchesHintsAndTheColourChoosers) {
    Start();
    Cancel([&](TColorDlg& dlg) {
        ClickButton(&dlg, "BitBtn2");
        QTableWidget* grid = dlg.GridColor;
        // A bad text stays unfilled; the row after it is still painted.
        ClickGridRow(dlg, 1);
        AcceptColor(dlg, "xyz");
        ClickGridRow(dlg, 2);
        AcceptColor(dlg, "clRed");
        QApplication::processEvents();
        const QImage shot = grid->viewport()->grab().toImage();
        auto swatch = [&](int row) {
            const QRect r = grid->visualItemRect(grid->item(row, 1));
            return shot.pixel(r.right() - 3, r.center().y());  // clear of a text's letters
        };
        EXPECT_TRUE(Near(swatch(2), QColor(255, 0, 0)));
        EXPECT_TRUE(Near(swatch(0), QColor(0, 0, 0)));  // clBlack
        EXPECT_FALSE(Near(swatch(1), QColor(0, 0, 0)));

        // The bad row reports; its colour chooser does not open.
        ClickGridRow(dlg, 1);
        EXPECT_EQ(env.messages.back(), ErrorFormatText());
        // The colour chooser opens on the row's colour; the choice is written.
        env.colorsToChoose << QColor(0, 128, 255);
        // A double click as the system delivers it: click, press, double click, release.
        ClickGridRow(dlg, kSelectColorRow);
        const QRect sel = grid->visualItemRect(grid->item(kSelectColorRow, 1));
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, sel.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, sel.center());
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, sel.center());
        ASSERT_EQ(env.colorDialogs.size(), 1);
        EXPECT_EQ(env.colorDialogs[0], QColor(0x6F, 0xD0, 0xFF));
        EXPECT_EQ(Cell(dlg, kSelectColorRow), "$00FF8000");
        EXPECT_EQ(dlg.edSelColor->text(), "$00FF8000");
        EXPECT_EQ(dlg.ColorBox1->currentText(), "Другой…");

        // The named list: a click on a slot selects its colour there.
        ClickGridRow(dlg, 0);
        EXPECT_EQ(dlg.ColorBox1->currentText(), "Чёрный");
        Choose(dlg.ColorBox1, 9);
        EXPECT_EQ(dlg.ColorBox1->currentText(), "Красный");
        EXPECT_EQ(dlg.edSelColor->text(), "clRed");
        dlg.edSelColor->clear();
        ClickButton(&dlg, "BitBtn1");  // an empty box takes the list's colour
        EXPECT_EQ(Cell(dlg, 0), "clRed");
    });
}

TEST_F(PreferencesTest, AutostartCreatedAndRemovedInATemporaryFolder) {
    Start();
    Cancel([&](TColorDlg& dlg) {
        EXPECT_FALSE(dlg.CheckStart->isChecked());
        ClickButton(&dlg, "CheckStart");
        EXPECT_TRUE(dlg.CheckStart->isChecked());
    });  // takes effect whether accepted or not
    EXPECT_EQ(TempFolder::Read(Link()), AutostartDesktopEntry(env.dir / "dayloom"));

    // An entry that starts another copy (another folder), or nothing that
    // can be read, is not this program's: the box shows it clear and opening
    // writes nothing; checking the box makes the entry start this program.
    for (const std::string& other : {AutostartDesktopEntry(env.dir / "other" / "dayloom"), std::string("kept")}) {
        ASSERT_TRUE(WriteFileAtomically(Link(), other).ok);
        Cancel([&](TColorDlg& dlg) {
            EXPECT_FALSE(dlg.CheckStart->isChecked());
            EXPECT_EQ(TempFolder::Read(Link()), other);
            ClickButton(&dlg, "CheckStart");
            EXPECT_TRUE(dlg.CheckStart->isChecked());
        });
        EXPECT_EQ(TempFolder::Read(Link()), AutostartDesktopEntry(env.dir / "dayloom"));
    }
    // This program's own entry shows checked; clearing the box removes it.
    Cancel([&](TColorDlg& dlg) {
        EXPECT_TRUE(dlg.CheckStart->isChecked());
        ClickButton(&dlg, "CheckStart");
        EXPECT_FALSE(fs::exists(Link()));
    });
    EXPECT_FALSE(fs::exists(Link()));
    Open([&](TColorDlg& dlg) { EXPECT_FALSE(dlg.CheckStart->isChecked()); });
    EXPECT_FALSE(fs::exists(Link()));
    EXPECT_TRUE(env.messages.isEmpty());
}

TEST_F(PreferencesTest, AutostartFailuresAreToldAndTheBoxShowsTheDisk) {
    // Clicks the box once and returns what the dialog and the messages tell.
    auto click = [&](bool checked) {
        env.messages.clear();
        Open([&](TColorDlg& dlg) {
            ClickButton(&dlg, "CheckStart");
            EXPECT_EQ(dlg.CheckStart->isChecked(), checked);
        });
        EXPECT_EQ(env.messages.size(), 1);
        return env.messages.value(0);
    };
    // No start-up folder known: nothing is written anywhere.
    env.startUp.reset();
    Start();
    EXPECT_TRUE(click(false).contains("автозагрузки"));
    for (const auto& e : fs::recursive_directory_iterator(env.dir))
        EXPECT_NE(e.path().filename(), StartUpLinkName()) << e.path();
    EXPECT_FALSE(fs::exists(fs::current_path() / StartUpLinkName()));

    // The folder cannot be made (a file stands in its place).
    env.startUp = env.dir / "file";
    ASSERT_TRUE(WriteFileAtomically(*env.startUp, "x").ok);
    Restart();
    EXPECT_TRUE(click(false).contains("Не удалось добавить"));

    // A delete the system refuses.
    env.startUp = env.dir / "autostart";
    fs::create_directories(*env.startUp);
    ASSERT_TRUE(WriteFileAtomically(Link(), AutostartDesktopEntry(env.dir / "dayloom")).ok);
    env.refuseRemove = true;
    Restart();
    EXPECT_TRUE(click(true).contains("Отказано в доступе"));
    EXPECT_TRUE(fs::exists(Link()));
}

}  // namespace
