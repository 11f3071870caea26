#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/qt_sound_player.h"
#include "dayview/sound_choice.h"

namespace {

const std::filesystem::path kDing =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "app" / "sounds" / "ding.wav";

void SpinFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// With or without a sound device (the test machines have none), playing the
// bell and cutting it off returns at once and never crashes; without a
// device nothing plays at all.
TEST(QtSoundPlayer, PlaysTheBellOrQuietlyDoesNothing) {
    ASSERT_TRUE(std::filesystem::is_regular_file(kDing)) << kDing;
    const bool device = !QMediaDevices::audioOutputs().isEmpty();
    QtSoundPlayer p;
    std::string ed = kDing.string();
    int ends = 0;
    QElapsedTimer t;
    t.start();
    MediaBum_Play(p, ed, "/nonexistent/ding.wav", RegularFileExists);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_EQ(ed, kDing.string());
    EXPECT_TRUE(p.HasFile());
    EXPECT_EQ(p.IsOpen(), device);
    if (!device) {
        EXPECT_FALSE(SoundPlaying(p));
    }

    // Played through to its end (0.6 s), the notice closes the device.
    if (device) {
        p.Play([&] { ++ends; MediaPlayNotify(p); });
        QElapsedTimer wait;
        wait.start();
        while (ends == 0 && wait.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 20);
        SpinFor(100);
        EXPECT_EQ(ends, 1);
        EXPECT_FALSE(p.IsOpen());
    }
    t.restart();
    MediaBum_Play(p, ed, "/nonexistent/ding.wav", RegularFileExists);
    CutSoundOff(p);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_FALSE(p.IsOpen());
    EXPECT_EQ(p.Position(), 0);
    SpinFor(200);
}

// No file, a missing one, one that is no sound: nothing plays, and a failed
// sound must not hold the window.
TEST(QtSoundPlayer, NoFileAMissingOneOrNoSoundIsHarmless) {
    QtSoundPlayer p;
    EXPECT_FALSE(p.Open());
    p.Play([] { FAIL() << "nothing was playing"; });
    p.SetFile("/nonexistent/dayloom/gone.wav");
    EXPECT_TRUE(p.HasFile());
    EXPECT_FALSE(p.Open());

    QTemporaryDir tmp;
    const std::filesystem::path bad = std::filesystem::path(tmp.path().toStdU16String()) / "not_a_sound.wav";
    std::ofstream(bad) << "this is not audio";
    p.SetFile(bad);
    if (p.Open()) p.Play([] { FAIL() << "no sound to end"; });
    SpinFor(300);
    QElapsedTimer t;
    t.start();
    p.Stop();
    p.Close();
    EXPECT_LT(t.elapsed(), 300);
    EXPECT_EQ(p.Position(), 0);
}

}  // namespace
