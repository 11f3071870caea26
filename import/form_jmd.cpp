#include "import/form_jmd.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include "events/qt_ansi.h"
#include "events/qt_window_place.h"
#include "import/import_batch.h"
#include "import/imported_events.h"
#include "import/zet_messages.h"
#include "import/zet_text.h"

namespace {

QString PathText(const std::filesystem::path& p) { return QString::fromStdU16String(p.u16string()); }

// The height of a text box that shows `lines` lines of its font.
int TextBoxHeight(const QPlainTextEdit& box, int lines) {
    const int margins = 2 * (box.frameWidth() + int(box.document()->documentMargin()));
    return lines * box.fontMetrics().lineSpacing() + margins;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

QStringList MonthListItems() {
    return {QStringLiteral("Все"), QStringLiteral("Янв"), QStringLiteral("Фев"), QStringLiteral("Мар"),
            QStringLiteral("Апр"), QStringLiteral("Май"), QStringLiteral("Июн"), QStringLiteral("Июл"),
            QStringLiteral("Авг"), QStringLiteral("Сен"), QStringLiteral("Окт"), QStringLiteral("Ноя"),
            QStringLiteral("Дек")};
}

TFormJMD::TFormJMD(Host host, QWidget* parent) : QDialog(parent), host_(std::move(host)) {
    setObjectName(QStringLiteral("FormJMD"));
    setWindowTitle(QStringLiteral("Импорт астрологических данных астропроцессора ZET"));
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 8);
    column->setSpacing(4);

    GroupBox4 = new QGroupBox(QStringLiteral("Импорт журнальных ZET-данных:"), this);
    auto* journal = new QGridLayout(GroupBox4);
    journal->setContentsMargins(6, 4, 6, 6);
    journal->setVerticalSpacing(4);
    BitBtnLoadZetJMD = Button(GroupBox4, "BitBtnLoadZetJMD", QStringLiteral("Загрузить ZET-журнал"));
    BitBtnImportZetJMD = Button(GroupBox4, "BitBtnImportZetJMD", QStringLiteral("Импорт"));
    BitBtnImportZetJMD->setEnabled(false);
    MemoPreview = new QPlainTextEdit(GroupBox4);
    MemoPreview->setObjectName(QStringLiteral("MemoPreview"));
    MemoPreview->setReadOnly(true);
    MemoPreview->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoPreview->setTabChangesFocus(true);
    MemoPreview->setFixedHeight(TextBoxHeight(*MemoPreview, 3));
    journal->addWidget(BitBtnLoadZetJMD, 0, 0);
    journal->addWidget(BitBtnImportZetJMD, 0, 1);
    journal->addWidget(MemoPreview, 1, 0, 1, 2);

    GroupBox1 = new QGroupBox(QStringLiteral("Настройки импорта журнала лунных дней:"), GroupBox4);
    auto* moon = new QVBoxLayout(GroupBox1);
    moon->setContentsMargins(6, 2, 6, 4);
    moon->setSpacing(2);
    chbSummerTime = new QCheckBox(QStringLiteral("Использовать летнее время (+1 час)"), GroupBox1);
    chbSummerTime->setObjectName(QStringLiteral("chbSummerTime"));
    chbSummerTime->setToolTip(
        QStringLiteral("Программа будет переводить время, если в журнале не обозначен данный перевод"));
    ChBAboutMoonDay = new QCheckBox(QStringLiteral("Добавлять краткое астрологическое описание лунного дня"), GroupBox1);
    ChBAboutMoonDay->setObjectName(QStringLiteral("ChBAboutMoonDay"));
    ChBAboutMoonDay->setChecked(true);
    moon->addWidget(chbSummerTime);
    moon->addWidget(ChBAboutMoonDay);
    journal->addWidget(GroupBox1, 2, 0, 1, 2);
    column->addWidget(GroupBox4);

    Label1 = new QLabel(QStringLiteral("Выберите месяц(ы) для импорта или удаления данных:"), this);
    Label2 = new QLabel(QStringLiteral("Напоминать:"), this);
    AlertTypeBox1 = new QComboBox(this);
    AlertTypeBox1->setObjectName(QStringLiteral("AlertTypeBox1"));
    AlertTypeBox1->addItems({QStringLiteral("Не напоминать"), QStringLiteral("Вовремя"), QStringLiteral("за 1 мин"),
                             QStringLiteral("за 5 мин"), QStringLiteral("за 15 мин"), QStringLiteral("за 30 мин"),
                             QStringLiteral("за 45 мин"), QStringLiteral("за 1 час"), QStringLiteral("за 2 часа"),
                             QStringLiteral("за 1 день")});
    AlertTypeBox1->setCurrentIndex(2);
    auto* months = new QHBoxLayout;
    months->addWidget(Label1);
    months->addStretch();
    months->addWidget(Label2);
    months->addWidget(AlertTypeBox1);
    column->addLayout(months);
    ListMonth = new QListWidget(this);
    ListMonth->setObjectName(QStringLiteral("ListMonth"));
    ListMonth->setFlow(QListView::LeftToRight);
    ListMonth->setWrapping(false);
    ListMonth->setTextElideMode(Qt::ElideNone);
    ListMonth->setSpacing(0);
    ListMonth->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListMonth->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const QString& m : MonthListItems()) {
        auto* item = new QListWidgetItem(m, ListMonth);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    // Every month as wide as the widest one needs, so no name is cut.
    QSize cell;
    for (int i = 0; i < ListMonth->count(); ++i)
        cell = cell.expandedTo(ListMonth->sizeHintForIndex(ListMonth->model()->index(i, 0)));
    cell += QSize(4, 2);
    for (int i = 0; i < ListMonth->count(); ++i) ListMonth->item(i)->setSizeHint(cell);
    ListMonth->setFixedHeight(cell.height() + 2 * ListMonth->frameWidth());
    const int monthsWidth = cell.width() * ListMonth->count() + 2 * ListMonth->frameWidth();
    ListMonth->setMinimumWidth(monthsWidth);
    column->addWidget(ListMonth);
    Progress1 = new QProgressBar(this);
    Progress1->setObjectName(QStringLiteral("Progress1"));
    Progress1->setTextVisible(false);
    Progress1->setValue(0);
    Progress1->setFixedHeight(10);
    column->addWidget(Progress1);

    GroupBox3 = new QGroupBox(QStringLiteral("Импорт ZET-данных через текстовое поле:"), this);
    auto* pasted = new QGridLayout(GroupBox3);
    pasted->setContentsMargins(6, 4, 6, 6);
    pasted->setVerticalSpacing(4);
    Memo2 = new QPlainTextEdit(GroupBox3);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    // A pasted line stays one line: the rules read whole lines.
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab goes on to the next control; pasted tabs still arrive.
    Memo2->setTabChangesFocus(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setFamilies({QStringLiteral("Courier New"), fixed.family()});
    Memo2->setFont(fixed);
    Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // At least three lines; the box takes what height the screen leaves.
    Memo2->setMinimumHeight(TextBoxHeight(*Memo2, 3) + Memo2->horizontalScrollBar()->sizeHint().height());
    Memo2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Label3 = new QLabel(QStringLiteral("Тип ZET-данных:"), GroupBox3);
    TypeZetDataBox1 = new QComboBox(GroupBox3);
    TypeZetDataBox1->setObjectName(QStringLiteral("TypeZetDataBox1"));
    TypeZetDataBox1->addItems({QStringLiteral("Актуальные аспекты Луны"), QStringLiteral("Луна без курса")});
    BitBtnImportKurs = Button(GroupBox3, "BitBtnImportKurs", QStringLiteral("Импорт"));
    BitBtn2 = Button(GroupBox3, "BitBtn2", QStringLiteral("Очистить"));
    BitBtn2->setEnabled(false);
    pasted->addWidget(Memo2, 0, 0, 1, 4);
    pasted->addWidget(Label3, 1, 0);
    pasted->addWidget(TypeZetDataBox1, 1, 1);
    pasted->addWidget(BitBtnImportKurs, 1, 2);
    pasted->addWidget(BitBtn2, 1, 3);
    column->addWidget(GroupBox3, 1);

    GroupBox2 = new QGroupBox(QStringLiteral("Удаление импортированных данных:"), this);
    auto* removal = new QHBoxLayout(GroupBox2);
    removal->setContentsMargins(6, 4, 6, 6);
    Box1 = new QComboBox(GroupBox2);
    Box1->setObjectName(QStringLiteral("Box1"));
    Box1->addItems({QStringLiteral("Лунные дни"), QStringLiteral("Восходы и заходы Солнца"),
                    QStringLiteral("Актуальные аспекты Луны"), QStringLiteral("Луна без курса")});
    BtnDeleteImportData = Button(GroupBox2, "BtnDeleteImportData", QStringLiteral("Удалить"));
    BtnDeleteImportData->setToolTip(QStringLiteral("Удаление по текущему году календаря и выделенным месяцам"));
    removal->addWidget(Box1, 1);
    removal->addWidget(BtnDeleteImportData);
    column->addWidget(GroupBox2);

    // The width is fixed; the height is settled when the window opens, by
    // what the screen has room for (the paste box gives way first).
    setFixedWidth(std::max({600, minimumSizeHint().width(), monthsWidth + 16}));
    roomyHeight_ = minimumSizeHint().height() + kRoomyPasteBox - Memo2->minimumHeight();

    connect(BitBtnLoadZetJMD, &QPushButton::clicked, this, &TFormJMD::BitBtnLoadZetJMDClick);
    connect(BitBtnImportZetJMD, &QPushButton::clicked, this, &TFormJMD::BitBtnImportZetJMDClick);
    connect(BitBtnImportKurs, &QPushButton::clicked, this, &TFormJMD::BitBtnImportKursClick);
    connect(BtnDeleteImportData, &QPushButton::clicked, this, &TFormJMD::BtnDeleteImportDataClick);
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        Memo2->clear();
        BitBtn2->setEnabled(false);
    });
    connect(Memo2, &QPlainTextEdit::textChanged, this,
            [this] { BitBtn2->setEnabled(!Memo2->document()->isEmpty()); });
    // ListMonthClickCheck: the first item checks every month; unchecking it changes nothing else.
    connect(ListMonth, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (ListMonth->row(item) != 0 || item->checkState() != Qt::Checked) return;
        for (int m = 1; m <= 12; ++m) ListMonth->item(m)->setCheckState(Qt::Checked);
    });
}

