// dayloom-cli's system look-ups on POSIX systems; cli_platform_win.cpp is Windows'.
#ifndef _WIN32

#include "tools/cli_platform.h"

#include "sync/sync_settings.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

extern char** environ;

namespace {

// Runs the program with these arguments (no shell between) and gives the
// first line it printed. Its standard input and errors stay the terminal's,
// so a command may ask for a passphrase there.
bool FirstLine(const std::vector<std::string>& argv, std::string& line, std::string& error) {
    int fds[2];
    if (pipe(fds) != 0) {
        error = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        error = argv[0] + " не запускается: " + std::strerror(spawned);
        return false;
    }
    std::string said;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        // A password is a line; a command that prints a book is not read whole.
        if (said.size() < 65536) said.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = WIFEXITED(status) ? "код выхода " + std::to_string(WEXITSTATUS(status)) : "прервана сигналом";
        return false;
    }
    line = PasswordLine(said);
    if (line.empty()) {
        error = "ничего не вывела";
        return false;
    }
    return true;
}

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

const CliSecrets& SystemSecrets() {
    static const CliSecrets secrets{
        [](const std::string& command, std::string& line, std::string& error) {
            return FirstLine({"/bin/sh", "-c", command}, line, error);
        },
        // Where the window's keyring library keeps it in the Secret Service.
        [](const std::string& key, std::string& password, std::string& error) {
            if (FirstLine({"secret-tool", "lookup", "server", "dayloom", "user", key}, password, error)) return true;
            if (error.starts_with("secret-tool не запускается"))
                error = "нет программы secret-tool (пакет libsecret-tools)";
            else
                error = "пароль не сохранён или хранилище недоступно";
            return false;
        }};
    return secrets;
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
