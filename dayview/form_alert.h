#pragma once
// The alert window: one tab per raised reminder under a memo with the notes
// of the selected tab's event. Created once, without a parent (so it stays
// up while the main window is hidden in the tray), and reused; closing it
// only hides it, its tabs stay.
//
// The main window supplies the placement (work area and screen width), the
// colours of the day list and the look-up of a tab's notes; the reminder
// logic itself is ReminderTick (dayview/reminder_tick.h).
#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QPlainTextEdit;
class TTabSet;
class TTodoList;

// The day list's colours the alert window is painted in.
struct AlertColors {
    QColor SelectionColor;      // window, memo and selected tab
    QColor SelectionColorTo;    // unselected tabs
    QColor SelectionFontColor;  // memo text and tab captions
    QColor CompletionFontColor; // background of the tab strip
};
// The four colours as the day list has them now.
AlertColors AlertColorsOf(const TTodoList& list);

class TFormAlert : public QWidget {
public:
    explicit TFormAlert(QWidget* parent = nullptr);

    // Where FormShow puts the window: at the bottom of `workArea` (the
    // desktop without task bars) and the right edge of the screen.
    void SetPlacement(QRect workArea, int screenWidth);
    // Read on every showing, so a changed colour theme shows next time.
    void SetColorSource(std::function<AlertColors()> source);
    // The notes of tab `tab`'s event (line breaks CR LF, LF or CR), or
    // "This event was deleted!" when it is gone. Without a look-up every tab
    // shows that text.
    void SetNotesLookup(std::function<QString(int tab)> lookup);

    // Appends a tab captioned `text` and selects it.
    void AddTab(const QString& text);
    // Appends tabs and selects the last one: the notes are looked up once,
    // however many reminders came due together.
    void AddTabs(const QStringList& texts);
    // Selects tab `index` and shows its notes again; an index that names no
    // tab does nothing.
    void SelectTab(int index);
    // Shows the window when it is hidden (placing and colouring it) and
    // brings it to the front; a window already up stays as it is (it is
    // always on top anyway).
    void ShowAndRaise();

    // Places and colours the window; runs on every showing.
    void FormShow();
    // Another tab is selected: shows its event's notes.
    void TabSetMsgChange(int newTab);

    // The colours last applied, for the window's users and tests.
    const AlertColors& AppliedColors() const { return applied_; }

    QPlainTextEdit* MemoMsg = nullptr;
    TTabSet* TabSetMsg = nullptr;

    static constexpr int kClientWidth = 522;
    static constexpr int kClientHeight = 113;
    static constexpr int kTabHeight = 22;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ApplyColors(const AlertColors& c);

    QRect workArea_;
    int screenWidth_ = 0;
    bool placed_ = false;
    std::function<AlertColors()> colorSource_;
    std::function<QString(int)> notesLookup_;
    AlertColors applied_;
};
