#pragma once
// Sync beside the window: a round every so many minutes and soon after the
// user changes the events, one at a time, on a thread of its own, so the
// window never waits for the server. What the round took comes into the
// document on the window's thread as one change; what both sides agreed on
// (the sync state) is written only after the events that match it are on
// disk, so a kill between the two never makes the next round send an old
// version over a newer one.
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "events/event_document.h"
#include "sync/sync_plan.h"
#include "sync/sync_settings.h"
#include "sync/sync_status.h"

class PasswordStore;
class QTimer;

class SyncRunner : public QObject, private EventObserver {
    Q_OBJECT
public:
    // What the runner asks of the window.
    struct Host {
        std::function<TDateTime()> now;
        // Saves the events now when they have unsaved changes.
        std::function<void()> saveEvents;
        // Runs `task` on the thread that commits the saves, after those
        // queued before it; `saved` tells whether they all reached the disk.
        std::function<void(std::function<void(bool saved)> task)> afterSaves;
        // A message that does not wait for the user.
        std::function<void(const QString&)> notify;
    };

    SyncRunner(EventDocument& doc, std::filesystem::path dataDir, PasswordStore& passwords, Host host,
               QObject* parent = nullptr);
    // Ends a round under way (Stop) before the document may go.
    ~SyncRunner() override;

    // Reads the settings and the state of the last run; with sync set up, the
    // first round comes soon after the start.
    void Load();
    const SyncSettings& Settings() const { return settings_; }
    // The password of this session, when known (typed or read from the keyring).
    const std::optional<QString>& Password() const { return password_; }
    // Reads the password from the keyring when it is not known yet;
    // PasswordKnown follows when it is.
    void ReadPassword();
    // New settings from the setup window and the password typed there: the
    // settings file is written (false with the reason when it is not), the
    // password goes to the keyring, and the state of another calendar is
    // forgotten.
    bool SetSettings(const SyncSettings& settings, const QString& password, QString& error);
    // A round now; one running already is followed by another.
    void SyncNow();
    bool Running() const { return round_ != nullptr; }
    const SyncStatus& Status() const { return status_; }
    // Ends a round under way without taking what it brought, and waits for
    // it (at most about a second): the program is quitting.
    void Stop();

signals:
    // A round began or ended: the tray tip and the setup window follow.
    void StatusChanged();
    void PasswordKnown();

private:
    struct Round;
    void EventsChanged(const EventBatch& batch) override;
    void Schedule();
    void Begin();
    void Finished();
    // A round that could not run or failed: noted, told once.
    void Failed(const std::string& error);
    void WriteState();

    EventDocument& doc_;
    std::filesystem::path dataDir_;
    PasswordStore& passwords_;
    Host host_;
    SyncSettings settings_;
    SyncState state_;
    SyncStatus status_;
    std::optional<QString> password_;
    bool readingPassword_ = false;
    bool beginWhenRead_ = false;  // a round waits for the password
    bool passwordFailureShown_ = false;
    bool again_ = false;     // asked for while a round ran
    bool stopped_ = false;   // the program is quitting: no more rounds
    bool stateFailureShown_ = false;
    std::unique_ptr<Round> round_;
    QTimer* every_ = nullptr;
    QTimer* soon_ = nullptr;
};
