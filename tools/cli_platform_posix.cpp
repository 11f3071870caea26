// dayloom-cli's system look-ups on POSIX systems; cli_platform_win.cpp is Windows'.
#ifndef _WIN32

#include "tools/cli_platform.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

// The zone's name after ".../zoneinfo/" in a path; empty when there is none.
std::string AfterZoneinfo(const std::string& path) {
    const std::string mark = "zoneinfo/";
    const size_t at = path.rfind(mark);
    return at == std::string::npos ? std::string{} : path.substr(at + mark.size());
}

std::string ZoneName() {
    if (const char* tz = std::getenv("TZ"); tz && *tz) {
        std::string name = tz[0] == ':' ? tz + 1 : tz;
        if (!name.empty() && name[0] == '/') {
            const std::string after = AfterZoneinfo(name);
            return after.empty() ? name : after;
        }
        return name;
    }
    std::error_code ec;
    const std::filesystem::path link = std::filesystem::read_symlink("/etc/localtime", ec);
    if (!ec) {
        const std::string after = AfterZoneinfo(link.string());
        if (!after.empty()) return after;
    }
    std::string line;
    if (std::ifstream in("/etc/timezone"); in && std::getline(in, line) && !line.empty()) return line;
    return "UTC";
}

}  // namespace

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return std::string(v);
}

IcsZone SystemZone() {
    tzset();
    return {ZoneName(), [](int64_t utc) {
                const std::time_t t = static_cast<std::time_t>(utc);
                std::tm tm{};
                if (!localtime_r(&t, &tm)) return 0;
                return static_cast<int>(tm.tm_gmtoff);
            }};
}

#endif
