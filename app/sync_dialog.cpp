#include "app/sync_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <exception>

#include "sync/caldav_client.h"
#include "sync/sync_status.h"

namespace {

// An empty field keeps the password of the saved account, wherever it is kept.
const QString kKeepPassword = QStringLiteral("пусто — прежний пароль");

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }
std::string Utf8(const QString& text) { return text.trimmed().toStdString(); }

// A plain http:// address of another machine: sent only when the user allows it.
bool PlainHttpElsewhere(const std::string& url) {
    return !CalDavClient::CheckAddress(url, false).empty() && CalDavClient::CheckAddress(url, true).empty();
}

QLabel* WrappedLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    return l;
}

}  // namespace

TSyncDialog::TSyncDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SyncDlg"));
    setWindowTitle(QStringLiteral("Синхронизация"));
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    setMinimumWidth(440);

    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    column->addLayout(form);

    edUrl = new QLineEdit(this);
    edUrl->setObjectName(QStringLiteral("edUrl"));
    edUrl->setPlaceholderText(QStringLiteral("https://сервер/dav/"));
    form->addRow(QStringLiteral("Адрес сервера:"), edUrl);
    lbHttp = WrappedLabel(this, "lbHttp");
    lbHttp->setStyleSheet(QStringLiteral("color: #a00000"));
    form->addRow(QString(), lbHttp);
    chbAllowHttp = new QCheckBox(QStringLiteral("Разрешить http без шифрования"), this);
    chbAllowHttp->setObjectName(QStringLiteral("chbAllowHttp"));
    form->addRow(QString(), chbAllowHttp);
    edUser = new QLineEdit(this);
    edUser->setObjectName(QStringLiteral("edUser"));
    form->addRow(QStringLiteral("Пользователь:"), edUser);
    edPassword = new QLineEdit(this);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Пароль:"), edPassword);

    auto* search = new QHBoxLayout;
    btnDiscover = new QPushButton(QStringLiteral("Найти календари"), this);
    btnDiscover->setObjectName(QStringLiteral("btnDiscover"));
    btnDiscover->setAutoDefault(false);
    lbFound = WrappedLabel(this, "lbFound");
    search->addWidget(btnDiscover);
    search->addWidget(lbFound, 1);
    form->addRow(QString(), search);
    cbCalendar = new QComboBox(this);
    cbCalendar->setObjectName(QStringLiteral("cbCalendar"));
    form->addRow(QStringLiteral("Календарь:"), cbCalendar);

    auto* also = new QLabel(QStringLiteral("Кроме своих событий и импорта iCalendar, отправлять на сервер:"), this);
    also->setWordWrap(true);
    column->addWidget(also);
    chbZetImports = new QCheckBox(QStringLiteral("события из журналов ZET"), this);
    chbZetImports->setObjectName(QStringLiteral("chbZetImports"));
    chbFavourableDays = new QCheckBox(QStringLiteral("благоприятные дни"), this);
    chbFavourableDays->setObjectName(QStringLiteral("chbFavourableDays"));
    for (QCheckBox* c : {chbZetImports, chbFavourableDays}) {
        auto* row = new QHBoxLayout;
        row->addSpacing(16);
        row->addWidget(c);
        column->addLayout(row);
    }

    auto* often = new QHBoxLayout;
    often->addWidget(new QLabel(QStringLiteral("Синхронизировать:"), this));
    seEveryMinutes = new QSpinBox(this);
    seEveryMinutes->setObjectName(QStringLiteral("seEveryMinutes"));
    seEveryMinutes->setRange(0, 24 * 60);
    seEveryMinutes->setPrefix(QStringLiteral("каждые "));
    seEveryMinutes->setSuffix(QStringLiteral(" мин"));
    seEveryMinutes->setSpecialValueText(QStringLiteral("только вручную"));
    often->addWidget(seEveryMinutes);
    often->addWidget(new QLabel(QStringLiteral("и вскоре после изменений (0 — только вручную)"), this), 1);
    column->addLayout(often);
    column->addStretch();

    lbStatus = WrappedLabel(this, "lbStatus");
    lbStatus->setFrameShape(QFrame::StyledPanel);
    lbStatus->setMargin(4);
    column->addWidget(lbStatus);
    lbProblem = WrappedLabel(this, "lbProblem");
    lbProblem->setStyleSheet(QStringLiteral("color: #a00000"));
    lbProblem->hide();
    column->addWidget(lbProblem);

    auto* bottom = new QHBoxLayout;
    btnSyncNow = new QPushButton(QStringLiteral("Синхронизировать сейчас"), this);
    btnSyncNow->setObjectName(QStringLiteral("btnSyncNow"));
    btnSyncNow->setAutoDefault(false);
    btnSyncNow->setToolTip(QStringLiteral("Сохраняет настройку и сразу синхронизирует"));
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->setObjectName(QStringLiteral("Buttons"));
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Принять"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    bottom->addWidget(btnSyncNow);
    bottom->addStretch();
    bottom->addWidget(Buttons);
    column->addLayout(bottom);

    connect(Buttons, &QDialogButtonBox::accepted, this, &TSyncDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &TSyncDialog::reject);
    connect(edUrl, &QLineEdit::textChanged, this, &TSyncDialog::AddressEdited);
    connect(chbAllowHttp, &QCheckBox::toggled, this, &TSyncDialog::AddressEdited);
    // Calendars found on one account are no choice for another.
    for (QLineEdit* account : {edUrl, edUser})
        connect(account, &QLineEdit::textEdited, this, [this] {
            cbCalendar->clear();
            if (!searching_) lbFound->clear();
        });
    connect(btnDiscover, &QPushButton::clicked, this, &TSyncDialog::Discover);
    connect(btnSyncNow, &QPushButton::clicked, this, [this] {
        if (Check()) emit SyncNowRequested();
    });
    AddressEdited();
}

