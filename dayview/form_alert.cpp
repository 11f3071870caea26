#include "dayview/form_alert.h"

#include <QSignalBlocker>

#include <algorithm>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShowEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "dayview/reminder_tick.h"
#include "dayview/snooze.h"
#include "events/qt_ansi.h"
#include "widgets/tab_set_widget.h"
#include "widgets/todo_list.h"

AlertColors AlertColorsOf(const TTodoList& list) {
    return {list.SelectionColor, list.SelectionColorTo, list.SelectionFontColor,
            list.CompletionFontColor};
}

TFormAlert::TFormAlert(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormAlert"));
    setWindowTitle(QString::fromUtf8("Сообщение"));
    setWindowOpacity(220.0 / 255.0);
    setFixedSize(kClientWidth, kClientHeight);
    // Closing it while the main window sits in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    MemoMsg = new QPlainTextEdit(this);
    MemoMsg->setObjectName("MemoMsg");
    MemoMsg->setReadOnly(true);
    MemoMsg->setFrameShape(QFrame::NoFrame);
    MemoMsg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoMsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont memoFont(QStringLiteral("Trebuchet MS"));
    memoFont.setPixelSize(13);
    memoFont.setBold(true);
    MemoMsg->setFont(memoFont);

    TabSetMsg = new TTabSet(this);
    TabSetMsg->setObjectName("TabSetMsg");
    TabSetMsg->setFixedHeight(kTabHeight);
    QFont tabFont(QStringLiteral("Tahoma"));
    tabFont.setPixelSize(11);
    TabSetMsg->setFont(tabFont);

    BtnSnooze = new QToolButton(this);
    BtnSnooze->setObjectName("BtnSnooze");
    BtnSnooze->setText(QString::fromUtf8("Отложить"));
    BtnSnooze->setFont(tabFont);
    BtnSnooze->setFixedHeight(kTabHeight);
    BtnSnooze->setPopupMode(QToolButton::InstantPopup);
    auto* snooze = new QMenu(BtnSnooze);
    snooze->setObjectName("MenuSnooze");
    static const char* const kCaptions[] = {"5 минут", "10 минут", "15 минут", "30 минут", "1 час",
                                            "завтра в это время"};
    for (size_t i = 0; i < std::size(kSnoozeMinutes); ++i) {
        QAction* a = snooze->addAction(QString::fromUtf8(kCaptions[i]));
        a->setObjectName(QStringLiteral("Snooze%1").arg(kSnoozeMinutes[i]));
        const int minutes = kSnoozeMinutes[i];
        connect(a, &QAction::triggered, this, [this, minutes] {
            const int id = IdOf(TabSetMsg->currentIndex());
            if (id < 0) return;
            if (snoozeHandler_) snoozeHandler_(id, minutes);
            CloseTabOf(id);
        });
    }
    BtnSnooze->setMenu(snooze);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(MemoMsg, 1);
    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    strip->addWidget(TabSetMsg, 1);
    strip->addWidget(BtnSnooze, 0);
    layout->addLayout(strip, 0);

    setAutoFillBackground(true);
    connect(TabSetMsg, &TTabSet::currentChanged, this, [this](int i) {
        if (i >= 0) TabSetMsgChange(i);
    });
}

void TFormAlert::SetPlacement(QRect workArea, int screenWidth) {
    workArea_ = workArea;
    screenWidth_ = screenWidth;
    placed_ = true;
}

void TFormAlert::SetColorSource(std::function<AlertColors()> source) {
    colorSource_ = std::move(source);
}

void TFormAlert::SetNotesLookup(std::function<QString(int)> lookup) {
    notesLookup_ = std::move(lookup);
}

void TFormAlert::SetSnoozeHandler(std::function<void(int, int)> handler) { snoozeHandler_ = std::move(handler); }

int TFormAlert::TabOf(int id) const {
    const auto it = std::find(ids_.begin(), ids_.end(), id);
    return it == ids_.end() ? -1 : int(it - ids_.begin());
}

void TFormAlert::CloseTabOf(int id) {
    const int tab = TabOf(id);
    if (tab < 0) return;
    ids_.erase(ids_.begin() + tab);
    TabSetMsg->removeTab(tab);
    if (TabSetMsg->count() == 0) {
        MemoMsg->clear();
        hide();
    }
}

void TFormAlert::AddTab(const QString& text, int id) {
    ids_.push_back(id >= 0 ? id : nextId_);
    nextId_ = std::max(nextId_, ids_.back() + 1);
    const int i = TabSetMsg->addTab(text);
    if (TabSetMsg->currentIndex() == i) TabSetMsgChange(i);  // the first tab selects itself
    else TabSetMsg->setCurrentIndex(i);
}

void TFormAlert::AddTabs(const QStringList& texts, const std::vector<int>& ids) {
    if (texts.isEmpty()) return;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        ids_.push_back(size_t(i) < ids.size() ? ids[size_t(i)] : nextId_);
        nextId_ = std::max(nextId_, ids_.back() + 1);
    }
    TabSetMsg->addTabs(texts);
    const QSignalBlocker quiet(TabSetMsg);
    TabSetMsg->setCurrentIndex(TabSetMsg->count() - 1);
    TabSetMsgChange(TabSetMsg->currentIndex());
}

void TFormAlert::SelectTab(int index) {
    if (index < 0 || index >= TabSetMsg->count()) return;
    if (TabSetMsg->currentIndex() == index) TabSetMsgChange(index);  // notes may have changed
    else TabSetMsg->setCurrentIndex(index);
}

void TFormAlert::ShowAndRaise() {
    if (isVisible()) return;
    show();
    raise();
}

void TFormAlert::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QWidget::showEvent(event);
}

void TFormAlert::FormShow() {
    if (placed_) {
        // The frame is known only once the window has been shown; before
        // that the client size stands for the window.
        const QRect frame = frameGeometry();
        const int w = std::max(frame.width(), width());
        const int h = std::max(frame.height(), height());
        move(screenWidth_ - w, workArea_.y() + workArea_.height() - h);
    }
    if (colorSource_) ApplyColors(colorSource_());
}

void TFormAlert::TabSetMsgChange(int newTab) {
    QString notes = notesLookup_ ? notesLookup_(IdOf(newTab)) : FromAnsi(EventDeletedText());
    notes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    notes.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    MemoMsg->setPlainText(notes);
}

void TFormAlert::ApplyColors(const AlertColors& c) {
    applied_ = c;
    // A colour the theme left unset keeps the platform's.
    QPalette pal = palette();
    if (c.SelectionColor.isValid()) pal.setColor(QPalette::Window, c.SelectionColor);
    setPalette(pal);

    QPalette memo = MemoMsg->palette();
    if (c.SelectionColor.isValid()) memo.setColor(QPalette::Base, c.SelectionColor);
    if (c.SelectionFontColor.isValid()) memo.setColor(QPalette::Text, c.SelectionFontColor);
    MemoMsg->setPalette(memo);

    QPalette strip = TabSetMsg->palette();
    if (c.CompletionFontColor.isValid()) strip.setColor(QPalette::Window, c.CompletionFontColor);
    TabSetMsg->setPalette(strip);

    if (c.SelectionColorTo.isValid()) TabSetMsg->TabColor = c.SelectionColorTo;
    if (c.SelectionColor.isValid()) TabSetMsg->SelectedTabColor = c.SelectionColor;
    if (c.SelectionFontColor.isValid()) TabSetMsg->TextColor = TabSetMsg->BorderColor = c.SelectionFontColor;
    TabSetMsg->update();
}
