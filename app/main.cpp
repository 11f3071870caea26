// Program entry: names the application, creates the main window and runs.
#include <QApplication>
#include <QDateTime>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeZone>

#include "app/environment.h"
#include "app/main_form.h"
#include "app/qt_app_style.h"
#include "events/clock_zone.h"
#include "app/single_instance.h"
#include "app/termination.h"
#include "events/data_folder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Events of other calendars are shown on the computer's clock.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    if (auto named = NamedZone(zone.id().toStdString())) SetClockZone(std::move(*named));
    else
        SetClockZone({zone.id().toStdString(), [zone](int64_t utc) {
                          return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utc, Qt::UTC));
                      }});
    QApplication::setStyle(new TAppStyle);
    SetUpApplication(app);
    Environment env;
    std::error_code ec;
    MakeDataFolder(DataFolder(env), ec);
    TSingleInstance instance(DataFolder(env));
    // The lock is taken before the events are read: a command writing the
    // file now finishes first, and the window reads what it wrote.
    const bool owner = instance.Acquire(std::chrono::seconds(10), [](const std::string& holder) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("dayloom"),
                        QStringLiteral("Папку данных dayloom занимает другая программа:\n%1\n\n"
                                       "Подождать, пока она закончит работу?")
                            .arg(QString::fromStdString(holder)));
        PrepareMessageBox(box);
        box.addButton(QStringLiteral("Подождать"), QMessageBox::AcceptRole);
        QPushButton* quit = box.addButton(QStringLiteral("Выйти"), QMessageBox::RejectRole);
        box.exec();
        return box.clickedButton() != quit;
    });
    if (!owner) return 0;  // the running copy comes forward instead, or the user gave up
    // A window hidden to the tray is no reason to end; closing the main window is.
    QApplication::setQuitOnLastWindowClosed(false);
    TMainForm MainForm(env);
    QObject::connect(&MainForm, &TMainForm::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &TSingleInstance::Activate, &MainForm, [&MainForm] {
        MainForm.RestoreItemClick();
        MainForm.raise();
        MainForm.activateWindow();
    });
    // Saved at once, whatever dialog is open (a message box waiting for the
    // user holds no save back), then every event loop ends.
    OnTerminationRequest([&MainForm] {
        MainForm.SaveBeforeExit();
        QApplication::exit(0);
    });
    MainForm.show();
    return QApplication::exec();
}
