#include "app/main_form.h"

#include <QAction>
#include "dayview/tab_set_widget.h"
#include <QApplication>
#include <QSessionManager>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <cstdio>
#include <utility>
#include <unordered_set>

#include "app/environment.h"
#include "app/gradient_panel_widget.h"
#include "app/qt_app_style.h"
#include "dayview/form_alert.h"
#include "dayview/markers.h"
#include "dayview/sound_choice.h"
#include "dayview/sound_player.h"
#include "events/purge.h"
#include "events/todo_edit_dlg.h"
#include "dayview/day_list.h"
#include "dayview/today_caption.h"
#include "events/qt_ansi.h"
#include "events/data_folder.h"
#include "settings/theme_file.h"
#include "events/event_file_keeper.h"
#include "events/event_store.h"
#include "import/form_sun_day.h"
#include "widgets/planner_calendar.h"
#include "widgets/todo_list.h"

namespace {

QString PathText(const std::filesystem::path& p) { return QString::fromStdU16String(p.u16string()); }

QToolButton* MakeButton(QWidget* parent, const char* name, const QString& hint, const QString& glyph) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setFixedSize(22, 22);
    if (!glyph.isEmpty()) b->setIcon(QPixmap(glyph));
    return b;
}

}  // namespace


TMainForm::TMainForm(Environment& env, QWidget* parent) : QWidget(parent), env_(env) {
    InitShellResources();
    setObjectName(QStringLiteral("MainForm"));
    BuildLayout();
    BuildMenus();
    ConnectHandlers();
    FormCreate();
}

void TMainForm::ConnectHandlers() {
    connect(PlannerCalendar1, &TPlannerCalendar::OnDayChange, this, &TMainForm::PlannerCalendar1DayChange);
    connect(SpeedButton4, &QToolButton::clicked, this, &TMainForm::SpeedButton4Click);
    connect(pmGoToday, &QAction::triggered, this, &TMainForm::SpeedButton4Click);
    connect(PlannerCalendar1, &TPlannerCalendar::OnMonthChange, this, &TMainForm::PlannerCalendar1MonthChange);
    connect(PlannerCalendar1, &TPlannerCalendar::OnYearChange, this, &TMainForm::PlannerCalendar1MonthChange);
    connect(PlannerCalendar1, &TPlannerCalendar::OnMouseDown, this, &TMainForm::PlannerCalendar1MouseDown);
    connect(SpeedButton3, &QToolButton::clicked, this, &TMainForm::SpeedButton3Click);
    connect(pmShowHideCalendar, &QAction::triggered, this, &TMainForm::SpeedButton3Click);
    connect(ToDo_DeleteItem1, &QAction::triggered, this, &TMainForm::ToDo_DeleteItem1Click);
    // The item is checkable, so Qt has flipped its mark before `triggered`
    // arrives; the toggle reads the mark as the user saw it.
    connect(pmCompleted1, &QAction::triggered, this, [this](bool checked) {
        pmCompleted1->setChecked(!checked);
        pmCompleted1Click();
    });
    connect(ToDo_deleteOld, &QAction::triggered, this, &TMainForm::ToDo_deleteOldClick);
    connect(TodoListShow, &TTodoList::OnDblClick, this, &TMainForm::ToDo_PropertiesEvent1Click);
    connect(ToDo_AddEvent1, &QAction::triggered, this, &TMainForm::ToDo_AddEvent1Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TMainForm::ToDo_AddEvent1Click);
    connect(ToDo_PropertiesEvent1, &QAction::triggered, this, &TMainForm::ToDo_PropertiesEvent1Click);
    connect(ZetjournalMoonDays1, &QAction::triggered, this, &TMainForm::ZetjournalMoonDays1Click);
    connect(pmFindGoodDays1, &QAction::triggered, this, &TMainForm::pmFindGoodDays1Click);
    connect(pmImportICalendar1, &QAction::triggered, this, &TMainForm::pmImportICalendar1Click);
    SaveSoon = new QTimer(this);
    SaveSoon->setObjectName(QStringLiteral("SaveSoon"));
    SaveSoon->setSingleShot(true);
    SaveSoon->setInterval(2000);
    connect(SaveSoon, &QTimer::timeout, this, &TMainForm::SaveSoonTimeout);
    committer_ = std::make_unique<QThreadPool>();
    committer_->setMaxThreadCount(1);  // commits in the order of their saves
    // A logout or shutdown may end the program without closing the window.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainForm::SaveBeforeExit);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TMainForm::SaveBeforeExit);
    TimerAlert = new QTimer(this);
    TimerAlert->setObjectName(QStringLiteral("TimerAlert"));
    TimerAlert->setInterval(1000);
    connect(TimerAlert, &QTimer::timeout, this, &TMainForm::TimerAlertTimer);
    connect(TodoListShow, &TTodoList::OnClick, this, &TMainForm::TodoListShowClick);
    connect(TodoListShow, &TTodoList::OnKeyPress, this, [this](QChar key, int) { TodoListShowKeyPress(key); });
    connect(TodoListShow, &TTodoList::OnMouseMove, this,
            [this](Qt::KeyboardModifiers, int x, int y) { TodoListShowMouseMove(x, y); });
}

