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
#include <vector>

class QPlainTextEdit;
class QToolButton;
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

    // Each tab stands for a reminder of the main window's memory, named by
    // its position there (its id); without ids given, the tabs take 0, 1, 2…
    // in the order they come. The notes look-up is asked by id.
    // Appends a tab captioned `text` and selects it.
    void AddTab(const QString& text, int id = -1);
    // Appends tabs and selects the last one: the notes are looked up once,
    // however many reminders came due together.
    void AddTabs(const QStringList& texts, const std::vector<int>& ids = {});
    // Selects tab `index` and shows its notes again; an index that names no
    // tab does nothing.
    void SelectTab(int index);
    // The tab of reminder `id`, or -1 when it has none (never raised, or put off).
    int TabOf(int id) const;
    int IdOf(int tab) const { return tab >= 0 && tab < int(ids_.size()) ? ids_[size_t(tab)] : -1; }
    // Takes the tab of reminder `id` away; the window hides with the last one.
    void CloseTabOf(int id);
    // "Отложить": called with the selected tab's id and the minutes chosen,
    // after which the tab closes.
    void SetSnoozeHandler(std::function<void(int id, int minutes)> handler);
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
    QToolButton* BtnSnooze = nullptr;  // its menu: the choices of kSnoozeMinutes

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
    std::function<void(int, int)> snoozeHandler_;
    std::vector<int> ids_;  // the id of each tab
    int nextId_ = 0;
    AlertColors applied_;
};
