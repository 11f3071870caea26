#include "app/environment.h"

#include "app/password_store.h"
#include "app/qt_sound_player.h"
#include "events/data_folder.h"
#include "events/qt_ansi.h"
#include "events/qt_window_place.h"
#include "settings/autostart_link.h"

#include <QApplication>
#include <QColorDialog>
#include <QSystemTrayIcon>
#include <QCoreApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>
#include <QDateTime>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>

Environment::Environment() = default;
Environment::~Environment() = default;

SoundPlayer& Environment::Sound() {
    if (!sound_) sound_ = std::make_unique<QtSoundPlayer>();
    return *sound_;
}

PasswordStore& Environment::Passwords() {
    if (!passwords_) passwords_ = MakeSystemPasswordStore();
    return *passwords_;
}

bool Environment::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

namespace {

// The program's dialogs open in the middle of the screen, not beside the
// narrow panel they belong to.
class CentreWhenShown : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) CentreOnScreen(*static_cast<QWidget*>(watched));
        return false;
    }
};

}  // namespace

std::optional<QColor> Environment::ChooseColor(QWidget* parent, const QColor& initial) {
    QColorDialog dialog(initial, parent);
    dialog.installEventFilter(new CentreWhenShown(&dialog));
    if (dialog.exec() != QDialog::Accepted || !dialog.selectedColor().isValid()) return std::nullopt;
    return dialog.selectedColor();
}

std::filesystem::path Environment::ExeFile() const {
    return std::filesystem::path(QCoreApplication::applicationFilePath().toStdU16String());
}

std::optional<std::filesystem::path> Environment::StartUpDir() const { return FindStartUpFolder(); }

WriteResult Environment::CreateStartUpLink(const std::filesystem::path& link) {
    return MyLinkForStartUp(link, ExeFile());
}

std::optional<std::filesystem::path> Environment::StartUpLinkTarget(const std::filesystem::path& link) const {
    return ::StartUpLinkTarget(link);
}

WriteResult Environment::RemoveStartUpLink(const std::filesystem::path& link) {
    std::error_code ec;
    std::filesystem::remove(link, ec);
    // The system's message is in the locale's encoding; the program's are UTF-8.
    if (ec) return {false, QString::fromLocal8Bit(ec.message()).toStdString()};
    return {true, {}};
}

std::filesystem::path Environment::PerUserDataDir() const {
    return std::filesystem::path(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdU16String());
}

std::filesystem::path Environment::ExeDir() const {
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdU16String());
}

TDateTime LocalNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(),
                          t.msec());
}

TDateTime Environment::Now() const { return LocalNow(); }

int Environment::RunModal(QDialog& dialog) { return dialog.exec(); }

void PrepareMessageBox(QMessageBox& box) {
    box.setWindowTitle(QCoreApplication::applicationName());
    box.installEventFilter(new CentreWhenShown(&box));
}

void Environment::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, {}, text, QMessageBox::Ok, parent);
    PrepareMessageBox(box);
    box.exec();
}

void Environment::ShowInfo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, {}, text, QMessageBox::Ok, parent);
    PrepareMessageBox(box);
    box.exec();
}

bool Environment::Ask(QWidget* parent, const QString& text, const QString& yes, const QString& no) {
    QMessageBox box(QMessageBox::Question, {}, text, QMessageBox::NoButton, parent);
    PrepareMessageBox(box);
    QPushButton* answer = box.addButton(yes, QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(no, QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == answer;
}

void Environment::Notify(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, {}, text, QMessageBox::Ok, parent);
    PrepareMessageBox(*box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString Environment::ChooseOpenFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.installEventFilter(new CentreWhenShown(&dialog));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

bool Environment::AskRetry(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, {}, text, QMessageBox::NoButton, parent);
    PrepareMessageBox(box);
    QPushButton* retry = box.addButton(QStringLiteral("Повторить"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Закрыть без сохранения"), QMessageBox::DestructiveRole);
    box.setDefaultButton(retry);
    box.exec();
    return box.clickedButton() == retry;
}

QRect Environment::WorkArea() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

QSize Environment::ScreenSize() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
}

QList<QRect> Environment::AvailableAreas() const {
    QList<QRect> out;
    for (const QScreen* s : QGuiApplication::screens()) out << s->availableGeometry();
    return out;
}

int64_t Environment::FreeSpace(const std::filesystem::path& path) const {
    std::error_code ec;
    const auto info = std::filesystem::space(path, ec);
    if (ec) return -1;
    return static_cast<int64_t>(info.available);
}

namespace {

// Qt's locale patterns use our letters; only the time-zone letter has no
// meaning in a wall-clock organizer, so it goes with its separating space.
std::string LocalePattern(QString pattern) {
    pattern.remove(QLatin1Char('t'));
    return ToAnsi(pattern.trimmed());
}

}  // namespace

DayListFormats Environment::Formats() const {
    DayListFormats fmt;
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C) return fmt;
    const std::string date = LocalePattern(locale.dateFormat(QLocale::ShortFormat));
    const std::string time = LocalePattern(locale.timeFormat(QLocale::LongFormat));
    if (!date.empty()) fmt.ShortDateFormat = date;
    if (!time.empty()) fmt.LongTimeFormat = time;
    return fmt;
}

// The glyphs live in the shell library; a static library's resources must be
// registered by hand or the linker drops them.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(themes);
}
void InitShellResources() { InitResources(); }

std::filesystem::path DataFolder(const Environment& env) {
    return ChooseDataFolder(env.ExeDir(), env.PerUserDataDir());
}

void SetUpApplication(QApplication& app) {
    InitShellResources();
    QApplication::setApplicationName(QStringLiteral("dayloom"));
    QApplication::setWindowIcon(AppIcon());
    // The toolkit's dates, sizes and file types in Russian too; the day
    // list's formats are the system's own (Environment::Formats).
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    InstallToolkitTranslations(app);
}

QTranslator* InstallToolkitTranslations(QApplication& app) {
    // Russian whatever the system's language: the program's own texts are.
    auto* translator = new QTranslator(&app);
    for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                  QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                             QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return translator;
        }
    }
    delete translator;
    return nullptr;
}

QIcon AppIcon() {
    InitShellResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/dayloom-%1.png").arg(size), QSize(size, size));
    return icon;
}