TSyncDialog::~TSyncDialog() {
    stopSearch_ = true;
    if (search_.joinable()) search_.join();
}

void TSyncDialog::ShowSettings(const SyncSettings& s) {
    saved_ = s;
    edUrl->setText(Text(s.url));
    chbAllowHttp->setChecked(s.allowPlainHttp);
    edUser->setText(Text(s.user));
    edPassword->clear();
    edPassword->setPlaceholderText(s.Configured() ? kKeepPassword : QString());
    cbCalendar->clear();
    if (!s.calendar.empty())
        cbCalendar->addItem(Text(s.calendarName.empty() ? s.calendar : s.calendarName), Text(s.calendar));
    if (!searching_) lbFound->clear();
    chbZetImports->setChecked(s.zetImports);
    chbFavourableDays->setChecked(s.favourableDays);
    seEveryMinutes->setValue(s.everyMinutes);
    ShowProblem({});
    AddressEdited();
}

void TSyncDialog::MarkSaved(const SyncSettings& s) {
    saved_ = s;
    if (s.Configured()) edPassword->setPlaceholderText(kKeepPassword);
}

void TSyncDialog::OfferPassword(const SyncSettings& account, const QString& password) {
    const SyncSettings now = Values();
    if (edPassword->text().isEmpty() && SyncPasswordKey(now) == SyncPasswordKey(account)) edPassword->setText(password);
}

SyncSettings TSyncDialog::Values() const {
    SyncSettings s = saved_;
    s.url = Utf8(edUrl->text());
    s.user = Utf8(edUser->text());
    s.allowPlainHttp = PlainHttpElsewhere(s.url) && chbAllowHttp->isChecked();
    s.calendar = cbCalendar->currentData().toString().toStdString();
    s.calendarName = cbCalendar->currentIndex() >= 0 ? cbCalendar->currentText().toStdString() : std::string();
    s.zetImports = chbZetImports->isChecked();
    s.favourableDays = chbFavourableDays->isChecked();
    s.everyMinutes = seEveryMinutes->value();
    return s;
}

