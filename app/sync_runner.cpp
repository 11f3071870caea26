#include "app/sync_runner.h"

#include <QProcess>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include "app/password_store.h"
#include "events/clock_zone.h"
#include "events/safe_file.h"
#include "sync/caldav_client.h"
#include "sync/document_sync.h"
#include "sync/sync_round.h"

namespace {

// A round soon after the last change: a burst of edits is one round.
constexpr int kSoonAfterChangeMs = 30 * 1000;

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

// What one round works with on its thread. The window's thread touches it
// only before the thread starts and after it has ended.
struct SyncRunner::Round {
    SyncSettings settings;
    std::string password;
    SyncState state;  // the copy the round moves on
    std::unique_ptr<DocumentSync> folder;
    SyncReport report;
    std::atomic<bool> stop{false};
    bool obsolete = false;  // the settings changed under it: what it brought is not kept
    std::thread thread;
};

SyncRunner::SyncRunner(EventDocument& doc, std::filesystem::path dataDir, PasswordStore& passwords, Host host,
                       QObject* parent)
    : QObject(parent), doc_(doc), dataDir_(std::move(dataDir)), passwords_(passwords), host_(std::move(host)) {
    every_ = new QTimer(this);
    every_->setObjectName(QStringLiteral("SyncEvery"));
    connect(every_, &QTimer::timeout, this, &SyncRunner::Begin);
    soon_ = new QTimer(this);
    soon_->setObjectName(QStringLiteral("SyncSoon"));
    soon_->setSingleShot(true);
    soon_->setInterval(kSoonAfterChangeMs);
    connect(soon_, &QTimer::timeout, this, &SyncRunner::Begin);
    doc_.Subscribe(this);
}

SyncRunner::~SyncRunner() {
    Stop();
    doc_.Unsubscribe(this);
}

void SyncRunner::Load() {
    std::string text, error;
    const std::filesystem::path file = dataDir_ / kSyncSettingsFile;
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
        if (!ReadWholeFile(file, text) || !ReadSyncSettings(text, settings_, error))
            host_.notify(QStringLiteral("Файл настроек синхронизации не читается (%1), синхронизация выключена.\n"
                                        "Настройте её снова в окне «Синхронизация…».")
                             .arg(error.empty() ? QStringLiteral("нет доступа") : Text(error)));
    }
    // A damaged state only costs a full listing next time.
    if (ReadWholeFile(dataDir_ / kSyncStateFile, text)) state_.Read(text);
    if (state_.lastDone > 0) status_.Remember(state_.lastDone);
    Schedule();
    if (every_->isActive()) soon_->start();
}

bool SyncRunner::SetSettings(const SyncSettings& settings, const QString& password, QString& error) {
    const SyncSettings old = settings_;
    const bool sameAccount = SyncPasswordKey(old) == SyncPasswordKey(settings);
    if (!SameSyncCalendar(old, settings)) {
        // What was agreed with another calendar means nothing for this one;
        // kept, it would read as events deleted there. It goes before the
        // settings name the new calendar.
        const WriteResult w = WriteFileAtomically(dataDir_ / kSyncStateFile, SyncState{}.Text());
        if (!w.ok) {
            error = Text(w.error);
            return false;
        }
        state_ = SyncState{};
        if (round_) round_->obsolete = true;
    }
    if (SyncSettingsText(settings) != SyncSettingsText(old) ||
        !std::filesystem::exists(dataDir_ / kSyncSettingsFile)) {
        const WriteResult w = WriteFileAtomically(dataDir_ / kSyncSettingsFile, SyncSettingsText(settings));
        if (!w.ok) {
            error = Text(w.error);
            return false;
        }
    }
    const bool newPassword = settings.Configured() && !password.isEmpty() && (!sameAccount || password_ != password);
    // Another server, calendar or password may fail anew: its first failure is told.
    if (!SameSyncCalendar(old, settings) || old.allowPlainHttp != settings.allowPlainHttp ||
        newPassword)
        status_.Restart();
    settings_ = settings;
    if (!sameAccount && !old.url.empty() && !old.user.empty())
        passwords_.Remove(Text(SyncPasswordKey(old)), this, [](const PasswordAnswer&) {});
    if (!sameAccount) password_.reset();
    if (newPassword) {
        passwordFailureShown_ = false;
        password_ = password;
        passwords_.Write(Text(SyncPasswordKey(settings_)), password, this, [this](const PasswordAnswer& a) {
            if (a.ok || std::exchange(passwordFailureShown_, true)) return;
            host_.notify(QStringLiteral("Пароль не сохранён в хранилище паролей системы: %1.\n\n"
                                        "Синхронизация будет работать до выхода из программы; после нового "
                                        "запуска введите пароль снова в окне «Синхронизация…».")
                             .arg(a.error));
        });
    }
    Schedule();
    emit StatusChanged();
    return true;
}

