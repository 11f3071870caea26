#pragma once
// The event record and the plain container the store is made of.
#include <algorithm>
#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "events/date_time.h"
#include "events/short_text.h"

// Which import made an event; None for the user's own. The imports also begin
// their subjects with a marker character, but a user may type one too, so
// removing imported events asks this field (see the event file's field 200).
enum class TImportKind : uint8_t {
    None = 0, MoonDays = 1, SunRiseSet = 2, MoonAspects = 3, VoidOfCourse = 4, FavourableDays = 5
};

// The four kinds of event. The kind is not stored: TTodoItem::Kind reads it
// from the fields.
enum class EventKind { Simple = 0, Lasting = 1, Repeating = 2, ToDo = 3 };

// Units of a repetition or a duration, as stored in `Project`. A file may
// hold any number there; the rules treat the others as no unit.
enum RepeatUnit : int {
    kUnitNone = 0, kUnitMinutes = 1, kUnitHours = 2, kUnitDays = 3,
    kUnitWeeks = 4, kUnitMonths = 5, kUnitYears = 6
};

// The repetition (or duration) of an event as numbers: what Category,
// Project and Resource say, read once when the texts were stored. A text that
// is not a decimal integer reads as 0, as does an empty one; Has* tell an
// empty text apart.
struct TRepetition {
    int Count = 0;                // Category: how many units
    RepeatUnit Unit = kUnitNone;  // Project
    int Mask = 0;                 // Resource: weekdays, Sunday 64 ... Saturday 1
    bool HasCount = false, HasUnit = false, HasMask = false;

    // A repetition by unit reads count and unit as a pair: when either text
    // is empty, both count as 0.
    int PairedCount() const { return HasCount && HasUnit ? Count : 0; }
    RepeatUnit PairedUnit() const { return HasCount && HasUnit ? Unit : kUnitNone; }
};

// Every line ended by CR LF and no other CR or LF: notes in the form the
// event file's writer gives back byte for byte.
bool EveryLineEndsInCrLf(std::string_view text);

class TForeignEvent;

// What most records do not have, behind one pointer that is empty for them:
// the record's bytes as the file held them, and what another calendar
// program said of an event that came from it (events/foreign_event.h).
class TKeptBytes {
public:
    TKeptBytes() = default;
    TKeptBytes(const TKeptBytes& o) : p_(o.p_ ? std::make_unique<Rare>(*o.p_) : nullptr) {}
    TKeptBytes(TKeptBytes&&) noexcept = default;
    TKeptBytes& operator=(const TKeptBytes& o) {
        if (this != &o) p_ = o.p_ ? std::make_unique<Rare>(*o.p_) : nullptr;
        return *this;
    }
    TKeptBytes& operator=(TKeptBytes&&) noexcept = default;
    bool empty() const noexcept { return !p_ || p_->bytes.empty(); }
    void assign(std::string_view bytes) {
        if (!bytes.empty() && !p_) p_ = std::make_unique<Rare>();
        if (p_) p_->bytes.assign(bytes);
        Tidy();
    }
    // Forgets the bytes; what another calendar said stays.
    void clear() noexcept {
        if (p_) p_->bytes.clear();
        Tidy();
    }
    std::string_view view() const noexcept { return p_ ? std::string_view(p_->bytes) : std::string_view(); }
    operator std::string_view() const noexcept { return view(); }

    const std::shared_ptr<const TForeignEvent>& foreign() const noexcept {
        static const std::shared_ptr<const TForeignEvent> none;
        return p_ ? p_->foreign : none;
    }
    void setForeign(std::shared_ptr<const TForeignEvent> f) {
        if (f && !p_) p_ = std::make_unique<Rare>();
        if (p_) p_->foreign = std::move(f);
        Tidy();
    }
    // The UID a calendar server knows the event by, when it is not its
    // calendar's own (TTodoItem::SyncUid).
    std::string_view syncUid() const noexcept { return p_ ? std::string_view(p_->uid) : std::string_view(); }
    void setSyncUid(std::string_view uid) {
        if (!uid.empty() && !p_) p_ = std::make_unique<Rare>();
        if (p_) p_->uid.assign(uid);
        Tidy();
    }

private:
    struct Rare {
        std::string bytes;
        std::shared_ptr<const TForeignEvent> foreign;  // shared by the copies of the event
        std::string uid;
    };
    void Tidy() noexcept {
        if (p_ && p_->bytes.empty() && !p_->foreign && p_->uid.empty()) p_.reset();
    }
    std::unique_ptr<Rare> p_;
};