QString TSyncDialog::Password() const { return edPassword->text(); }

void TSyncDialog::ShowStatus(const QString& text, bool running) {
    lbStatus->setText(running ? QStringLiteral("Синхронизация…") : text);
    btnSyncNow->setEnabled(!running);
}

bool TSyncDialog::SameAccountAsSaved() const {
    return saved_.Configured() && SyncPasswordKey(Values()) == SyncPasswordKey(saved_);
}

void TSyncDialog::ShowProblem(const QString& text) {
    lbProblem->setText(text);
    lbProblem->setVisible(!text.isEmpty());
}

bool TSyncDialog::Check() {
    const SyncSettings s = Values();
    const std::string refusal = s.url.empty() ? std::string() : CalDavClient::CheckAddress(s.url, s.allowPlainHttp);
    const std::string problem = SyncSetupProblem(s, refusal, !Password().isEmpty() || SameAccountAsSaved());
    ShowProblem(Text(problem));
    return problem.empty();
}

void TSyncDialog::accept() {
    if (Check()) QDialog::accept();
}

void TSyncDialog::AddressEdited() {
    // Shown only where it matters: http:// to another machine.
    const std::string url = Utf8(edUrl->text());
    const bool plain = PlainHttpElsewhere(url);
    chbAllowHttp->setVisible(plain);
    lbHttp->setVisible(plain);
    if (plain) {
        QString why = Text(CalDavClient::CheckAddress(url, false));
        if (!why.isEmpty()) why[0] = why[0].toUpper();
        lbHttp->setText(chbAllowHttp->isChecked()
                            ? QStringLiteral("Пароль и события пойдут по сети открыто: их может прочитать "
                                             "любой, через чью сеть они идут.")
                            : why + QLatin1Char('.'));
    }
    ShowProblem({});
}

void TSyncDialog::Discover() {
    if (searching_) return;
    const SyncSettings s = Values();
    const QString typed = Password();
    const std::string refusal = s.url.empty() ? std::string() : CalDavClient::CheckAddress(s.url, s.allowPlainHttp);
    const std::string problem = SyncAccountProblem(s, refusal, !typed.isEmpty());
    ShowProblem(Text(problem));
    if (!problem.empty()) return;
    if (search_.joinable()) search_.join();
    searching_ = true;
    stopSearch_ = false;
    btnDiscover->setEnabled(false);
    lbFound->setStyleSheet(QString());
    lbFound->setText(QStringLiteral("Поиск календарей на сервере…"));
    search_ = std::thread([this, url = s.url, user = s.user, password = typed.toStdString()] {
        std::vector<CalendarFound> found;
        std::string error;
        bool ok = false;
        try {
            CalDavClient client(url, user, password);
            client.StopWhen(&stopSearch_);
            ok = client.Discover(found, error);
        } catch (const std::exception& e) {
            error = std::string("сбой программы: ") + e.what();
        }
        QMetaObject::invokeMethod(
            this, [this, ok, found, error] { Discovered(ok, found, error); }, Qt::QueuedConnection);
    });
}

void TSyncDialog::Discovered(bool ok, const std::vector<CalendarFound>& found, const std::string& error) {
    if (search_.joinable()) search_.join();
    searching_ = false;
    btnDiscover->setEnabled(true);
    if (!ok) {
        lbFound->setStyleSheet(QStringLiteral("color: #a00000"));
        lbFound->setText(QStringLiteral("Календари не найдены: %1.").arg(Text(error)));
        return;
    }
    const QString chosen = cbCalendar->currentData().toString();
    cbCalendar->clear();
    for (const CalendarFound& c : found) cbCalendar->addItem(Text(c.name), Text(c.href));
    const int again = cbCalendar->findData(chosen);
    cbCalendar->setCurrentIndex(again >= 0 ? again : 0);
    lbFound->setText(QStringLiteral("Найдено календарей: %1.").arg(found.size()));
    cbCalendar->setFocus();
}
