#pragma once
// The reminder sound on Qt Multimedia: a QMediaPlayer with a QAudioOutput,
// made on the first Open, so a run that never reminds never starts the media
// back end. Plays whatever the back end decodes (WAV, MP3, ...).
//
// Without an audio output device (a server with no sound, a test on the
// offscreen platform) Open fails and nothing plays; no call ever blocks,
// throws or reports anything to the user.
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>

#include "dayview/sound_player.h"

class QAudioOutput;
class QMediaPlayer;

class QtSoundPlayer : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer&) = delete;
    QtSoundPlayer& operator=(const QtSoundPlayer&) = delete;

    void SetFile(const std::filesystem::path& path) override;
    bool HasFile() const override;
    bool Open() override;
    void Play(std::function<void()> onEnd) override;
    void Stop() override;
    void Close() override;
    int64_t Position() const override;

    // The device is open on the set file.
    bool IsOpen() const { return open_; }

private:
    bool EnsurePlayer();

    QString file_;
    bool open_ = false;
    std::function<void()> onEnd_;
    unsigned generation_ = 0;  // counts Play, Stop and Close
    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QAudioOutput> output_;
};
