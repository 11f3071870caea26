// Program entry: names the application, creates the main window and runs.
#include <QApplication>

#include "app/environment.h"
#include "app/main_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dayloom"));
    QApplication::setApplicationDisplayName(QStringLiteral("dayloom"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/glyphs/logo.png")));
    Environment env;
    TMainForm MainForm(env);
    MainForm.show();
    return QApplication::exec();
}
