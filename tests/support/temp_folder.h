#pragma once
// A fresh folder per test with a Cyrillic name (paths must survive it on every
// system), removed at the end; and a way to make the next safe write fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "events/safe_file.h"
#include "events/safe_file_internal.h"

class TempFolder {
public:
    TempFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        // One parent per test process: test programs run side by side, and one
        // removing an empty shared parent would pull it from under another.
        path_ = std::filesystem::temp_directory_path() /
                (std::filesystem::path(u8"dayloom_папка-") += std::to_string(safe_file_internal::CurrentProcessId())) /
                (std::string(test->test_suite_name()) + "." + test->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        std::filesystem::remove(path_.parent_path(), ec);  // only once the last test is done
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

    static void Write(const std::filesystem::path& file, std::string_view bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string Read(const std::filesystem::path& file) {
        std::string s;
        ReadWholeFile(file, s);
        return s;
    }

private:
    std::filesystem::path path_;
};

// A path from its UTF-8 text, and back: Cyrillic names on every system.
inline std::filesystem::path Named(std::string_view utf8Name) {
    return std::filesystem::path(std::u8string(utf8Name.begin(), utf8Name.end()));
}
inline std::string Utf8Of(const std::filesystem::path& p) {
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

// How many descriptors the process has open (none where the system cannot
// list them): what a file operation opens it must close, and nothing else.
// A Windows build lists none: under Wine /proc/self/fd is the emulator's,
// whose count moves with its own threads.
inline size_t OpenDescriptors() {
#ifdef _WIN32
    return 0;
#endif
    std::error_code ec;
    size_t n = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end; it.increment(ec)) ++n;
    return n;
}

// The next safe write of `target` fails the way a full disk would.
inline void BlockNextSafeWrite(const std::filesystem::path& target) { FailNextWriteOf(target); }
