#pragma once
// The alert window's strip of reminder tabs. A run can raise thousands of
// reminders; a tab's width is measured once when it is added, so adding n
// tabs costs n, and only the tabs in view are laid out and painted. When the
// tabs do not fit, two arrows at the right scroll them.
#include <QColor>
#include <QStringList>
#include <QWidget>

#include <vector>

class TTabSet : public QWidget {
    Q_OBJECT
public:
    explicit TTabSet(QWidget* parent = nullptr);

    int addTab(const QString& text);
    // Adds the tabs without selecting any of them.
    void addTabs(const QStringList& texts);
    // Takes the tab away; the one after it (or else before it) is selected
    // when it was, and currentChanged is raised.
    void removeTab(int index);
    int count() const { return static_cast<int>(texts_.size()); }
    QString tabText(int index) const;
    int currentIndex() const { return current_; }
    // Selects a tab and scrolls it into view; raises currentChanged when it changes.
    void setCurrentIndex(int index);
    // Where the tab is drawn; empty while it is scrolled out of view.
    QRect tabRect(int index) const;
    QRect leftArrowRect() const;
    QRect rightArrowRect() const;
    int firstVisible() const { return first_; }

    // The strip itself takes the palette's Window colour.
    QColor TabColor, SelectedTabColor, TextColor, BorderColor;

    QSize sizeHint() const override { return {200, 22}; }

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent*) override;

private:
    bool Overflows() const;
    int Room() const;  // width the tabs may use
    void ScrollIntoView(int index);

    QStringList texts_;
    std::vector<int> widths_;
    int current_ = -1;
    int first_ = 0;
};
