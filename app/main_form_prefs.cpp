// TMainForm's preferences dialog, the tray icon with hiding and restoring,
// the caption bar that moves the caption-less window, snapping to the edges
// of the work area, and where the start-up entry lives.
#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSizeGrip>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QCheckBox>
#include <QComboBox>
#include <QWindow>

#include "app/environment.h"
#include "widgets/gradient_panel_widget.h"
#include "app/day_panel.h"
#include "app/main_form.h"
#include "app/qt_app_style.h"
#include "app/system_colors.h"
#include "events/qt_ansi.h"
#include "events/qt_window_place.h"
#include "settings/autostart.h"
#include "settings/color_dlg.h"
#include "settings/theme_file.h"
#include "settings/window_snap.h"
#include "widgets/planner_calendar.h"

void TMainForm::CreateTrayAndPrefs() {
    TColorDlgHost host;
    host.SetColorShema = [this](const std::vector<std::string>& list) { return SetColorShema(list); };
    host.ShowMessage = [this](const QString& text) { env_.ShowMessage(ColorDlg, text); };
    host.ChooseOpenFile = [this](const QString& folder, const QString& filter) {
        return env_.ChooseOpenFile(ColorDlg, {}, folder, filter);
    };
    host.ChooseColor = [this](const QColor& initial) { return env_.ChooseColor(ColorDlg, initial); };
    host.PaintColor = PaintColor;
    host.SetHintPause = [](int ms) { TAppStyle::HintPause = ms; };
    host.CreateStartUpLink = [this](const std::filesystem::path& link) { return env_.CreateStartUpLink(link); };
    host.RemoveStartUpLink = [this](const std::filesystem::path& link) { return env_.RemoveStartUpLink(link); };
    host.StartsThisProgram = [this](const std::filesystem::path& link) {
        const auto program = env_.StartUpLinkTarget(link);
        return program && SameProgram(*program, env_.ExeFile());
    };
    host.Ask = [this](const QString& text, const QString& yes) {
        return env_.Ask(ColorDlg, text, yes, QStringLiteral("Отмена"));
    };
    host.ShowInfo = [this](const QString& text) { env_.ShowInfo(ColorDlg, text); };
    ColorDlg = new TColorDlg(std::move(host), this);

    connect(panel_, &TDayPanel::PreferencesRequested, this, &TMainForm::pmPrefsClick);
    connect(Preferences, &QAction::triggered, this, &TMainForm::pmPrefsClick);
    connect(sbHideToTray, &QToolButton::clicked, this, &TMainForm::HideAppToTray);
    connect(HideItem, &QAction::triggered, this, &TMainForm::HideAppToTray);
    connect(RestoreItem, &QAction::triggered, this, &TMainForm::RestoreItemClick);
    sbHideToTray->setCursor(Qt::PointingHandCursor);
    // Image1 and Label1 leave their presses to the caption bar.
    Panel1->installEventFilter(this);
    SizeGrip = new QSizeGrip(this);
    SizeGrip->setObjectName(QStringLiteral("SizeGrip"));
    SizeGrip->setFixedSize(12, 12);

    trayKnown_ = env_.TrayAvailable();
    // No system caption; no task-bar button while the tray holds the program.
    setWindowFlags(Qt::FramelessWindowHint | (trayKnown_ ? Qt::Tool : Qt::Window));
    AddTrayIcon();
    TrayWatch = new QTimer(this);
    TrayWatch->setObjectName(QStringLiteral("TrayWatch"));
    TrayWatch->setInterval(1000);
    connect(TrayWatch, &QTimer::timeout, this, &TMainForm::UpdateTrayState);
    TrayWatch->start();
    UpdateTrayState();
}

// ---- the preferences ----

void TMainForm::FindSysFolders() { StartUpDir = env_.StartUpDir(); }

