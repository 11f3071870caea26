#include "events/instance_lock.h"

#include "events/ansi.h"
#include "events/safe_file.h"

bool FolderHeldByRunningProgram(const std::filesystem::path& dataDir) {
    std::string text;
    if (!ReadWholeFile(dataDir / "dayloom.lock", text) || text.size() > 4096) return false;
    const std::vector<std::string> lines = SplitLines(text);
    int pid = 0;
    // The first line is the owner's process id; a lock that says nothing
    // readable is a stale one.
    return !lines.empty() && TryParseDecimal(lines[0], pid) && pid > 0 && ProcessRunning(pid);
}