void SyncRunner::ReadPassword() {
    if (password_ || readingPassword_ || !settings_.Configured()) return;
    readingPassword_ = true;
    const std::string key = SyncPasswordKey(settings_);
    auto answered = [this, key](const PasswordAnswer& a) {
        readingPassword_ = false;
        const bool begin = std::exchange(beginWhenRead_, false);
        if (key != SyncPasswordKey(settings_) || password_) return;  // the user typed one meanwhile
        if (a.ok) {
            password_ = a.password;
            emit PasswordKnown();
            if (begin) Begin();
        } else if (begin) {
            Failed(a.missing ? "пароль не сохранён; введите его в окне «Синхронизация…»"
                             : "пароль не прочитан: " + a.error.toStdString());
        }
    };
    if (settings_.passwordCommand.empty()) return passwords_.Read(Text(key), this, answered);
    // Set up from the command line with a command that prints the password:
    // the window asks the same command, beside it.
    auto* command = new QProcess(this);
    command->setProcessChannelMode(QProcess::SeparateChannels);
    connect(command, &QProcess::finished, this, [command, answered](int code, QProcess::ExitStatus status) {
        command->deleteLater();
        PasswordAnswer a;
        a.password = Text(PasswordLine(command->readAllStandardOutput().toStdString()));
        a.ok = status == QProcess::NormalExit && code == 0 && !a.password.isEmpty();
        if (!a.ok) a.error = QStringLiteral("команда пароля не дала пароль (код выхода %1)").arg(code);
        answered(a);
    });
    connect(command, &QProcess::errorOccurred, this, [command, answered](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        command->deleteLater();
        PasswordAnswer a;
        a.error = QStringLiteral("команда пароля не запускается: %1").arg(command->errorString());
        answered(a);
    });
    command->startCommand(Text(settings_.passwordCommand));
}

void SyncRunner::SyncNow() { Begin(); }

void SyncRunner::Stop() {
    stopped_ = true;
    every_->stop();
    soon_->stop();
    if (!round_) return;
    round_->stop = true;
    round_->thread.join();
    round_.reset();
}

void SyncRunner::EventsChanged(const EventBatch& batch) {
    // The file read and what a round brought are nothing to send back.
    if (batch.kind == ChangeKind::Loaded || batch.kind == ChangeKind::Synced) return;
    if (every_->isActive()) soon_->start();
}

void SyncRunner::Schedule() {
    every_->stop();
    soon_->stop();
    if (stopped_ || !settings_.Configured() || settings_.everyMinutes <= 0) return;
    every_->start(settings_.everyMinutes * 60 * 1000);
}

