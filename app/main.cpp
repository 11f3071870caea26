// Program entry: names the application, creates the main window and runs.
#include <QApplication>

#include "app/environment.h"
#include "app/main_form.h"
#include "app/qt_app_style.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(new TAppStyle);
    SetUpApplication(app);
    Environment env;
    TMainForm MainForm(env);
    MainForm.show();
    return QApplication::exec();
}
