#include "app/main_form.h"

#include <QAction>
#include "widgets/tab_set_widget.h"
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
#include "widgets/gradient_panel_widget.h"
#include "app/qt_app_style.h"
#include "app/tool_button.h"
#include "dayview/form_alert.h"
#include "dayview/markers.h"
#include "dayview/sound_choice.h"
#include "dayview/sound_player.h"
#include "events/todo_edit_dlg.h"
#include "dayview/day_list.h"
#include "dayview/today_caption.h"
#include "events/qt_ansi.h"
#include "events/data_folder.h"
#include "settings/theme_file.h"
#include "events/event_store.h"
#include "import/form_sun_day.h"
#include "app/day_panel.h"
#include "events/event_edit.h"
#include "widgets/planner_calendar.h"
#include "widgets/todo_list.h"

namespace {

QString PathText(const std::filesystem::path& p) { return QString::fromStdU16String(p.u16string()); }

}  // namespace


TMainForm::TMainForm(Environment& env, QWidget* parent) : QWidget(parent), env_(env) {
    InitShellResources();
    setObjectName(QStringLiteral("MainForm"));
    DataDir = DataFolder(env_);
    OptionsFileName = DataDir / "user_options";
    doc_ = std::make_unique<EventDocument>(EventFileName());
    history_ = std::make_unique<UndoHistory>(*doc_);
    BuildLayout();
    BuildMenus();
    ConnectHandlers();
    FormCreate();
}

void TMainForm::ConnectHandlers() {
    connect(pmGoToday, &QAction::triggered, this, [this] { panel_->GoToday(env_.Now()); });
    connect(pmShowHideCalendar, &QAction::triggered, panel_, &TDayPanel::ToggleCalendar);
    connect(ToDo_DeleteItem1, &QAction::triggered, panel_, &TDayPanel::DeleteSelected);
    // The item is checkable, so Qt has flipped its mark before `triggered`
    // arrives; the toggle reads the mark as the user saw it.
    connect(pmCompleted1, &QAction::triggered, this, [this](bool checked) {
        pmCompleted1->setChecked(!checked);
        panel_->ToggleSelectedCompletion(!checked);
    });
    connect(ToDo_deleteOld, &QAction::triggered, this, [this] { panel_->PurgePast(env_.Now()); });
    connect(pmFind, &QAction::triggered, panel_, &TDayPanel::OpenSearch);
    connect(pmUndo, &QAction::triggered, this, &TMainForm::pmUndoClick);
    connect(pmRedo, &QAction::triggered, this, &TMainForm::pmRedoClick);
    connect(ToDo_AddEvent1, &QAction::triggered, this, &TMainForm::ToDo_AddEvent1Click);
    connect(ToDo_PropertiesEvent1, &QAction::triggered, this, &TMainForm::ToDo_PropertiesEvent1Click);
    connect(ZetjournalMoonDays1, &QAction::triggered, this, &TMainForm::ZetjournalMoonDays1Click);
    connect(pmFindGoodDays1, &QAction::triggered, this, &TMainForm::pmFindGoodDays1Click);
    connect(pmImportICalendar1, &QAction::triggered, this, &TMainForm::pmImportICalendar1Click);
    connect(panel_, &TDayPanel::AddRequested, this, &TMainForm::ToDo_AddEvent1Click);
    connect(panel_, &TDayPanel::OpenRequested, this, &TMainForm::ToDo_PropertiesEvent1Click);
    connect(panel_, &TDayPanel::MoveRequested, this, &TMainForm::ShowPropertiesEvent);
    connect(panel_, &TDayPanel::SelectionChanged, this, &TMainForm::UpdateActions);
    connect(panel_, &TDayPanel::RowClicked, this, [this] { RefreshTicks = 0; });
    connect(panel_->Calendar(), &TPlannerCalendar::OnMonthChange, this, [this] {
        if (FormSunDay) FormSunDay->edCurYear->setText(QString::number(panel_->Calendar()->Year()));
    });
    connect(panel_->Calendar(), &TPlannerCalendar::OnYearChange, this, [this] {
        if (FormSunDay) FormSunDay->edCurYear->setText(QString::number(panel_->Calendar()->Year()));
    });
    SaveSoon = new QTimer(this);
    SaveSoon->setObjectName(QStringLiteral("SaveSoon"));
    SaveSoon->setSingleShot(true);
    SaveSoon->setInterval(2000);
    connect(SaveSoon, &QTimer::timeout, this, &TMainForm::SaveSoonTimeout);
    committer_ = std::make_unique<QThreadPool>();
    committer_->setMaxThreadCount(1);  // commits in the order of their saves
    icsReader_ = std::make_unique<QThreadPool>();
    icsReader_->setMaxThreadCount(1);
    // A logout or shutdown may end the program without closing the window.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainForm::SaveBeforeExit);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TMainForm::SaveBeforeExit);
    TimerAlert = new QTimer(this);
    TimerAlert->setObjectName(QStringLiteral("TimerAlert"));
    TimerAlert->setInterval(1000);
    connect(TimerAlert, &QTimer::timeout, this, &TMainForm::TimerAlertTimer);
}

