#include "events/safe_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

WriteResult WriteFileAtomically(const fs::path& path, std::string_view data, bool sync) {
    std::random_device rd;
    const fs::path tmp = path.string() + ".tmp-" + std::to_string(rd() % 1000000);
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return {false, std::strerror(errno)};
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            const std::string err = std::strerror(errno);
            ::close(fd);
            ::unlink(tmp.c_str());
            return {false, err};
        }
        done += static_cast<size_t>(w);
    }
    if (sync && ::fsync(fd) != 0) {
        const std::string err = std::strerror(errno);
        ::close(fd);
        ::unlink(tmp.c_str());
        return {false, err};
    }
    if (::close(fd) != 0) {
        const std::string err = std::strerror(errno);
        ::unlink(tmp.c_str());
        return {false, err};
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const std::string err = std::strerror(errno);
        ::unlink(tmp.c_str());
        return {false, err};
    }
    return {true, {}};
}

bool ReadWholeFile(const fs::path& path, std::string& out) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;  // a folder "opens" but has no size
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    out.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(out.data(), size)) return false;
    return true;
}
