// The event file reader on any bytes: no crash, and what it takes as whole
// comes back byte for byte; what it reads at all reads the same once written.
// The scan of the same bytes from a file reports what the load reports and
// takes, of the records it wants, what the load holds.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

#include "events/event_file.h"

namespace {

const std::filesystem::path& ScratchFile() {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("fuzz_event_file_" + std::to_string(getpid()) + ".db");
    return path;
}

bool SameReport(const LoadReport& a, const LoadReport& b) {
    return a.status == b.status && a.problem == b.problem && a.loaded == b.loaded && a.announced == b.announced;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TodoItems items;
    const LoadReport first = LoadFromBytes(bytes, items);
    const std::string written = SaveToBytes(items);
    // An empty file is an empty store, which is written as its count alone.
    if (first.status == LoadReport::Status::Ok && !bytes.empty() && written != bytes) std::abort();
    TodoItems again;
    if (LoadFromBytes(written, again).status != LoadReport::Status::Ok) std::abort();
    if (SaveToBytes(again) != written) std::abort();

    {
        std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // Every other record wanted: both the first look and the whole read are walked.
    int seen = 0;
    TodoItems taken, wanted;
    const LoadReport scan = ScanEventFile(
        ScratchFile(),
        [&](const TTodoItem&) {
            if (seen < items.Count() && seen % 2 == 0) wanted.Add(items[seen]);
            return seen++ % 2 == 0;
        },
        [&](const TTodoItem& e) { taken.Add(e); });
    if (!SameReport(scan, first) || SaveToBytes(taken) != SaveToBytes(wanted)) std::abort();
    return 0;
}