void TFormJMD::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QRect area = host_.WorkArea ? host_.WorkArea() : screen()->availableGeometry();
    setFixedHeight(FittingHeight(*this, roomyHeight_, area));
    CentreIn(*this, area);
}

void TFormJMD::CheckOnlyMonth(int month) {
    for (int i = 0; i < ListMonth->count(); ++i)
        ListMonth->item(i)->setCheckState(i == month ? Qt::Checked : Qt::Unchecked);
}

MonthChoice TFormJMD::ChosenMonths() const {
    MonthChoice m;
    for (int i = 1; i <= 12; ++i) m.Set(i, ListMonth->item(i)->checkState() == Qt::Checked);
    return m;
}

ZetImportOptions TFormJMD::Options() {
    ZetImportOptions o;
    o.Months = ChosenMonths();
    o.AlertIndex = AlertTypeBox1->currentIndex();
    o.SummerTime = chbSummerTime->isChecked();
    o.MoonDayNotes = ChBAboutMoonDay->isChecked();
    o.Now = host_.Now();
    return o;
}

ZetProgress TFormJMD::Progress() {
    return [this](int done, int total) {
        Progress1->setMaximum(std::max(total, 1));
        Progress1->setValue(done);
        // The window repaints and the reminder timer ticks; the run buttons
        // are disabled meanwhile, so no second run starts.
        QApplication::processEvents();
    };
}

