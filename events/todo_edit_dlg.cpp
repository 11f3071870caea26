#include "events/todo_edit_dlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QShowEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include "events/recurrence.h"
#include "events/qt_ansi.h"
#include "events/qt_window_place.h"

namespace {

constexpr int kMaxTextBytes = 65535;

QDateTime ToQt(TDateTime t) {
    const DateTimeParts p = DecodeDateTime(t);
    return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second, p.millisecond));
}

TDateTime FromQt(const QDateTime& q) {
    const QDate d = q.date();
    const QTime t = q.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}


// The texts of the switch buttons: each offers the other kind of entry.
const QString kDateButton = QStringLiteral("Дата");
const QString kTimeButton = QStringLiteral("Время");

}  // namespace

QString FitForFile(const QString& text, bool* changed) {
    const std::string bytes = ToAnsi(text);
    QString fitted = FromAnsi(bytes.size() > kMaxTextBytes ? bytes.substr(0, kMaxTextBytes) : bytes);
    if (changed) *changed = fitted != text;
    return fitted;
}

void ChangeDateKind(QDateTimeEdit* picker, QAbstractButton* button) {
    // Qt drops the fields a format does not show; the moment must survive
    // the switch to the minute.
    const QDateTime moment = picker->dateTime();
    if (picker->displayFormat() == QLatin1String("dd.MM.yyyy")) {
        picker->setDisplayFormat(QStringLiteral("HH:mm"));
        button->setText(kDateButton);
    } else {
        picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        button->setText(kTimeButton);
    }
    picker->setDateTime(moment);
}

