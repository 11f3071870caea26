// The single-instance socket's folder and peer check on POSIX systems;
// instance_socket_win.cpp is the Windows one.
#ifndef _WIN32

#include <QByteArray>
#include <QDir>
#include <QString>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/single_instance.h"

namespace {

// A folder only this user can reach: ours, a folder (not a link), no access
// for group or others. A folder someone else made first at a name we chose
// fails here, so nobody can listen in our place.
bool Private(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

QByteArray MadePrivate(const QByteArray& path) {
    ::mkdir(path.constData(), 0700);  // an existing one is checked below
    return Private(path) ? path : QByteArray();
}

}  // namespace

QString PrivateRuntimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith('/') && Private(runtime)) {
        const QByteArray ours = MadePrivate(runtime + "/dayloom");
        if (!ours.isEmpty()) return QString::fromLocal8Bit(ours);
    }
    const QByteArray home = QDir::homePath().toLocal8Bit();
    if (home.isEmpty()) return {};
    ::mkdir((home + "/.cache").constData(), 0700);
    const QByteArray ours = MadePrivate(home + "/.cache/dayloom");
    // A socket's path is short on every system (108 bytes on Linux).
    return ours.size() < 80 ? QString::fromLocal8Bit(ours) : QString();
}

bool PeerIsThisUser(qintptr socketDescriptor) {
#ifdef SO_PEERCRED
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::getuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(static_cast<int>(socketDescriptor), &uid, &gid) == 0 && uid == ::getuid();
#endif
}

#endif  // !_WIN32
