#pragma once
// The day panel of the main window: the month calendar with its marks, the
// button strip and the list of the selected day's events. It shows the event
// document and follows its changes; it changes events only through it.
#include <QPixmap>
#include <QWidget>

#include <memory>
#include <vector>

#include "dayview/time_left.h"
#include "events/date_time.h"
#include "events/event_document.h"
#include "events/event_search.h"

class Environment;
class QLabel;
class QLineEdit;
class QListWidget;
class QThreadPool;
class QMenu;
class QTimer;
class QToolButton;
class TGradientPanel;
class TPlannerCalendar;
class TTodoList;
struct TCalendarEvent;

class TDayPanel : public QWidget, private EventObserver {
    Q_OBJECT
public:
    TDayPanel(Environment& env, EventDocument& doc, QWidget* parent = nullptr);
    ~TDayPanel() override;

    // What the frame themes and hangs its menu on.
    TPlannerCalendar* Calendar() const { return PlannerCalendar1; }
    TTodoList* List() const { return TodoListShow; }
    QLabel* TodayLabel() const { return LabelNowDate; }
    TGradientPanel* ButtonStrip() const { return Panel5; }
    // The context menu of the calendar and the list.
    void SetContextMenu(QMenu* menu);

    // The first showing: today on the calendar and in the caption, the
    // formats of the day list. Then, with the events read, their marks and
    // today's list.
    void Begin(TDateTime now, const DayListFormats& formats);
    void ShowLoadedEvents(TDateTime today);
    const DayListFormats& Formats() const { return formats_; }
    void SetFormats(const DayListFormats& formats) { formats_ = formats; }

    // The selected day and the selected event.
    TDateTime Date() const;
    bool HasSelection() const { return selected_; }
    // Store position of the selected row's event; -1 when none.
    int SelectedSource() const;
    int LastHintedRow() const { return lastHinted_; }

    // "Перейти на сегодня": the calendar, the caption and the list on today.
    void GoToday(TDateTime now);
    // "Показать/Скрыть календарь".
    void ToggleCalendar();
    void SetCalendarVisible(bool visible);
    // Rebuilds the list for the selected day (the time-left texts age).
    void RebuildDayList();
    // Midnight passed: the calendar and the list move to the new day.
    void RollOver(TDateTime today);
    void SetTodayCaption(TDateTime now);
    void ClearHint();

    // The actions on the events, each one change of the document.
    void DeleteSelected();
    // The new completion is the opposite of `shownMark`, the mark the user saw.
    void ToggleSelectedCompletion(bool shownMark);
    void PurgePast(TDateTime now);
    // "Найти…": the search line above the day list; typing shows the
    // matches in place of the list, Enter or a double click goes to the
    // event's day and selects it, Esc leaves the day list as it was.
    void OpenSearch();
    void CloseSearch();
    QLineEdit* SearchLine() const { return EdSearch; }
    QListWidget* SearchResults() const { return ListFound; }
    // A short line above the list for a few seconds, no box to close.
    void ShowNotice(const QString& text);
    QLabel* Notice() const { return LabelNotice; }

signals:
    // The selection or its event changed: the frame derives its menu items.
    void SelectionChanged();
    // A row was clicked (the frame restarts its refresh count).
    void RowClicked();
    // A double click on the list, or Enter on a selected row.
    void OpenRequested();
    // A right click on a day while an event is selected: move it there.
    void MoveRequested(TDateTime day);
    void AddRequested();
    void PreferencesRequested();

private:
    void EventsChanged(const EventBatch& batch) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void BuildLayout();
    void RunSearch();
    // The search column made on another thread while the window goes on.
    void BuildSearchAside();
    void GoToFound(int row);
    void UpDateDayList(TDateTime day);
    bool ChangeDayListInPlace(const EventBatch& batch);
    void DayListShown();
    int SourceOf(int row) const;
    void MarkStartDays();
    void UpdateMarkersOfMonth();
    void AddEventToCalendar(TDateTime day);
    void DeleteEventFromCalendar(TDateTime day);
    TCalendarEvent MarkerPrototype() const;
    void DayChanged(TDateTime newDate);
    void MonthChanged(TDateTime newDate);
    void CalendarPressed(Qt::MouseButton button, int x, int y);
    void RowClick();
    void KeyPressed(QChar key);
    void MouseMoved(int x, int y);

    Environment& env_;
    EventDocument& doc_;
    DayListFormats formats_;
    TPlannerCalendar* PlannerCalendar1 = nullptr;
    TGradientPanel* Panel5 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* sbPreferences = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QLabel* LabelNowDate = nullptr;
    QLabel* LabelNotice = nullptr;
    QLineEdit* EdSearch = nullptr;
    QListWidget* ListFound = nullptr;
    EventSearch search_;
    std::unique_ptr<QThreadPool> searchPool_;  // one thread: one column at a time
    bool searchBuilding_ = false;
    std::vector<int> foundSources_;  // store position of each result row
    QTimer* NoticeTimer = nullptr;
    TTodoList* TodoListShow = nullptr;
    QPixmap ImgHide, ImgShow;
    QMenu* menu_ = nullptr;
    std::vector<int> daySources_;  // store position of each day-list row
    std::vector<uint32_t> daySlots_;  // and its event's slot, which a removal leaves alone
    TDateTime dayListDate_ = 0;
    bool selected_ = false;        // the day-list selection flag
    int lastHinted_ = -1;          // the row whose hint was prepared last
    bool calendarMoved_ = false;   // the last right press on the calendar moved an event
};
