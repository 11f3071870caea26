#pragma once
// What the shell asks of the platform. The main window gets one of these at
// construction; tests pass a subclass with a fake clock, scripted dialogs and
// a temporary folder instead of the executable's.
#include <QColor>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "dayview/time_left.h"
#include "events/date_time.h"
#include "events/safe_file.h"

class QApplication;
class QDialog;
class QIcon;
class QMessageBox;
class QTranslator;
class PasswordStore;
class SoundPlayer;
class QWidget;

class Environment {
public:
    Environment();
    virtual ~Environment();

    // Folder of the running executable (the data folder lives beside it
    // while that folder can be written).
    virtual std::filesystem::path ExeDir() const;
    // The per-user application folder, where the data folder goes when the
    // executable's folder cannot be written (an installed program).
    virtual std::filesystem::path PerUserDataDir() const;
    // The clock. Nothing else in the program reads it.
    virtual TDateTime Now() const;
    // Shows a dialog modally; returns its result code.
    virtual int RunModal(QDialog& dialog);
    // A message the user acknowledges: a failure, with the warning icon.
    virtual void ShowMessage(QWidget* parent, const QString& text);
    // What a finished run did, with the information icon.
    virtual void ShowInfo(QWidget* parent, const QString& text);
    // A question with two answers; true for `yes`.
    virtual bool Ask(QWidget* parent, const QString& text, const QString& yes, const QString& no);
    // A message that does not wait for the user (a background failure).
    virtual void Notify(QWidget* parent, const QString& text);
    // The open-file dialog, in the middle of the screen: a chosen file's full
    // path, or empty when cancelled.
    virtual QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& folder,
                                   const QString& filter);
    // A question with "try again" / "close anyway"; true = try again.
    virtual bool AskRetry(QWidget* parent, const QString& text);
    // Desktop work area (without panels) and whole screen size.
    virtual QRect WorkArea() const;
    virtual QSize ScreenSize() const;
    // The available areas of every screen, to tell a stored window position
    // that no screen shows any more.
    virtual QList<QRect> AvailableAreas() const;
    // Free bytes on the drive of `path`; -1 when the system gives no answer.
    virtual int64_t FreeSpace(const std::filesystem::path& path) const;
    // The short date and long time formats of the system locale; the Russian
    // ones when the locale gives none.
    virtual DayListFormats Formats() const;
    // The reminder sound's player (the real one on Qt Multimedia).
    virtual SoundPlayer& Sound();
    // The system's keyring, where the sync password is kept.
    virtual PasswordStore& Passwords();

    // ---- the tray, the colour chooser, starting with the session ----
    // A notification area is there now; it may come and go while we run.
    virtual bool TrayAvailable() const;
    // The colour chooser in its full form, in the middle of the screen; none
    // when cancelled.
    virtual std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial);
    // The running executable's full path.
    virtual std::filesystem::path ExeFile() const;
    // The user's start-up folder; none when the system does not tell it.
    virtual std::optional<std::filesystem::path> StartUpDir() const;
    // Creates or replaces the start-up entry `link` that starts ExeFile().
    virtual WriteResult CreateStartUpLink(const std::filesystem::path& link);
    virtual WriteResult RemoveStartUpLink(const std::filesystem::path& link);
    // The program the start-up entry `link` starts; none when it cannot be read.
    virtual std::optional<std::filesystem::path> StartUpLinkTarget(const std::filesystem::path& link) const;

private:
    std::unique_ptr<SoundPlayer> sound_;
    std::unique_ptr<PasswordStore> passwords_;
};

// Names the application and has the toolkit speak Russian. Window captions
// are the program's own texts: no display name is set, so the platform adds
// no " — dayloom" to them.
void SetUpApplication(QApplication& app);
// The toolkit's own Russian texts (the file and colour choosers, the text
// boxes' menus), from its translations folder or a "translations" folder
// beside the program; none when neither has them.
QTranslator* InstallToolkitTranslations(QApplication& app);
// The program's icon in every size it is drawn in (window, tray).
QIcon AppIcon();
// The data folder: `dayloom_data` beside the executable, or in the per-user
// folder when the executable's folder cannot be written (ChooseDataFolder).
std::filesystem::path DataFolder(const Environment& env);
// Registers the glyphs of the shell library.
void InitShellResources();
// A message box of the program: the application's name as its caption,
// opening in the middle of the screen.
void PrepareMessageBox(QMessageBox& box);

// Current local time as a TDateTime.
TDateTime LocalNow();
