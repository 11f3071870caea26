#include "app/day_panel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <unordered_set>
#include <utility>

#include "app/environment.h"
#include "widgets/gradient_panel_widget.h"
#include "app/qt_app_style.h"
#include "app/tool_button.h"
#include "dayview/day_list.h"
#include "dayview/markers.h"
#include "dayview/time_left.h"
#include "dayview/today_caption.h"
#include "events/qt_ansi.h"
#include "widgets/planner_calendar.h"
#include "widgets/todo_list.h"

TDayPanel::TDayPanel(Environment& env, EventDocument& doc, QWidget* parent)
    : QWidget(parent), env_(env), doc_(doc) {
    setObjectName(QStringLiteral("DayPanel"));
    searchPool_ = std::make_unique<QThreadPool>();
    searchPool_->setMaxThreadCount(1);
    BuildLayout();
    connect(PlannerCalendar1, &TPlannerCalendar::OnDayChange, this,
            [this](TDateTime, TDateTime newDate) { DayChanged(newDate); });
    connect(PlannerCalendar1, &TPlannerCalendar::OnMonthChange, this,
            [this](TDateTime, TDateTime newDate) { MonthChanged(newDate); });
    connect(PlannerCalendar1, &TPlannerCalendar::OnYearChange, this,
            [this](TDateTime, TDateTime newDate) { MonthChanged(newDate); });
    connect(PlannerCalendar1, &TPlannerCalendar::OnMouseDown, this, &TDayPanel::CalendarPressed);
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { GoToday(env_.Now()); });
    connect(SpeedButton3, &QToolButton::clicked, this, &TDayPanel::ToggleCalendar);
    connect(SpeedButton1, &QToolButton::clicked, this, &TDayPanel::AddRequested);
    connect(sbPreferences, &QToolButton::clicked, this, &TDayPanel::PreferencesRequested);
    connect(TodoListShow, &TTodoList::OnClick, this, &TDayPanel::RowClick);
    connect(TodoListShow, &TTodoList::OnDblClick, this, &TDayPanel::OpenRequested);
    connect(TodoListShow, &TTodoList::OnKeyPress, this, [this](QChar key, int) { KeyPressed(key); });
    connect(TodoListShow, &TTodoList::OnMouseMove, this,
            [this](Qt::KeyboardModifiers, int x, int y) { MouseMoved(x, y); });
    PlannerCalendar1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PlannerCalendar1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        // A right click that moved an event has done its work.
        if (std::exchange(calendarMoved_, false) || !menu_) return;
        menu_->popup(PlannerCalendar1->mapToGlobal(p));
    });
    doc_.Subscribe(this);
}

TDayPanel::~TDayPanel() {
    doc_.StopAside();
    searchPool_->waitForDone();
    doc_.Unsubscribe(this);
}