// A commit still running reports back to this window: it ends first.
TMainForm::~TMainForm() { WaitForSaves(); }

void TMainForm::BuildLayout() {
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    setFixedWidth(265);
    setMinimumHeight(450);
    setMaximumHeight(QWIDGETSIZE_MAX);
    resize(265, 545);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel1 = new TGradientPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(28);
    auto* title = new QHBoxLayout(Panel1);
    title->setContentsMargins(6, 0, 4, 0);
    title->setSpacing(6);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/icons/dayloom-16.png")));
    Label1 = new QLabel(QStringLiteral("Dayloom"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = f;
    bold.setBold(true);
    bold.setPointSize(10);
    Label1->setFont(bold);
    sbHideToTray = MakeButton(Panel1, "sbHideToTray", QStringLiteral("Скрыть в трей"), {});
    sbHideToTray->setText(QStringLiteral("-"));
    title->addWidget(Image1);
    title->addWidget(Label1);
    title->addStretch();
    title->addWidget(sbHideToTray);
    column->addWidget(Panel1);

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

    TodoListShow = new TTodoList(this);
    TodoListShow->setObjectName(QStringLiteral("TodoListShow"));
    column->addWidget(TodoListShow, 1);
}

void TMainForm::BuildMenus() {
    PopupToDo = new QMenu(this);
    PopupToDo->setObjectName(QStringLiteral("PopupToDo"));
    auto item = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys,
                       bool enabled) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(enabled);
        addAction(a);
        return a;
    };
    pmGoToday = item(PopupToDo, "pmGoToday", QStringLiteral("Перейти на сегодня"), {}, true);
    ToDo_AddEvent1 = item(PopupToDo, "ToDo_AddEvent1", QStringLiteral("Добавить событие"),
                          QKeySequence(Qt::Key_Insert), true);
    ToDo_PropertiesEvent1 = item(PopupToDo, "ToDo_PropertiesEvent1", QStringLiteral("Свойства"),
                                 QKeySequence(Qt::CTRL | Qt::Key_P), false);
    ToDo_DeleteItem1 = item(PopupToDo, "ToDo_DeleteItem1", QStringLiteral("Удалить событие"),
                            QKeySequence(Qt::Key_Delete), false);
    PopupToDo->addSeparator()->setObjectName(QStringLiteral("N3"));
    pmCompleted1 = item(PopupToDo, "pmCompleted1", QStringLiteral("Завершено"), {}, false);
    pmCompleted1->setCheckable(true);
    PopupToDo->addSeparator()->setObjectName(QStringLiteral("N7"));
    Preferences = item(PopupToDo, "Preferences", QStringLiteral("Настройка"),
                       QKeySequence(Qt::CTRL | Qt::Key_F12), true);
    pmShowHideCalendar = item(PopupToDo, "pmShowHideCalendar",
                              QStringLiteral("Показать/Скрыть календарь"), {}, true);
    ToDo_deleteOld = item(PopupToDo, "ToDo_deleteOld", QStringLiteral("Удалить прошедшие события"),
                          QKeySequence(Qt::CTRL | Qt::Key_Delete), true);
    pmImportEvent = PopupToDo->addMenu(QStringLiteral("Импорт событий"));
    pmImportEvent->setObjectName(QStringLiteral("pmImportEvent"));
    ZetjournalMoonDays1 = item(pmImportEvent, "ZetjournalMoonDays1", QStringLiteral("ZET-события"), {}, true);
    pmFindGoodDays1 = item(pmImportEvent, "pmFindGoodDays1", QStringLiteral("Благоприятные дни"), {}, true);
    pmImportICalendar1 = item(pmImportEvent, "pmImportICalendar1", QStringLiteral("Импорт iCalendar…"), {}, true);
    PopupToDo->addSeparator()->setObjectName(QStringLiteral("N1"));
    HideItem = item(PopupToDo, "HideItem", QStringLiteral("Скрыть в трей"), {}, false);
    Quit2 = item(PopupToDo, "Quit2", QStringLiteral("Выход"), QKeySequence(Qt::CTRL | Qt::Key_Q), true);
    connect(Quit2, &QAction::triggered, this, &TMainForm::Quit1Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    RestoreItem = PopupMenu1->addAction(QStringLiteral("Восстановить"));
    RestoreItem->setObjectName(QStringLiteral("RestoreItem"));
    RestoreItem->setEnabled(false);
    Quit1 = PopupMenu1->addAction(QStringLiteral("Выход"));
    Quit1->setObjectName(QStringLiteral("Quit1"));
    connect(Quit1, &QAction::triggered, this, &TMainForm::Quit1Click);

    TodoListShow->PopupMenu = PopupToDo;
    PlannerCalendar1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PlannerCalendar1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        // A right click that moved an event has done its work.
        if (std::exchange(calendarMoved_, false)) return;
        PopupToDo->popup(PlannerCalendar1->mapToGlobal(p));
    });
    Panel1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Panel1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupToDo->popup(Panel1->mapToGlobal(p)); });
}

