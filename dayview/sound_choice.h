#pragma once
// Which file the reminder sound plays, and the three things the main window
// does with its sound player: MediaBum_Play, MediaPlayNotify and cutting the
// sound off when the alert window has been closed.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "dayview/sound_player.h"

using FileExists = std::function<bool(const std::filesystem::path&)>;

// A regular file of that name exists; never throws (a folder, a bad name or
// a refused look-up all give false). The FileExists the program passes.
bool RegularFileExists(const std::filesystem::path& path);

// The platform's default reminder sound: "C:\WINDOWS\Media\ding.wav" on
// Windows, elsewhere the ding.wav shipped with the program (beside it, or in
// the installed share/dayloom).
std::filesystem::path DefaultSoundFile(const std::filesystem::path& exeDir);

struct SoundChoice {
    // The new text of EdMediaFile: the default file's path when the chosen
    // one does not exist, otherwise unchanged.
    std::string mediaFile;
    // The file to give the player; none leaves the player's file as it was.
    std::optional<std::filesystem::path> playFile;
};

// An empty EdMediaFile keeps the player's file (the last one played plays
// again). A name of a missing file is replaced by the default; the result is
// played only when it exists. The paths are UTF-8 text.
SoundChoice ChooseSoundFile(const std::string& edMediaFile, const std::filesystem::path& defaultFile,
                            const FileExists& exists);

// Plays the reminder sound: chooses the file (updating edMediaFile), sets it,
// opens the device and starts playing; at the end MediaPlayNotify closes it.
// With no file ever set, nothing plays and nothing is reported.
void MediaBum_Play(SoundPlayer& player, std::string& edMediaFile,
                   const std::filesystem::path& defaultFile, const FileExists& exists);
// The sound has played to its end: stop the device and close it.
void MediaPlayNotify(SoundPlayer& player);
// The user closed the alert window while the sound played: open, stop, close.
void CutSoundOff(SoundPlayer& player);
// The cut-off's test on the player: a file is set and the position is not 0.
bool SoundPlaying(const SoundPlayer& player);
