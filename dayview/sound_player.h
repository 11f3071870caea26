#pragma once
// The reminder sound's player as the program sees it: the few commands of a
// media device (set a file, open, play with an end notice, stop, close, ask
// the position). The real one plays through Qt Multimedia (app/qt_sound_player.h);
// tests pass a recording fake.
#include <cstdint>
#include <filesystem>
#include <functional>

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Makes `path` the file the next Open plays. Does not open it.
    virtual void SetFile(const std::filesystem::path& path) = 0;
    // A file has been set (it stays set after Close).
    virtual bool HasFile() const = 0;
    // Opens the device on the set file; false when there is none or it
    // cannot be opened. Opening an open device is harmless.
    virtual bool Open() = 0;
    // Starts playing from the beginning and returns at once. `onEnd` is
    // called later, once, on the same thread, when the sound has played to
    // its end; never when it is stopped, replaced or fails. Does nothing on
    // a device that is not open.
    virtual void Play(std::function<void()> onEnd) = 0;
    virtual void Stop() = 0;
    // Closes the device; the position is 0 afterwards.
    virtual void Close() = 0;
    // Position of the playing sound in milliseconds; 0 when closed.
    virtual int64_t Position() const = 0;
};
