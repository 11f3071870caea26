// ZET journals and pasted text on any bytes: every run ends in events or a
// named bad line, and adding its events twice adds nothing the second time.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "import/zet_import.h"
#include "import/zet_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ZetFile file = ZetTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!file.ok) return 0;
    ZetImportOptions options;
    options.Months = MonthChoice::All();
    options.Now = EncodeDateTime(2010, 10, 11, 9, 0);
    const ZetRun runs[] = {ImportZetJournal(file.Lines, options),
                           ImportPastedZetText(file.Lines, ZetPastedKind::MoonAspects, options),
                           ImportPastedZetText(file.Lines, ZetPastedKind::VoidOfCourse, options)};
    for (const ZetRun& run : runs) {
        if (!run.ok()) {
            if (run.Message.empty()) std::abort();
            continue;
        }
        TodoItems store;
        AddImportedEvents(store, run.Events);
        if (AddImportedEvents(store, run.Events).Added != 0) std::abort();
    }
    return 0;
}