// A million of these are held at once, so the texts that are mostly a digit
// or two, and the notes, are compact types that read as string views. The
// three decimal texts also hold the number they read as: every question about
// the repetition goes to Repetition() and Kind(), never to the texts, which
// are kept as they are so the file is written back byte for byte.
struct TTodoItem {
    std::string Subject;             // short name, Windows-1251 bytes
    TDateTime CreationDate = 0;      // start, whole minutes
    TDateTime DueDate = 0;           // occurrence moment (copies) / start (repeating)
    TDateTime CompletionDate = 0;    // end; 0 = none
    // The record's bytes as the file held them, kept only when the writer
    // would not write those very bytes (notes ending in a bare LF, fields the
    // program does not know, another field order): while the fields still
    // read as these bytes say, they are written back unchanged.
    TKeptBytes Raw;
    int32_t ImageIndex = -1;         // reminder choice 0..9
    int32_t Tag = 0;
    int32_t TotalTime = 0;  // whole hours; carried through the file untouched
    TNotes Notes;                    // description lines
    TDecimalText Category;           // count, decimal text as typed
    TDecimalText Project;            // unit index 0..6, decimal text
    TDecimalText Resource;           // weekday mask, decimal text
    bool Complete = false;
    uint8_t Completion = 0;
    uint8_t Priority = 0;
    uint8_t Status = 0;
    TImportKind Imported = TImportKind::None;

    // Notes as one text, lines joined by CR LF (each line followed by it).
    std::string NotesText() const;
    // Splits at CR LF, CR or LF; a final line break does not open an empty line.
    void SetNotesText(std::string_view text);

    TRepetition Repetition() const {
        return {Category.Value(), static_cast<RepeatUnit>(Project.Value()), Resource.Value(),
                !Category.empty(), !Project.empty(), !Resource.empty()};
    }
    // The kind the editor opens the event as.
    EventKind Kind() const;

    // What the calendar program the event came from said of it; null for
    // the user's own events and the other imports.
    const TForeignEvent* Foreign() const noexcept { return Raw.foreign().get(); }
    // The UID a calendar server knows the event by: the one given to it for
    // sync, else its calendar's; empty for an event never synced.
    std::string_view SyncUid() const noexcept;
};
// The fields are ordered so that the compact texts fill what alignment would waste.
static_assert(sizeof(void*) != 8 || sizeof(std::string) != 32 || sizeof(TTodoItem) == 128);

// An ordered collection of events, as the store holds them. The records sit
// in slots that nothing moves once filled: the events are the slots listed in
// `order_`, ascending, so the order of the slots is the order of the events.
// Taking events out (Take) shifts four bytes an event after them instead of
// the records, and leaves the records where they lay, readable through the
// TakenEvents that a change's batch keeps for as long as undo may want them.
// A copy holds the events alone, in slots of their own.
class TakenEvents;

class TodoItems {
    struct Slots {
        std::vector<TTodoItem> records;
    };
    template <typename Item, typename Records>
    class Iter {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = TTodoItem;
        using difference_type = std::ptrdiff_t;
        using pointer = Item*;
        using reference = Item&;
        Iter() = default;
        Iter(Records* r, const uint32_t* at) : r_(r), at_(at) {}
        Item& operator*() const { return (*r_)[*at_]; }
        Item* operator->() const { return &(*r_)[*at_]; }
        Item& operator[](difference_type n) const { return (*r_)[at_[n]]; }
        Iter& operator++() { ++at_; return *this; }
        Iter operator++(int) { Iter t = *this; ++at_; return t; }
        Iter& operator--() { --at_; return *this; }
        Iter operator--(int) { Iter t = *this; --at_; return t; }
        Iter& operator+=(difference_type n) { at_ += n; return *this; }
        Iter& operator-=(difference_type n) { at_ -= n; return *this; }
        friend Iter operator+(Iter i, difference_type n) { return i += n; }
        friend Iter operator+(difference_type n, Iter i) { return i += n; }
        friend Iter operator-(Iter i, difference_type n) { return i -= n; }
        friend difference_type operator-(const Iter& a, const Iter& b) { return a.at_ - b.at_; }
        friend bool operator==(const Iter& a, const Iter& b) { return a.at_ == b.at_; }
        friend auto operator<=>(const Iter& a, const Iter& b) { return a.at_ <=> b.at_; }

