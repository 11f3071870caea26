#pragma once
// The preferences dialog: the reminder sound, the colour theme with its
// editor, the week options, the time-left option and starting with the
// session. Created once and reused; the main window fills it before each
// showing and takes the values back on acceptance.
#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "events/safe_file.h"
#include "settings/color_scheme.h"
#include "settings/theme_file.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;
class QWidget;

// What the dialog asks of the program around it.
struct TColorDlgHost {
    // Applies a scheme to the main window (the preview); false when a widget
    // slot does not convert.
    std::function<bool(const std::vector<std::string>&)> SetColorShema;
    std::function<void(const QString&)> ShowMessage;
    // The open-file dialog in `folder` with `filter`; empty when cancelled.
    std::function<QString(const QString& folder, const QString& filter)> ChooseOpenFile;
    // The colour chooser preselecting a colour; none when cancelled.
    std::function<std::optional<QColor>(const QColor&)> ChooseColor;
    // The colour a value paints (system colours resolved).
    std::function<QColor(TColor)> PaintColor;
    // The application-wide pause before a hint shows, in milliseconds.
    std::function<void(int)> SetHintPause;
    // Creates or replaces, and removes, the start-up entry at a path.
    std::function<WriteResult(const std::filesystem::path&)> CreateStartUpLink;
    std::function<WriteResult(const std::filesystem::path&)> RemoveStartUpLink;
    // Whether the start-up entry at a path starts this very program.
    std::function<bool(const std::filesystem::path&)> StartsThisProgram;
    // A question answered by `yes` or by cancelling; true for `yes`.
    std::function<bool(const QString& text, const QString& yes)> Ask;
    // What was done, with the information icon.
    std::function<void(const QString&)> ShowInfo;
};

class TColorDlg : public QDialog {
    Q_OBJECT
public:
    explicit TColorDlg(TColorDlgHost host, QWidget* parent = nullptr);

    // Set by the main window before each showing.
    std::filesystem::path ThemesFolder;
    std::filesystem::path ExeDir;
    // The start-up entry; none when the start-up folder is unknown.
    std::optional<std::filesystem::path> StartUpLink;

    static constexpr int kEditorHeight = 206;  // Panel3
    static constexpr int kBottomHeight = 113;  // Panel2

    // ---- what the opening and the acceptance use ----
    // The theme names found become the combo box's items; names a theme may
    // not have are left out.
    void ShowListFilesShem(const std::vector<std::string>& names);
    // The grid shows these rows (captions and colour strings, in the code page).
    void PreViewColorShema(const std::vector<GridRow>& rows);
    std::vector<GridRow> GridRows() const;
    // The dialog opens without the editor.
    void HideEditor();
    // Shows a theme's name without loading it.
    void ShowThemeName(const QString& name);
    // The box shows whether the start-up entry starts this program; nothing is written.
    void ShowStartUpState();
    // The combo box's text names one of its items, in any letter case.
    bool ThemeNameListed() const;

    // ---- handlers ----
    void BitBtnAlertFileClick();
    void CheckStartClick();
    // False when the typed character is to be discarded.
    bool ComboShemKeyPress(QChar key);
    void ComboShemChange();
    void LoadColorScheme();
    void BitBtn2Click();
    void GridColorClick();
    void GridColorDblClick();
    void GridColorMouseMove(QPoint at);
    void ColorBox1Change();
    void BitBtn1Click();
    void BtnSaveShemClick();
    // Brings back the themes that came with the program, after asking.
    void BtnRestoreThemesClick();
    // Applies the grid to the main window; false (and "error format") on a bad colour.
    bool UpdateColorsThema();

    // ---- controls, top to bottom ----
    QWidget *Panel1, *Panel3, *Panel2;
    QLabel *Label1, *Label2, *Label3;
    QLineEdit* edAlertFile;
    QToolButton* BitBtnAlertFile;
    QComboBox* ComboShem;
    QToolButton* BitBtn2;
    QTableWidget* GridColor;
    QComboBox* ColorBox1;
    QLineEdit* edSelColor;
    QToolButton *BitBtn1, *BtnSaveShem, *BtnRestoreThemes;
    QCheckBox *chbShowNumWeeks, *chbStartDay, *cbBigLastTime;
    QPushButton *OKBtn, *CancelBtn;
    QCheckBox* CheckStart;

    // The grid row whose hint was set last, the header being row 0 (0: none yet).
    int HintRow = 0;
    // The colour shown in ColorBox1.
    TColor SelectedBoxColor() const;
    // ColorBox1 selects the colour: its named entry, else the custom entry.
    void SelectBoxColor(TColor color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void SetGridColor(int row, const QString& text);
    // The grid's row under the selection; -1 when none.
    int SelectedSlotRow() const;
    // A refused theme name's reason; empty for a good one.
    QString ThemeNameProblem() const;
    void ShowSaveHint();

    TColorDlgHost host_;
    int boxIndex_ = 0;  // ColorBox1's entry before the custom one was chosen
};

// The file chooser's filter for the reminder sound.
QString SoundFileFilter();
// The message of a colour text that does not convert.
QString ErrorFormatText();
// The themes that come with the program, as it carries them.
std::vector<ShippedTheme> ShippedThemes();
