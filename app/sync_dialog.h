#pragma once
// The sync setup window: the server, the user and the password, the search
// for the user's calendars (on a thread of its own, the window stays
// responsive meanwhile), the calendar chosen by its name, what goes to the
// server besides the user's own events, how often, and the last sync's time
// and result. Created once; the main window fills it before each showing,
// takes the values on acceptance and keeps the password out of the files.
#include <QDialog>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "sync/sync_settings.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct CalendarFound;

class TSyncDialog : public QDialog {
    Q_OBJECT
public:
    explicit TSyncDialog(QWidget* parent = nullptr);
    // A search under way is told to stop and waited for (about a second at most).
    ~TSyncDialog() override;

    // The saved settings, before a showing or after they were saved; the
    // password field starts empty (the keyring keeps the password).
    void ShowSettings(const SyncSettings& s);
    // The settings as they were saved from the window, the fields left as they are.
    void MarkSaved(const SyncSettings& s);
    // The kept password, read from the keyring: goes into an empty field of
    // the same account.
    void OfferPassword(const SyncSettings& account, const QString& password);
    // The setup as the user left it (what is not shown stays as saved).
    SyncSettings Values() const;
    // The password typed; empty: the kept one stays.
    QString Password() const;
    // The last sync's time and result, or that one runs now.
    void ShowStatus(const QString& text, bool running);
    bool Searching() const { return searching_; }

    QLineEdit* edUrl = nullptr;
    QLabel* lbHttp = nullptr;
    QCheckBox* chbAllowHttp = nullptr;
    QLineEdit* edUser = nullptr;
    QLineEdit* edPassword = nullptr;
    QPushButton* btnDiscover = nullptr;
    QLabel* lbFound = nullptr;
    QComboBox* cbCalendar = nullptr;
    QCheckBox* chbZetImports = nullptr;
    QCheckBox* chbFavourableDays = nullptr;
    QSpinBox* seEveryMinutes = nullptr;
    QLabel* lbStatus = nullptr;
    QLabel* lbProblem = nullptr;
    QPushButton* btnSyncNow = nullptr;
    QDialogButtonBox* Buttons = nullptr;

signals:
    // "Синхронизировать сейчас" with a setup that may be saved.
    void SyncNowRequested();

public slots:
    // OK: only a setup that may be saved closes the window.
    void accept() override;

private:
    // What keeps the setup from being saved, shown; true when nothing does.
    bool Check();
    void ShowProblem(const QString& text);
    void AddressEdited();
    void Discover();
    void Discovered(bool ok, const std::vector<CalendarFound>& found, const std::string& error);
    bool SameAccountAsSaved() const;

    SyncSettings saved_;
    std::thread search_;
    std::atomic<bool> stopSearch_{false};
    bool searching_ = false;
};
