#include "events/todo_item.h"

#include <bit>
#include <utility>

#include "events/foreign_event.h"

std::string TTodoItem::NotesText() const { return Notes.Text(); }

std::string_view TTodoItem::SyncUid() const noexcept {
    if (const std::string_view own = Raw.syncUid(); !own.empty()) return own;
    if (const TForeignEvent* f = Foreign()) return f->Uid();
    return {};
}

bool EveryLineEndsInCrLf(std::string_view v) {
    if (v.empty()) return true;
    if (v.size() < 2 || v[v.size() - 2] != '\r' || v.back() != '\n') return false;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\r' && (i + 1 >= v.size() || v[i + 1] != '\n')) return false;
        if (v[i] == '\n' && (i == 0 || v[i - 1] != '\r')) return false;
    }
    return true;
}

void TTodoItem::SetNotesText(std::string_view text) {
    if (EveryLineEndsInCrLf(text)) {
        Notes.SetPlainText(text);
        return;
    }
    // The lines split at CR LF, CR or LF hold no break of their own, so the
    // notes' form is each of them followed by CR LF, built in one pass.
    std::string form;
    form.reserve(text.size() + 2);
    size_t start = 0;
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            form.append(text.substr(start, i - start));
            form += "\r\n";
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n) {
        form.append(text.substr(start));
        form += "\r\n";
    }
    Notes.SetPlainText(form);
}

EventKind TTodoItem::Kind() const {
    // Each step overrides the one before; an event typed in the editor meets
    // exactly one, a record from elsewhere the last that fits.
    const TRepetition r = Repetition();
    EventKind kind = CompletionDate != 0 ? EventKind::ToDo : EventKind::Simple;
    if (r.HasMask || r.HasCount) {
        if (r.Mask == 0 && r.Count > 0 && DueDate == 0) kind = EventKind::Lasting;
        if (r.Mask > 0 || (CompletionDate == 0 && r.Count > 0)) kind = EventKind::Repeating;
    }
    return kind;
}

int FindByIdentity(const TodoItems& in, TDateTime creationDate, const std::string& subject) {
    for (int i = 0; i < in.Count(); ++i)
        if (in[i].CreationDate == creationDate && in[i].Subject == subject) return i;
    return -1;
}

TodoItems::TodoItems(const TodoItems& o) : SortColumn(o.SortColumn), slots_(std::make_shared<Slots>()) {
    slots_->records.reserve(o.order_.size());
    for (const TTodoItem& e : o) Add(e);
}

TodoItems::TodoItems(TodoItems&& o) noexcept
    : SortColumn(o.SortColumn), slots_(std::exchange(o.slots_, std::make_shared<Slots>())), order_(std::move(o.order_)) {
    o.order_.clear();
}

TodoItems& TodoItems::operator=(const TodoItems& o) {
    if (this != &o) *this = TodoItems(o);
    return *this;
}

TodoItems& TodoItems::operator=(TodoItems&& o) noexcept {
    if (this != &o) {
        SortColumn = o.SortColumn;
        slots_ = std::exchange(o.slots_, std::make_shared<Slots>());
        order_ = std::move(o.order_);
        o.order_.clear();
    }
    return *this;
}

void TodoItems::DropLast() {
    if (order_.empty() || order_.back() + 1 != slots_->records.size()) return;
    order_.pop_back();
    slots_->records.pop_back();
}

void TodoItems::Clear() {
    order_.clear();
    // Taken records may still be read through a batch: those slots stay theirs.
    if (slots_.use_count() > 1) slots_ = std::make_shared<Slots>();
    else slots_->records.clear();
}

void TodoItems::Reserve(size_t n) {
    order_.reserve(n);
    slots_->records.reserve(n + Dead());
}

void TodoItems::ShrinkToFit() {
    order_.shrink_to_fit();
    slots_->records.shrink_to_fit();
}

int TodoItems::PositionOf(uint32_t slot) const {
    const auto it = std::lower_bound(order_.begin(), order_.end(), slot);
    return it != order_.end() && *it == slot ? static_cast<int>(it - order_.begin()) : -1;
}