void TMainForm::FormCreate() {
    BirthDayIndex = 0;
    setWindowTitle(QStringLiteral("dayloom"));
    ShowWeekNumbers = true;
    CurrentThemeFile = "Default.tdt";
    // The widgets start with the design values of every colour slot.
    for (int i = 0; i < kWidgetSlots; ++i) ApplyWidgetColor(ColorSlot(i), WidgetColors[size_t(i)]);
    ChildrenShown = false;
    // Shortcuts of the tray's exit (Ctrl+Q), hiding (Esc) and completion (Space).
    Quit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    HideItem->setShortcut(QKeySequence(Qt::Key_Escape));
    pmCompleted1->setShortcut(QKeySequence(Qt::Key_Space));
    DataDir = DataFolder(env_);
    std::error_code ec;
    if (!std::filesystem::exists(DataDir, ec) &&
        env_.FreeSpace(std::filesystem::current_path(ec)) != -1)
        // The per-user folder may lack its parents too; a failure is retried at save.
        MakeDataFolder(DataDir, ec);
    doc_ = std::make_unique<EventDocument>(EventFileName());
    doc_->Subscribe(this);
    OptionsFileName = DataDir / "user_options";
    RefreshTicks = 0;
    const std::u8string sound = DefaultSoundFile(env_.ExeDir()).u8string();
    EdMediaFile.assign(sound.begin(), sound.end());
    CreateTrayAndPrefs();
    ToDoEditDlg = new TToDoEditDlg(this);
    FormAlert = std::make_unique<TFormAlert>();
    CreateFormJMD();
    CreateFormSunDay();
    FormAlert->SetColorSource([this] { return AlertColorsOf(*TodoListShow); });
    FormAlert->SetNotesLookup(
        [this](int tab) { return FromAnsi(TabNotes(doc_->Events(), Memory, tab)); });
    TimerAlert->start();
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TMainForm::FormShow() {
    if (shown_) return;
    DayListSelected = false;
    const TDateTime now = env_.Now();
    Formats = env_.Formats();
    TodoListShow->HintHidePause = 12000;
    LastRollDay = DateOf(now);
    LabelNowDate->setText(FromAnsi(TodayCaption(now)));
    SpeedButton3->setIcon(ImgHide);
    PlannerCalendar1->SetToday(DateOf(now));
    PlannerCalendar1->SetDate(now);
    FindSysFolders();
    const QRect work = env_.WorkArea();
    FormAlert->SetPlacement(work, env_.ScreenSize().width());
    move(env_.ScreenSize().width() - width(), work.bottom() + 1 - height());
    InstallShippedThemes();
    LoadWindowParam();
    std::error_code ec;
    if (std::filesystem::exists(EventFileName(), ec)) {
        ReadEventFile();
        LoadEvent();
        UpdateMarkersOfMonth();
        PlannerCalendar1->SetDate(DateOf(now));
        UpDateDayList(DateOf(now));
        UpDateAlertList(DateOf(now));
    } else {
        // The first close writes the empty store, so the file is there.
        needsSave_ = true;
    }
    shown_ = true;
}

void TMainForm::ReadEventFile() {
    lastLoad_ = doc_->Load();
    if (lastLoad_.status != LoadReport::Status::Damaged &&
        lastLoad_.status != LoadReport::Status::Unreadable)
        return;
    // What could be read is written back at close, over the kept copy's original.
    needsSave_ = true;
    QString text;
    std::error_code ec;
    if (std::filesystem::is_directory(EventFileName(), ec)) {
        // Nothing to keep a copy of; saving waits until the folder is gone.
        text = QStringLiteral("На месте файла событий находится папка:\n%1\n\n"
                              "Сохранить события туда нельзя. Уберите или переименуйте эту папку: "
                              "программа сохранит события после следующего изменения и при выходе.")
                   .arg(PathText(EventFileName()));
        QTimer::singleShot(0, this, [this, text] { env_.ShowMessage(this, text); });
        return;
    }
    QString where, error;
    text = QStringLiteral("Файл событий повреждён:\n%1\n(%2)\n\nПрочитано событий: %3.")
               .arg(PathText(EventFileName()), QString::fromStdString(lastLoad_.problem))
               .arg(lastLoad_.loaded);
    if (KeepDamagedCopy(where, error))
        text += QStringLiteral("\nИсходный файл сохранён без изменений как:\n%1").arg(where);
    else
        text += QStringLiteral("\nСохранить копию исходного файла не удалось (%1).\n"
                               "Пока копии нет, файл не будет перезаписан: программа попробует "
                               "сделать её снова после следующего изменения и при выходе.")
                    .arg(error);
    // Shown once the window is on screen, not from inside its show event.
    QTimer::singleShot(0, this, [this, text] { env_.ShowMessage(this, text); });
}

std::string TMainForm::DamagedCopyName(const std::string& fileName) const {
    const DateTimeParts p = DecodeDateTime(env_.Now());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
    return fileName + ".damaged-" + stamp;
}

bool TMainForm::KeepDamagedCopy(QString& where, QString& error) {
    const CopyResult copy = doc_->KeepDamagedCopy(DamagedCopyName("ListToDo.db"));
    if (!copy.ok) {
        error = QString::fromStdString(copy.error);
        return false;
    }
    where = PathText(copy.copy);
    return true;
}

void TMainForm::LoadEvent() {
    // Many events share a start day; each day is marked once, in store order.
    // One pass over the store itself, no list of a million start days.
    std::unordered_set<int64_t> seen;
    for (const TTodoItem& e : doc_->Events()) {
        const TDateTime day = DateOf(e.CreationDate);
        if (seen.insert(DayNumber(day)).second) AddEventToCalendar(day);
    }
}

TCalendarEvent TMainForm::MarkerPrototype() const {
    TCalendarEvent proto;
    proto.Color = PlannerCalendar1->EventMarkerColor.rgb() & 0xFFFFFF;
    proto.Shape = PlannerCalendar1->EventMarkerShape;
    proto.FontColor = PlannerCalendar1->EventDayColor.rgb() & 0xFFFFFF;
    return proto;
}

void TMainForm::RepaintDays(const std::vector<TDateTime>& days) {
    for (const TDateTime d : days) PlannerCalendar1->RepaintDate(d);
}

void TMainForm::AddEventToCalendar(TDateTime day) {
    if (::AddEventToCalendar(PlannerCalendar1->Events(), MarkerPrototype(), day))
        PlannerCalendar1->RepaintDate(day);
}

void TMainForm::DeleteEventFromCalendar(TDateTime day) {
    if (::DeleteEventFromCalendar(PlannerCalendar1->Events(), day)) PlannerCalendar1->RepaintDate(day);
}

bool TMainForm::ReadyToSave(QString& error) {
    const std::string why = doc_->ReadyToWrite(DamagedCopyName("ListToDo.db"));
    error = QString::fromStdString(why);
    return why.empty();
}

bool TMainForm::SaveEventFile(QString& error) {
    for (int attempt = 0;; ++attempt) {
        if (!ReadyToSave(error)) return false;
        needsSave_ = false;
        const WriteResult w = doc_->Save();
        if (w.ok) return true;
        needsSave_ = true;
        if (!w.changedOutside || attempt >= 3) {
            error = QString::fromStdString(w.error);
            return false;
        }
        if (!TakeOutsideChanges(error)) return false;
    }
}

bool TMainForm::TakeOutsideChanges(QString& error) {
    outsideChange_ = false;
    // The views follow the merge as they follow any change.
    const EventFileKeeper::Merge m = doc_->MergeOutsideChanges(DamagedCopyName("ListToDo.db"));
    if (!m.ok) {
        error = QStringLiteral("файл изменила другая программа, и он не читается (%1)")
                    .arg(QString::fromStdString(m.problem));
        return false;
    }
    if (!m.keptCopy.empty())
        env_.Notify(this, QStringLiteral("Файл событий заменила другая программа, и прочитать его не удалось "
                                         "(%1).\nОн сохранён без изменений как:\n%2\n\n"
                                         "На его место записаны события, открытые в окне.")
                              .arg(QString::fromStdString(m.problem), PathText(m.keptCopy)));
    else if (m.changed)
        env_.Notify(this, QStringLiteral("Файл событий изменила другая программа. Её изменения объединены "
                                         "с вашими: добавлено событий — %1, удалено — %2.")
                              .arg(m.added)
                              .arg(m.removed));
    return true;
}

void TMainForm::SaveBeforeExit() {
    SaveSoon->stop();
    WaitForSaves();
    if (needsSave_ || outsideChange_) {
        QString error;
        SaveEventFile(error);  // nobody is left to ask; the next start reads what is there
    }
    SaveOptionsIfChanged();
    SaveSoon->stop();
}

bool TMainForm::FormCloseQuery() {
    SaveSoon->stop();
    WaitForSaves();
    std::error_code ec;
    if (env_.FreeSpace(std::filesystem::current_path(ec)) != -1) SaveOptionsIfChanged();
    // Nothing changed, nothing written: the file stays as the last save left it.
    while (needsSave_ || outsideChange_) {
        QString error;
        if (SaveEventFile(error)) break;
        const QString text =
            QStringLiteral("Не удалось сохранить события в файл\n%1\n(%2)\n\n"
                           "Повторить попытку? Если закрыть без сохранения, "
                           "изменения этого сеанса будут потеряны.")
                .arg(PathText(EventFileName()), error);
        if (!env_.AskRetry(this, text)) break;
    }
    SaveSoon->stop();  // the merge of another writer's changes asks for a save; it is done
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        // The alert window is a window of its own; left open it would keep the program running.
        FormAlert->hide();
        event->accept();
        emit Closed();
    } else {
        event->ignore();
    }
}

