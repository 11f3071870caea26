// dayloom-cli: the day list and the day's reminders of dayloom in a terminal,
// and the ZET imports. All the work is RunCli's; this file supplies the
// process's view of the world: its arguments, standard input, the
// executable's folder and the local clock.
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include "events/windows_api.h"
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
#endif

#include "events/data_folder.h"
#include "events/date_time.h"
#include "tools/cli_dispatch.h"
#include "tools/cli_platform.h"

namespace {

#ifdef _WIN32
std::string Utf8(const wchar_t* wide) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();  // the terminating zero
    return out;
}
#endif

// The arguments as UTF-8, which RunCli expects. On Windows argv holds
// them in the ANSI code page, so they are taken from the wide command line.
std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int n = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &n)) {
        for (int i = 1; i < n; ++i) args.push_back(Utf8(wide[i]));
        ::LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
#endif
    return args;
}

// The folder of this binary (the program sits next to it), found through
// /proc (GetModuleFileNameW on Windows); argv[0] when neither answers.
std::filesystem::path ExeDir(const char* argv0) {
#ifdef _WIN32
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) break;
        if (n < buf.size()) return std::filesystem::path(buf.substr(0, n)).parent_path();
        buf.resize(buf.size() * 2);
    }
#endif
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
#ifdef _WIN32
    if (localtime_s(&tm, &t) != 0) return 0;
#else
    if (!localtime_r(&t, &tm)) return 0;
#endif
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec > 59 ? 59 : tm.tm_sec, static_cast<int>(ms.count()));
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The lines are UTF-8; a console shows them right only when told so.
    ::SetConsoleOutputCP(CP_UTF8);
    // A journal on standard input is read byte for byte, line breaks included.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    // The program's own rule: beside the binary while that can be written,
    // else the per-user folder, so both always read the same file.
    const std::filesystem::path data =
        ChooseDataFolder(ExeDir(argc > 0 ? argv[0] : nullptr), PerUserAppDataFolder(EnvironmentValue));
    return RunCli(Arguments(argc, argv), std::cin, std::cout, std::cerr, data, LocalClock(), SystemZone(),
                  &SystemSecrets());
}