int TodoItems::PositionOf(uint32_t slot, size_t& from) const {
    const size_t n = order_.size();
    size_t lo = std::min(from, n), width = 1;
    // Everything before `lo` is below `slot`.
    while (lo + width <= n && order_[lo + width - 1] < slot) {
        lo += width;
        width *= 2;
    }
    const auto it = std::lower_bound(order_.begin() + static_cast<std::ptrdiff_t>(lo),
                                     order_.begin() + static_cast<std::ptrdiff_t>(std::min(lo + width, n)), slot);
    from = static_cast<size_t>(it - order_.begin());
    return it != order_.end() && *it == slot ? static_cast<int>(from) : -1;
}

void TodoItems::Compact() {
    if (Dead() == 0) return;
    std::vector<TTodoItem>& from = slots_->records;
    if (slots_.use_count() > 1) {
        // A batch reads its taken records in the old slots; the events move out.
        auto fresh = std::make_shared<Slots>();
        fresh->records.reserve(order_.size());
        for (const uint32_t s : order_) fresh->records.push_back(std::move(from[s]));
        slots_ = std::move(fresh);
    } else {
        size_t kept = 0;
        for (const uint32_t s : order_) {
            if (kept != s) from[kept] = std::move(from[s]);
            ++kept;
        }
        from.resize(kept);
    }
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<uint32_t>(i);
}

TakenEvents::TakenEvents(std::vector<TTodoItem> items) {
    auto own = std::make_shared<TodoItems::Slots>();
    own->records = std::move(items);
    end_ = static_cast<uint32_t>(own->records.size());
    for (uint32_t s = 0; s < end_; ++s) Note(s);
    slots_ = std::move(own);
}

bool TakenEvents::Took(const TodoItems& from, uint32_t slot) const {
    if (slots_ != from.slots_) return false;
    if (std::binary_search(listed_.begin(), listed_.end(), slot)) return true;
    if (slot < base_ || (slot - base_) / 64 >= bits_.size()) return false;
    return (bits_[(slot - base_) / 64] >> ((slot - base_) % 64) & 1u) != 0;
}

void TakenEvents::Note(uint32_t slot) {
    ++count_;
    if (bits_.empty() && count_ <= kListed) {
        listed_.push_back(slot);
        return;
    }
    if (bits_.empty()) {
        // Many: a bit for every slot that can follow, made at once.
        base_ = std::min(base_, listed_.front());
        bits_.assign((std::max(end_, slot + 1) - base_) / 64 + 1, 0);
        for (const uint32_t s : listed_) bits_[(s - base_) / 64] |= uint64_t{1} << ((s - base_) % 64);
        listed_.clear();
        listed_.shrink_to_fit();
    }
    const uint32_t b = slot - base_;
    if (b / 64 >= bits_.size()) bits_.resize(b / 64 + 1, 0);
    bits_[b / 64] |= uint64_t{1} << (b % 64);
}

void TakenEvents::Settle() {
    if (count_ > kListed) return;
    ForEachSlot([&](uint32_t s) { listed_.push_back(s); });
    bits_.clear();
    bits_.shrink_to_fit();
}

TakenEvents::const_iterator TakenEvents::begin() const {
    if (count_ == 0) return end();
    if (bits_.empty()) return {this, listed_.front(), 0};
    size_t i = 0;
    return {this, Next(base_, i), 0};
}

uint32_t TakenEvents::Next(uint32_t slot, size_t& i) const {
    if (bits_.empty()) {
        ++i;
        return i < listed_.size() ? listed_[i] : kEnd;
    }
    if (slot < base_) slot = base_;
    size_t b = slot - base_, w = b / 64;
    if (w >= bits_.size()) return kEnd;
    uint64_t word = bits_[w] & (~uint64_t{0} << (b % 64));
    while (word == 0) {
        if (++w >= bits_.size()) return kEnd;
        word = bits_[w];
    }
    return base_ + static_cast<uint32_t>(w * 64 + static_cast<size_t>(std::countr_zero(word)));
}