void TMainForm::Quit1Click() { close(); }

void TMainForm::UpDateDayList(TDateTime day) {
    DayListSelected = false;
    ToDo_DeleteItem1->setEnabled(false);
    ToDo_PropertiesEvent1->setEnabled(false);
    pmCompleted1->setChecked(false);
    pmCompleted1->setEnabled(false);
    TodoListShow->Hint.clear();
    LastHintedItem = -1;
    dayListDate_ = DateOf(day);
    UpDateTdList(doc_->Events(), day, ListMode::Day, env_.Now(), Formats, TodoListShow->Items(), &daySources_);
    // The selection flag is gone; so is the highlight, or the user would see
    // a row the commands no longer act on.
    TodoListShow->SetItemIndex(-1);
    TodoListShow->ItemsChanged();
}

void TMainForm::UpDateAlertList(TDateTime moment) {
    UpDateTdList(doc_->Events(), moment, ListMode::Reminder, env_.Now(), Formats, TodoListAlert);
}

int TMainForm::SourceOfDayRow(int row) const {
    const TodoItems& shown = TodoListShow->Items();
    if (row < 0 || row >= shown.Count()) return -1;
    // The positions from the last rebuild are exact while the store is as it
    // was; a changed store falls back to the event's identity.
    if (row < int(daySources_.size())) {
        const int src = daySources_[size_t(row)];
        const TodoItems& events = doc_->Events();
        if (src >= 0 && src < events.Count() && events[src].Subject == shown[row].Subject &&
            events[src].CreationDate == shown[row].CreationDate)
            return src;
    }
    return getIdxOfList(row, shown, doc_->Events());
}

