#pragma once
// One running program per data folder. Two copies on one folder would each
// save their own events over the other's; a second start therefore brings the
// running window forward and ends.
#include <QLockFile>
#include <QObject>
#include <QString>

#include <filesystem>

class QLocalServer;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(const std::filesystem::path& dataDir, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when this process now owns the folder (a lock left by a crashed
    // run is taken over). False when another copy runs on it: that copy has
    // been asked to come forward.
    bool Acquire();

    // The name both copies meet under, from the folder's path.
    static QString ServerName(const std::filesystem::path& dataDir);

signals:
    // Another start on the same folder asked this window to come forward.
    void Activate();

private:
    QLockFile lock_;
    QString name_;
    QLocalServer* server_ = nullptr;
};