TToDoEditDlg::TToDoEditDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ToDoEditDlg"));
    setWindowTitle(QStringLiteral("Событие"));
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPointSize(9);
    setFont(f);
    setFixedSize(284, 303);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    Label3 = new QLabel(QStringLiteral("Начало:"), this);
    SpeedButton2 = new QToolButton(this);
    SpeedButton2->setText(kDateButton);
    dtpBegin = new QDateTimeEdit(this);
    dtpBegin->setDisplayFormat(QStringLiteral("HH:mm"));
    auto* begin = new QHBoxLayout;
    begin->addWidget(SpeedButton2);
    begin->addWidget(dtpBegin, 1);
    grid->addWidget(Label3, 0, 0);
    grid->addLayout(begin, 0, 1);

    Label5 = new QLabel(QStringLiteral("Напомнить:"), this);
    BoxAlert = new QComboBox(this);
    BoxAlert->addItems({QStringLiteral("Не напоминать"), QStringLiteral("Вовремя"), QStringLiteral("за 1 мин"),
                        QStringLiteral("за 5 мин"), QStringLiteral("за 15 мин"), QStringLiteral("за 30 мин"),
                        QStringLiteral("за 45 мин"), QStringLiteral("за 1 час"), QStringLiteral("за 2 часа"),
                        QStringLiteral("за 1 день")});
    BoxAlert->setCurrentIndex(1);
    grid->addWidget(Label5, 1, 0);
    grid->addWidget(BoxAlert, 1, 1);

    Label4 = new QLabel(QStringLiteral("Кратко:"), this);
    SubjectName = new QLineEdit(this);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(SubjectName, 2, 1);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);  // Tab goes on to the next control, as in every box of a dialog
    grid->addWidget(Memo1, 3, 0, 1, 2);
    grid->setRowStretch(3, 1);

    Label2 = new QLabel(QStringLiteral("Тип:"), this);
    Box1 = new QComboBox(this);
    Box1->addItems({QStringLiteral("Простое"), QStringLiteral("Длительное"), QStringLiteral("Повторять каждые:"),
                    QStringLiteral("Задача")});
    grid->addWidget(Label2, 4, 0);
    grid->addWidget(Box1, 4, 1);

    BoxDcount = new QComboBox(this);
    BoxDcount->setEditable(true);
    BoxDcount->addItems({"1", "2", "3", "5", "10", "20", "30", "45"});
    BoxDcount->setEditText(QStringLiteral("0"));
    BoxDvalue = new QComboBox(this);
    BoxDvalue->addItems({QString(), QStringLiteral("минут"), QStringLiteral("час"), QStringLiteral("день"),
                         QStringLiteral("недель"), QStringLiteral("месяц"), QStringLiteral("год")});
    auto* every = new QHBoxLayout;
    every->addWidget(BoxDcount, 1);
    every->addWidget(BoxDvalue, 2);
    grid->addLayout(every, 5, 1);

    CheckListWk = new QListWidget(this);
    CheckListWk->setFlow(QListView::LeftToRight);
    CheckListWk->setWrapping(false);
    CheckListWk->setFixedHeight(26);
    CheckListWk->setSpacing(0);
    CheckListWk->setTextElideMode(Qt::ElideNone);
    QFont small = f;
    small.setPointSize(8);
    CheckListWk->setFont(small);
    CheckListWk->setStyleSheet(QStringLiteral("QListWidget::item { padding: 0px; margin: 0px; }"
                                              "QListWidget::indicator { width: 12px; height: 12px; }"));
    CheckListWk->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CheckListWk->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const char* day : {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"}) {
        auto* item = new QListWidgetItem(QString::fromUtf8(day), CheckListWk);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
        item->setSizeHint(QSize(37, 22));
    }
    grid->addWidget(CheckListWk, 6, 0, 1, 2);

    Label1 = new QLabel(QStringLiteral("Завершение:"), this);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setText(kTimeButton);
    dtpEnd = new QDateTimeEdit(this);
    dtpEnd->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    auto* end = new QHBoxLayout;
    end->addWidget(SpeedButton1);
    end->addWidget(dtpEnd, 1);
    grid->addWidget(Label1, 7, 0);
    grid->addLayout(end, 7, 1);
    // The switch buttons keep one width whichever text they show.
    for (QToolButton* b : {SpeedButton1, SpeedButton2})
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(kTimeButton) + 12);
    // The label column is as wide as its widest label even while "Завершение:"
    // is hidden, so the right-hand column keeps its place for every kind.
    int labels = 0;
    for (QLabel* l : {Label1, Label2, Label3, Label4, Label5}) labels = std::max(labels, l->sizeHint().width());
    grid->setColumnMinimumWidth(0, labels);

    cbCompleted = new QCheckBox(QStringLiteral("Завершено"), this);
    OKBtn = new QPushButton(QStringLiteral("Принять"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cbCompleted);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 8, 0, 1, 2);


    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(SpeedButton1, &QToolButton::clicked, this, &TToDoEditDlg::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TToDoEditDlg::SpeedButton2Click);
    connect(Box1, &QComboBox::activated, this, [this] { Box1Change(); });
    connect(BoxDvalue, &QComboBox::activated, this, [this] { BoxDvalueChange(); });
    connect(BoxDcount, &QComboBox::editTextChanged, this, [this] { MarkCount(false); });
    connect(SubjectName, &QLineEdit::textEdited, this, [this](const QString& t) {
        bool changed = false;
        const QString fitted = FitForFile(t, &changed);
        if (changed) {
            const int pos = std::min(SubjectName->cursorPosition(), int(fitted.size()));
            SubjectName->setText(fitted);
            SubjectName->setCursorPosition(pos);
        }
    });
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TToDoEditDlg::KeepMemoInFile);

    // The initial state of the kind and unit boxes.
    Apply(TEditorState{});
    Label1->hide();
    SpeedButton1->hide();
    dtpEnd->hide();
}

void TToDoEditDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(*this);
    // The user comes to type the name; back after a refused count, to mend it.
    QWidget* first = BoxDcount->styleSheet().isEmpty() ? static_cast<QWidget*>(SubjectName) : BoxDcount;
    first->setFocus(Qt::OtherFocusReason);
    if (first == SubjectName) SubjectName->selectAll();
}

void TToDoEditDlg::KeepMemoInFile() {
    if (applying_) return;
    bool changed = false;
    const QString fitted = FitForFile(Memo1->toPlainText(), &changed);
    if (!changed) return;
    applying_ = true;
    const int pos = std::min(Memo1->textCursor().position(), int(fitted.size()));
    Memo1->setPlainText(fitted);
    QTextCursor c = Memo1->textCursor();
    c.setPosition(pos);
    Memo1->setTextCursor(c);
    applying_ = false;
}