void TDayPanel::BuildLayout() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    PlannerCalendar1 = new TPlannerCalendar(this);
    PlannerCalendar1->setObjectName(QStringLiteral("PlannerCalendar1"));
    PlannerCalendar1->setFixedHeight(185);
    column->addWidget(PlannerCalendar1);

    Panel5 = new TGradientPanel(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setFixedHeight(22);
    auto* strip = new QHBoxLayout(Panel5);
    strip->setContentsMargins(2, 1, 6, 1);
    strip->setSpacing(1);
    ImgHide = QPixmap(QStringLiteral(":/glyphs/calendar_hide.png"));
    ImgShow = QPixmap(QStringLiteral(":/glyphs/calendar_show.png"));
    SpeedButton4 = MakeButton(Panel5, "SpeedButton4", QStringLiteral("Перейти на сегодня"),
                              QStringLiteral(":/glyphs/today.png"));
    SpeedButton1 = MakeButton(Panel5, "SpeedButton1", QStringLiteral("Добавить событие"),
                              QStringLiteral(":/glyphs/add.png"));
    sbPreferences = MakeButton(Panel5, "sbPreferences", QStringLiteral("Настройки"),
                               QStringLiteral(":/glyphs/prefs.png"));
    SpeedButton3 = MakeButton(Panel5, "SpeedButton3", QStringLiteral("Показать/Скрыть календарь"), {});
    SpeedButton3->setIcon(ImgHide);
    for (QToolButton* b : {SpeedButton4, SpeedButton1, sbPreferences, SpeedButton3}) strip->addWidget(b);
    LabelNowDate = new QLabel(Panel5);
    LabelNowDate->setObjectName(QStringLiteral("LabelNowDate"));
    LabelNowDate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    strip->addStretch();
    strip->addWidget(LabelNowDate);
    column->addWidget(Panel5);

    LabelNotice = new QLabel(this);
    LabelNotice->setObjectName(QStringLiteral("LabelNotice"));
    LabelNotice->setWordWrap(true);
    LabelNotice->setContentsMargins(4, 2, 4, 2);
    LabelNotice->hide();
    column->addWidget(LabelNotice);
    NoticeTimer = new QTimer(this);
    NoticeTimer->setObjectName(QStringLiteral("NoticeTimer"));
    NoticeTimer->setSingleShot(true);
    NoticeTimer->setInterval(6000);
    connect(NoticeTimer, &QTimer::timeout, LabelNotice, &QWidget::hide);

    EdSearch = new QLineEdit(this);
    EdSearch->setObjectName(QStringLiteral("EdSearch"));
    EdSearch->setPlaceholderText(QStringLiteral("Найти…"));
    EdSearch->setClearButtonEnabled(true);
    EdSearch->hide();
    EdSearch->installEventFilter(this);
    column->addWidget(EdSearch);
    ListFound = new QListWidget(this);
    ListFound->setObjectName(QStringLiteral("ListFound"));
    ListFound->hide();
    ListFound->installEventFilter(this);
    column->addWidget(ListFound, 1);
    connect(EdSearch, &QLineEdit::textChanged, this, &TDayPanel::RunSearch);
    // Enter is the event filter's, so a double click is the only activation left.
    connect(ListFound, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { GoToFound(ListFound->row(item)); });

    TodoListShow = new TTodoList(this);
    TodoListShow->setObjectName(QStringLiteral("TodoListShow"));
    column->addWidget(TodoListShow, 1);
}

void TDayPanel::SetContextMenu(QMenu* menu) {
    menu_ = menu;
    TodoListShow->PopupMenu = menu;
}

void TDayPanel::Begin(TDateTime now, const DayListFormats& formats) {
    selected_ = false;
    formats_ = formats;
    TodoListShow->HintHidePause = 12000;
    SetTodayCaption(now);
    SpeedButton3->setIcon(ImgHide);
    PlannerCalendar1->SetToday(DateOf(now));
    PlannerCalendar1->SetDate(now);
}

void TDayPanel::ShowLoadedEvents(TDateTime today) {
    MarkStartDays();
    UpdateMarkersOfMonth();
    PlannerCalendar1->SetDate(today);
    UpDateDayList(today);
}

TDateTime TDayPanel::Date() const { return PlannerCalendar1->Date(); }

void TDayPanel::SetTodayCaption(TDateTime now) { LabelNowDate->setText(FromAnsi(TodayCaption(now))); }

void TDayPanel::ClearHint() { TodoListShow->Hint.clear(); }

// ---- the day list ----

void TDayPanel::UpDateDayList(TDateTime day) {
    selected_ = false;
    TodoListShow->Hint.clear();
    lastHinted_ = -1;
    dayListDate_ = DateOf(day);
    UpDateTdList(doc_.Events(), day, ListMode::Day, env_.Now(), formats_, TodoListShow->Items(), &daySources_,
                 &doc_.Index());
    DayListShown();
}

void TDayPanel::DayListShown() {
    daySlots_.clear();
    for (const int src : daySources_) daySlots_.push_back(doc_.Events().SlotOf(src));
    // The selection flag is gone; so is the highlight, or the user would see
    // a row the commands no longer act on.
    selected_ = false;
    TodoListShow->SetItemIndex(-1);
    TodoListShow->ItemsChanged();
    emit SelectionChanged();
}

