// The single-instance pipe's name and peer check on Windows;
// instance_socket_posix.cpp is the POSIX one.
#ifdef _WIN32

#include <QCryptographicHash>
#include <QDir>
#include <QString>

#include "app/single_instance.h"

QString PrivateRuntimeFolder() {
    // Pipes live in one namespace for all users: the user's own folder goes
    // into the name, and the pipe is opened to this user only
    // (QLocalServer::UserAccessOption).
    const QByteArray user = QCryptographicHash::hash(QDir::homePath().toLower().toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("dayloom-") + QString::fromLatin1(user.toHex().left(12));
}

bool PeerIsThisUser(qintptr) { return true; }  // the pipe's access list admits only this user

#endif  // _WIN32
