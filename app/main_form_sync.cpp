// TMainForm's side of sync with a calendar server: the menu items, the setup
// window, the runner beside the window, and the tray tip that tells the
// last sync. A build without the CalDAV client has none of it.
#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QThreadPool>
#include <QTimer>

#include "app/environment.h"
#include "app/main_form.h"

#ifdef DAYLOOM_HAS_SYNC

#include "app/sync_dialog.h"
#include "app/sync_runner.h"
#include "events/qt_window_place.h"
#include "sync/sync_status.h"

void TMainForm::CreateSync() {
    SyncRunner::Host host;
    host.now = [this] { return env_.Now(); };
    host.saveEvents = [this] {
        if (!needsSave_ && !outsideChange_) return;
        SaveSoon->stop();
        SaveEventsInBackground();
    };
    host.afterSaves = [this](std::function<void(bool)> task) {
        committer_->start([this, task] { task(!needsSave_ && !outsideChange_); });
    };
    // Over the setup window while it is open: the main window is blocked then.
    host.notify = [this](const QString& text) {
        env_.Notify(SyncDlg && SyncDlg->isVisible() ? static_cast<QWidget*>(SyncDlg) : this, text);
    };
    sync_ = new SyncRunner(*doc_, DataDir, env_.Passwords(), std::move(host), this);
    SyncDlg = new TSyncDialog(this);
    connect(pmSync, &QAction::triggered, this, &TMainForm::pmSyncClick);
    connect(SyncItem, &QAction::triggered, this, &TMainForm::pmSyncClick);
    connect(sync_, &SyncRunner::StatusChanged, this, &TMainForm::ShowSyncStatus);
    connect(sync_, &SyncRunner::PasswordKnown, this,
            [this] { SyncDlg->OfferPassword(sync_->Settings(), *sync_->Password()); });
    connect(SyncDlg, &TSyncDialog::SyncNowRequested, this, [this] {
        if (ApplySyncDialog()) sync_->SyncNow();
    });
}

void TMainForm::LoadSync() {
    sync_->Load();
    ShowSyncStatus();
}

void TMainForm::EndSync() {
    if (!sync_) return;
    sync_->Stop();
    // The state's write after the last save reports back to the runner.
    WaitForSaves();
    delete sync_;
    sync_ = nullptr;
}

void TMainForm::pmSyncClick() {
    if (!sync_) return;
    SyncDlg->ShowSettings(sync_->Settings());
    if (sync_->Password()) SyncDlg->OfferPassword(sync_->Settings(), *sync_->Password());
    else sync_->ReadPassword();
    ShowSyncStatus();
    CentreOnScreen(*SyncDlg);
    if (env_.RunModal(*SyncDlg) != QDialog::Accepted) return;
    if (ApplySyncDialog() && sync_->Settings().Configured() && sync_->Settings().everyMinutes > 0) sync_->SyncNow();
}

bool TMainForm::ApplySyncDialog() {
    QString error;
    if (!sync_->SetSettings(SyncDlg->Values(), SyncDlg->Password(), error)) {
        env_.ShowMessage(SyncDlg, QStringLiteral("Не удалось сохранить настройку синхронизации в папке\n%1\n(%2)")
                                      .arg(QString::fromStdU16String(DataDir.u16string()), error));
        return false;
    }
    SyncDlg->MarkSaved(sync_->Settings());
    return true;
}

void TMainForm::ShowSyncStatus() {
    if (!sync_) return;
    const bool on = sync_->Settings().Configured();
    if (TrayIcon)
        TrayIcon->setToolTip(on ? QStringLiteral("dayloom\n") + QString::fromStdString(SyncTipText(sync_->Status()))
                                : QStringLiteral("dayloom"));
    SyncDlg->ShowStatus(on ? QString::fromStdString(SyncStatusText(sync_->Status()))
                           : QStringLiteral("Синхронизация не настроена."),
                        sync_->Running());
}

#else

void TMainForm::CreateSync() {}
void TMainForm::LoadSync() {}
void TMainForm::EndSync() {}
void TMainForm::pmSyncClick() {}
bool TMainForm::ApplySyncDialog() { return false; }
void TMainForm::ShowSyncStatus() {}

#endif