void TMainForm::PlannerCalendar1DayChange(TDateTime, TDateTime newDate) {
    TodoListShow->Hint.clear();
    UpDateDayList(newDate);
}

void TMainForm::SpeedButton4Click() {
    const TDateTime now = env_.Now();
    PlannerCalendar1->SetToday(DateOf(now));
    PlannerCalendar1->SetDate(DateOf(now));
    UpDateDayList(PlannerCalendar1->Date());
    LabelNowDate->setText(FromAnsi(TodayCaption(now)));
    UpdateMarkersOfMonth();
}

void TMainForm::TodoListShowClick() {
    if (TodoListShow->Items().Count() == 0) return;
    RefreshTicks = 0;
    DayListSelected = true;
    ToDo_PropertiesEvent1->setEnabled(true);
    ToDo_DeleteItem1->setEnabled(true);
    const int src = SourceOfDayRow(TodoListShow->ItemIndex());
    if (src >= 0) {
        pmCompleted1->setChecked(doc_->Events()[src].Complete);
        pmCompleted1->setEnabled(true);
    }
    TodoListShow->HintShowFullText = true;
}

bool TMainForm::TodoListShowKeyPress(QChar key) {
    if (key != QLatin1Char('\r')) return false;
    if (DayListSelected) ToDo_PropertiesEvent1Click();
    return true;
}

