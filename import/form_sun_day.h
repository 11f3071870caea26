#pragma once
// The favourable-days window: the soul number of a day of birth, and the
// favourable days of chosen months added to the calendar or removed again.
// Created once and reused; what the user set stays between openings, except
// what opening sets from the main window.
#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

#include "events/date_time.h"
#include "events/todo_item.h"
#include "import/import_host.h"
#include "import/zet_import.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class TFormSunDay : public QDialog {
    Q_OBJECT
public:
    // What the window asks of the main window.
    struct Host : TImportHost {
        // The day of birth of an add that went through (BirthDayIndex).
        std::function<void(int day)> BirthDayAdded{};
    };

    explicit TFormSunDay(Host host, QWidget* parent = nullptr);

    // What opening sets: the year, only `month` (1..12) checked, the day of
    // birth and its soul number.
    void Prepare(int year, int month, int birthDay);
    MonthChoice ChosenMonths() const;
    bool Running() const { return running_; }

    QPlainTextEdit* Memo1;
    QLabel *Label1, *Label2;
    QComboBox* BoxBDay;
    QLabel* PanelSoulNum;
    QListWidget* ListMonth;
    QLineEdit* edCurYear;
    QCheckBox* ChBAboutDay;
    QPushButton *BtnAdd, *BtnDelete;
    QProgressBar* Progress1;

    void BoxBDayChange();
    void BtnAddClick();
    void BtnDeleteClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend class SunDayRun;
    // The year field settled for a run; nothing when it holds no usable year
    // (the user has been told, the field's text is selected).
    std::optional<int> SettleYear();
    ZetProgress Progress();
    void SetRunning(bool running);

    Host host_;
    bool running_ = false;
};
