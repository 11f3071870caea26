// Process look-up for POSIX systems; events/instance_lock_win.cpp is the Windows one.
#ifndef _WIN32

#include <cerrno>
#include <csignal>

#include "events/instance_lock.h"

bool ProcessRunning(long long pid) {
    // Signal 0 only asks; EPERM means it exists under another user.
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

#endif  // !_WIN32