void TMainForm::pmPrefsClick() {
    TColorDlg& dlg = *ColorDlg;
    dlg.HideEditor();
    dlg.ThemesFolder = ThemesDir(DataDir);
    dlg.ExeDir = env_.ExeDir();
    dlg.ShowListFilesShem(FindFiles(dlg.ThemesFolder, "tdt"));
    dlg.PreViewColorShema(::PreViewColorShema(ListColorShem, WidgetColors));
    dlg.ShowThemeName(FromAnsi(SmallCaption(CurrentThemeFile)));
    dlg.edAlertFile->setText(QString::fromStdString(EdMediaFile));
    dlg.chbShowNumWeeks->setChecked(ShowWeekNumbers);
    dlg.cbBigLastTime->setChecked(panel_->Formats().SplitRemainingTime);
    dlg.chbStartDay->setChecked(panel_->Calendar()->StartDay != 1);
    dlg.StartUpLink.reset();
    if (StartUpDir) dlg.StartUpLink = *StartUpDir / StartUpLinkName();
    dlg.ShowStartUpState();
    CentreOnScreen(dlg);
    if (env_.RunModal(dlg) != QDialog::Accepted) {
        // Undoes the preview; themes saved and the start-up entry stay as they are.
        if (!ListColorShem.empty() && !SetColorShema(ListColorShem)) env_.ShowMessage(this, ErrorFormatText());
        return;
    }
    if (dlg.ThemeNameListed()) {
        // A grid that does not apply leaves the theme as it was and stops
        // nothing else the user chose.
        const std::vector<std::string> grid = GridColors(dlg.GridRows());
        if (::SetColorShema(grid).Complete()) {
            CurrentThemeFile = ToAnsi(dlg.ComboShem->currentText()) + ".tdt";
            ListColorShem = grid;
            SetColorShema(ListColorShem);
        } else {
            env_.ShowMessage(this, ErrorFormatText());
            SetColorShema(ListColorShem);
        }
    }
    WeekStartDay = dlg.chbStartDay->isChecked() ? 7 : 1;
    panel_->Calendar()->StartDay = WeekStartDay;
    EdMediaFile = dlg.edAlertFile->text().toStdString();
    ShowWeekNumbers = dlg.chbShowNumWeeks->isChecked();
    DayListFormats formats = panel_->Formats();
    formats.SplitRemainingTime = dlg.cbBigLastTime->isChecked();
    panel_->SetFormats(formats);
    panel_->Calendar()->ShowWeeks = ShowWeekNumbers;
    panel_->GoToday(env_.Now());
}

// ---- the tray ----

void TMainForm::AddTrayIcon() {
    if (!TrayIcon) {
        TrayIcon = new QSystemTrayIcon(AppIcon(), this);
        TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
        TrayIcon->setToolTip(QStringLiteral("dayloom"));
        TrayIcon->setContextMenu(PopupMenu1);
        connect(TrayIcon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) { TrayIconMessage(int(reason)); });
    }
    // Showing it again brings it back into a tray that was restarted.
    if (env_.TrayAvailable()) TrayIcon->show();
}

void TMainForm::UpdateTrayState() {
    const bool tray = env_.TrayAvailable();
    if (tray != trayKnown_) {
        trayKnown_ = tray;
        // A window type changes only by re-creating the window, which hides it.
        const bool shown = isVisible();
        setWindowFlags(Qt::FramelessWindowHint | (tray ? Qt::Tool : Qt::Window));
        if (shown) show();
        if (tray) AddTrayIcon();
    }
    // Hidden into a tray that went away: the window comes back.
    if (hiddenToTray_ && !tray) RestoreItemClick();
    // Without a tray the same item and Esc minimize the window.
    HideItem->setEnabled(!hiddenToTray_);
    const QString hide = tray ? QStringLiteral("Скрыть в трей") : QStringLiteral("Свернуть");
    HideItem->setText(hide);
    sbHideToTray->setToolTip(hide);
}