    private:
        Records* r_ = nullptr;
        const uint32_t* at_ = nullptr;
    };

public:
    using iterator = Iter<TTodoItem, std::vector<TTodoItem>>;
    using const_iterator = Iter<const TTodoItem, const std::vector<TTodoItem>>;

    TodoItems() : slots_(std::make_shared<Slots>()) {}
    TodoItems(const TodoItems& o);
    TodoItems(TodoItems&& o) noexcept;
    TodoItems& operator=(const TodoItems& o);
    TodoItems& operator=(TodoItems&& o) noexcept;
    ~TodoItems() = default;

    TTodoItem& Add() { return Appended(slots_->records.emplace_back()); }
    TTodoItem& Add(const TTodoItem& item) { return Appended(slots_->records.emplace_back(item)); }
    TTodoItem& Add(TTodoItem&& item) { return Appended(slots_->records.emplace_back(std::move(item))); }
    // Takes back the last Add (a record that did not read whole).
    void DropLast();
    void Delete(int index) { order_.erase(order_.begin() + index); }
    void Clear();
    int Count() const { return static_cast<int>(order_.size()); }
    bool Empty() const { return order_.empty(); }
    // Room for `n` events in all.
    void Reserve(size_t n);
    void ShrinkToFit();
    size_t Capacity() const { return std::min(order_.capacity(), slots_->records.capacity() - Dead()); }
    TTodoItem& operator[](int i) { return slots_->records[order_[static_cast<size_t>(i)]]; }
    const TTodoItem& operator[](int i) const { return slots_->records[order_[static_cast<size_t>(i)]]; }
    iterator begin() { return {&slots_->records, order_.data()}; }
    iterator end() { return {&slots_->records, order_.data() + order_.size()}; }
    const_iterator begin() const { return {&slots_->records, order_.data()}; }
    const_iterator end() const { return {&slots_->records, order_.data() + order_.size()}; }

    // ---- slots: what the document's index files events under ----
    // Slots handed out so far, the taken ones included; every slot is below.
    uint32_t SlotCount() const { return static_cast<uint32_t>(slots_->records.size()); }
    uint32_t SlotOf(int i) const { return order_[static_cast<size_t>(i)]; }
    const TTodoItem& AtSlot(uint32_t slot) const { return slots_->records[slot]; }
    TTodoItem& AtSlot(uint32_t slot) { return slots_->records[slot]; }
    // The position of the event in `slot`, or -1 when it was taken.
    int PositionOf(uint32_t slot) const;
    // The same for slots asked in ascending order, `from` kept between the
    // asks (0 at first): each search starts where the last one ended and
    // widens from there, so many cost the gaps between them, not a whole
    // search each.
    int PositionOf(uint32_t slot, size_t& from) const;
    // Slots whose records were taken and are held or forgotten.
    size_t Dead() const { return slots_->records.size() - order_.size(); }
    // Takes out the events at the positions for which `gone(position, slot)`
    // is true, from `from` on, in one pass; the rest keep their order. The
    // records stay in their slots: the result reads them.
    template <typename Gone>
    TakenEvents Take(int from, Gone&& gone);
    // Puts the events in slots of their own, in order, leaving the taken
    // records to whoever holds them: slots are numbered again from 0.
    void Compact();

    // Position of the sort column; -1 = none (reading a file resets it).
    int SortColumn = -1;

private:
    friend class TakenEvents;
    TTodoItem& Appended(TTodoItem& item) {
        order_.push_back(static_cast<uint32_t>(slots_->records.size() - 1));
        return item;
    }
    std::shared_ptr<Slots> slots_;
    std::vector<uint32_t> order_;
};