void TToDoEditDlg::MarkCount(bool refused) {
    BoxDcount->setStyleSheet(refused ? QStringLiteral("QComboBox { border: 2px solid #d00000; }") : QString());
}

int TToDoEditDlg::Mask() const {
    std::array<bool, 7> checked{};
    for (int i = 0; i < 7; ++i) checked[size_t(i)] = CheckListWk->item(i)->checkState() == Qt::Checked;
    return GetDaysFromList(checked);
}

void TToDoEditDlg::SetMask(int mask) {
    const std::array<bool, 7> checked = SetDaysInList(mask);
    for (int i = 0; i < 7; ++i) CheckListWk->item(i)->setCheckState(checked[size_t(i)] ? Qt::Checked : Qt::Unchecked);
}

void TToDoEditDlg::UnSelectWkDays() { SetMask(0); }

TEditorState TToDoEditDlg::State() const {
    TEditorState s;
    s.kind = static_cast<EventKind>(Box1->currentIndex());
    s.unit = BoxDvalue->currentIndex();
    s.countText = ToAnsi(BoxDcount->currentText());
    s.mask = Mask();
    s.countEnabled = BoxDcount->isEnabled();
    s.unitEnabled = BoxDvalue->isEnabled();
    s.weekdaysEnabled = CheckListWk->isEnabled();
    s.endVisible = !dtpEnd->isHidden();
    return s;
}

void TToDoEditDlg::Apply(const TEditorState& s) {
    Box1->setCurrentIndex(int(s.kind));
    BoxDvalue->setCurrentIndex(s.unit);
    BoxDcount->setEditText(FromAnsi(s.countText));
    SetMask(s.mask);
    BoxDcount->setEnabled(s.countEnabled);
    BoxDvalue->setEnabled(s.unitEnabled);
    CheckListWk->setEnabled(s.weekdaysEnabled);
    Label1->setVisible(s.endVisible);
    SpeedButton1->setVisible(s.endVisible);
    dtpEnd->setVisible(s.endVisible);
}

void TToDoEditDlg::Box1Change() {
    TEditorState s = State();
    ::Box1Change(s);
    Apply(s);
}

void TToDoEditDlg::BoxDvalueChange() {
    TEditorState s = State();
    ::BoxDvalueChange(s);
    Apply(s);
}

void TToDoEditDlg::SpeedButton1Click() { ChangeDateKind(dtpEnd, SpeedButton1); }
void TToDoEditDlg::SpeedButton2Click() { ChangeDateKind(dtpBegin, SpeedButton2); }

TEditorValues TToDoEditDlg::Values() const {
    TEditorValues v;
    v.subject = ToAnsi(SubjectName->text());
    QString memo = Memo1->toPlainText();
    memo.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    v.memo = ToAnsi(memo);
    v.kind = static_cast<EventKind>(Box1->currentIndex());
    v.unit = BoxDvalue->currentIndex();
    v.countText = ToAnsi(BoxDcount->currentText());
    v.mask = Mask();
    v.start = FromQt(dtpBegin->dateTime());
    v.end = FromQt(dtpEnd->dateTime());
    v.alert = BoxAlert->currentIndex();
    v.completed = cbCompleted->isChecked();
    return v;
}

void TToDoEditDlg::PrepareNew(TDateTime start) {
    dtpBegin->setDateTime(ToQt(start));
    dtpEnd->setDateTime(ToQt(start));
    Memo1->clear();
    SubjectName->clear();
    MarkCount(false);
    Box1->setCurrentIndex(int(EventKind::Simple));
    Box1Change();
}

void TToDoEditDlg::PrepareEdit(const TTodoItem& event, TDateTime moveToDay) {
    MarkCount(false);
    TEditorState s = State();
    const TEditorValues v = EditorValuesFromItem(event, moveToDay, Values(), s);
    Apply(s);
    dtpBegin->setDateTime(ToQt(v.start));
    dtpEnd->setDateTime(ToQt(v.end));
    SubjectName->setText(FitForFile(FromAnsi(v.subject)));
    QString memo = FromAnsi(v.memo);
    memo.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    Memo1->setPlainText(memo);
    BoxAlert->setCurrentIndex(v.alert >= 0 && v.alert < BoxAlert->count() ? v.alert : 1);
    cbCompleted->setChecked(v.completed);
}
