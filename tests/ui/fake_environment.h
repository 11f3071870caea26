#pragma once
// The whole program in a temporary folder, with a fixed clock, a fixed screen
// and scripted dialogs: tests hand a function that plays the user.
#include <QDialog>
#include <QMap>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "app/environment.h"
#include "app/password_store.h"
#include "dayview/sound_player.h"

// Counts what the program asks of the sound device; plays nothing.
class FakeSoundPlayer : public SoundPlayer {
public:
    std::filesystem::path file;
    bool open = false;
    int plays = 0, stops = 0;
    int64_t position = 0;
    void SetFile(const std::filesystem::path& path) override { file = path; }
    bool HasFile() const override { return !file.empty(); }
    bool Open() override { return open = HasFile(); }
    void Play(std::function<void()>) override {
        if (open) ++plays, position = 1;
    }
    void Stop() override { ++stops, position = 0; }
    void Close() override { open = false, position = 0; }
    int64_t Position() const override { return position; }
};

// A keyring in memory that answers later, as the system's does; or one that
// is not there at all (no Secret Service, as on a build machine).
class FakePasswordStore : public PasswordStore {
public:
    QMap<QString, QString> kept;
    bool available = true;
    int reads = 0, writes = 0;

    void Read(const QString& key, QObject* context, Done done) override {
        ++reads;
        PasswordAnswer a = Refusal();
        if (available && kept.contains(key)) a = {true, false, kept[key], {}};
        else if (available) a = {false, true, {}, QStringLiteral("пароль в хранилище паролей не найден")};
        Later(context, std::move(done), a);
    }
    void Write(const QString& key, const QString& password, QObject* context, Done done) override {
        ++writes;
        if (available) kept[key] = password;
        Later(context, std::move(done), available ? PasswordAnswer{true, false, {}, {}} : Refusal());
    }
    void Remove(const QString& key, QObject* context, Done done) override {
        if (available) kept.remove(key);
        Later(context, std::move(done), available ? PasswordAnswer{true, false, {}, {}} : Refusal());
    }

private:
    static PasswordAnswer Refusal() {
        return {false, false, {}, QStringLiteral("хранилище паролей системы недоступно (нет службы Secret Service)")};
    }
    static void Later(QObject* context, Done done, PasswordAnswer a) {
        QTimer::singleShot(0, context, [done = std::move(done), a] { done(a); });
    }
};

class FakeEnvironment : public Environment {
public:
    std::filesystem::path dir;
    TDateTime now = EncodeDateTime(2010, 10, 11, 9, 0);
    QStringList messages, questions;
    QStringList infos;  // what finished runs told, with the information icon
    int retriesWanted = 0;
    // Plays the user in a modal dialog; without it every dialog is cancelled.
    std::function<int(QDialog&)> modal;
    int modalRuns = 0;

    std::filesystem::path ExeDir() const override { return dir; }
    // The per-user folder; none by default, so the data stays in `dir`.
    std::filesystem::path perUser;
    std::filesystem::path PerUserDataDir() const override { return perUser; }
    TDateTime Now() const override { return now; }
    // Shows the dialog as exec() would, lets the script play the user, hides it.
    int RunModal(QDialog& dialog) override {
        ++modalRuns;
        dialog.setResult(QDialog::Rejected);
        dialog.show();
        const int result = modal ? modal(dialog) : QDialog::Rejected;
        dialog.hide();
        return result;
    }
    void ShowMessage(QWidget*, const QString& text) override {
        messages << text;
        ++waitingMessages;
    }
    void ShowInfo(QWidget*, const QString& text) override { infos << text; }
    // The answers to the next questions, in turn (none left: the second answer).
    QList<bool> answers;
    bool Ask(QWidget*, const QString& text, const QString&, const QString&) override {
        questions << text;
        return !answers.isEmpty() && answers.takeFirst();
    }
    void Notify(QWidget*, const QString& text) override { messages << text; }
    int waitingMessages = 0;  // of `messages`, those the user had to acknowledge
    // The file the user picks in the next open-file dialogs, in turn (empty: Cancel).
    QStringList filesToChoose;
    QStringList fileDialogs;  // "title|folder|filter" of each dialog shown
    QString ChooseOpenFile(QWidget*, const QString& title, const QString& folder, const QString& filter) override {
        fileDialogs << title + "|" + folder + "|" + filter;
        return filesToChoose.isEmpty() ? QString() : filesToChoose.takeFirst();
    }
    bool AskRetry(QWidget*, const QString& text) override {
        questions << text;
        return retriesWanted-- > 0;
    }
    QRect workArea{0, 0, 1280, 984};
    QSize screen{1280, 1024};
    QRect WorkArea() const override { return workArea; }
    QSize ScreenSize() const override { return screen; }
    QList<QRect> AvailableAreas() const override { return {WorkArea()}; }
    DayListFormats Formats() const override { return {}; }
    FakeSoundPlayer sound;
    SoundPlayer& Sound() override { return sound; }
    FakePasswordStore passwords;
    PasswordStore& Passwords() override { return passwords; }

    // Whether a notification area is there.
    bool tray = true;
    bool TrayAvailable() const override { return tray; }
    // The colours the user picks in the next colour choosers, in turn (none: Cancel).
    QList<QColor> colorsToChoose;
    QList<QColor> colorDialogs;  // the colour each chooser opened with
    std::optional<QColor> ChooseColor(QWidget*, const QColor& initial) override {
        colorDialogs << initial;
        if (colorsToChoose.isEmpty()) return std::nullopt;
        return colorsToChoose.takeFirst();
    }
    std::filesystem::path ExeFile() const override { return dir / "dayloom"; }
    // The start-up folder the system tells (none: it tells none).
    std::optional<std::filesystem::path> startUp;
    std::optional<std::filesystem::path> StartUpDir() const override { return startUp; }
    // Makes the next removal of the start-up entry fail as a refused delete does.
    bool refuseRemove = false;
    WriteResult RemoveStartUpLink(const std::filesystem::path& link) override {
        if (refuseRemove) return {false, "Отказано в доступе"};
        return Environment::RemoveStartUpLink(link);
    }
};
