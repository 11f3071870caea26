#pragma once
// A real CalDAV server for a test: Radicale on a free port of 127.0.0.1 with
// its own storage and password file, stopped at the end; and Debian's
// python3-caldav as another device writing to it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>


class Radicale {
    static void Write(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    static std::string Read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

public:
    static constexpr const char* kProgram = "/usr/bin/radicale";
    static bool Installed() { return std::filesystem::exists(kProgram); }

    explicit Radicale(const std::filesystem::path& dir) : dir_(dir) {
        port_ = FreePort();
        Write(dir_ / "users", "anna:secret\n");
        Write(dir_ / "config", "[server]\nhosts = 127.0.0.1:" + std::to_string(port_) +
                                               "\n[auth]\ntype = htpasswd\nhtpasswd_filename = " +
                                               (dir_ / "users").string() +
                                               "\nhtpasswd_encryption = plain\n[storage]\nfilesystem_folder = " +
                                               (dir_ / "store").string() + "\n[logging]\nlevel = warning\n");
        pid_ = fork();
        if (pid_ == 0) {
            const std::string config = (dir_ / "config").string(), log = (dir_ / "log").string();
            freopen(log.c_str(), "w", stderr);
            freopen(log.c_str(), "a", stdout);
            execl(kProgram, kProgram, "--config", config.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Ready when it takes a connection.
        for (int i = 0; i < 200 && !Accepts(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~Radicale() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    int Port() const { return port_; }

    // python3-caldav, as another device: runs `script` with `cal`, the
    // calendar named `calendar` (made when missing), in scope.
    int Python(const std::string& calendar, const std::string& script) const {
        const std::filesystem::path file = dir_ / "device.py";
        Write(file, "import caldav, sys\n"
                                "client = caldav.DAVClient(url='" + Url() + "', username='anna', password='secret')\n"
                                "principal = client.principal()\n"
                                "found = [c for c in principal.calendars() if c.name == '" + calendar + "']\n"
                                "cal = found[0] if found else principal.make_calendar(name='" + calendar + "')\n" +
                                    script + "\n");
        const std::string cmd = "/usr/bin/python3 '" + file.string() + "' >>'" + (dir_ / "device.log").string() + "' 2>&1";
        return std::system(cmd.c_str());
    }
    std::string DeviceLog() const { return Read(dir_ / "device.log"); }

private:
    static int FreePort() {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
        close(s);
        return ntohs(a.sin_port);
    }
    bool Accepts() const {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(s);
        return ok;
    }

    std::filesystem::path dir_;
    int port_ = 0;
    pid_t pid_ = -1;
};

// A server that takes connections on a free port of 127.0.0.1 and never
// answers: a listening socket nobody reads from.
struct SilentServer {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    SilentServer() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 4) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
    }
    ~SilentServer() { close(fd); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port) + "/"; }
};
