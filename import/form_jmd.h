#pragma once
// The ZET import window: journals of moon days and of sunrises and sunsets,
// pasted moon aspects and void-of-course periods, and the removal of what was
// imported. Created once and reused, so the loaded journal, the check boxes
// and the chosen months survive between openings.
#include <QDialog>
#include <QRect>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "events/date_time.h"
#include "events/todo_item.h"
#include "import/import_host.h"
#include "import/zet_import.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The items of the month lists: the first checks all twelve, item m is month m.
QStringList MonthListItems();

class TFormJMD : public QDialog {
    Q_OBJECT
public:
    // What the window asks of the main window and the platform.
    struct Host : TImportHost {
        std::function<TDateTime()> Now{};
        std::function<QString(const QString& title, const QString& folder, const QString& filter)> ChooseFile{};
        std::filesystem::path DataDir{};
        // The desktop without its panels, which the window has to fit.
        std::function<QRect()> WorkArea{};
    };

    explicit TFormJMD(Host host, QWidget* parent = nullptr);

    // The months of the month list: every item unchecked, then `month` (1..12).
    void CheckOnlyMonth(int month);
    MonthChoice ChosenMonths() const;
    // The loaded journal's lines (Windows-1251), empty before a load.
    const std::vector<std::string>& JournalLines() const { return Memo1; }
    bool Running() const { return running_; }

    QGroupBox *GroupBox4, *GroupBox1, *GroupBox3, *GroupBox2;
    QPushButton *BitBtnLoadZetJMD, *BitBtnImportZetJMD;
    QPlainTextEdit* MemoPreview;
    QCheckBox *chbSummerTime, *ChBAboutMoonDay;
    QLabel *Label1, *Label2, *Label3;
    QComboBox* AlertTypeBox1;
    QListWidget* ListMonth;
    QProgressBar* Progress1;
    QPlainTextEdit* Memo2;
    QComboBox* TypeZetDataBox1;
    QPushButton *BitBtnImportKurs, *BitBtn2;
    QComboBox* Box1;
    QPushButton* BtnDeleteImportData;

    void BitBtnLoadZetJMDClick();
    void BitBtnImportZetJMDClick();
    void BitBtnImportKursClick();
    void BtnDeleteImportDataClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    ZetImportOptions Options();
    ZetProgress Progress();
    // Adds a finished run's events through the main window, or says why not.
    void Finish(const ZetRun& run);
    // The end of every run: the bar back to 0, the buttons usable again.
    void UpdateUserInterface();
    void SetRunning(bool running);

    Host host_;
    std::vector<std::string> Memo1;  // every line of the loaded journal
    static constexpr int kRoomyPasteBox = 110;  // the paste box's height where the screen has room
    int roomyHeight_ = 0;
    bool running_ = false;
};
