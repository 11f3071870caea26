#pragma once
// The event record and the plain container the store is made of.
#include <cstdint>
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

// An ordered collection of events, as the store holds them.
class TodoItems {
public:
    TTodoItem& Add() { return items_.emplace_back(); }
    TTodoItem& Add(const TTodoItem& item) { return items_.emplace_back(item); }
    void Delete(int index) { items_.erase(items_.begin() + index); }
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    void Reserve(size_t n) { items_.reserve(n); }
    TTodoItem& operator[](int i) { return items_[static_cast<size_t>(i)]; }
    const TTodoItem& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    std::vector<TTodoItem>& Vector() { return items_; }
    const std::vector<TTodoItem>& Vector() const { return items_; }

    // Position of the sort column; -1 = none (reading a file resets it).
    int SortColumn = -1;

private:
    std::vector<TTodoItem> items_;
};

// Position in `in` of the first event with the identity (CreationDate,
// Subject), or -1.
int FindByIdentity(const TodoItems& in, TDateTime creationDate, const std::string& subject);
