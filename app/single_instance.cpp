#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

namespace {

QString PathText(const std::filesystem::path& p) { return QString::fromStdU16String(p.u16string()); }

// A local socket's answer is one short line; more, or a slow peer, is not ours.
constexpr int kMaxOpenConnections = 4;
constexpr int kAnswerMs = 1000;

}  // namespace

TSingleInstance::TSingleInstance(const std::filesystem::path& dataDir, QObject* parent)
    : QObject(parent), dir_(dataDir), name_(ServerName(dataDir)) {}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ServerName(const std::filesystem::path& dataDir) {
    const QString runtime = PrivateRuntimeFolder();
    if (runtime.isEmpty()) return {};
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(dataDir, ec);
    if (ec) canonical = dataDir;
    QString key = QDir::cleanPath(PathText(canonical));
#ifdef _WIN32
    key = key.toLower();  // one folder, however its name is spelled
#endif
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    return runtime + QStringLiteral("/instance-") + QString::fromLatin1(hash.left(16));
}

bool TSingleInstance::WakeRunning() const {
    if (name_.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(1000)) return false;
    socket.write("show\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool TSingleInstance::Acquire(std::chrono::milliseconds wait,
                              const std::function<bool(const std::string& holder)>& waitMore) {
    if (WakeRunning()) return false;
    for (;;) {
        const FolderLock::State state = lock_.Take(dir_, kWindowLockOwner, wait);
        if (state != FolderLock::State::Busy) break;
        // A window that started at the same moment holds it, or a command
        // that takes long.
        if (WakeRunning() || !waitMore || !waitMore(lock_.Problem())) return false;
    }
    Listen();
    renew_ = new QTimer(this);
    // A lock file deleted under the window is made again, so later writers wait.
    connect(renew_, &QTimer::timeout, this, [this] { lock_.Renew(); });
    renew_->start(5000);
    return true;
}

void TSingleInstance::Listen() {
    if (name_.isEmpty()) return;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(kMaxOpenConnections);
    // No window answered above, so a socket there is a crashed run's.
    QLocalServer::removeServer(name_);
    server_->listen(name_);
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::Answer);
}

void TSingleInstance::Answer() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        if (open_ >= kMaxOpenConnections || !PeerIsThisUser(s->socketDescriptor())) {
            s->abort();
            s->deleteLater();
            continue;
        }
        ++open_;
        const auto finish = [this, s] {
            if (s->property("answered").toBool()) return;
            s->setProperty("answered", true);
            --open_;
            s->abort();
            s->deleteLater();
        };
        connect(s, &QLocalSocket::readyRead, this, [this, s, finish] {
            if (s->peek(64).contains("show")) emit Activate();
            finish();
        });
        QTimer::singleShot(kAnswerMs, s, finish);
    }
}