void SyncRunner::Begin() {
    if (stopped_ || !settings_.Configured()) return;
    soon_->stop();
    if (round_) {
        again_ = true;
        return;
    }
    if (!password_) {
        beginWhenRead_ = true;
        ReadPassword();
        return;
    }
    auto round = std::make_unique<Round>();
    Round* r = round.get();
    r->settings = settings_;
    r->password = password_->toStdString();
    r->state = state_;
    r->folder = std::make_unique<DocumentSync>(doc_, settings_, ClockZone());
    // The UIDs of new events reach the disk before the first of them is sent
    // (killed after the server took one, we would send it again under another
    // UID once it is moved or renamed). The round waits for the save.
    r->folder->OnBeforeSending([this, r](std::string& why) {
        auto done = std::make_shared<std::promise<bool>>();
        std::future<bool> saved = done->get_future();
        QMetaObject::invokeMethod(
            this,
            [this, r, done] {
                if (round_.get() != r) return done->set_value(false);  // stopped meanwhile
                if (!r->folder->KeepGivenUids()) return done->set_value(true);
                host_.saveEvents();
                host_.afterSaves([done](bool ok) { done->set_value(ok); });
            },
            Qt::QueuedConnection);
        while (saved.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            if (r->stop) {
                why = "программа закрывается";
                return false;
            }
        if (saved.get()) return true;
        why = "события не записаны на диск";
        return false;
    });
    round_ = std::move(round);
    r->thread = std::thread([this, r] {
        try {
            const std::string refused = CalDavClient::CheckAddress(r->settings.url, r->settings.allowPlainHttp);
            if (!refused.empty()) {
                r->report.error = refused;
            } else {
                CalDavClient client(r->settings.url, r->settings.user, r->password);
                client.StopWhen(&r->stop);
                r->report = RunSyncRound(client, r->settings.calendar, r->state, *r->folder);
            }
        } catch (const std::exception& e) {
            r->report = SyncReport{};
            r->report.error = std::string("сбой программы: ") + e.what();
        }
        QMetaObject::invokeMethod(this, &SyncRunner::Finished, Qt::QueuedConnection);
    });
    emit StatusChanged();
}

void SyncRunner::Finished() {
    if (!round_) return;  // stopped meanwhile
    std::unique_ptr<Round> r = std::move(round_);
    r->thread.join();
    if (!r->obsolete) {
        const SyncReport& rep = r->report;
        if (rep.ok) {
            r->folder->Apply();
            state_ = std::move(r->state);
            state_.lastDone = host_.now();
            WriteState();
            SyncOutcome outcome{true, {}, {}, rep.problems.empty() ? std::string() : rep.problems.front()};
            outcome.counts = CountsOf(rep, r->folder->LateConflicts());
            status_.Note(host_.now(), outcome);
            const std::string conflicts = SyncConflictNotice(outcome.counts.conflicts);
            if (!conflicts.empty()) host_.notify(Text(conflicts));
        } else {
            Failed(rep.error);
        }
    }
    emit StatusChanged();
    if (std::exchange(again_, false) || r->obsolete) Begin();
}

void SyncRunner::Failed(const std::string& error) {
    if (status_.Note(host_.now(), {false, error, {}, {}})) host_.notify(Text(SyncFailureNotice(status_)));
    emit StatusChanged();
}

void SyncRunner::WriteState() {
    host_.saveEvents();
    const std::string text = state_.Text();
    const std::filesystem::path file = dataDir_ / kSyncStateFile;
    host_.afterSaves([this, text, file](bool saved) {
        // Without the events on disk the old state stays: the next round
        // plans again from what the disk and the server hold.
        if (!saved) return;
        const WriteResult w = WriteFileAtomically(file, text);
        QMetaObject::invokeMethod(
            this,
            [this, w, file] {
                if (w.ok) {
                    stateFailureShown_ = false;
                } else if (!std::exchange(stateFailureShown_, true)) {
                    host_.notify(QStringLiteral("Не удалось записать состояние синхронизации в файл\n%1\n(%2)\n\n"
                                                "Ничего не потеряно: следующая синхронизация сверит события заново.")
                                     .arg(QString::fromStdU16String(file.u16string()), Text(w.error)));
                }
            },
            Qt::QueuedConnection);
    });
}
