#include "import/form_sun_day.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

#include "events/qt_ansi.h"
#include "events/qt_window_place.h"
#include "import/form_jmd.h"
#include "import/good_days.h"
#include "import/import_batch.h"
#include "import/zet_messages.h"

namespace {

// The help text: how the soul number is found, what each number means and
// what the days of the month say about those born on them.
QString HelpText() {
    return QStringLiteral(
        "ИНСТРУКЦИИ\n"
        "Число души — это день месяца, в который вы родились, сведённый к одной цифре: цифры дня "
        "складываются, а если сумма больше девяти, складываются цифры суммы. Родившимся 13-го "
        "соответствует число 4 (1+3), родившимся 29-го — число 2 (2+9=11, 1+1=2).\n\n"
        "Выберите день своего рождения в списке «Число месяца рождения» — под ним появится число "
        "души. Отметьте месяцы, проверьте год и нажмите «Добавить»: благоприятные для вас дни "
        "появятся в календаре. «Удалить» убирает их из отмеченных месяцев того же года.\n\n"
        "Астрологические сутки начинаются с восходом Солнца, а не в полночь. Если вы родились "
        "ночью, до восхода, вашим днём может оказаться предыдущий: родившемуся 13-го в 2:00 "
        "по полуночному счёту соответствует число 4 (1+3), а по восходу — число 3 (1+2). "
        "Выбирайте день рождения с учётом этого.\n"
        "\n"
        "Краткая характеристика чисел:\n"
        "1 — Солнце: воля, самостоятельность, стремление быть первым, творческая сила.\n"
        "2 — Луна: чувствительность, воображение, мягкость, умение ладить с людьми.\n"
        "3 — Юпитер: честолюбие, чувство долга, любовь к знаниям и порядку.\n"
        "4 — Уран: независимость, своеобразие взглядов, неожиданные перемены.\n"
        "5 — Меркурий: подвижность, находчивость, общительность, быстрый ум.\n"
        "6 — Венера: обаяние, любовь к красоте и гармонии, верность в дружбе.\n"
        "7 — Нептун: интуиция, мечтательность, тяга к путешествиям и размышлениям.\n"
        "8 — Сатурн: упорство, выдержка, серьёзность, ответственность.\n"
        "9 — Марс: энергия, смелость, решительность, воля к победе.\n"
        "\n"
        "------------------------------\n"
        "Кратко о рожденных в определенный день месяца.\n"
        "Число 1 — родившиеся 1, 10, 19 и 28 числа\n"
        "1 — прирождённые лидеры: решительны, самостоятельны, не любят подчиняться.\n"
        "10 — честолюбивы и уверены в себе, добиваются цели упорством.\n"
        "19 — жизнерадостны и деятельны, удачу приносит им собственный труд.\n"
        "28 — изобретательны и независимы, но переменчивы в делах и привязанностях.\n"
        "\n"
        "Число 2 — родившиеся 2, 11, 20 и 29 числа\n"
        "2 — мягки и впечатлительны, лучше всего раскрываются в союзе с другими.\n"
        "11 — тонко чувствуют людей, склонны к мечтам и духовным поискам.\n"
        "20 — добры и отзывчивы, легко приспосабливаются к обстоятельствам.\n"
        "29 — богаты воображением, но подвержены перепадам настроения.\n"
        "\n"
        "Число 3 — родившиеся 3, 12, 21 и 30 числа\n"
        "3 — энергичны и жизнелюбивы, стремятся к признанию.\n"
        "12 — умеют убеждать, охотно заботятся о других.\n"
        "21 — общительны и удачливы, успех приходит к ним со зрелостью.\n"
        "30 — мыслят широко, любят порядок, преуспевают в учёбе и науке.\n"
        "\n"
        "Число 4 — родившиеся 4, 13, 22 и 31 числа\n"
        "4 — своеобразны и упрямы, смотрят на вещи иначе, чем окружающие.\n"
        "13 — трудолюбивы и настойчивы, перемены в их жизни бывают внезапными.\n"
        "22 — способны к большим замыслам и умеют их воплощать.\n"
        "31 — независимы, ищут свой путь и не терпят давления.\n"
        "\n"
        "Число 5 — родившиеся 5, 14 и 23 числа\n"
        "5 — подвижны и любознательны, легко сходятся с людьми.\n"
        "14 — предприимчивы, любят риск и перемены, но должны остерегаться спешки.\n"
        "23 — находчивы и удачливы, быстро схватывают новое.\n"
        "\n"
        "Число 6 — родившиеся 6, 15 и 24 числа\n"
        "6 — обаятельны и миролюбивы, ценят уют, искусство и красоту.\n"
        "15 — притягивают людей и умеют найти поддержку, любят комфорт.\n"
        "24 — надёжны и заботливы, благополучие приходит к ним через семью и друзей.\n"
        "\n"
        "Число 7 — родившиеся 7, 16 и 25 числа\n"
        "7 — независимы и оригинальны, склонны к размышлениям и путешествиям.\n"
        "16 — наделены сильной интуицией, им стоит доверять предчувствиям.\n"
        "25 — наблюдательны и вдумчивы, учатся на собственном опыте.\n"
        "\n"
        "Число 8 — родившиеся 8, 17 и 26 числа\n"
        "8 — серьёзны и упорны, успех приходит к ним поздно, но надолго.\n"
        "17 — сильны характером, выдерживают трудности и ведут за собой.\n"
        "26 — ответственны и практичны, им важно не взваливать на себя чужую ношу.\n"
        "\n"
        "Число 9 — родившиеся 9, 18 и 27 числа\n"
        "9 — энергичны и смелы, не отступают перед препятствиями.\n"
        "18 — решительны, но вспыльчивы, им стоит учиться терпению.\n"
        "27 — волевы и великодушны, умеют вдохновлять других.");
}

// edCurYearKeyPress: only digits reach the year, typed or pasted; anything
// else is dropped and the cursor keeps its place among the digits.
class DigitsOnly : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        QString digits;
        int kept = 0;
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) continue;
            digits += c;
            if (i < pos) ++kept;
        }
        input = digits;
        pos = kept;
        return Acceptable;
    }
};

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

