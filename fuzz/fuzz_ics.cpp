// iCalendar files on any bytes: every run ends in events or a named fault;
// the events it gives are added once, and written out they read back as many.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "import/ics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const IcsZone zone = FixedZone("Etc/GMT-3", 3 * 3600);
    const IcsRun run = ReadICalendar(std::string_view(reinterpret_cast<const char*>(data), size), zone);
    if (!run.ok) {
        if (run.Message.empty()) std::abort();
        return 0;
    }
    TodoItems store;
    const IcsAdded added = AddICalendarEvents(store, run);
    if (AddICalendarEvents(store, run).Added != 0) std::abort();
    IcsExportOptions options;
    options.Zone = zone;
    const IcsRun back = ReadICalendar(WriteICalendar(store, options).Text, zone);
    if (!back.ok || static_cast<int>(back.Events.size()) != added.Added) std::abort();
    return 0;
}
