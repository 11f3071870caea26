#include "app/qt_sound_player.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

namespace {

// On Linux this Qt defaults to its GStreamer back end, which needs extra
// plugin packages for WAV and MP3 and, after a file it cannot decode, holds
// the UI thread for a second in every stop. The FFmpeg back end decodes both
// itself and never waits. It has to be chosen before Qt Multimedia is first
// used; a QT_MEDIA_BACKEND set by the user wins.
void PreferFfmpegBackend() {
#ifdef Q_OS_LINUX
    static bool done = false;
    if (done) return;
    done = true;
    if (!qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) return;
    const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/multimedia"));
    if (!plugins.entryList({QStringLiteral("*ffmpegmediaplugin*")}, QDir::Files).isEmpty())
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
#endif
}

}  // namespace

QtSoundPlayer::QtSoundPlayer() { PreferFfmpegBackend(); }

QtSoundPlayer::~QtSoundPlayer() {
    onEnd_ = nullptr;
    if (player_) player_->stop();
}

void QtSoundPlayer::SetFile(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    file_ = QString::fromUtf8(reinterpret_cast<const char*>(u8.data()), static_cast<qsizetype>(u8.size()));
}

bool QtSoundPlayer::HasFile() const { return !file_.isEmpty(); }

bool QtSoundPlayer::EnsurePlayer() {
    // No output device: leave the back end alone altogether.
    if (QMediaDevices::audioOutputs().isEmpty()) return false;
    if (player_) return true;
    player_ = std::make_unique<QMediaPlayer>();
    output_ = std::make_unique<QAudioOutput>();
    player_->setAudioOutput(output_.get());
    QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, player_.get(),
                     [this](QMediaPlayer::MediaStatus status) {
                         if (status != QMediaPlayer::EndOfMedia || !onEnd_) return;
                         // Called after the back end has finished its own
                         // signal: the notice stops and closes this player.
                         QTimer::singleShot(0, player_.get(),
                                            [this, gen = generation_, end = std::move(onEnd_)] {
                                                // A sound started or stopped since
                                                // then is not this one.
                                                if (gen == generation_) end();
                                            });
                         onEnd_ = nullptr;
                     });
    // A file that cannot be decoded, or a device that goes away: nothing more
    // happens for this sound; the position falls back to 0 on Close.
    QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, player_.get(),
                     [this](QMediaPlayer::Error, const QString&) { onEnd_ = nullptr; });
    return true;
}

bool QtSoundPlayer::Open() {
    if (file_.isEmpty() || !QFileInfo(file_).isFile()) return false;
    if (!EnsurePlayer()) return false;
    const QUrl url = QUrl::fromLocalFile(file_);
    if (!open_ || player_->source() != url) player_->setSource(url);
    open_ = true;
    return true;
}

void QtSoundPlayer::Play(std::function<void()> onEnd) {
    if (!open_ || !player_) return;
    ++generation_;
    onEnd_ = std::move(onEnd);
    player_->setPosition(0);
    player_->play();
}

void QtSoundPlayer::Stop() {
    ++generation_;
    onEnd_ = nullptr;
    // After a failure the back end can hang for a second in stop(); there
    // is nothing playing to stop then.
    if (player_ && player_->error() == QMediaPlayer::NoError) player_->stop();
}

void QtSoundPlayer::Close() {
    ++generation_;
    onEnd_ = nullptr;
    if (player_) {
        if (player_->error() == QMediaPlayer::NoError) player_->stop();
        player_->setSource(QUrl());
    }
    open_ = false;
}

int64_t QtSoundPlayer::Position() const {
    if (!open_ || !player_) return 0;
    return player_->position();
}
