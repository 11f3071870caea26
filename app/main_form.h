#pragma once
// The main window's frame: the caption strip, the context and tray menus,
// the tray icon, the preferences and the colour scheme, the options file,
// the event editor and the import windows, the reminder timer with its alert
// window, and the event document with its saving. The calendar and the day
// list are the day panel's (TDayPanel).
#include <QWidget>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dayview/reminder_tick.h"
#include "dayview/snooze.h"
#include "dayview/time_left.h"
#include "events/event_document.h"
#include "events/undo_history.h"
#include "import/ics.h"
#include "import/import_host.h"
#include "settings/color_scheme.h"
#include "settings/user_options.h"

class Environment;
class QAction;
class QLabel;
class QMenu;
class QMoveEvent;
class QResizeEvent;
class QSystemTrayIcon;
class QThreadPool;
class QTimer;
class QToolButton;
class SyncRunner;
class TColorDlg;
class TDayPanel;
class TFormAlert;
class TFormJMD;
class TFormSunDay;
class TGradientPanel;
class TSyncDialog;
class TToDoEditDlg;

class TMainForm : public QWidget, private EventObserver {
    Q_OBJECT
public:
    explicit TMainForm(Environment& env, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The events; the window changes them only through the document.
    const EventDocument& Document() const { return *doc_; }
    // Today's reminder list, built from the events.
    const TDayRows& Reminders() const { return TodoListAlert; }
    // The options as they are now (what the options file gets).
    UserOptions CurrentOptions() const;
    // The colour scheme: as strings (empty until a theme is applied or the
    // scheme collected) and as the values the widget slots hold.
    const std::vector<std::string>& ColorScheme() const { return ListColorShem; }
    const SchemeColors& WidgetColorValues() const { return WidgetColors; }
    const DayListFormats& Formats() const;
    const LoadReport& LastLoad() const { return lastLoad_; }
    bool HiddenToTray() const { return hiddenToTray_; }
    bool ChildrenWereShown() const { return ChildrenShown; }

    // The reminder timer's tick (tests tick by hand with a fake clock).
    void TimerAlertTimer();
    // Waits until the saves handed to the committer are on disk.
    void WaitForSaves();
    // Saves what is not saved yet, events first, asking nothing: at logout,
    // on a polite kill, when the program quits.
    void SaveBeforeExit();
    // Brings the window back from the tray (a second start asks for it).
    void RestoreItemClick();

signals:
    // The window has closed for good: the program ends.
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // What every change of the events asks of the frame: the reminder list,
    // the timer, the save.
    void EventsChanged(const EventBatch& batch) override;
    bool NoReminderIn(const EventBatch& batch) const;

    // ---- start and end ----
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void Quit1Click();
    void BuildLayout();
    void BuildMenus();
    void ConnectHandlers();
    void ReadEventFile();
    // Keeps a copy of a file that could not be read whole; true when it is safe.
    bool KeepDamagedCopy(QString& where, QString& error);
    // "<fileName>.damaged-YYYYMMDD-HHMMSS" for now.
    std::string DamagedCopyName(const std::string& fileName) const;
    std::filesystem::path EventFileName() const { return DataDir / "ListToDo.db"; }

    // ---- saving ----
    // The store is saved this long after the last change (a burst of changes
    // is one save), so a crash or a kill loses at most these seconds. The
    // store goes into a temporary beside the file here, and the flush and the
    // rename run on the committer's thread; a failure is told once, without
    // blocking, and the next change tries again.
    void SaveSoonTimeout();
    bool ReadyToSave(QString& error);
    bool SaveEventFile(QString& error);
    void SaveEventsInBackground();
    void SaveFailed(const QString& error);
    // Brings in what another writer did to the file meanwhile and tells the user.
    bool TakeOutsideChanges(QString& error);
    // Writes the options when they differ from the file; a failure is told
    // once, without waiting for the user.
    bool SaveOptionsIfChanged();

    // ---- menus and their state ----
    // Enabled and checked states of the menu items, from the day panel's
    // selection: one place.
    void UpdateActions();
    void ShowContextMenu(QPoint global);
    // Ctrl+Z and Ctrl+Shift+Z / Ctrl+Y: one step of the history, a change
    // like any other.
    void pmUndoClick();
    void pmRedoClick();

    // ---- the editor ----
    void ToDo_AddEvent1Click();
    void ToDo_PropertiesEvent1Click();
    // Opens the selected event in the editor; a MoveToDay other than 0 becomes its start date.
    void ShowPropertiesEvent(TDateTime moveToDay);
    // Shows the editor until its values pass the checks; false on Cancel.
    bool RunEditorUntilValid(bool nameRequired);

    // ---- imports ----
    // The document, the calendar's year and messages over `window`, as the
    // import windows ask for them.
    TImportHost ImportHost(std::function<QWidget*()> window);
    void CreateFormJMD();
    void CreateFormSunDay();
    void ZetjournalMoonDays1Click();
    void pmFindGoodDays1Click();
    void pmImportICalendar1Click();
    void IcsRead(IcsRun run);
    void StopIcsReading();

    // ---- sync with a calendar server (main_form_sync.cpp) ----
    void CreateSync();
    // After the events are read: the settings, the state, the first round.
    void LoadSync();
    // Ends a round under way and lets the runner go, before the document does.
    void EndSync();
    void pmSyncClick();
    // Saves what the setup window holds; false (the user told) when it cannot.
    bool ApplySyncDialog();
    // The tray tip and the setup window's status line, from the runner.
    void ShowSyncStatus();

    // ---- reminders ----
    void UpDateAlertList(TDateTime moment);
    void MediaBum_Play();
    // "Отложить" on the alert window: reminder `id` of the memory comes back
    // `minutes` from now.
    void SnoozeReminder(int id, int minutes);
    // The snoozes of the last run: remembered as raised (the tick leaves
    // them to their own moment), raised at once when it has passed.
    void LoadSnoozes();
    void RaiseDueSnoozes(TDateTime now);
    void SaveSnoozes();

    // ---- look, options, preferences, tray, caption bar ----
    void ApplyWidgetColor(ColorSlot slot, TColor value);
    // Applies a scheme; false when a widget slot is missing or does not
    // convert (the slots before it stay applied, the panels are untouched).
    bool SetColorShema(const std::vector<std::string>& list);
    void FullListColorShem();
    bool LoadToDoThemaFromFile(const std::filesystem::path& file);
    void PaintPanels(TColor top, TColor middle, TColor bottom);
    void InstallShippedThemes();
    // Reads the options file and applies it, then its theme. Never fails.
    void LoadWindowParam();
    void CreateTrayAndPrefs();
    void pmPrefsClick();
    void FindSysFolders();
    void AddTrayIcon();
    // Hides to the tray; with no tray the window is minimized instead, so it
    // never leaves the user's reach.
    void HideAppToTray();
    void RestoreMainWindow();
    void TrayIconMessage(int reason);  // a QSystemTrayIcon::ActivationReason
    // Follows the tray's coming and going: window type, menu items, a window
    // hidden into a tray that went away comes back.
    void UpdateTrayState();
    // The position the window clings to when put at `proposed`.
    QPoint SnappedPosition(QPoint proposed) const;

    Environment& env_;
    std::filesystem::path DataDir;
    std::filesystem::path OptionsFileName;
    std::unique_ptr<EventDocument> doc_;
    // Told of each change before the views, so the menu names the step made.
    std::unique_ptr<UndoHistory> history_;
    LoadReport lastLoad_;
    bool shown_ = false;  // the first-showing mark

    // Settings held by the window.
    std::string CurrentThemeFile = "Default.tdt";
    int BirthDayIndex = 0;
    bool ShowWeekNumbers = true;
    int WeekStartDay = 1;
    bool ChildrenShown = false;
    std::string EdMediaFile;  // the reminder sound file (UTF-8 path)
    std::optional<std::filesystem::path> StartUpDir;  // read at first show; none when unknown
    std::vector<std::string> ListColorShem;
    SchemeColors WidgetColors = DesignColors();

    // Controls: the caption strip, the day panel.
    TGradientPanel* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* sbHideToTray = nullptr;
    TDayPanel* panel_ = nullptr;
    QWidget* SizeGrip = nullptr;  // without a system frame the height changes by this corner

    // The context menu of the day list, the calendar and the caption strip.
    QMenu* PopupToDo = nullptr;
    QAction* pmGoToday = nullptr;
    QAction* ToDo_AddEvent1 = nullptr;
    QAction* ToDo_PropertiesEvent1 = nullptr;
    QAction* ToDo_DeleteItem1 = nullptr;
    QAction* pmUndo = nullptr;
    QAction* pmRedo = nullptr;
    QAction* pmFind = nullptr;
    QAction* pmCompleted1 = nullptr;
    QAction* Preferences = nullptr;
    QAction* pmShowHideCalendar = nullptr;
    QAction* ToDo_deleteOld = nullptr;
    QMenu* pmImportEvent = nullptr;
    QAction* ZetjournalMoonDays1 = nullptr;
    QAction* pmFindGoodDays1 = nullptr;
    QAction* pmImportICalendar1 = nullptr;
    QAction* pmSync = nullptr;  // none in a build without sync
    QAction* HideItem = nullptr;
    QAction* Quit2 = nullptr;
    // The tray icon and its menu.
    QSystemTrayIcon* TrayIcon = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* RestoreItem = nullptr;
    QAction* SyncItem = nullptr;
    QAction* Quit1 = nullptr;
    QTimer* TrayWatch = nullptr;  // checks every second whether the tray came or went

    // Dialogs, created once, keeping their values between uses.
    TToDoEditDlg* ToDoEditDlg = nullptr;
    TColorDlg* ColorDlg = nullptr;
    TFormJMD* FormJMD = nullptr;
    TFormSunDay* FormSunDay = nullptr;
    TSyncDialog* SyncDlg = nullptr;

    // Reminders.
    QTimer* TimerAlert = nullptr;
    std::unique_ptr<TFormAlert> FormAlert;  // a window of its own, above the others
    ReminderMemory Memory;                  // raised reminders: the tabs, in order
    TDayRows TodoListAlert;
    SnoozeList Snoozed;
    bool snoozeFailureShown_ = false;
    TDateTime LastRollDay = 0;
    int RefreshTicks = 0;

    // Saving.
    QTimer* SaveSoon = nullptr;
    // One thread that commits prepared saves in the order they were made.
    std::unique_ptr<QThreadPool> committer_;
    std::unique_ptr<QThreadPool> icsReader_;  // an .ics file read aside
    std::atomic<bool> icsStop_{false};
    // Changes not on disk yet: set by every change and by a failed commit.
    std::atomic<bool> needsSave_{false};
    // A commit found the file changed by another writer.
    std::atomic<bool> outsideChange_{false};
    bool saveFailureShown_ = false;     // the user has been told the background save fails
    bool optionsFailureShown_ = false;

    // Sync beside the window; goes before the document (EndSync).
    SyncRunner* sync_ = nullptr;

    // The tray and the caption bar.
    bool trayKnown_ = false;  // a tray was there at the last look
    bool hiddenToTray_ = false;
    bool dragging_ = false;   // a caption drag the program moves itself
    QPoint dragOffset_;
    bool snapping_ = false;
};