void TMainForm::HideAppToTray() {
    UpdateTrayState();
    if (!trayKnown_) {
        setWindowState(windowState() | Qt::WindowMinimized);
        return;
    }
    hide();
    hiddenToTray_ = true;
    AddTrayIcon();
    HideItem->setEnabled(false);
    RestoreItem->setEnabled(true);
}

void TMainForm::RestoreMainWindow() {
    hiddenToTray_ = false;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    // The children come back with their window as they were: a calendar the
    // user hid stays hidden.
    ChildrenShown = true;
}

void TMainForm::RestoreItemClick() {
    RestoreMainWindow();
    RestoreItem->setEnabled(false);
    HideItem->setEnabled(true);
}

void TMainForm::TrayIconMessage(int reason) {
    // The left button restores and raises, whether hidden or not; the right
    // one gets the tray menu from the icon itself.
    if (reason != QSystemTrayIcon::Trigger) return;
    RestoreItemClick();
    raise();
    activateWindow();
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized)) return;
    if (!env_.TrayAvailable()) return;  // minimized as any window, with its task-bar entry
    // After the system's own handling of the minimize.
    QTimer::singleShot(0, this, [this] {
        if (!(windowState() & Qt::WindowMinimized)) return;
        setWindowState(windowState() & ~Qt::WindowMinimized);
        HideAppToTray();
    });
}

// ---- the caption bar and snapping ----

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Panel1) return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            // Panel1MouseDown: the left button moves the window; the right
            // one is left to the popup menu. A window manager ends a move
            // only at the left button's release, so the middle one moves nothing.
            if (mouse->button() != Qt::LeftButton) return false;
            if (windowHandle() && windowHandle()->startSystemMove()) return true;
            // The platform moves no windows for us: the program does.
            dragging_ = true;
            dragOffset_ = mouse->globalPosition().toPoint() - pos();
            return true;
        case QEvent::MouseMove:
            if (!dragging_) return false;
            move(SnappedPosition(mouse->globalPosition().toPoint() - dragOffset_));
            return true;
        case QEvent::MouseButtonRelease:
            if (!std::exchange(dragging_, false)) return false;
            return true;
        default:
            return false;
    }
}

QPoint TMainForm::SnappedPosition(QPoint proposed) const {
    const QRect work = env_.WorkArea();
    const QSize size = frameGeometry().size();
    const WindowPos p = SnapToWorkArea({work.left(), work.top(), work.width(), work.height()},
                                       {proposed.x(), proposed.y(), size.width(), size.height()});
    return {p.left, p.top};
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SizeGrip->move(width() - SizeGrip->width(), height() - SizeGrip->height());
    SizeGrip->raise();
    // The corner grip pulls the bottom edge: it clings to the work area's
    // bottom as a moved window does.
    if (snapping_ || QGuiApplication::platformName() == QLatin1String("wayland")) return;
    const QRect work = env_.WorkArea();
    const QRect frame = frameGeometry();
    const int decoration = frame.height() - height();
    const int snapped = SnapHeightToWorkArea({work.left(), work.top(), work.width(), work.height()},
                                             {frame.left(), frame.top(), frame.width(), frame.height()},
                                             minimumHeight() + decoration) - decoration;
    if (snapped == height()) return;
    snapping_ = true;
    resize(width(), snapped);
    snapping_ = false;
}

void TMainForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Wherever the program may place its window, a move by the system (a
    // drag it runs, a placement) ends at the edge too. Wayland places
    // windows itself.
    if (snapping_ || dragging_ || QGuiApplication::platformName() == QLatin1String("wayland")) return;
    // A resize reports the place it kept; its edge clings in resizeEvent.
    if (event->pos() == event->oldPos()) return;
    const QPoint snapped = SnappedPosition(pos());
    if (snapped == pos()) return;
    snapping_ = true;
    move(snapped);
    snapping_ = false;
}