// A commit still running reports back to this window: it ends first.
TMainForm::~TMainForm() {
    StopIcsReading();
    EndSync();
    WaitForSaves();
    // The panel watches the document: it goes first, not among the children
    // the widget deletes after the document is gone.
    delete panel_;
    panel_ = nullptr;
}

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

    panel_ = new TDayPanel(env_, *doc_, this);
    column->addWidget(panel_, 1);
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
    pmUndo = item(PopupToDo, "pmUndo", QStringLiteral("Отменить"), QKeySequence(Qt::CTRL | Qt::Key_Z), false);
    pmRedo = item(PopupToDo, "pmRedo", QStringLiteral("Повторить"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                  false);
    pmRedo->setShortcuts({pmRedo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    pmFind = item(PopupToDo, "pmFind", QStringLiteral("Найти…"), QKeySequence(Qt::CTRL | Qt::Key_F), true);
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
#ifdef DAYLOOM_HAS_SYNC
    pmSync = item(PopupToDo, "pmSync", QStringLiteral("Синхронизация…"), {}, true);
#endif
    PopupToDo->addSeparator()->setObjectName(QStringLiteral("N1"));
    HideItem = item(PopupToDo, "HideItem", QStringLiteral("Скрыть в трей"), {}, false);
    Quit2 = item(PopupToDo, "Quit2", QStringLiteral("Выход"), QKeySequence(Qt::CTRL | Qt::Key_Q), true);
    connect(Quit2, &QAction::triggered, this, &TMainForm::Quit1Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    RestoreItem = PopupMenu1->addAction(QStringLiteral("Восстановить"));
    RestoreItem->setObjectName(QStringLiteral("RestoreItem"));
    RestoreItem->setEnabled(false);
#ifdef DAYLOOM_HAS_SYNC
    SyncItem = PopupMenu1->addAction(QStringLiteral("Синхронизация…"));
    SyncItem->setObjectName(QStringLiteral("SyncItem"));
#endif
    Quit1 = PopupMenu1->addAction(QStringLiteral("Выход"));
    Quit1->setObjectName(QStringLiteral("Quit1"));
    connect(Quit1, &QAction::triggered, this, &TMainForm::Quit1Click);

    panel_->SetContextMenu(PopupToDo);
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
    std::error_code ec;
    if (!std::filesystem::exists(DataDir, ec) &&
        env_.FreeSpace(std::filesystem::current_path(ec)) != -1)
        // The per-user folder may lack its parents too; a failure is retried at save.
        MakeDataFolder(DataDir, ec);
    doc_->Subscribe(this);
    RefreshTicks = 0;
    const std::u8string sound = DefaultSoundFile(env_.ExeDir()).u8string();
    EdMediaFile.assign(sound.begin(), sound.end());
    CreateTrayAndPrefs();
    CreateSync();
    ToDoEditDlg = new TToDoEditDlg(this);
    FormAlert = std::make_unique<TFormAlert>();
    CreateFormJMD();
    CreateFormSunDay();
    FormAlert->SetColorSource([this] { return AlertColorsOf(*panel_->List()); });
    FormAlert->SetSnoozeHandler([this](int id, int minutes) { SnoozeReminder(id, minutes); });
    FormAlert->SetNotesLookup(
        [this](int tab) { return FromAnsi(TabNotes(doc_->Events(), Memory, tab, &doc_->Index())); });
    TimerAlert->start();
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TMainForm::FormShow() {
    if (shown_) return;
    const TDateTime now = env_.Now();
    LastRollDay = DateOf(now);
    panel_->Begin(now, env_.Formats());
    FindSysFolders();
    const QRect work = env_.WorkArea();
    FormAlert->SetPlacement(work, env_.ScreenSize().width());
    move(env_.ScreenSize().width() - width(), work.bottom() + 1 - height());
    InstallShippedThemes();
    LoadWindowParam();
    std::error_code ec;
    if (std::filesystem::exists(EventFileName(), ec)) {
        ReadEventFile();
        panel_->ShowLoadedEvents(DateOf(now));
        UpDateAlertList(DateOf(now));
    } else {
        // The first close writes the empty store, so the file is there.
        needsSave_ = true;
    }
    LoadSnoozes();
    LoadSync();
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
    // A round under way is ended, not waited for: what it sent is planned
    // again from the server's side next time.
    EndSync();
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

void TMainForm::UpDateAlertList(TDateTime moment) {
    UpDateTdList(doc_->Events(), moment, ListMode::Reminder, env_.Now(), panel_->Formats(), TodoListAlert, nullptr,
                 &doc_->Index());
}

// An addition none of whose events gives a reminder row now leaves the
// reminder list as it was: at a million events, building it again would
// hold the window for milliseconds.
bool TMainForm::NoReminderIn(const EventBatch& batch) const {
    if (batch.kind != ChangeKind::Added || !batch.removed.empty() || !batch.changed.empty()) return false;
    const FallsOnDay reminds(env_.Now(), ListMode::Reminder);
    return std::none_of(batch.added.begin(), batch.added.end(), reminds);
}

void TMainForm::EventsChanged(const EventBatch& batch) {
    if (batch.kind == ChangeKind::Loaded) return;  // the first showing builds everything
    if (batch.HoldsTimer()) TimerAlert->stop();
    if (batch.kind == ChangeKind::Deleted && DayNumber(panel_->Date()) == DayNumber(LastRollDay))
        // Today's reminder row goes with the event, without a rebuild.
        for (const TTodoItem& gone : batch.removed) DeleteRowOf(TodoListAlert, gone);
    if (batch.RebuildsReminders() && !NoReminderIn(batch)) UpDateAlertList(env_.Now());
    if (batch.HoldsTimer()) TimerAlert->start();
    needsSave_ = true;
    SaveSoon->start();
    if ((batch.kind == ChangeKind::Purged || batch.kind == ChangeKind::Removed) && batch.removed.size() > 1)
        panel_->ShowNotice(FromAnsi(RemovalNotice(batch.removed.size())));
    else if (batch.kind == ChangeKind::Undone)
        panel_->Notice()->hide();  // what it told is undone
    UpdateActions();
}

void TMainForm::pmUndoClick() { history_->Undo(); }

void TMainForm::pmRedoClick() { history_->Redo(); }

void TMainForm::UpdateActions() {
    const bool selected = panel_->HasSelection();
    ToDo_PropertiesEvent1->setEnabled(selected);
    ToDo_DeleteItem1->setEnabled(selected);
    const int src = selected ? panel_->SelectedSource() : -1;
    pmCompleted1->setEnabled(src >= 0);
    pmCompleted1->setChecked(src >= 0 && doc_->Events()[src].Complete);
    pmUndo->setEnabled(history_->CanUndo());
    pmUndo->setText(history_->CanUndo() ? QStringLiteral("Отменить: ") + FromAnsi(history_->UndoName())
                                        : QStringLiteral("Отменить"));
    pmRedo->setEnabled(history_->CanRedo());
    pmRedo->setText(history_->CanRedo() ? QStringLiteral("Повторить: ") + FromAnsi(history_->RedoName())
                                        : QStringLiteral("Повторить"));
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
    // The file's image is made on the committer's thread too; a change made
    // meanwhile stops it and saves again two seconds later.
    committer_->start([this] {
        EventFileKeeper::Prepared prepared;
        WriteResult w = doc_->PrepareAside(prepared);
        if (w.stopped) {
            needsSave_ = true;
            return;
        }
        if (w.ok) w = doc_->Commit(prepared);
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

void TMainForm::MediaBum_Play() {
    ::MediaBum_Play(env_.Sound(), EdMediaFile, DefaultSoundFile(env_.ExeDir()), RegularFileExists);
}

void TMainForm::TimerAlertTimer() {
    const TDateTime now = env_.Now();
    SoundPlayer& player = env_.Sound();
    const TickActions a = ReminderTick(
        {now, TodoListAlert, SoundPlaying(player), FormAlert->isVisible(), RefreshTicks, LastRollDay,
         panel_->Formats()},
        Memory);
    if (a.cutSound) CutSoundOff(player);
    // The steps end in one state: the sound started, the new tabs added and
    // the last named tab selected. Carried out once per tick, not once per
    // step, so thousands of reminders coming due together cost one update.
    bool play = false;
    QStringList newTabs;
    std::vector<int> newIds;
    int select = -1;
    for (const TickStep& step : a.steps) {
        if (step.kind == TickStep::RaiseTab) {
            newTabs << FromAnsi(step.text), newIds.push_back(step.tab), select = step.tab, play = true;
        } else if (step.kind == TickStep::SelectTab && FormAlert->TabOf(step.tab) >= 0) {
            // A repeat of a reminder put off stays quiet until its snooze ends.
            select = step.tab, play = true;
        }
    }
    if (play) MediaBum_Play();
    if (select >= 0) {
        FormAlert->ShowAndRaise();
        FormAlert->AddTabs(newTabs, newIds);
        const int tab = FormAlert->TabOf(select);
        if (newTabs.isEmpty() || tab != FormAlert->TabSetMsg->count() - 1) FormAlert->SelectTab(tab);
    }
    if (!Snoozed.Empty()) RaiseDueSnoozes(now);
    if (a.setCaption) panel_->SetTodayCaption(now);
    RefreshTicks = a.newRefreshTicks;
    // Keeps the time-left texts current; a click resets the count.
    if (a.rebuildDayList) panel_->RebuildDayList();
    LastRollDay = a.newLastRollDay;
    if (a.rollOver) {
        UpDateAlertList(DateOf(now));
        panel_->RollOver(DateOf(now));
    }
}

void TMainForm::SnoozeReminder(int id, int minutes) {
    if (id < 0 || id >= int(Memory.raised.size())) return;
    const RaisedReminder& r = Memory.raised[size_t(id)];
    Snoozed.Add({env_.Now() + minutes * kOneMinute, r.text, r.occurrenceDay, r.creationDate, r.subject});
    SaveSnoozes();
}

void TMainForm::LoadSnoozes() {
    Snoozed = SnoozeList::Load(SnoozeFileIn(DataDir));
    for (const SnoozedReminder& s : Snoozed.Items())
        if (Memory.Find(s.text, s.occurrenceDay) < 0)
            Memory.Add({s.text, s.occurrenceDay, s.creationDate, s.subject, env_.Now()});
}

void TMainForm::RaiseDueSnoozes(TDateTime now) {
    const std::vector<SnoozedReminder> due = Snoozed.TakeDue(now);
    if (due.empty()) return;
    int last = -1;
    for (const SnoozedReminder& s : due) {
        int id = Memory.Find(s.text, s.occurrenceDay);
        if (id < 0) id = Memory.Add({s.text, s.occurrenceDay, s.creationDate, s.subject, now});
        if (FormAlert->TabOf(id) < 0) FormAlert->AddTabs({FromAnsi(s.text)}, {id});
        last = id;
    }
    MediaBum_Play();
    FormAlert->ShowAndRaise();
    FormAlert->SelectTab(FormAlert->TabOf(last));
    SaveSnoozes();
}

void TMainForm::SaveSnoozes() {
    const WriteResult w = Snoozed.Save(SnoozeFileIn(DataDir));
    if (w.ok) {
        snoozeFailureShown_ = false;
        return;
    }
    if (!std::exchange(snoozeFailureShown_, true))
        env_.Notify(this, QStringLiteral("Не удалось сохранить отложенные напоминания в файл\n%1\n(%2)")
                              .arg(PathText(SnoozeFileIn(DataDir)), QString::fromStdString(w.error)));
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
    ToDoEditDlg->PrepareNew(DropSeconds(CombineDateAndTime(panel_->Date(), now)));
    if (!RunEditorUntilValid(true)) return;
    const TEditorValues v = ToDoEditDlg->Values();
    doc_->Change(ChangeKind::Added, [&](EventDocument::Edit& e) { e.Add(NewItemFromEditor(v)); });
}



void TMainForm::ToDo_PropertiesEvent1Click() {
    if (panel_->HasSelection() && panel_->List()->ItemIndex() >= 0) ShowPropertiesEvent(0);
    else ToDo_AddEvent1Click();
}

void TMainForm::ShowPropertiesEvent(TDateTime moveToDay) {
    const int src = panel_->SelectedSource();
    if (src < 0) return;
    // The event is held by identity: a reminder tick while the dialog is up
    // may rebuild the lists, but never the store.
    ToDoEditDlg->PrepareEdit(doc_->Events()[src], moveToDay);
    panel_->ClearHint();
    if (!RunEditorUntilValid(false)) {
        panel_->Calendar()->update();
        return;
    }
    if (src >= doc_->Count()) return;
    TTodoItem after = doc_->Events()[src];
    ChangeItemToDo(after, ToDoEditDlg->Values());
    doc_->Change(ChangeKind::Edited, [&](EventDocument::Edit& e) { e.Replace(size_t(src), std::move(after)); });
}

const DayListFormats& TMainForm::Formats() const { return panel_->Formats(); }
