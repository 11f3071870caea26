#include "app/password_store.h"

#include <QTimer>

#ifdef DAYLOOM_HAS_KEYCHAIN
#include <qt6keychain/keychain.h>
#endif

namespace {

const QString kService = QStringLiteral("dayloom");

#ifdef DAYLOOM_HAS_KEYCHAIN

PasswordAnswer AnswerOf(const QKeychain::Job& job) {
    PasswordAnswer a;
    switch (job.error()) {
        case QKeychain::NoError: a.ok = true; break;
        case QKeychain::EntryNotFound:
            a.missing = true;
            a.error = QStringLiteral("пароль в хранилище паролей не найден");
            break;
        case QKeychain::AccessDeniedByUser:
        case QKeychain::AccessDenied:
            a.error = QStringLiteral("хранилище паролей системы не дало доступа (%1)").arg(job.errorString());
            break;
        case QKeychain::NoBackendAvailable:
        case QKeychain::NotImplemented:
            a.error = QStringLiteral("хранилище паролей системы недоступно (%1)").arg(job.errorString());
            break;
        default:
            a.error = QStringLiteral("хранилище паролей системы недоступно или ответило ошибкой (%1)")
                          .arg(job.errorString());
            break;
    }
    return a;
}

// QtKeychain's jobs run on their own and report on the window's thread.
// Without a keyring they fail rather than fall back to a plain file.
class KeychainStore final : public PasswordStore {
public:
    void Read(const QString& key, QObject* context, Done done) override {
        auto* job = new QKeychain::ReadPasswordJob(kService);
        Start(job, key, context, [done](QKeychain::Job* j) {
            PasswordAnswer a = AnswerOf(*j);
            if (a.ok) a.password = static_cast<QKeychain::ReadPasswordJob*>(j)->textData();
            done(a);
        });
    }
    void Write(const QString& key, const QString& password, QObject* context, Done done) override {
        auto* job = new QKeychain::WritePasswordJob(kService);
        job->setTextData(password);
        Start(job, key, context, [done](QKeychain::Job* j) { done(AnswerOf(*j)); });
    }
    void Remove(const QString& key, QObject* context, Done done) override {
        auto* job = new QKeychain::DeletePasswordJob(kService);
        Start(job, key, context, [done](QKeychain::Job* j) {
            PasswordAnswer a = AnswerOf(*j);
            if (a.missing) a = {true, false, {}, {}};  // nothing there is what was asked for
            done(a);
        });
    }

private:
    static void Start(QKeychain::Job* job, const QString& key, QObject* context,
                      std::function<void(QKeychain::Job*)> finished) {
        job->setKey(key);
        job->setAutoDelete(true);
        job->setInsecureFallback(false);
        QObject::connect(job, &QKeychain::Job::finished, context, std::move(finished));
        job->start();
    }
};

#else

class NoKeyring final : public PasswordStore {
public:
    void Read(const QString&, QObject* context, Done done) override { Refuse(context, std::move(done)); }
    void Write(const QString&, const QString&, QObject* context, Done done) override {
        Refuse(context, std::move(done));
    }
    void Remove(const QString&, QObject* context, Done done) override { Refuse(context, std::move(done)); }

private:
    static void Refuse(QObject* context, Done done) {
        QTimer::singleShot(0, context, [done] {
            done({false, false, {}, QStringLiteral("программа собрана без хранилища паролей системы")});
        });
    }
};

#endif

}  // namespace

std::unique_ptr<PasswordStore> MakeSystemPasswordStore() {
#ifdef DAYLOOM_HAS_KEYCHAIN
    return std::make_unique<KeychainStore>();
#else
    return std::make_unique<NoKeyring>();
#endif
}
