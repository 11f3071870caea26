#pragma once
// One running program per data folder. Two copies on one folder would each
// save their own events over the other's; a second start therefore brings the
// running window forward and ends. The program holds the folder's writer lock
// from before it reads the events until after its last save.
#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "events/folder_lock.h"

class QLocalServer;
class QTimer;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(const std::filesystem::path& dataDir, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when this process now owns the folder. False when a window runs on
    // it (it has been asked to come forward), or when another writer (a
    // command) keeps the folder past `wait` and `waitMore`, told who holds
    // it, says not to wait again. A folder where no lock can be made (a
    // read-only medium) still runs: saving will tell what is wrong.
    bool Acquire(std::chrono::milliseconds wait = std::chrono::seconds(10),
                 const std::function<bool(const std::string& holder)>& waitMore = {});
    bool HoldsLock() const { return lock_.Held(); }

    // Where the two copies meet: a local socket in the user's private runtime
    // folder, named from the folder's path; empty when no private folder can
    // be had (no second start is woken then, the lock still keeps writers apart).
    static QString ServerName(const std::filesystem::path& dataDir);

signals:
    // Another start on the same folder asked this window to come forward.
    void Activate();

private:
    // Asks a window running on this folder to come forward; true when one answered.
    bool WakeRunning() const;
    void Listen();
    void Answer();

    FolderLock lock_;
    std::filesystem::path dir_;
    QString name_;
    QLocalServer* server_ = nullptr;
    QTimer* renew_ = nullptr;
    int open_ = 0;  // connections being answered
};

// Platform part (instance_socket_posix.cpp, instance_socket_win.cpp): the
// folder that holds the socket, private to the user, made when missing; empty
// when there is none that only the user can reach.
QString PrivateRuntimeFolder();
// Whether the other end of a connected local socket runs as this user.
bool PeerIsThisUser(qintptr socketDescriptor);
