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
// A message in UTF-8 shows no control character: no C0 control, no DEL, no
// C1 control (U+0080..U+009F, encoded C2 80..C2 9F).
void Shown(const std::string& message) {
    for (size_t i = 0; i < message.size(); ++i) {
        const auto c = static_cast<unsigned char>(message[i]);
        const auto next = i + 1 < message.size() ? static_cast<unsigned char>(message[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F)) std::abort();
    }
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
