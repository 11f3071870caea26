// dayloom-cli: the day list and the day's reminders of dayloom in a terminal.
// All the work is RunDayloomCli's; this file supplies the process's view of
// the world: its arguments, the executable's folder and the local clock.
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "dayview/agenda.h"
#include "events/date_time.h"

namespace {

// The folder the data lives beside: where this binary is (the program sits
// next to it), found through /proc; argv[0] when /proc is not there.
std::filesystem::path ExeDir(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) {
        exe = std::filesystem::absolute(argv0 ? argv0 : "", ec);
        if (ec) exe.clear();
    }
    return exe.parent_path();
}

TDateTime LocalClock() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return 0;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec > 59 ? 59 : tm.tm_sec, static_cast<int>(ms.count()));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return RunDayloomCli(args, std::cout, std::cerr, ExeDir(argc > 0 ? argv[0] : nullptr) / "dayloom_data",
                         LocalClock());
}
