// The event file reader on any bytes: no crash, and what it takes as whole
// comes back byte for byte; what it reads at all reads the same once written.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "events/event_file.h"

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
    return 0;
}