// A run of the add or remove button: the buttons are disabled and the bar
// starts at 0 of 12; however the run ends, both come back.
class SunDayRun {
public:
    explicit SunDayRun(TFormSunDay& form) : form_(form) {
        form_.SetRunning(true);
        form_.Progress1->setRange(0, 12);
        form_.Progress1->setValue(0);
    }
    ~SunDayRun() {
        form_.Progress1->setValue(0);
        form_.SetRunning(false);
    }
    SunDayRun(const SunDayRun&) = delete;
    SunDayRun& operator=(const SunDayRun&) = delete;

private:
    TFormSunDay& form_;
};

TFormSunDay::TFormSunDay(Host host, QWidget* parent) : QDialog(parent), host_(std::move(host)) {
    setObjectName(QStringLiteral("FormSunDay"));
    setWindowTitle(QStringLiteral("Определить благоприятные дни"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    QPalette flat = Memo1->palette();
    flat.setColor(QPalette::Base, flat.color(QPalette::Window));
    Memo1->setPalette(flat);
    Memo1->setPlainText(HelpText());
    Memo1->setTabChangesFocus(true);
    Memo1->setMinimumWidth(380);

    Label1 = new QLabel(QStringLiteral("Число месяца рождения:"), this);
    BoxBDay = new QComboBox(this);
    BoxBDay->setObjectName(QStringLiteral("BoxBDay"));
    for (int d = 0; d <= 31; ++d) BoxBDay->addItem(QString::number(d));
    BoxBDay->setMaxVisibleItems(16);
    PanelSoulNum = new QLabel(QStringLiteral("Число души: 0"), this);
    PanelSoulNum->setObjectName(QStringLiteral("PanelSoulNum"));
    PanelSoulNum->setFrameShape(QFrame::Panel);
    PanelSoulNum->setFrameShadow(QFrame::Raised);
    PanelSoulNum->setAlignment(Qt::AlignCenter);
    PanelSoulNum->setMinimumHeight(26);
    QFont bold = f;
    bold.setBold(true);
    PanelSoulNum->setFont(bold);

    ListMonth = new QListWidget(this);
    ListMonth->setObjectName(QStringLiteral("ListMonth"));
    for (const QString& m : MonthListItems()) {
        auto* item = new QListWidgetItem(m, ListMonth);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    ListMonth->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListMonth->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListMonth->setFixedHeight(ListMonth->sizeHintForRow(0) * ListMonth->count() + 2 * ListMonth->frameWidth());

    Label2 = new QLabel(QStringLiteral("Текущий год:"), this);
    edCurYear = new QLineEdit(QStringLiteral("2010"), this);
    edCurYear->setObjectName(QStringLiteral("edCurYear"));
    edCurYear->setValidator(new DigitsOnly(edCurYear));
    edCurYear->setToolTip(QStringLiteral("Год от %1 до %2; пустое поле — год календаря")
                              .arg(kFirstGoodDaysYear)
                              .arg(kLastGoodDaysYear));
    edCurYear->setFixedWidth(60);

    ChBAboutDay = new QCheckBox(QStringLiteral("Добавлять краткое описание (хороший; особенный; отличный день)"), this);
    ChBAboutDay->setObjectName(QStringLiteral("ChBAboutDay"));
    ChBAboutDay->setChecked(true);
    BtnAdd = Button(this, "BtnAdd", QStringLiteral("Добавить"));
    BtnDelete = Button(this, "BtnDelete", QStringLiteral("Удалить"));
    Progress1 = new QProgressBar(this);
    Progress1->setObjectName(QStringLiteral("Progress1"));
    Progress1->setTextVisible(false);
    Progress1->setRange(0, 12);
    Progress1->setValue(0);

    auto* side = new QVBoxLayout;
    side->addWidget(Label1);
    side->addWidget(BoxBDay);
    side->addWidget(PanelSoulNum);
    side->addWidget(ListMonth);
    auto* year = new QHBoxLayout;
    year->addWidget(Label2);
    year->addWidget(edCurYear);
    year->addStretch();
    side->addLayout(year);
    side->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(Memo1, 0, 0);
    grid->addLayout(side, 0, 1);
    grid->addWidget(ChBAboutDay, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnAdd);
    buttons->addWidget(BtnDelete);
    buttons->addWidget(Progress1, 1);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    setFixedSize(sizeHint().expandedTo(QSize(640, 470)));

    connect(BoxBDay, &QComboBox::currentIndexChanged, this, &TFormSunDay::BoxBDayChange);
    connect(BtnAdd, &QPushButton::clicked, this, &TFormSunDay::BtnAddClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TFormSunDay::BtnDeleteClick);
    // ListMonthClickCheck: the first item checks every month; unchecking it changes nothing else.
    connect(ListMonth, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (ListMonth->row(item) != 0 || item->checkState() != Qt::Checked) return;
        for (int m = 1; m <= 12; ++m) ListMonth->item(m)->setCheckState(Qt::Checked);
    });
}

void TFormSunDay::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}

void TFormSunDay::Prepare(int year, int month, int birthDay) {
    edCurYear->setText(QString::number(year));
    for (int i = 0; i < ListMonth->count(); ++i)
        ListMonth->item(i)->setCheckState(i == month ? Qt::Checked : Qt::Unchecked);
    BoxBDay->setCurrentIndex(birthDay >= 0 && birthDay <= 31 ? birthDay : 0);
    BoxBDayChange();
}

MonthChoice TFormSunDay::ChosenMonths() const {
    MonthChoice m;
    for (int i = 1; i <= 12; ++i) m.Set(i, ListMonth->item(i)->checkState() == Qt::Checked);
    return m;
}

void TFormSunDay::BoxBDayChange() {
    PanelSoulNum->setText(QStringLiteral("Число души: %1").arg(GetSoulNumber(BoxBDay->currentText().toStdString())));
}

std::optional<int> TFormSunDay::SettleYear() {
    const SettledYear s = SettleGoodDaysYear(edCurYear->text().toStdString(), host_.CalendarYear());
    if (!s.ok) {
        edCurYear->setFocus();
        edCurYear->selectAll();
        host_.ShowMessage(s.message);
        return std::nullopt;
    }
    edCurYear->setText(QString::number(s.year));
    return s.year;
}

ZetProgress TFormSunDay::Progress() {
    return [this](int done, int) {
        Progress1->setValue(done);
        Progress1->repaint();
    };
}

void TFormSunDay::SetRunning(bool running) {
    running_ = running;
    BtnAdd->setEnabled(!running);
    BtnDelete->setEnabled(!running);
}

void TFormSunDay::BtnAddClick() {
    if (running_) return;
    const int birthDay = BoxBDay->currentIndex();
    if (birthDay < 1) {
        host_.ShowMessage(GoodDaysMessage::NoBirthDay());
        return;
    }
    const std::optional<int> year = SettleYear();
    if (!year) return;
    // Told once the run has ended and the window is usable again.
    std::string failure;
    ChangeSummary added;
    {
        const SunDayRun run(*this);
        const GoodDaysRun found =
            FindGoodDaysOfYear({birthDay, *year, ChosenMonths(), ChBAboutDay->isChecked()}, Progress());
        if (!found.ok()) {
            failure = found.Message;
        } else {
            added = MergeImport(*host_.Document, GoodDaysBatch(found.Events));
            host_.BirthDayAdded(birthDay);
        }
    }
    if (!failure.empty()) host_.ShowMessage(failure);
    else host_.ShowSummary(added);
}

void TFormSunDay::BtnDeleteClick() {
    if (running_) return;
    const std::optional<int> year = SettleYear();
    if (!year) return;
    const int birthDay = BoxBDay->currentIndex();
    const MonthChoice months = ChosenMonths();
    ChangeSummary removed;
    {
        const SunDayRun run(*this);
        removed = RemoveImported(*host_.Document, GoodDaysMarker(birthDay), months, *year, Progress());
    }
    host_.ShowSummary(removed);
}
