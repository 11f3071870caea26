// TMainForm's side of the favourable-days window: created once, opened from
// the menu with the calendar's year and month and the last day of birth,
// changing the store only through the main window's one change path.
#include "app/environment.h"
#include "app/day_panel.h"
#include "app/main_form.h"
#include "import/form_sun_day.h"
#include "widgets/planner_calendar.h"

void TMainForm::CreateFormSunDay() {
    TFormSunDay::Host host{ImportHost([this] { return FormSunDay; })};
    host.BirthDayAdded = [this](int day) { BirthDayIndex = day; };  // written with the options at close
    FormSunDay = new TFormSunDay(std::move(host), this);
}

void TMainForm::pmFindGoodDays1Click() {
    FormSunDay->Prepare(panel_->Calendar()->Year(), panel_->Calendar()->Month(), BirthDayIndex);
    env_.RunModal(*FormSunDay);
}