// A deletion, a purge or an addition from the editor changes the rows of its
// events only: at a million events, building the day's thousands of rows
// again would hold the window for milliseconds. False when the list must be
// built again (a list sorted by a column, a change of another kind).
bool TDayPanel::ChangeDayListInPlace(const EventBatch& batch) {
    if (TodoListShow->Sorted() || daySlots_.size() != daySources_.size() ||
        DayNumber(dayListDate_) != DayNumber(PlannerCalendar1->Date()) || !batch.changed.empty())
        return false;
    const TodoItems& events = doc_.Events();
    TDayRows& rows = TodoListShow->Items();
    if ((batch.kind == ChangeKind::Deleted || batch.kind == ChangeKind::Purged) && batch.added.empty()) {
        if (TakeRowsOf(events, batch.removed, rows, daySources_, daySlots_) < 0) return false;
    } else if (batch.kind == ChangeKind::Added && batch.removed.empty() && !batch.added.empty() &&
               batch.added.size() <= 64) {
        // An addition appends: its events are the last ones.
        const int first = events.Count() - static_cast<int>(batch.added.size());
        if (first < 0) return false;
        std::vector<uint32_t> added;
        for (int i = first; i < events.Count(); ++i) {
            const TTodoItem& a = batch.added[static_cast<size_t>(i - first)];
            if (events[i].Subject != a.Subject || events[i].CreationDate != a.CreationDate) return false;
            added.push_back(events.SlotOf(i));
        }
        AddRowsOf(events, added, PlannerCalendar1->Date(), ListMode::Day, env_.Now(), formats_, rows, &daySources_);
    } else {
        return false;
    }
    TodoListShow->Hint.clear();
    lastHinted_ = -1;
    DayListShown();
    return true;
}

void TDayPanel::RebuildDayList() { UpDateDayList(PlannerCalendar1->Date()); }

int TDayPanel::SelectedSource() const { return SourceOf(TodoListShow->ItemIndex()); }

int TDayPanel::SourceOf(int row) const {
    const TDayRows& shown = TodoListShow->Items();
    if (row < 0 || row >= int(shown.size())) return -1;
    // The positions from the last rebuild are exact while the store is as it
    // was; a changed store falls back to the event's identity.
    if (row < int(daySources_.size())) {
        const int src = daySources_[size_t(row)];
        const TodoItems& events = doc_.Events();
        const TDayRow& r = shown[size_t(row)];
        if (src >= 0 && src < events.Count() && events[src].Subject == r.Subject &&
            events[src].CreationDate == r.CreationDate)
            return src;
    }
    return getIdxOfList(row, shown, doc_.Events(), &doc_.Index());
}

void TDayPanel::DayChanged(TDateTime newDate) {
    TodoListShow->Hint.clear();
    UpDateDayList(newDate);
}

void TDayPanel::GoToday(TDateTime now) {
    PlannerCalendar1->SetToday(DateOf(now));
    PlannerCalendar1->SetDate(DateOf(now));
    UpDateDayList(PlannerCalendar1->Date());
    SetTodayCaption(now);
    UpdateMarkersOfMonth();
}

void TDayPanel::RollOver(TDateTime today) {
    TodoListShow->Hint.clear();
    PlannerCalendar1->SetToday(today);
    PlannerCalendar1->SetDate(today);
    UpDateDayList(today);
    UpdateMarkersOfMonth();
}

void TDayPanel::RowClick() {
    if (TodoListShow->Items().empty()) return;
    selected_ = true;
    TodoListShow->HintShowFullText = true;
    emit RowClicked();
    emit SelectionChanged();
}

void TDayPanel::KeyPressed(QChar key) {
    if (key == QLatin1Char('\r') && selected_) emit OpenRequested();
}

void TDayPanel::MouseMoved(int x, int y) {
    const int row = TodoListShow->ItemAt(QPoint(x, y));
    if (row < 0) {
        QToolTip::hideText();
        return;
    }
    if (row != lastHinted_) {
        lastHinted_ = row;
        QToolTip::hideText();
        TAppStyle::HintPause = 350;
        TodoListShow->HintHidePause = 12000;
    }
    TodoListShow->HintShowFullText = false;
    const int src = SourceOf(row);
    TodoListShow->HintShowFullText = true;
    if (const auto hint = HintEvent(doc_.Events(), src, TodoListShow->Items(), row, formats_))
        TodoListShow->Hint = FromAnsi(*hint);
}

// ---- the calendar and its marks ----

void TDayPanel::MarkStartDays() {
    // Many events share a start day; each day is marked once, in store order.
    // One pass over the store itself, no list of a million start days.
    std::unordered_set<int64_t> seen;
    for (const TTodoItem& e : doc_.Events()) {
        const TDateTime day = DateOf(e.CreationDate);
        if (seen.insert(DayNumber(day)).second) AddEventToCalendar(day);
    }
}

TCalendarEvent TDayPanel::MarkerPrototype() const {
    TCalendarEvent proto;
    proto.Color = PlannerCalendar1->EventMarkerColor.rgb() & 0xFFFFFF;
    proto.Shape = PlannerCalendar1->EventMarkerShape;
    proto.FontColor = PlannerCalendar1->EventDayColor.rgb() & 0xFFFFFF;
    return proto;
}

