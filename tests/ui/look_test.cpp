// The window's look and settings across a restart: the options file and the
// theme it names, applied at start and written back at close.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>

#include "widgets/gradient_panel_widget.h"
#include "settings/theme_file.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/main_window.h"

namespace {

class LookTest : public MainWindowTest {
protected:
    const std::filesystem::path data = Data();
    void SetUp() override { std::filesystem::create_directories(data); }
    static void Write(const std::filesystem::path& file, const std::string& text) { TempFolder::Write(file, text); }
    static std::string Read(const std::filesystem::path& file) { return TempFolder::Read(file); }
};

// A theme of the design values with three slots changed.
std::string NightTheme() {
    std::vector<GridRow> rows;
    const auto& titles = ListTitleColorShem();
    const SchemeColors& design = DesignColors();
    for (int i = 0; i < kColorSlots; ++i) rows.push_back({titles[size_t(i)], ColorToString(design[size_t(i)])});
    rows[size_t(SlotIndex(ColorSlot::SelectColor))].color = "clRed";
    rows[size_t(SlotIndex(ColorSlot::ListColor))].color = "$00332211";
    rows[size_t(SlotIndex(ColorSlot::PanelMiddle))].color = "clBlack";
    rows[size_t(SlotIndex(ColorSlot::PanelFont))].color = "clYellow";
    return ThemeFileText(rows);
}

TEST_F(LookTest, StoredPlaceOptionsAndThemeComeBackAndAreWrittenBackByteForByte) {
    std::filesystem::create_directories(data / "themes");  // the user's own: nothing is installed
    Write(data / "themes" / "Night.tdt", NightTheme());
    const std::string options =
        "300\r\n400\r\n600\r\n265\r\n/tmp/bell.wav\r\nnight.tdt\r\n0\r\n17\r\n0\r\n7\r\n0\r\n";
    Write(data / "user_options", options);
    Start();
    EXPECT_EQ(form->pos(), QPoint(400, 300));
    EXPECT_EQ(form->size(), QSize(265, 600));
    EXPECT_TRUE(Calendar()->isHidden());
    EXPECT_EQ(form->CurrentOptions().BirthDayIndex, 17);
    EXPECT_FALSE(Calendar()->ShowWeeks);
    EXPECT_EQ(Calendar()->StartDay, 7);
    EXPECT_FALSE(form->Formats().SplitRemainingTime);
    EXPECT_EQ(Utf8Of(form->CurrentOptions().SoundFile), "/tmp/bell.wav");
    // Found as "night" though the file is Night.tdt; its colours are on.
    EXPECT_EQ(Calendar()->SelectColor, QColor(255, 0, 0));
    EXPECT_EQ(List()->Color, QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(Part<TGradientPanel>("Panel1")->Middle, clBlack);
    EXPECT_EQ(Part<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    ASSERT_EQ(form->ColorScheme().size(), 34u);
    EXPECT_FALSE(std::filesystem::exists(data / "themes" / "Default.tdt"));
    form->close();
    EXPECT_EQ(Read(data / "user_options"), options);
}

TEST_F(LookTest, AWindowNoScreenShowsComesBackToTheCorner) {
    Write(data / "user_options", "-5000\r\n9000\r\n600\r\n500\r\n");
    Start();
    EXPECT_EQ(form->pos(), QPoint(1280 - 265, 984 - 600));
    EXPECT_EQ(form->size(), QSize(265, 600));
}

// A height no screen has room for (2147483647 once put the caption at
// y = -31967) becomes the tallest the screens allow, and is written back so.
TEST_F(LookTest, AnEndlessHeightIsCutToTheScreen) {
    Write(data / "user_options", "100\r\n700\r\n2147483647\r\n265\r\n");
    Start();
    EXPECT_EQ(form->geometry(), QRect(700, 100, 265, 984));
    form->close();
    EXPECT_EQ(SplitLines(Read(data / "user_options"))[2], "984");
}

// Writes the window in each shipped theme, side by side, when
// DAYLOOM_SHOT_DIR names a folder (the README's picture).
TEST_F(LookTest, ScreenshotOfEveryShippedTheme) {
    const QByteArray dir = qgetenv("DAYLOOM_SHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "DAYLOOM_SHOT_DIR not set";
    env.now = At(2010, 10, 11, 11, 20);
    SaveEvents(Store({Event("Планёрка", At(2010, 10, 11, 9, 0)).Repeat("1", "4"),
                      Event("Звонок в банк", At(2010, 10, 11, 10, 0)).Done(),
                      Event("Обед с Анной", At(2010, 10, 11, 13, 0)),
                      Event("Квартальный отчёт", At(2010, 10, 8, 9, 0)).Until(At(2010, 10, 14, 18, 0)),
                      Event("~ 4 лунный день", At(2010, 10, 11, 14, 37)),
                      Event("Тренировка", At(2010, 10, 11, 19, 30)),
                      Event("Врач", At(2010, 10, 20, 9, 0))}));
    QList<QImage> shots;
    for (const char* theme : {"Default.tdt", "Dark.tdt", "Light.tdt", "Contrast.tdt"}) {
        Write(data / "user_options", std::string("439\r\n1015\r\n545\r\n265\r\n\r\n") + theme + "\r\n");
        Start();
        List()->SetItemIndex(2);
        QApplication::processEvents();
        shots << form->grab().toImage();
        form->close();
    }
    QImage all(shots.size() * 275 - 10, shots.front().height(), QImage::Format_RGB32);
    all.fill(Qt::white);
    QPainter p(&all);
    for (int i = 0; i < shots.size(); ++i) p.drawImage(i * 275, 0, shots[i]);
    p.end();
    EXPECT_TRUE(all.save(QString::fromLocal8Bit(dir) + "/themes.png"));
}

}  // namespace
