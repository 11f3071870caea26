// The options file and theme files on any bytes: settings always in range,
// the options written back read the same, a theme applies or stops cleanly.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/color_scheme.h"
#include "settings/theme_file.h"
#include "settings/user_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const UserOptions defaults = DefaultOptions("/opt/dayloom", DefaultPlacement({0, 0, 1280, 984}, 1280));
    const UserOptions o = ReadOptions(text, defaults);
    if (o.BirthDayIndex < 0 || o.BirthDayIndex > 31 || o.WeekStartDay < 1 || o.WeekStartDay > 7) std::abort();
    const std::string written = OptionsFileText(o, defaults.SoundFile);
    if (!(ReadOptions(written, defaults) == ReadOptions(OptionsFileText(ReadOptions(written, defaults), defaults.SoundFile), defaults)))
        std::abort();
    const AppliedScheme applied = SetColorShema(ThemeValues(text));
    if (applied.applied < 0 || applied.applied > kWidgetSlots) std::abort();
    return 0;
}