// Records a change took out of a TodoItems, read where they lay (or, made
// from a list, held here): the first few by slot, many as a bit a slot, so
// taking half a million events costs a bit each. Reads in store order.
class TakenEvents {
public:
    TakenEvents() = default;
    // Records of its own (a batch made by hand).
    TakenEvents(std::initializer_list<TTodoItem> items) : TakenEvents(std::vector<TTodoItem>(items)) {}
    explicit TakenEvents(std::vector<TTodoItem> items);

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const TTodoItem& front() const { return *begin(); }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TTodoItem;
        using difference_type = std::ptrdiff_t;
        using pointer = const TTodoItem*;
        using reference = const TTodoItem&;
        const_iterator() = default;
        const TTodoItem& operator*() const { return t_->slots_->records[slot_]; }
        const TTodoItem* operator->() const { return &**this; }
        const_iterator& operator++() { slot_ = t_->Next(slot_ + 1, i_); return *this; }
        const_iterator operator++(int) { const_iterator c = *this; ++*this; return c; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.slot_ == b.slot_; }

    private:
        friend class TakenEvents;
        const_iterator(const TakenEvents* t, uint32_t slot, size_t i) : t_(t), slot_(slot), i_(i) {}
        const TakenEvents* t_ = nullptr;
        uint32_t slot_ = 0;
        size_t i_ = 0;  // into the list of slots, when there is one
    };
    const_iterator begin() const;
    const_iterator end() const { return {this, kEnd, 0}; }
    // Calls `f(first, word)` for words of bits, bit k naming the slot
    // `first + k`, together naming every taken record's slot once.
    template <typename F>
    void ForEachWord(F&& f) const {
        for (const uint32_t s : listed_) f(s, uint64_t{1});
        for (size_t w = 0; w < bits_.size(); ++w)
            if (bits_[w] != 0) f(base_ + static_cast<uint32_t>(w * 64), bits_[w]);
    }
    // Whether these were taken from `from` as its slots are now: not when
    // `from` moved its events to slots of their own since (Compact), nor
    // for records of their own.
    bool From(const TodoItems& from) const { return slots_ == from.slots_; }
    // Whether the record in `slot` of `from` is one of these (never for
    // records of their own).
    bool Took(const TodoItems& from, uint32_t slot) const;
    // Calls `f(slot)` for each taken record's slot, ascending.
    template <typename F>
    void ForEachSlot(F&& f) const {
        for (const uint32_t s : listed_) f(s);
        for (size_t w = 0; w < bits_.size(); ++w)
            for (uint64_t word = bits_[w]; word != 0; word &= word - 1)
                f(base_ + static_cast<uint32_t>(w * 64 + static_cast<size_t>(std::countr_zero(word))));
    }

private:
    friend class TodoItems;
    static constexpr uint32_t kEnd = UINT32_MAX;
    static constexpr size_t kListed = 64;  // more go into bits
    void Note(uint32_t slot);
    // Few taken: the bits become a list.
    void Settle();
    // The first slot taken at or after `slot` (`i`: the list's place).
    uint32_t Next(uint32_t slot, size_t& i) const;

    std::shared_ptr<const TodoItems::Slots> slots_;
    std::vector<uint32_t> listed_;  // ascending, while few
    std::vector<uint64_t> bits_;    // a bit a slot from `base_`, when many
    uint32_t base_ = 0;
    uint32_t end_ = 0;              // above every slot that may be noted
    size_t count_ = 0;
};

template <typename Gone>
TakenEvents TodoItems::Take(int from, Gone&& gone) {
    TakenEvents t;
    t.slots_ = slots_;
    size_t kept = static_cast<size_t>(std::max(from, 0));
    if (kept >= order_.size()) return t;
    t.base_ = order_[kept];
    t.end_ = static_cast<uint32_t>(slots_->records.size());
    t.bits_.assign((t.end_ - t.base_) / 64 + 1, 0);
    // Without a branch on the answer: a purge takes every other event or so.
    // Plain pointers, so the stores below are not taken to change the vectors.
    uint32_t* const order = order_.data();
    uint64_t* const bits = t.bits_.data();
    const uint32_t base = t.base_;
    const size_t n = order_.size();
    size_t count = 0;
    for (size_t i = kept; i < n; ++i) {
        const uint32_t slot = order[i];
        const bool g = gone(static_cast<int>(i), slot);
        order[kept] = slot;
        kept += g ? 0 : 1;
        const uint32_t b = slot - base;
        bits[b / 64] |= static_cast<uint64_t>(g) << (b % 64);
        count += g ? 1 : 0;
    }
    order_.resize(kept);
    t.count_ = count;
    t.Settle();
    return t;
}

// Position in `in` of the first event with the identity (CreationDate,
// Subject), or -1.
int FindByIdentity(const TodoItems& in, TDateTime creationDate, const std::string& subject);
