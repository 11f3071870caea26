// Program entry: names the application, creates the main window and runs.
#include <QApplication>

#include "app/environment.h"
#include "app/main_form.h"
#include "app/qt_app_style.h"
#include "app/single_instance.h"
#include "app/termination.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(new TAppStyle);
    SetUpApplication(app);
    Environment env;
    std::error_code ec;
    std::filesystem::create_directories(DataFolder(env), ec);
    TSingleInstance instance(DataFolder(env));
    if (!instance.Acquire()) return 0;  // the running copy comes forward instead
    // A window hidden to the tray is no reason to end; closing the main window is.
    QApplication::setQuitOnLastWindowClosed(false);
    TMainForm MainForm(env);
    QObject::connect(&MainForm, &TMainForm::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &TSingleInstance::Activate, &MainForm, [&MainForm] {
        MainForm.RestoreItemClick();
        MainForm.raise();
        MainForm.activateWindow();
    });
    OnTerminationRequest([&MainForm] { MainForm.close(); });  // saves as a close does
    MainForm.show();
    return QApplication::exec();
}