void TFormJMD::SetRunning(bool running) {
    running_ = running;
    for (QPushButton* b : {BitBtnLoadZetJMD, BitBtnImportKurs, BtnDeleteImportData}) b->setEnabled(!running);
    BitBtnImportZetJMD->setEnabled(!running && !Memo1.empty());
}

void TFormJMD::UpdateUserInterface() {
    Progress1->setValue(0);
    SetRunning(false);
}

void TFormJMD::BitBtnLoadZetJMDClick() {
    if (running_) return;
    const std::filesystem::path journals = host_.DataDir / "zet-jmd";
    std::error_code ec;
    const QString folder = std::filesystem::is_directory(journals, ec) ? PathText(journals) : QDir::homePath();
    const QString file = host_.ChooseFile(QStringLiteral("Выбрать файл ZET-журнала"), folder,
                                          QStringLiteral("Журналы ZET: Луна, Солнце (*.wrk)"));
    if (file.isEmpty()) return;
    const ZetFile read = ReadZetFile(std::filesystem::path(file.toStdU16String()));
    if (!read.ok) {
        host_.ShowMessage(read.Error);
        return;
    }
    Memo1 = read.Lines;
    BitBtnImportZetJMD->setEnabled(true);
    MemoPreview->clear();
    QStringList preview;
    for (size_t i = 0; i < Memo1.size() && i < 3; ++i) preview << FromAnsi(Memo1[i]);
    MemoPreview->setPlainText(preview.join(QLatin1Char('\n')));
}

void TFormJMD::Finish(const ZetRun& run) {
    if (!run.ok()) {
        UpdateUserInterface();
        if (run.Status != ZetStatus::NotThisKind) host_.ShowMessage(run.Message);
        return;
    }
    const ChangeSummary added = MergeImport(*host_.Document, BatchOf(run.Events));
    UpdateUserInterface();
    host_.ShowSummary(added);
}

void TFormJMD::BitBtnImportZetJMDClick() {
    if (running_ || Memo1.empty()) return;
    SetRunning(true);
    Finish(ImportZetJournal(Memo1, Options(), Progress()));
}

void TFormJMD::BitBtnImportKursClick() {
    if (running_) return;
    SetRunning(true);
    // Handed over as UTF-8, the box's text is read as what it is; as
    // Windows-1251 bytes it would be guessed at once more.
    const ZetFile text = ZetTextLines(Memo2->toPlainText().toStdString());
    const auto kind = static_cast<ZetPastedKind>(TypeZetDataBox1->currentIndex());
    Finish(text.ok ? ImportPastedZetText(text.Lines, kind, Options(), Progress())
                   : ZetRun{ZetStatus::Unreadable, TImportKind::None, {}, 0, text.Error});
}

void TFormJMD::BtnDeleteImportDataClick() {
    if (running_) return;
    SetRunning(true);
    const std::string marker = ImportMarker(RemovalKindAt(Box1->currentIndex()));
    const MonthChoice months = ChosenMonths();
    const int year = host_.CalendarYear();
    const ChangeSummary removed = RemoveImported(*host_.Document, marker, months, year, Progress());
    UpdateUserInterface();
    host_.ShowSummary(removed);
}