void TMainForm::TodoListShowMouseMove(int x, int y) {
    const int row = TodoListShow->ItemAt(QPoint(x, y));
    if (row < 0) {
        QToolTip::hideText();
        return;
    }
    if (row != LastHintedItem) {
        LastHintedItem = row;
        QToolTip::hideText();
        TAppStyle::HintPause = 350;
        TodoListShow->HintHidePause = 12000;
    }
    TodoListShow->HintShowFullText = false;
    const int src = SourceOfDayRow(row);
    TodoListShow->HintShowFullText = true;
    if (const auto hint = HintEvent(doc_->Events(), src, TodoListShow->Items(), row, Formats))
        TodoListShow->Hint = FromAnsi(*hint);
}

void TMainForm::UpdateMarkersOfMonth() {
    const TMarkChanges changes = ::UpdateMarkersOfMonth(doc_->Events(), PlannerCalendar1->Events(), MarkerPrototype(),
                                                        PlannerCalendar1->Year(), PlannerCalendar1->Month());
    RepaintDays(changes.Days());
}

void TMainForm::PlannerCalendar1MonthChange(TDateTime, TDateTime newDate) {
    UpdateMarkersOfMonth();
    if (FormSunDay) FormSunDay->edCurYear->setText(QString::number(PlannerCalendar1->Year()));
    // Browsing to the same day number of another month raises no day change,
    // yet the selected date is another one.
    if (DayNumber(newDate) != DayNumber(dayListDate_)) UpDateDayList(newDate);
}

void TMainForm::PlannerCalendar1MouseDown(Qt::MouseButton button, int x, int y) {
    calendarMoved_ = false;
    if (button != Qt::RightButton || !DayListSelected) return;
    TDateTime day = 0;
    if (!PlannerCalendar1->DateAtXY(x, y, day)) return;
    calendarMoved_ = true;
    ShowPropertiesEvent(day);
    PlannerCalendar1->update();
}

void TMainForm::SpeedButton3Click() {
    const bool hide = PlannerCalendar1->isVisible();
    PlannerCalendar1->setVisible(!hide);
    SpeedButton3->setIcon(hide ? ImgShow : ImgHide);
}

void TMainForm::EventsChanged(const EventBatch& batch) {
    if (batch.kind == ChangeKind::Loaded) return;  // the first showing builds everything
    if (batch.HoldsTimer()) TimerAlert->stop();
    if (batch.kind == ChangeKind::Deleted && DayNumber(PlannerCalendar1->Date()) == DayNumber(LastRollDay))
        // Today's reminder copy goes with the event, without a rebuild.
        for (const TTodoItem& gone : batch.removed) DeleteByIdentity(TodoListAlert, gone);
    if (batch.kind == ChangeKind::Completed)
        // The day list keeps its order and selection: its copies change in place.
        for (const auto& [before, after] : batch.changed)
            for (TTodoItem& copy : TodoListShow->Items())
                if (copy.Subject == after.Subject && copy.CreationDate == after.CreationDate)
                    copy.Complete = after.Complete;
    if (batch.RebuildsDayList()) UpDateDayList(PlannerCalendar1->Date());
    else TodoListShow->Refresh();
    if (batch.RebuildsReminders()) UpDateAlertList(env_.Now());
    if (batch.HoldsTimer()) TimerAlert->start();
    for (const TDateTime d : batch.DaysGained()) AddEventToCalendar(d);
    std::vector<TDateTime> lost = batch.DaysLost();
    // The day the change was made on may have held the event's only mark.
    if (batch.kind == ChangeKind::Deleted || batch.kind == ChangeKind::Edited) lost.push_back(DateOf(PlannerCalendar1->Date()));
    for (const TDateTime d : lost)
        if (getbDeleteEventFromCal(doc_->Events(), false, d)) DeleteEventFromCalendar(d);
    if (batch.RecomputesMarkers()) UpdateMarkersOfMonth();
    PlannerCalendar1->update();
    needsSave_ = true;
    SaveSoon->start();
}

