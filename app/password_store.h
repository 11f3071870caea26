#pragma once
// Where the sync password is kept: the system's keyring (Secret Service on
// Linux, Credential Manager on Windows), never a file of ours. The keyring
// answers later, so nothing here blocks the window: each call hands its
// answer to `done` on the window's thread, unless `context` is gone by then.
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

struct PasswordAnswer {
    bool ok = false;
    bool missing = false;  // the keyring works but holds nothing under the key
    QString password;
    QString error;  // for the user, when not ok
};

class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    using Done = std::function<void(const PasswordAnswer&)>;
    // Keys are one per server and user (SyncPasswordKey); the service is the program's name.
    virtual void Read(const QString& key, QObject* context, Done done) = 0;
    virtual void Write(const QString& key, const QString& password, QObject* context, Done done) = 0;
    virtual void Remove(const QString& key, QObject* context, Done done) = 0;
};

// The system's keyring; where the program was built without one, a store
// that answers every call with a message saying so.
std::unique_ptr<PasswordStore> MakeSystemPasswordStore();
