#pragma once
// The main window: title strip, month calendar, button strip and the day
// list. It owns the event store and the lists built from it.
#include <QPixmap>
#include <QWidget>

#include <atomic>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dayview/reminder_tick.h"
#include "dayview/time_left.h"
#include "events/event_file.h"
#include "events/event_document.h"
#include "import/import_host.h"
#include "settings/color_scheme.h"
#include "settings/user_options.h"
#include "events/todo_item.h"

class Environment;
class QAction;
class QMoveEvent;
class QResizeEvent;
class QSystemTrayIcon;
class TColorDlg;
class QLabel;
class QMenu;
class QThreadPool;
class QTimer;
class QToolButton;
class TFormAlert;
class TFormJMD;
class TFormSunDay;
class TToDoEditDlg;
struct TCalendarEvent;
class TGradientPanel;
class TPlannerCalendar;
class TTodoList;

class TMainForm : public QWidget, private EventObserver {
    Q_OBJECT
public:
    explicit TMainForm(Environment& env, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Paths computed at creation.
    std::filesystem::path DataDir;
    std::filesystem::path OptionsFileName;
    std::filesystem::path EventFileName() const { return DataDir / "ListToDo.db"; }
    std::string CurrentThemeFile = "Default.tdt";
    int BirthDayIndex = 0;
    bool ShowWeekNumbers = true;
    int WeekStartDay = 1;
    bool ChildrenShown = false;

    // ---- colour scheme and options ----
    // The current scheme as colour strings (empty until a theme is applied
    // or the scheme is collected), and the values the widget slots hold now,
    // so a scheme is collected back exactly as it was given (clWindowText
    // stays clWindowText).
    std::vector<std::string> ListColorShem;
    SchemeColors WidgetColors = DesignColors();
    // Applies a scheme; false when a widget slot is missing or does not
    // convert (the slots before it stay applied, the panels are untouched).
    bool SetColorShema(const std::vector<std::string>& list);
    void FullListColorShem();
    bool LoadToDoThemaFromFile(const std::filesystem::path& file);
    void PaintPanels(TColor top, TColor middle, TColor bottom);
    // Reads the options file and applies it, then its theme. Never fails.
    void LoadWindowParam();
    // Writes the options when they differ from the file; a failure is told
    // once, without waiting for the user.
    bool SaveOptionsIfChanged();
    UserOptions CurrentOptions() const;

    // The events, which the window shows and changes only through the
    // document's one change path; the reminder list built from them.
    const EventDocument& Document() const { return *doc_; }
    TodoItems TodoListAlert;
    TDateTime LastRollDay = 0;
    int RefreshTicks = 0;
    bool DayListSelected = false;

    // Controls, top to bottom.
    TGradientPanel* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* sbHideToTray = nullptr;
    TPlannerCalendar* PlannerCalendar1 = nullptr;
    TGradientPanel* Panel5 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* sbPreferences = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QLabel* LabelNowDate = nullptr;
    TTodoList* TodoListShow = nullptr;
    QPixmap ImgHide, ImgShow;

    // Context menu of the day list, the calendar and the title strip.
    QMenu* PopupToDo = nullptr;
    QAction* pmGoToday = nullptr;
    QAction* ToDo_AddEvent1 = nullptr;
    QAction* ToDo_PropertiesEvent1 = nullptr;
    QAction* ToDo_DeleteItem1 = nullptr;
    QAction* pmCompleted1 = nullptr;
    QAction* Preferences = nullptr;
    QAction* pmShowHideCalendar = nullptr;
    QAction* ToDo_deleteOld = nullptr;
    QMenu* pmImportEvent = nullptr;
    QAction* ZetjournalMoonDays1 = nullptr;
    QAction* pmFindGoodDays1 = nullptr;
    QAction* HideItem = nullptr;
    QAction* Quit2 = nullptr;
    // The tray icon's menu.
    QMenu* PopupMenu1 = nullptr;
    QAction* RestoreItem = nullptr;
    QAction* Quit1 = nullptr;

    // Formats of dates and times in the day list, hints and reminders.
    DayListFormats Formats;

    void FormShow();
    // Writes the event file; never refuses the close.
    bool FormCloseQuery();
    void Quit1Click();

    // Marks the start day of every stored event on the calendar.
    void LoadEvent();
    void AddEventToCalendar(TDateTime day);

    // ---- the day list ----
    // The store is saved this long after the last change (a burst of changes
    // is one save), so a crash or a kill loses at most these seconds.
    QTimer* SaveSoon = nullptr;
    // Saves now: the store goes into a temporary beside the file here, and
    // the flush to disk and the rename run on the committer's thread, so the
    // window does not wait for the disk. A failure is told once, without
    // blocking, and the next change tries again.
    void SaveSoonTimeout();
    // Waits until the saves handed to the committer are on disk.
    void WaitForSaves();
    // Saves what is not saved yet, events first, asking nothing: at logout,
    // on a polite kill, when the program quits.
    void SaveBeforeExit();

    // Rebuilds the day list for `day` (day mode) and forgets the selection.
    void UpDateDayList(TDateTime day);
    // Rebuilds the reminder list for `moment` (reminder mode).
    void UpDateAlertList(TDateTime moment);
    void PlannerCalendar1DayChange(TDateTime oldDate, TDateTime newDate);
    void SpeedButton4Click();
    void TodoListShowClick();
    // True when the key was Enter (it is always consumed).
    bool TodoListShowKeyPress(QChar key);
    void TodoListShowMouseMove(int x, int y);
    // ---- calendar marks ----
    // Recomputes the marks of the shown month and its neighbours.
    void UpdateMarkersOfMonth();
    void DeleteEventFromCalendar(TDateTime day);
    void PlannerCalendar1MonthChange(TDateTime oldDate, TDateTime newDate);
    // A right click on a day moves the selected event there through the editor.
    void PlannerCalendar1MouseDown(Qt::MouseButton button, int x, int y);
    void SpeedButton3Click();
    // The date the day list was last built for.
    TDateTime DayListDate() const { return dayListDate_; }

    // ---- deleting, completing, purging ----
    void ToDo_DeleteItem1Click();
    void pmCompleted1Click();
    void ToDo_deleteOldClick();

    // ---- reminders ----
    QTimer* TimerAlert = nullptr;
    std::unique_ptr<TFormAlert> FormAlert;  // a window of its own, above the others
    ReminderMemory Memory;                  // raised reminders: the tabs, in order
    std::string EdMediaFile;                // the reminder sound file (UTF-8 path)
    void TimerAlertTimer();
    void MediaBum_Play();

    // The editor: a new event, or the selected one.
    void ToDo_AddEvent1Click();
    void ToDo_PropertiesEvent1Click();
    // Opens the selected event in the editor; a MoveToDay other than 0 becomes its start date.
    void ShowPropertiesEvent(TDateTime moveToDay);
    // Appends the event the editor describes; overwrites event `index` with it.
    void AddItemToListFromUser();
    void ChangeItemToDo(int index);
    TToDoEditDlg* ToDoEditDlg = nullptr;  // created once, keeps its values between uses

    // ---- the ZET import window ----
    TFormJMD* FormJMD = nullptr;  // created once, keeps its journal and choices between uses
    void ZetjournalMoonDays1Click();
    // ---- the favourable-days window ----
    TFormSunDay* FormSunDay = nullptr;  // created once, keeps the user's choices between uses
    void pmFindGoodDays1Click();
    // "Импорт iCalendar…": another calendar's file into the store.
    QAction* pmImportICalendar1 = nullptr;
    void pmImportICalendar1Click();
    // Store position of the event behind day-list row `row`; -1 when none.
    int SourceOfDayRow(int row) const;
    // The day-list row whose hint was prepared last.
    int LastHintedItem = -1;

    // The last report of reading the event file (for the caller and tests).
    const LoadReport& LastLoad() const { return lastLoad_; }

    // ---- preferences, tray icon, caption bar, start with the session ----
    TColorDlg* ColorDlg = nullptr;  // created once, keeps its values between uses
    QSystemTrayIcon* TrayIcon = nullptr;
    // Checks every second whether the notification area came or went.
    QTimer* TrayWatch = nullptr;
    // The user's start-up folder, read at first show; none when unknown.
    std::optional<std::filesystem::path> StartUpDir;
    void pmPrefsClick();
    void FindSysFolders();
    void AddTrayIcon();
    // Hides to the tray; with no tray the window is minimized instead, so it
    // never leaves the user's reach.
    void HideAppToTray();
    void RestoreMainWindow();
    void RestoreItemClick();
    void TrayIconMessage(int reason);  // a QSystemTrayIcon::ActivationReason
    // The position the window clings to when put at `proposed`.
    QPoint SnappedPosition(QPoint proposed) const;
    bool HiddenToTray() const { return hiddenToTray_; }

signals:
    // The window has closed for good: the program ends.
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateTrayAndPrefs();
    // Without a system frame the window's height is changed by this corner.
    QWidget* SizeGrip = nullptr;
    // Follows the tray's coming and going: window type, menu items, a window
    // hidden into a tray that went away comes back.
    void UpdateTrayState();
    bool trayKnown_ = false;     // a tray was there at the last look
    bool hiddenToTray_ = false;
    bool dragging_ = false;      // a caption drag the program moves itself
    QPoint dragOffset_;
    bool snapping_ = false;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void ApplyWidgetColor(ColorSlot slot, TColor value);
    void InstallShippedThemes();
    // The change path, the calendar's year and messages over `window`, as the
    // import windows ask for them.
    TImportHost ImportHost(std::function<QWidget*()> window);
    void CreateFormJMD();
    void CreateFormSunDay();
    void BuildLayout();
    void BuildMenus();
    void ConnectHandlers();
    void ReadEventFile();
    // Keeps a copy of a file that could not be read whole; true when it is safe.
    bool KeepDamagedCopy(QString& where, QString& error);
    // No folder where the file goes, and a damaged file kept as a copy first.
    bool ReadyToSave(QString& error);
    bool SaveEventFile(QString& error);
    void SaveEventsInBackground();
    void SaveFailed(const QString& error);
    // Brings in what another writer did to the file meanwhile and tells the user.
    bool TakeOutsideChanges(QString& error);
    // "<fileName>.damaged-YYYYMMDD-HHMMSS" for now.
    std::string DamagedCopyName(const std::string& fileName) const;

    QString ThisDayCaption() const;
    TCalendarEvent MarkerPrototype() const;
    void RepaintDays(const std::vector<TDateTime>& days);
    // Shows the editor until its values pass the checks; false on Cancel.
    bool RunEditorUntilValid(bool nameRequired);

    std::vector<int> daySources_;  // store position of each day-list copy
    TDateTime dayListDate_ = 0;
    bool calendarMoved_ = false;   // the last right press on the calendar moved an event
    Environment& env_;
    bool shown_ = false;       // the first-showing mark
    bool closing_ = false;     // FormCloseQuery ran for this close
    LoadReport lastLoad_;
    bool saveFailureShown_ = false; // the user has been told the background save fails
    // One thread that commits prepared saves in the order they were made.
    std::unique_ptr<QThreadPool> committer_;
    std::unique_ptr<EventDocument> doc_;
    // What every change of the events asks of the views: one place.
    void EventsChanged(const EventBatch& batch) override;
    // Changes not on disk yet: set by every change and by a failed commit.
    std::atomic<bool> needsSave_{false};
    // A commit found the file changed by another writer.
    std::atomic<bool> outsideChange_{false};
    bool optionsFailureShown_ = false;
};