void TMainForm::SaveSoonTimeout() {
    SaveSoon->stop();
    SaveEventsInBackground();
    // The options go with the events (an import's day of birth, the window's
    // place), after them: their failure never holds the events up.
    SaveOptionsIfChanged();
}

void TMainForm::SaveEventsInBackground() {
    QString error;
    if (outsideChange_) {
        // Saves still on their way were made before the merge: they go first.
        WaitForSaves();
        if (!TakeOutsideChanges(error)) return SaveFailed(error);
        SaveSoon->stop();
    }
    if (!ReadyToSave(error)) return SaveFailed(error);
    needsSave_ = false;
    auto prepared = std::make_shared<EventFileKeeper::Prepared>();
    if (const WriteResult w = doc_->Prepare(*prepared); !w.ok) {
        needsSave_ = true;
        return SaveFailed(QString::fromStdString(w.error));
    }
    committer_->start([this, prepared] {
        const WriteResult w = doc_->Commit(*prepared);
        if (!w.ok) {
            needsSave_ = true;
            if (w.changedOutside) outsideChange_ = true;
        }
        QMetaObject::invokeMethod(
            this,
            [this, w] {
                if (w.ok) saveFailureShown_ = false;
                else if (w.changedOutside) SaveSoon->start(0);
                else SaveFailed(QString::fromStdString(w.error));
            },
            Qt::QueuedConnection);
    });
}

void TMainForm::WaitForSaves() {
    if (committer_) committer_->waitForDone();
}

bool TMainForm::SaveOptionsIfChanged() {
    const std::filesystem::path sound = DefaultSoundFile(env_.ExeDir());
    const UserOptions options = CurrentOptions();
    const std::string text = OptionsFileText(options, sound);
    std::error_code ec;
    std::string disk;
    const bool exists = std::filesystem::exists(std::filesystem::symlink_status(OptionsFileName, ec));
    const bool readable = ReadSettingsFile(OptionsFileName, disk);
    if (readable && disk == text) return true;  // nothing changed: nothing written
    WriteResult w;
    if (exists && (!readable || !LooksLikeOptionsFile(disk))) {
        // Another program's file (or a link to one) stands where the options
        // go: it is kept as it is, and the options take its place.
        const CopyResult copy = KeepVerifiedCopy(OptionsFileName, DamagedCopyName("user_options"));
        if (!copy.ok) w.error = "в папке данных на месте файла настроек чужой файл, и сохранить его копию "
                                "не удалось: " + copy.error;
        else w = ::SaveWinOption(OptionsFileName, options, sound, LinkPolicy::Replace);
    } else {
        w = ::SaveWinOption(OptionsFileName, options, sound);
    }
    if (w.ok) {
        optionsFailureShown_ = false;
        return true;
    }
    if (!std::exchange(optionsFailureShown_, true))
        env_.Notify(this, QStringLiteral("Программа не может сохранить настройки!\n%1\n(%2)")
                              .arg(PathText(OptionsFileName), QString::fromStdString(w.error)));
    return false;
}

void TMainForm::SaveFailed(const QString& error) {
    needsSave_ = true;
    if (std::exchange(saveFailureShown_, true)) return;
    env_.Notify(this, QStringLiteral("Не удалось сохранить события в файл\n%1\n(%2)\n\n"
                                     "Программа попробует снова после следующего изменения "
                                     "и при выходе.")
                          .arg(PathText(EventFileName()), error));
}

void TMainForm::ToDo_DeleteItem1Click() {
    if (!DayListSelected) return;
    const int src = SourceOfDayRow(TodoListShow->ItemIndex());
    if (src < 0) return;
    doc_->Change(ChangeKind::Deleted, [&](EventDocument::Edit& e) { e.Remove(size_t(src)); });
}

void TMainForm::pmCompleted1Click() {
    if (!DayListSelected) return;
    const int src = SourceOfDayRow(TodoListShow->ItemIndex());
    if (src < 0) return;
    // The new value is the opposite of the mark the user saw.
    TTodoItem after = doc_->Events()[src];
    after.Complete = !pmCompleted1->isChecked();
    doc_->Change(ChangeKind::Completed, [&](EventDocument::Edit& e) { e.Replace(size_t(src), after); });
    pmCompleted1->setChecked(after.Complete);
}

