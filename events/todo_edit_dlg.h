#pragma once
// The event editor: one modal dialog, created once and reused, so every
// control keeps its value between uses unless an opening step sets it.
#include <QDialog>

#include "events/event_edit.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class TToDoEditDlg : public QDialog {
    Q_OBJECT
public:
    explicit TToDoEditDlg(QWidget* parent = nullptr);

    TEditorValues Values() const;
    // A new event starting (and ending) at `start`: texts emptied, kind simple.
    void PrepareNew(TDateTime start);
    // The stored event; a moveToDay other than 0 becomes the start date.
    void PrepareEdit(const TTodoItem& event, TDateTime moveToDay);
    // Marks the count box as refused until its text changes.
    void MarkCount(bool refused);

    void Box1Change();
    void BoxDvalueChange();
    void UnSelectWkDays();
    void SpeedButton1Click();
    void SpeedButton2Click();

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    QToolButton *SpeedButton1, *SpeedButton2;
    QDateTimeEdit *dtpBegin, *dtpEnd;
    QComboBox *BoxAlert, *Box1, *BoxDcount, *BoxDvalue;
    QListWidget* CheckListWk;
    QLineEdit* SubjectName;
    QPlainTextEdit* Memo1;
    QCheckBox* cbCompleted;
    QPushButton *OKBtn, *CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TEditorState State() const;
    void Apply(const TEditorState& s);
    void SetMask(int mask);
    int Mask() const;
    void KeepMemoInFile();
    bool applying_ = false;
};

// Switches a picker between time entry ("HH:mm", button "Дата") and date
// entry ("dd.MM.yyyy", button "Время").
void ChangeDateKind(QDateTimeEdit* picker, QAbstractButton* button);

// Keeps a text within what the event file holds: characters Windows-1251
// has no place for become "?", and the text is cut at 65,535 bytes.
QString FitForFile(const QString& text, bool* changed = nullptr);