void TDayPanel::AddEventToCalendar(TDateTime day) {
    if (::AddEventToCalendar(PlannerCalendar1->Events(), MarkerPrototype(), day))
        PlannerCalendar1->RepaintDate(day);
}

void TDayPanel::DeleteEventFromCalendar(TDateTime day) {
    if (::DeleteEventFromCalendar(PlannerCalendar1->Events(), day)) PlannerCalendar1->RepaintDate(day);
}

void TDayPanel::UpdateMarkersOfMonth() {
    const TMarkChanges changes = ::UpdateMarkersOfMonth(doc_.Events(), PlannerCalendar1->Events(), MarkerPrototype(),
                                                        PlannerCalendar1->Year(), PlannerCalendar1->Month(),
                                                        &doc_.Index());
    for (const TDateTime d : changes.Days()) PlannerCalendar1->RepaintDate(d);
}

void TDayPanel::MonthChanged(TDateTime newDate) {
    UpdateMarkersOfMonth();
    // Browsing to the same day number of another month raises no day change,
    // yet the selected date is another one.
    if (DayNumber(newDate) != DayNumber(dayListDate_)) UpDateDayList(newDate);
}

void TDayPanel::CalendarPressed(Qt::MouseButton button, int x, int y) {
    calendarMoved_ = false;
    if (button != Qt::RightButton || !selected_) return;
    TDateTime day = 0;
    if (!PlannerCalendar1->DateAtXY(x, y, day)) return;
    calendarMoved_ = true;
    emit MoveRequested(day);
    PlannerCalendar1->update();
}

void TDayPanel::ToggleCalendar() { SetCalendarVisible(!PlannerCalendar1->isVisible()); }

void TDayPanel::SetCalendarVisible(bool visible) {
    PlannerCalendar1->setVisible(visible);
    SpeedButton3->setIcon(visible ? ImgHide : ImgShow);
}

// ---- search ----

void TDayPanel::BuildSearchAside() {
    if (searchBuilding_) return;
    searchBuilding_ = true;
    searchPool_->start([this] {
        auto built = std::make_shared<EventSearch>();
        uint64_t version = 0;
        const bool whole = doc_.ReadAside([&](const TodoItems& events, uint64_t v, const std::atomic<bool>& stop) {
            version = v;
            built->Build(events, &stop);
        });
        QMetaObject::invokeMethod(
            this,
            [this, built, version, whole] {
                searchBuilding_ = false;
                if (whole && built->Built() && version == doc_.Version()) {
                    search_ = std::move(*built);
                    if (EdSearch->isVisible()) RunSearch();
                } else if (EdSearch->isVisible()) {
                    BuildSearchAside();  // the events changed meanwhile
                }
            },
            Qt::QueuedConnection);
    });
}

void TDayPanel::OpenSearch() {
    // The column is made aside when the search opens; a key press only reads it.
    if (!search_.Built()) BuildSearchAside();
    EdSearch->show();
    EdSearch->setFocus();
    EdSearch->selectAll();
    RunSearch();
}

void TDayPanel::CloseSearch() {
    EdSearch->hide();
    ListFound->hide();
    TodoListShow->show();
    TodoListShow->setFocus();
}

void TDayPanel::RunSearch() {
    const QString text = EdSearch->text();
    ListFound->clear();
    foundSources_.clear();
    if (text.isEmpty()) {
        ListFound->hide();
        TodoListShow->show();
        return;
    }
    if (!search_.Built()) {
        BuildSearchAside();
        ListFound->addItem(QStringLiteral("Поиск…"));
        TodoListShow->hide();
        ListFound->show();
        return;
    }
    // A screenful: the rest is counted, not listed.
    constexpr size_t kShown = 40;
    const SearchResult found = search_.Find(ToAnsi(text), env_.Now(), kShown);
    for (const SearchHit& h : found.hits) {
        const TTodoItem& e = doc_.Events()[h.position];
        ListFound->addItem(QString::fromStdString(FormatDateTime("dd.MM.yyyy", h.date)) + QStringLiteral("  ") +
                           FromAnsi(e.Subject));
        foundSources_.push_back(h.position);
    }
    if (found.total > found.hits.size())
        ListFound->addItem(QStringLiteral("… и ещё %1").arg(found.total - found.hits.size()));
    if (found.total == 0) ListFound->addItem(QStringLiteral("Ничего не найдено"));
    ListFound->setCurrentRow(0);
    TodoListShow->hide();
    ListFound->show();
}

