// iCalendar files on any bytes: every run ends in events or a named fault
// whose message shows no control character, the same when read a few bytes
// at a time; the events it gives are added once, and written out they read
// back as many.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "events/foreign_event.h"
#include "import/ics.h"
#include "import/import_batch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const IcsZone zone = FixedZone("Etc/GMT-3", 3 * 3600);
    SetClockZone(zone);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IcsRun run = ReadICalendar(bytes, zone);
    // Blocks of 1 to 8 bytes cut every line break, fold and character somewhere.
    const IcsRun inBlocks = ReadICalendar(bytes, zone, 1 + size % 8);
    if (inBlocks.ok != run.ok || inBlocks.Message != run.Message || inBlocks.Events.size() != run.Events.size() ||
        inBlocks.Skipped.size() != run.Skipped.size() || inBlocks.Undated != run.Undated ||
        inBlocks.Repeated != run.Repeated)
        std::abort();
    for (size_t i = 0; i < run.Events.size(); ++i) {
        const TTodoItem &a = run.Events[i], &b = inBlocks.Events[i];
        const TForeignEvent *fa = a.Foreign(), *fb = b.Foreign();
        if (a.Subject != b.Subject || a.CreationDate != b.CreationDate || a.DueDate != b.DueDate ||
            a.CompletionDate != b.CompletionDate || a.Complete != b.Complete || a.ImageIndex != b.ImageIndex ||
            a.NotesText() != b.NotesText() || !fa != !fb || (fa && fa->Text() != fb->Text()))
            std::abort();
    }
    for (size_t i = 0; i < run.Skipped.size(); ++i)
        if (SkippedText(inBlocks.Skipped[i]) != SkippedText(run.Skipped[i])) std::abort();
    if (!run.ok) {
        if (run.Message.empty()) std::abort();
        // What the message quotes of the file holds no control character.
        for (size_t i = 0; i < run.Message.size(); ++i) {
            const auto c = static_cast<unsigned char>(run.Message[i]);
            const auto next = i + 1 < run.Message.size() ? static_cast<unsigned char>(run.Message[i + 1]) : 0;
            if (c < 0x20 || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F)) std::abort();
        }
        return 0;
    }
    TodoItems store;
    const ChangeSummary added = MergeImport(store, BatchOf(IcsRun(run)));
    if (MergeImport(store, BatchOf(IcsRun(run))).Added != 0) std::abort();
    IcsExportOptions options;
    options.Zone = zone;
    const IcsRun back = ReadICalendar(WriteICalendar(store, options).Text, zone);
    if (!back.ok || static_cast<int>(back.Events.size()) != added.Added) std::abort();
    return 0;
}
