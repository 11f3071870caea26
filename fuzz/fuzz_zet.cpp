// ZET journals and pasted text on any bytes: every run ends in events or a
// named bad line whose message shows no control character, and adding its
// events twice adds nothing the second time.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import/import_batch.h"
#include "import/zet_import.h"
#include "import/zet_text.h"

namespace {
// A message in Windows-1251: no C0 control, no DEL, and not 0x98, the code
// page's one C1 control.
void Shown(const std::string& message) {
    for (const char ch : message)
        if (const auto c = static_cast<unsigned char>(ch); c < 0x20 || c == 0x7F || c == 0x98) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ZetFile file = ZetTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!file.ok) {
        Shown(file.Error);
        return 0;
    }
    ZetImportOptions options;
    options.Months = MonthChoice::All();
    options.Now = EncodeDateTime(2010, 10, 11, 9, 0);
    const ZetRun runs[] = {ImportZetJournal(file.Lines, options),
                           ImportPastedZetText(file.Lines, ZetPastedKind::MoonAspects, options),
                           ImportPastedZetText(file.Lines, ZetPastedKind::VoidOfCourse, options)};
    for (const ZetRun& run : runs) {
        if (!run.ok()) {
            if (run.Message.empty()) std::abort();
            Shown(run.Message);
            continue;
        }
        TodoItems store;
        MergeImport(store, BatchOf(run.Events));
        if (MergeImport(store, BatchOf(run.Events)).Added != 0) std::abort();
    }
    return 0;
}
