#include <algorithm>
#include "widgets/tab_set_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kPadding = 8;  // blank on each side of a tab's caption
constexpr int kArrow = 16;   // width of one scroll arrow
}  // namespace

TTabSet::TTabSet(QWidget* parent)
    : QWidget(parent),
      TabColor(0xE0, 0xE0, 0xE0),
      SelectedTabColor(Qt::white),
      TextColor(Qt::black),
      BorderColor(Qt::gray) {
    setAutoFillBackground(true);
}

int TTabSet::addTab(const QString& text) {
    texts_ << text;
    widths_.push_back(fontMetrics().horizontalAdvance(text) + 2 * kPadding);
    update();
    return count() - 1;
}

void TTabSet::addTabs(const QStringList& texts) {
    const QFontMetrics fm = fontMetrics();
    for (const QString& t : texts) {
        texts_ << t;
        widths_.push_back(fm.horizontalAdvance(t) + 2 * kPadding);
    }
    update();
}

QString TTabSet::tabText(int index) const { return index >= 0 && index < count() ? texts_[index] : QString(); }

bool TTabSet::Overflows() const {
    int total = 0;
    for (size_t i = static_cast<size_t>(first_); i < widths_.size() && total <= width(); ++i) total += widths_[i];
    return first_ > 0 || total > width();
}

int TTabSet::Room() const { return Overflows() ? width() - 2 * kArrow : width(); }

QRect TTabSet::tabRect(int index) const {
    if (index < first_ || index >= count()) return {};
    int x = 0;
    for (int i = first_; i < index; ++i) {
        x += widths_[static_cast<size_t>(i)];
        if (x >= Room()) return {};
    }
    if (x >= Room()) return {};
    return QRect(x, 0, widths_[static_cast<size_t>(index)], height());
}

QRect TTabSet::leftArrowRect() const { return Overflows() ? QRect(width() - 2 * kArrow, 0, kArrow, height()) : QRect(); }
QRect TTabSet::rightArrowRect() const { return Overflows() ? QRect(width() - kArrow, 0, kArrow, height()) : QRect(); }

void TTabSet::ScrollIntoView(int index) {
    if (index < first_) first_ = index;
    // Walk back from the tab while the tabs before it still fit.
    int used = widths_[static_cast<size_t>(index)];
    int first = index;
    const int room = width() - 2 * kArrow;
    while (first > first_ && used + widths_[static_cast<size_t>(first - 1)] <= room) used += widths_[static_cast<size_t>(--first)];
    if (first > first_) first_ = first;
    else if (!tabRect(index).isValid() || tabRect(index).right() >= Room()) first_ = first;
}

void TTabSet::setCurrentIndex(int index) {
    if (index < 0 || index >= count()) return;
    ScrollIntoView(index);
    update();
    if (index == current_) return;
    current_ = index;
    emit currentChanged(index);
}

void TTabSet::removeTab(int index) {
    if (index < 0 || index >= count()) return;
    texts_.removeAt(index);
    widths_.erase(widths_.begin() + index);
    first_ = std::max(0, std::min(first_, count() - 1));
    const bool wasCurrent = index == current_;
    if (index < current_ || (wasCurrent && current_ >= count())) --current_;
    update();
    if (wasCurrent) {
        if (current_ >= 0) ScrollIntoView(current_);
        emit currentChanged(current_);
    }
}

void TTabSet::resizeEvent(QResizeEvent*) {
    if (current_ >= 0) ScrollIntoView(current_);
}

void TTabSet::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int room = Room();
    int x = 0;
    for (int i = first_; i < count() && x < room; ++i) {
        const int w = widths_[static_cast<size_t>(i)];
        const QRect r(x, 0, w, height());
        p.fillRect(r, i == current_ ? SelectedTabColor : TabColor);
        p.setPen(BorderColor);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(TextColor);
        p.drawText(r.adjusted(kPadding, 0, -kPadding, 0), Qt::AlignCenter | Qt::TextSingleLine, texts_[i]);
        x += w;
    }
    if (!Overflows()) return;
    p.fillRect(QRect(room, 0, width() - room, height()), palette().color(QPalette::Window));
    p.setPen(TextColor);
    p.drawText(leftArrowRect(), Qt::AlignCenter, QStringLiteral("◀"));
    p.drawText(rightArrowRect(), Qt::AlignCenter, QStringLiteral("▶"));
}

void TTabSet::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pt = event->position().toPoint();
    if (leftArrowRect().contains(pt)) {
        if (first_ > 0) --first_;
        update();
        return;
    }
    if (rightArrowRect().contains(pt)) {
        if (first_ < count() - 1) ++first_;
        update();
        return;
    }
    for (int i = first_; i < count(); ++i) {
        const QRect r = tabRect(i);
        if (!r.isValid()) break;
        if (r.contains(pt)) {
            setCurrentIndex(i);
            return;
        }
    }
}
