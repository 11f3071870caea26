#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

QString PathText(const std::filesystem::path& p) { return QString::fromStdU16String(p.u16string()); }

}  // namespace

TSingleInstance::TSingleInstance(const std::filesystem::path& dataDir, QObject* parent)
    : QObject(parent), lock_(PathText(dataDir / "dayloom.lock")), name_(ServerName(dataDir)) {
    lock_.setStaleLockTime(0);  // only a dead owner makes the lock stale, never its age
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ServerName(const std::filesystem::path& dataDir) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(dataDir, ec);
    if (ec) canonical = dataDir;
    QString key = QDir::cleanPath(PathText(canonical));
#ifdef _WIN32
    key = key.toLower();  // one folder, however its name is spelled
#endif
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("dayloom-") + QString::fromLatin1(hash.left(16));
}

bool TSingleInstance::Acquire() {
    if (!lock_.tryLock(0)) {
        if (lock_.error() == QLockFile::LockFailedError) {
            QLocalSocket socket;
            socket.connectToServer(name_);
            if (socket.waitForConnected(1000)) {
                socket.write("show\n");
                socket.waitForBytesWritten(1000);
                socket.disconnectFromServer();
            }
            return false;
        }
        // A folder where no lock can be made (read-only, say) still runs;
        // saving will tell the user what is wrong.
        return true;
    }
    server_ = new QLocalServer(this);
    QLocalServer::removeServer(name_);  // a socket left by a crashed run
    server_->listen(name_);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            emit Activate();
        }
    });
    return true;
}
