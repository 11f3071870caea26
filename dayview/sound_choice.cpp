#include "dayview/sound_choice.h"

#include <system_error>

#include "events/data_folder.h"

std::filesystem::path DefaultSoundFile(const std::filesystem::path& exeDir) {
#ifdef _WIN32
    (void)exeDir;
    return std::filesystem::path("C:\\WINDOWS\\Media\\ding.wav");
#else
    return FindShippedFile(exeDir, "ding.wav");
#endif
}

SoundChoice ChooseSoundFile(const std::string& edMediaFile, const std::filesystem::path& defaultFile,
                            const FileExists& exists) {
    SoundChoice c{edMediaFile, std::nullopt};
    if (edMediaFile.empty()) return c;
    auto present = [&](const std::filesystem::path& p) { return exists && exists(p); };
    const std::u8string u8(edMediaFile.begin(), edMediaFile.end());
    std::filesystem::path file(u8);
    if (!present(file)) {
        file = defaultFile;
        const std::u8string d = defaultFile.u8string();
        c.mediaFile.assign(d.begin(), d.end());
    }
    if (present(file)) c.playFile = file;
    return c;
}

void MediaBum_Play(SoundPlayer& player, std::string& edMediaFile,
                   const std::filesystem::path& defaultFile, const FileExists& exists) {
    const SoundChoice c = ChooseSoundFile(edMediaFile, defaultFile, exists);
    edMediaFile = c.mediaFile;
    if (c.playFile) player.SetFile(*c.playFile);
    if (!player.HasFile() || !player.Open()) return;
    player.Play([&player] { MediaPlayNotify(player); });
}

void MediaPlayNotify(SoundPlayer& player) {
    player.Stop();
    player.Close();
}

void CutSoundOff(SoundPlayer& player) {
    player.Open();
    player.Stop();
    player.Close();
}

bool SoundPlaying(const SoundPlayer& player) {
    return player.HasFile() && player.Position() != 0;
}

bool RegularFileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}
