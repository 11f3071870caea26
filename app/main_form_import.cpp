// TMainForm's side of the ZET import window: created once, opened from the
// menu with the calendar's month chosen, changing the store only through the
// main window's one change path.
#include "app/environment.h"
#include "app/day_panel.h"
#include "app/main_form.h"
#include "events/qt_ansi.h"
#include "import/form_jmd.h"
#include "widgets/planner_calendar.h"

TImportHost TMainForm::ImportHost(std::function<QWidget*()> window) {
    TImportHost host;
    host.Document = doc_.get();
    host.CalendarYear = [this] { return panel_->Calendar()->Year(); };
    host.ShowMessage = [this, window](const std::string& text) { env_.ShowMessage(window(), QString::fromStdString(text)); };
    host.ShowSummary = [this, window](const ChangeSummary& summary) {
        env_.ShowInfo(window(), QString::fromStdString(SummaryText(summary)));
    };
    return host;
}

void TMainForm::CreateFormJMD() {
    TFormJMD::Host host{ImportHost([this] { return FormJMD; })};
    host.Now = [this] { return env_.Now(); };
    host.ChooseFile = [this](const QString& title, const QString& folder, const QString& filter) {
        return env_.ChooseOpenFile(FormJMD, title, folder, filter);
    };
    host.DataDir = DataDir;
    host.WorkArea = [this] { return env_.WorkArea(); };
    FormJMD = new TFormJMD(std::move(host), this);
}

void TMainForm::ZetjournalMoonDays1Click() {
    FormJMD->CheckOnlyMonth(panel_->Calendar()->Month());
    env_.RunModal(*FormJMD);
}