void TMainForm::ToDo_deleteOldClick() {
    const std::vector<size_t> past = PastEvents(doc_->Events(), env_.Now());
    doc_->Change(ChangeKind::Purged, [&](EventDocument::Edit& e) {
        for (const size_t p : past) e.Remove(p);
    });
}

void TMainForm::MediaBum_Play() {
    ::MediaBum_Play(env_.Sound(), EdMediaFile, DefaultSoundFile(env_.ExeDir()), RegularFileExists);
}

void TMainForm::TimerAlertTimer() {
    const TDateTime now = env_.Now();
    SoundPlayer& player = env_.Sound();
    const TickActions a = ReminderTick(
        {now, TodoListAlert, SoundPlaying(player), FormAlert->isVisible(), RefreshTicks, LastRollDay, Formats},
        Memory);
    if (a.cutSound) CutSoundOff(player);
    // The steps end in one state: the sound started, the new tabs added and
    // the last named tab selected. Carried out once per tick, not once per
    // step, so thousands of reminders coming due together cost one update.
    bool play = false;
    QStringList newTabs;
    int select = -1;
    for (const TickStep& step : a.steps) {
        if (step.kind == TickStep::Play) play = true;
        else if (step.kind == TickStep::RaiseTab) newTabs << FromAnsi(step.text), select = step.tab;
        else select = step.tab;
    }
    if (play) MediaBum_Play();
    if (select >= 0) {
        FormAlert->ShowAndRaise();
        FormAlert->AddTabs(newTabs);
        if (newTabs.isEmpty() || select != FormAlert->TabSetMsg->count() - 1) FormAlert->SelectTab(select);
    }
    if (a.setCaption) LabelNowDate->setText(FromAnsi(TodayCaption(now)));
    RefreshTicks = a.newRefreshTicks;
    if (a.rebuildDayList) {
        // Keeps the time-left texts current; a click resets the count.
        UpDateDayList(PlannerCalendar1->Date());
    }
    LastRollDay = a.newLastRollDay;
    if (a.rollOver) {
        TodoListShow->Hint.clear();
        PlannerCalendar1->SetToday(DateOf(now));
        PlannerCalendar1->SetDate(DateOf(now));
        UpDateAlertList(DateOf(now));
        UpDateDayList(DateOf(now));
        UpdateMarkersOfMonth();
    }
}

bool TMainForm::RunEditorUntilValid(bool nameRequired) {
    for (;;) {
        if (env_.RunModal(*ToDoEditDlg) != QDialog::Accepted) return false;
        const TEditorValues v = ToDoEditDlg->Values();
        if (nameRequired && v.subject.empty()) {
            env_.ShowMessage(this, QStringLiteral("Введите краткое имя события!"));
            continue;
        }
        if (getParamsToDoEventOk(v)) return true;
        ToDoEditDlg->MarkCount(CountRefused(v));
    }
}

void TMainForm::ToDo_AddEvent1Click() {
    const TDateTime now = env_.Now();
    ToDoEditDlg->PrepareNew(DropSeconds(CombineDateAndTime(PlannerCalendar1->Date(), now)));
    if (!RunEditorUntilValid(true)) return;
    AddItemToListFromUser();
}

void TMainForm::AddItemToListFromUser() {
    const TEditorValues v = ToDoEditDlg->Values();
    doc_->Change(ChangeKind::Added, [&](EventDocument::Edit& e) { e.Add(NewItemFromEditor(v)); });
}

void TMainForm::ToDo_PropertiesEvent1Click() {
    if (DayListSelected && TodoListShow->ItemIndex() >= 0) ShowPropertiesEvent(0);
    else ToDo_AddEvent1Click();
}

void TMainForm::ShowPropertiesEvent(TDateTime moveToDay) {
    const int src = SourceOfDayRow(TodoListShow->ItemIndex());
    if (src < 0) return;
    // The event is held by identity: a reminder tick while the dialog is up
    // may rebuild the lists, but never the store.
    ToDoEditDlg->PrepareEdit(doc_->Events()[src], moveToDay);
    TodoListShow->Hint.clear();
    if (!RunEditorUntilValid(false)) {
        PlannerCalendar1->update();
        return;
    }
    ChangeItemToDo(src);
}

void TMainForm::ChangeItemToDo(int index) {
    if (index < 0 || index >= doc_->Count()) return;
    TTodoItem after = doc_->Events()[index];
    ::ChangeItemToDo(after, ToDoEditDlg->Values());
    doc_->Change(ChangeKind::Edited, [&](EventDocument::Edit& e) { e.Replace(size_t(index), std::move(after)); });
}