void TDayPanel::GoToFound(int row) {
    if (row < 0 || row >= int(foundSources_.size())) return;
    const int src = foundSources_[size_t(row)];
    if (src >= doc_.Count()) return;
    const TTodoItem e = doc_.Events()[src];
    CloseSearch();
    PlannerCalendar1->SetDate(DateOf(e.CreationDate));
    UpdateMarkersOfMonth();
    UpDateDayList(DateOf(e.CreationDate));
    for (int r = 0; r < int(daySources_.size()); ++r)
        if (daySources_[size_t(r)] == src) {
            TodoListShow->SetItemIndex(r);
            selected_ = true;
            emit SelectionChanged();
            break;
        }
}

bool TDayPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != EdSearch && watched != ListFound) return QWidget::eventFilter(watched, event);
    const bool override = event->type() == QEvent::ShortcutOverride;
    if (!override && event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Esc and Enter belong to the search here, not to the window's shortcuts.
    if (key != Qt::Key_Escape && key != Qt::Key_Return && key != Qt::Key_Enter &&
        !(watched == EdSearch && (key == Qt::Key_Down || key == Qt::Key_Up)))
        return false;
    event->accept();
    if (override) return true;
    if (key == Qt::Key_Escape) CloseSearch();
    else if (key == Qt::Key_Down || key == Qt::Key_Up) {
        const int row = ListFound->currentRow() + (key == Qt::Key_Down ? 1 : -1);
        if (row >= 0 && row < ListFound->count()) ListFound->setCurrentRow(row);
    } else {
        GoToFound(std::max(0, ListFound->currentRow()));
    }
    return true;
}

void TDayPanel::ShowNotice(const QString& text) {
    LabelNotice->setText(text);
    LabelNotice->show();
    NoticeTimer->start();
}

// ---- changes ----

void TDayPanel::DeleteSelected() {
    if (!selected_) return;
    const int src = SelectedSource();
    if (src < 0) return;
    doc_.Change(ChangeKind::Deleted, [&](EventDocument::Edit& e) { e.Remove(size_t(src)); });
}

void TDayPanel::ToggleSelectedCompletion(bool shownMark) {
    if (!selected_) return;
    const int src = SelectedSource();
    if (src < 0) return;
    TTodoItem after = doc_.Events()[src];
    after.Complete = !shownMark;
    doc_.Change(ChangeKind::Completed, [&](EventDocument::Edit& e) { e.Replace(size_t(src), std::move(after)); });
}

void TDayPanel::PurgePast(TDateTime now) {
    doc_.Change(ChangeKind::Purged, [&](EventDocument::Edit& e) { e.RemovePast(now); });
}

void TDayPanel::EventsChanged(const EventBatch& batch) {
    search_.Invalidate();
    if (EdSearch->isVisible()) {
        // The shown matches may name moved events: they wait for the new column.
        BuildSearchAside();
        RunSearch();
    }
    if (batch.kind == ChangeKind::Loaded) return;  // the first showing builds everything
    if (batch.kind == ChangeKind::Completed)
        // The day list keeps its order and selection: its rows change in place.
        for (const auto& [before, after] : batch.changed)
            for (TDayRow& row : TodoListShow->Items())
                if (row.Subject == after.Subject && row.CreationDate == after.CreationDate)
                    row.Complete = after.Complete;
    if (batch.RebuildsDayList()) {
        if (!ChangeDayListInPlace(batch)) UpDateDayList(PlannerCalendar1->Date());
    } else {
        TodoListShow->Refresh();
        emit SelectionChanged();
    }
    for (const TDateTime d : batch.DaysGained()) AddEventToCalendar(d);
    std::vector<TDateTime> lost = batch.DaysLost();
    // The day the change was made on may have held the event's only mark.
    if (batch.kind == ChangeKind::Deleted || batch.kind == ChangeKind::Edited)
        lost.push_back(DateOf(PlannerCalendar1->Date()));
    for (const TDateTime d : lost)
        if (getbDeleteEventFromCal(doc_.Events(), false, d, &doc_.Index())) DeleteEventFromCalendar(d);
    if (batch.RecomputesMarkers()) UpdateMarkersOfMonth();
    PlannerCalendar1->update();
}
