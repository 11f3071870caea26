#include "events/event_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "events/ansi.h"
#include "events/foreign_event.h"

namespace {

// A little-endian value of the file: one load where the machine is
// little-endian too, put together byte by byte elsewhere.
template <typename T>
T LoadLE(const unsigned char* b) {
    T v;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, b, sizeof(T));
    } else {
        std::conditional_t<sizeof(T) == 8, uint64_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint16_t>> u = 0;
        for (size_t i = 0; i < sizeof(T); ++i) u |= static_cast<decltype(u)>(b[i]) << (8 * i);
        std::memcpy(&v, &u, sizeof(T));
    }
    return v;
}

// Reads the event file's bytes in order: either a whole image in memory, or
// a file a chunk at a time, so a large file is never held whole beside the
// store built from it. Views it hands out stay valid until the next read;
// the bytes from the mark on stay until the mark moves.
class Reader {
public:
    explicit Reader(std::string_view d) : buf_(d), total_(d.size()) {}
    Reader(std::istream& in, uint64_t total) : in_(&in), total_(total) {}
    uint64_t left() const { return total_ - pos(); }
    uint64_t pos() const { return base_ + at_; }
    bool ioError() const { return ioError_; }
    bool get(void* out, size_t n) {
        if (!need(n)) return false;
        std::memcpy(out, buf_.data() + at_, n);
        at_ += n;
        return true;
    }
    template <typename T>
    bool getLE(T& v) {
        if (!need(sizeof(T))) return false;
        v = LoadLE<T>(reinterpret_cast<const unsigned char*>(buf_.data() + at_));
        at_ += sizeof(T);
        return true;
    }
    // A field's identifier and its 16-bit length.
    bool head(uint8_t& id, uint16_t& len) {
        if (!need(3)) return false;
        const auto* b = reinterpret_cast<const unsigned char*>(buf_.data() + at_);
        id = b[0];
        len = static_cast<uint16_t>(b[1] | b[2] << 8);
        at_ += 3;
        return true;
    }
    bool text(size_t n, std::string_view& out) {
        if (!need(n)) return false;
        out = buf_.substr(at_, n);
        at_ += n;
        return true;
    }
    bool skip(size_t n) {
        if (!need(n)) return false;
        at_ += n;
        return true;
    }
    // The bytes read in and not yet taken.
    std::string_view held() const { return buf_.substr(at_); }
    void mark() { mark_ = at_; }
    std::string_view sinceMark() const { return buf_.substr(mark_, at_ - mark_); }

private:
    static constexpr size_t kChunk = size_t{1} << 20;

    bool need(size_t n) { return buf_.size() - at_ >= n || refill(n); }
    // Keeps the bytes from the mark on and reads more behind them.
    bool refill(size_t n) {
        if (!in_ || left() < n) return false;
        const size_t keep = buf_.size() - mark_;
        if (mark_ > 0 && keep > 0) std::memmove(store_.data(), store_.data() + mark_, keep);
        base_ += mark_;
        at_ -= mark_;
        mark_ = 0;
        // A small file gets a buffer of its own size, a large one a chunk.
        const auto rest = static_cast<size_t>(std::min<uint64_t>(kChunk, total_ - base_));
        const size_t want = std::max(rest, at_ + n);
        if (store_.size() < want) store_.resize(want);
        const auto more = static_cast<size_t>(std::min<uint64_t>(store_.size() - keep, total_ - base_ - keep));
        in_->read(store_.data() + keep, static_cast<std::streamsize>(more));
        if (static_cast<size_t>(in_->gcount()) != more) {
            ioError_ = true;  // the file changed under us or the medium failed
            buf_ = std::string_view(store_.data(), keep);
            return false;
        }
        buf_ = std::string_view(store_.data(), keep + more);
        return buf_.size() - at_ >= n;
    }

    std::istream* in_ = nullptr;
    std::vector<char> store_;
    std::string_view buf_;
    uint64_t total_ = 0, base_ = 0;  // base_: the file position of buf_[0]
    size_t at_ = 0, mark_ = 0;
    bool ioError_ = false;
};

// Smallest possible sizes, used to reject counts that the remaining bytes
// cannot hold before anything is sized by them.
constexpr size_t kMinRecord = 4;
constexpr size_t kMinField = 3;
// The smallest record the writer makes (15 fields, every text empty): room is
// made for as many records as the bytes could hold at that size, not more.
constexpr size_t kWriterRecord = 4 + 15 * 3 + 1 + 1 + 8 * 3 + 4 + 1 + 1 + 4 + 4;
// Held records may take one and a half times the file's size and this much
// more (a real store's records take about 1.15 times their bytes). A file of
// records far smaller than any writer makes (a crafted one) stops there as
// damaged instead of taking all the memory there is.
constexpr uint64_t kMemorySlack = uint64_t{64} << 20;

// The size of each fixed field by identifier, 0 for a text: a table, as
// every field of the file asks it.
constexpr auto kFixedSizes = [] {
    std::array<uint8_t, 256> sizes{};
    for (const int id : {1, 2, 8, 10}) sizes[id] = 1;
    for (const int id : {3, 4, 5}) sizes[id] = 8;
    for (const int id : {6, 12, 13}) sizes[id] = 4;
    return sizes;
}();

size_t FixedSize(uint8_t id) { return kFixedSizes[id]; }

bool SyncUidReads(std::string_view uid) {
    return !uid.empty() && uid.size() <= kMaxSyncUid && uid.find_first_of("\r\n", 0) == std::string_view::npos &&
           uid.find('\0') == std::string_view::npos;
}

// How many fields 201 the writer gives the event.
int ForeignFields(const TTodoItem& it) {
    const TForeignEvent* f = it.Foreign();
    return f ? static_cast<int>((f->Text().size() + kMaxFieldText - 1) / kMaxFieldText) : 0;
}

int UidFields(const TTodoItem& it) { return it.Raw.syncUid().empty() ? 0 : 1; }

template <typename Put>
void ForEachForeignPart(const TTodoItem& it, Put&& put) {
    if (const TForeignEvent* f = it.Foreign())
        for (size_t at = 0; at < f->Text().size(); at += kMaxFieldText)
            put(std::string_view(f->Text()).substr(at, kMaxFieldText));
}


// The first fixed field of the file whose stated length is wrong.
[[gnu::cold]] void NoteWrongLength(std::string& problem, uint8_t id, uint16_t len, size_t fixed) {
    if (problem.empty())
        problem = "поле " + std::to_string(id) + " длиной " + std::to_string(len) + " вместо " +
                  std::to_string(fixed);
}

// Reads one field into the item; false when the data ends inside it.
// `canonical` turns false when the writer would not give these bytes back
// for field number `index` of the record.
// A fixed field whose stated length is wrong is damage, not a shape to keep:
// `damaged` turns true and the record is written the writer's way again.
// The text of fields 201 is appended to `foreign`.
bool ReadField(Reader& r, TTodoItem& it, std::string& problem, int index, bool& canonical, bool& damaged,
               std::string& foreign) {
    uint8_t id = 0;
    uint16_t len = 0;
    if (!r.head(id, len)) return false;
    if (index < 15 ? id != index + 1
                   : (id != kForeignField && id != kSyncUidField && (id != kImportMarkField || index != 15)))
        canonical = false;
    const size_t fixed = FixedSize(id);
    if (fixed != 0 && len != fixed) canonical = false, damaged = true;
    if (fixed != 0) {
        if (len != fixed) NoteWrongLength(problem, id, len, fixed);
        // The value is read at the field's own size, as the writer always
        // wrote it; the stated length is not trusted.
        switch (id) {
            case 1: {
                uint8_t b;
                if (!r.get(&b, 1)) return false;
                it.Complete = b != 0;
                if (b > 1) canonical = false;
                break;
            }
            case 2: if (!r.get(&it.Completion, 1)) return false; break;
            case 8: if (!r.get(&it.Priority, 1)) return false; break;
            case 10: if (!r.get(&it.Status, 1)) return false; break;
            case 3: if (!r.getLE(it.CompletionDate)) return false; break;
            case 4: if (!r.getLE(it.CreationDate)) return false; break;
            case 5: if (!r.getLE(it.DueDate)) return false; break;
            case 6: if (!r.getLE(it.ImageIndex)) return false; break;
            case 12: if (!r.getLE(it.Tag)) return false; break;
            case 13: if (!r.getLE(it.TotalTime)) return false; break;
            default: break;
        }
        return true;
    }
    std::string_view value;
    if (!r.text(len, value)) return false;
    switch (id) {
        case 7:
            it.SetNotesText(value);
            if (!EveryLineEndsInCrLf(value)) canonical = false;
            break;
        case 9: it.Resource.assign(value); break;
        case 11: it.Subject.assign(value); break;
        case 14: it.Project.assign(value); break;
        case 15: it.Category.assign(value); break;
        case kImportMarkField:
            if (value.size() == 1 && value[0] >= 1 && value[0] <= static_cast<char>(TImportKind::FavourableDays))
                it.Imported = static_cast<TImportKind>(value[0]);
            else
                canonical = false;
            break;
        case kForeignField: foreign.append(value); break;
        case kSyncUidField:
            // One UID of a line's characters; anything else is kept as an unknown field.
            if (it.Raw.syncUid().empty() && SyncUidReads(value)) it.Raw.setSyncUid(value);
            else canonical = false;
            break;
        default: canonical = false; break;  // unknown identifiers are kept in the record's bytes
    }
    return true;
}

// What a changed record keeps of its bytes: the notes as they were written
// (any line ends) and the fields of identifiers the program does not know.
struct KeptParts {
    bool hasNotes = false;
    std::string_view notes;
    std::string unknown;  // whole fields: identifier, length, value
    int unknownCount = 0;
};

void PutLE(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutFixed(std::string& out, uint8_t id, uint64_t v, int bytes) {
    out += static_cast<char>(id);
    PutLE(out, static_cast<uint64_t>(bytes), 2);
    PutLE(out, v, bytes);
}

void PutDate(std::string& out, uint8_t id, TDateTime v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    PutFixed(out, id, u, 8);
}

void PutText(std::string& out, uint8_t id, std::string_view text) {
    if (text.size() > kMaxFieldText) text = text.substr(0, kMaxFieldText);
    out += static_cast<char>(id);
    PutLE(out, text.size(), 2);
    out.append(text);
}

void PutNotes(std::string& out, const TTodoItem& item, const KeptParts* kept) {
    if (kept && kept->hasNotes) {
        TTodoItem probe;
        probe.SetNotesText(kept->notes);
        if (probe.Notes == item.Notes) {  // unchanged: the bytes as read, line ends and all
            PutText(out, 7, kept->notes);
            return;
        }
    }
    if (item.Notes.IsPlainText()) PutText(out, 7, item.Notes.PlainText());
    else PutText(out, 7, item.NotesText());
}

std::string Damage(const std::string& what) { return what; }

bool SameBits(TDateTime a, TDateTime b) { return std::memcmp(&a, &b, sizeof a) == 0; }

KeptParts KeptPartsOf(std::string_view raw) {
    KeptParts kept;
    Reader r(raw);
    int32_t f = 0;
    if (!r.getLE(f)) return kept;
    bool uidSeen = false;
    for (int32_t k = 0; k < f; ++k) {
        const auto start = static_cast<size_t>(r.pos());
        uint8_t id = 0;
        uint16_t len = 0;
        if (!r.get(&id, 1) || !r.getLE(len)) break;
        const size_t size = FixedSize(id) ? FixedSize(id) : len;
        std::string_view value;
        if (!r.text(size, value)) break;
        if (id == 7) {
            kept.hasNotes = true;
            kept.notes = value;
        } else if (id == kSyncUidField && !uidSeen && SyncUidReads(value)) {
            uidSeen = true;  // the item holds it
        } else if (id == 0 || (id > 15 && id != kImportMarkField && id != kForeignField)) {
            kept.unknown.append(raw.substr(start, static_cast<size_t>(r.pos()) - start));
            ++kept.unknownCount;
        }
    }
    return kept;
}

// The fields of `item` are still what its kept bytes say.
bool StillAsRead(const TTodoItem& item) {
    Reader r(item.Raw);
    int32_t f = 0;
    if (!r.getLE(f) || f < 0) return false;
    TTodoItem read;
    std::string problem, foreign;
    bool canonical = true;
    for (int32_t k = 0; k < f; ++k)
        if (!ReadField(r, read, problem, k, canonical, canonical, foreign)) return false;
    const TForeignEvent* had = item.Foreign();
    // Fields 201 that do not read as an event were kept as unknown ones.
    if (had ? foreign != had->Text() : !foreign.empty() && TForeignEvent::Read(foreign)) return false;
    return read.Subject == item.Subject && read.Notes == item.Notes &&
           SameBits(read.CreationDate, item.CreationDate) && SameBits(read.DueDate, item.DueDate) &&
           SameBits(read.CompletionDate, item.CompletionDate) && read.Category == item.Category &&
           read.Project == item.Project && read.Resource == item.Resource &&
           read.ImageIndex == item.ImageIndex && read.Complete == item.Complete &&
           read.Completion == item.Completion && read.Priority == item.Priority &&
           read.Status == item.Status && read.Tag == item.Tag && read.TotalTime == item.TotalTime &&
           read.Imported == item.Imported && read.Raw.syncUid() == item.Raw.syncUid();
}

}  // namespace

namespace {

// Defaults of a record that is read, for a scratch item used again: the
// texts keep their buffers.
void ResetForRecord(TTodoItem& it) {
    it.Raw.setForeign(nullptr);
    it.Subject.clear();
    it.Notes.clear();
    it.CreationDate = it.DueDate = it.CompletionDate = 0;
    it.Category.clear();
    it.Project.clear();
    it.Resource.clear();
    it.Raw.clear();
    it.Raw.setSyncUid({});
    it.ImageIndex = -1;
    it.Tag = it.TotalTime = 0;
    it.Complete = false;
    it.Completion = it.Priority = it.Status = 0;
    it.Imported = TImportKind::None;
}

// Reads the fields of a record whose count `f` was just read into `item`
// (at its defaults), and keeps the record's bytes in it when the writer would
// not give them back; false when the data ends inside the record.
bool ReadWholeRecord(Reader& r, int32_t f, TTodoItem& item, std::string& fieldProblem) {
    bool canonical = f >= 15, damaged = false;
    thread_local std::string foreign;
    foreign.clear();
    for (int32_t k = 0; k < f; ++k)
        if (!ReadField(r, item, fieldProblem, k, canonical, damaged, foreign)) return false;
    if (!foreign.empty()) {
        // A text that does not read stays in the record's bytes, unknown.
        if (auto e = TForeignEvent::Read(foreign)) item.Raw.setForeign(std::move(e));
        else canonical = false;
    }
    if (canonical && f != 15 + (item.Imported != TImportKind::None) + ForeignFields(item) + UidFields(item))
        canonical = false;
    if (!canonical && !damaged) item.Raw.assign(r.sinceMark());
    return true;
}

// A decimal text of the light record: most records hold the same few texts
// ("0"), and equal bytes read as the same number, so those are not read again.
void SetDecimal(TDecimalText& field, std::string_view value) {
    const std::string_view have = field.view();
    const size_t n = value.size();
    if (have.size() == n) {
        size_t i = 0;
        while (i < n && have[i] == value[i]) ++i;  // a digit or two: no call to memcmp
        if (i == n) return;
    }
    field = value;
}

// Bytes the reader already holds, read with nothing but a pointer and an
// end, so a walk over them keeps both in registers; the same reads as the
// Reader's, each false where the bytes end.
class HeldBytes {
public:
    explicit HeldBytes(std::string_view bytes)
        : p_(reinterpret_cast<const unsigned char*>(bytes.data())), start_(p_), end_(p_ + bytes.size()) {}
    size_t used() const { return static_cast<size_t>(p_ - start_); }
    bool head(uint8_t& id, uint16_t& len) {
        if (end_ - p_ < 3) return false;
        id = p_[0];
        len = static_cast<uint16_t>(p_[1] | p_[2] << 8);
        p_ += 3;
        return true;
    }
    bool get(void* out, size_t n) {
        if (static_cast<size_t>(end_ - p_) < n) return false;
        std::memcpy(out, p_, n);
        p_ += n;
        return true;
    }
    template <typename T>
    bool getLE(T& v) {
        if (static_cast<size_t>(end_ - p_) < sizeof(T)) return false;
        v = LoadLE<T>(p_);
        p_ += sizeof(T);
        return true;
    }
    bool skip(size_t n) {
        if (static_cast<size_t>(end_ - p_) < n) return false;
        p_ += n;
        return true;
    }
    bool text(size_t n, std::string_view& out) {
        if (static_cast<size_t>(end_ - p_) < n) return false;
        out = std::string_view(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return true;
    }

private:
    const unsigned char* p_;
    const unsigned char* start_;
    const unsigned char* end_;
};

// Walks a record whose count `f` was just read as ReadWholeRecord does (the
// same bytes, the same damage found), but takes only the fields the day's
// lists decide by into `it`: the dates, ImageIndex, Complete and the count,
// unit and mask. The rest of `it` is left as it is.
template <typename Source>
// `foreign` tells whether the record has fields 201: their occurrences
// decide, and only the whole record has them.
bool WalkDecidingFields(Source& r, int32_t f, TTodoItem& it, std::string& fieldProblem, bool& foreign) {
    foreign = false;
    it.CreationDate = it.DueDate = it.CompletionDate = 0;
    it.ImageIndex = -1;
    it.Complete = false;
    bool count = false, unit = false, mask = false;
    for (int32_t k = 0; k < f; ++k) {
        uint8_t id = 0;
        uint16_t len = 0;
        if (!r.head(id, len)) return false;
        const size_t fixed = FixedSize(id);
        if (fixed != 0) {
            if (len != fixed) NoteWrongLength(fieldProblem, id, len, fixed);
            bool ok = true;
            switch (id) {
                case 1: {
                    uint8_t b = 0;
                    ok = r.get(&b, 1);
                    it.Complete = b != 0;
                    break;
                }
                case 3: ok = r.getLE(it.CompletionDate); break;
                case 4: ok = r.getLE(it.CreationDate); break;
                case 5: ok = r.getLE(it.DueDate); break;
                case 6: ok = r.getLE(it.ImageIndex); break;
                default: ok = r.skip(fixed); break;
            }
            if (!ok) return false;
            continue;
        }
        std::string_view value;
        if (!r.text(len, value)) return false;
        switch (id) {
            case 15: SetDecimal(it.Category, value), count = true; break;
            case 14: SetDecimal(it.Project, value), unit = true; break;
            case 9: SetDecimal(it.Resource, value), mask = true; break;
            case kForeignField: foreign = true; break;
            default: break;
        }
    }
    if (!count) it.Category.clear();
    if (!unit) it.Project.clear();
    if (!mask) it.Resource.clear();
    return true;
}

// A record is nearly always whole in the bytes the reader holds, and is
// walked there; one that runs past them (at the end of a chunk, or of a
// short file) is walked again by the reader, which reads on.
bool ReadDecidingFields(Reader& r, int32_t f, TTodoItem& it, std::string& fieldProblem, bool& foreign) {
    HeldBytes held(r.held());
    if (WalkDecidingFields(held, f, it, fieldProblem, foreign)) return r.skip(held.used());
    return WalkDecidingFields(r, f, it, fieldProblem, foreign);
}

// Reads every record: `sink.Record()` reads one whose field count was just
// read, and false from it means the data ended inside the record. The
// report says what the file could not back.
template <typename Sink>
LoadReport ReadRecords(Reader& r, Sink& sink, std::vector<uint64_t>* hashes = nullptr) {
    LoadReport rep;
    int32_t n = 0;
    if (!r.getLE(n)) {
        if (r.left() > 0 || r.pos() > 0) {
            rep.status = LoadReport::Status::Damaged;
            rep.problem = Damage("файл короче заголовка");
        }
        return rep;  // an empty file is an empty store
    }
    rep.announced = n;
    if (n < 0) {
        rep.status = LoadReport::Status::Damaged;
        rep.problem = Damage("отрицательное число записей (" + std::to_string(n) + ")");
        return rep;
    }
    const uint64_t plausible = r.left() / kMinRecord;
    if (static_cast<uint64_t>(n) > plausible) {
        rep.status = LoadReport::Status::Damaged;
        rep.problem = Damage("объявлено записей: " + std::to_string(n) + ", а данных меньше");
    }
    // Room for the session's additions: the first new event would otherwise
    // move the whole store into twice the memory while both copies live.
    const auto expected =
        static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(n), r.left() / kWriterRecord));
    const uint64_t maxRecords = (r.left() + r.left() / 2 + kMemorySlack) / sizeof(TTodoItem);
    sink.Limit(static_cast<size_t>(std::min<uint64_t>(maxRecords, SIZE_MAX)));
    sink.Reserve(expected + expected / 32 + 64);
    if (hashes) hashes->reserve(expected);
    std::string fieldProblem;
    int loaded = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (Sink::kHoldsRecords && static_cast<uint64_t>(i) >= maxRecords) {
            rep.status = LoadReport::Status::Damaged;
            if (rep.problem.empty())
                rep.problem = Damage("записей больше, чем может быть в файле такого размера (" +
                                     std::to_string(i) + " прочитано)");
            break;
        }
        r.mark();
        int32_t f = 0;
        if (!r.getLE(f)) break;
        if (f < 0 || static_cast<uint64_t>(f) > r.left() / kMinField) {
            // A count a record could have (the writer's 15 or 16) that the rest
            // of the file cannot hold means the file was cut short there.
            if (rep.problem.empty())
                rep.problem = Damage(f >= 0 && f <= 256
                                         ? "файл обрывается внутри записи " + std::to_string(i + 1)
                                         : "запись " + std::to_string(i + 1) +
                                               ": недопустимое число полей (" + std::to_string(f) + ")");
            rep.status = LoadReport::Status::Damaged;
            break;
        }
        if (!sink.Record(r, f, fieldProblem)) break;
        if (hashes) hashes->push_back(RecordHash(r.sinceMark()));
        ++loaded;
    }
    rep.loaded = loaded;
    if (rep.loaded < n) {
        rep.status = LoadReport::Status::Damaged;
        if (rep.problem.empty()) rep.problem = Damage("файл обрывается на записи " +
                                                      std::to_string(rep.loaded + 1));
    }
    if (!fieldProblem.empty()) {
        rep.status = LoadReport::Status::Damaged;
        if (rep.problem.empty()) rep.problem = Damage(fieldProblem);
    }
    if (rep.status == LoadReport::Status::Ok && r.left() > 0) {
        rep.status = LoadReport::Status::Damaged;
        rep.problem = Damage("лишние байты после последней записи: " + std::to_string(r.left()));
    }
    return rep;
}

// Records go straight into the store, read in place.
struct StoreSink {
    static constexpr bool kHoldsRecords = true;
    TodoItems& items;
    size_t limit = SIZE_MAX;
    void Limit(size_t n) { limit = n; }
    void Reserve(size_t n) { items.Reserve(std::min(n, limit)); }
    bool Record(Reader& r, int32_t f, std::string& fieldProblem) {
        // Grown by hand so the last doubling never overshoots the limit.
        const size_t n = static_cast<size_t>(items.Count());
        if (n >= items.Capacity()) items.Reserve(std::min(std::max<size_t>(64, n * 2), limit));
        if (ReadWholeRecord(r, f, items.Add(), fieldProblem)) return true;
        items.DropLast();
        return false;
    }
};

// Records go one at a time through two scratch items: the light one every
// record is walked into, and the full one a wanted record is read into again
// from its bytes, which the reader still holds.
struct ScanSink {
    static constexpr bool kHoldsRecords = false;
    const std::function<bool(const TTodoItem&)>& want;
    const std::function<void(const TTodoItem&)>& take;
    TTodoItem light, full;
    void Limit(size_t) {}
    void Reserve(size_t) {}
    bool Record(Reader& r, int32_t f, std::string& fieldProblem) {
        bool foreign = false;
        if (!ReadDecidingFields(r, f, light, fieldProblem, foreign)) return false;
        if (!foreign && !want(light)) return true;
        Reader again(r.sinceMark());
        again.skip(sizeof(int32_t));  // the field count, read already
        ResetForRecord(full);
        std::string seen;  // any damage was noted by the first walk
        ReadWholeRecord(again, f, full, seen);
        if (foreign && !want(full)) return true;
        take(full);
        return true;
    }
};

// Opens the file for reading a chunk at a time; the report says why not.
std::optional<LoadReport> OpenEventFile(const std::filesystem::path& path, std::ifstream& in,
                                        uint64_t& size) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        LoadReport rep;
        rep.status = LoadReport::Status::Missing;
        return rep;
    }
    LoadReport unreadable;
    unreadable.status = LoadReport::Status::Unreadable;
    unreadable.problem = "файл не читается";
    if (!std::filesystem::is_regular_file(path, ec)) return unreadable;  // a folder "opens" but has no size
    in.open(path, std::ios::binary);
    if (!in) return unreadable;
    in.seekg(0, std::ios::end);
    const auto end = in.tellg();
    if (end < 0) return unreadable;
    in.seekg(0, std::ios::beg);
    size = static_cast<uint64_t>(end);
    return std::nullopt;
}

LoadReport Unreadable() {
    LoadReport rep;
    rep.status = LoadReport::Status::Unreadable;
    rep.problem = "файл не читается";
    return rep;
}

}  // namespace

LoadReport LoadFromBytes(std::string_view data, TodoItems& items) {
    items.Clear();
    items.SortColumn = -1;
    Reader r(data);
    StoreSink sink{items};
    return ReadRecords(r, sink);
}

LoadReport LoadFromFile(const std::filesystem::path& path, TodoItems& items, std::vector<uint64_t>* recordHashes) {
    std::ifstream in;
    uint64_t size = 0;
    if (auto early = OpenEventFile(path, in, size)) {
        if (early->status == LoadReport::Status::Missing) {
            items.Clear();
            items.SortColumn = -1;
        }
        return *early;
    }
    // A store built over an old one would hold both at once.
    items.Clear();
    items.ShrinkToFit();
    items.SortColumn = -1;
    if (recordHashes) recordHashes->clear();
    try {
        Reader r(in, size);
        StoreSink sink{items};
        LoadReport rep = ReadRecords(r, sink, recordHashes);
        if (r.ioError()) {
            items.Clear();
            return Unreadable();
        }
        return rep;
    } catch (const std::bad_alloc&) {
        // Nothing half-read is kept, and the caller treats the file as one it
        // could not read: it is never written over.
        items.Clear();
        items.ShrinkToFit();
        if (recordHashes) {
            recordHashes->clear();
            recordHashes->shrink_to_fit();
        }
        LoadReport rep = Unreadable();
        rep.problem = "не хватает памяти, чтобы прочитать файл";
        return rep;
    }
}

LoadReport ScanEventFile(const std::filesystem::path& path,
                         const std::function<bool(const TTodoItem&)>& want,
                         const std::function<void(const TTodoItem&)>& take) {
    std::ifstream in;
    uint64_t size = 0;
    if (auto early = OpenEventFile(path, in, size)) return *early;
    Reader r(in, size);
    ScanSink sink{want, take, {}, {}};
    LoadReport rep = ReadRecords(r, sink);
    return r.ioError() ? Unreadable() : rep;
}

struct EventFileStream::State {
    std::ifstream in;
    uint64_t size = 0;
    std::unique_ptr<Reader> reader;
    int count = 0, left = 0;
    std::string problem;
};

EventFileStream::EventFileStream() : s_(std::make_unique<State>()) {}
EventFileStream::~EventFileStream() = default;

LoadReport EventFileStream::Open(const std::filesystem::path& path,
                                 const std::function<void(const TTodoItem&)>& foreign) {
    *s_ = State{};
    if (auto early = OpenEventFile(path, s_->in, s_->size)) return *early;
    const std::function<bool(const TTodoItem&)> want = [](const TTodoItem& e) { return e.Foreign() != nullptr; };
    LoadReport rep;
    {
        Reader first(s_->in, s_->size);
        ScanSink sink{want, foreign, {}, {}};
        rep = ReadRecords(first, sink);
        if (first.ioError()) return Unreadable();
    }
    if (rep.status != LoadReport::Status::Ok) return rep;
    s_->in.clear();
    s_->in.seekg(0);
    s_->reader = std::make_unique<Reader>(s_->in, s_->size);
    int32_t n = 0;
    if (rep.announced > 0 && !s_->reader->getLE(n)) n = -1;
    if (n != rep.announced) {
        s_->problem = "файл событий изменился при чтении";
        return Unreadable();
    }
    s_->count = s_->left = n;
    return rep;
}

bool EventFileStream::Next(TTodoItem& item) {
    if (s_->left <= 0 || !s_->reader) return false;
    Reader& r = *s_->reader;
    r.mark();
    int32_t f = 0;
    ResetForRecord(item);
    std::string fieldProblem;
    if (!r.getLE(f) || f < 0 || !ReadWholeRecord(r, f, item, fieldProblem)) {
        s_->problem = "файл событий изменился при чтении";
        s_->left = 0;
        return false;
    }
    --s_->left;
    return true;
}

int EventFileStream::Count() const { return s_->count; }
const std::string& EventFileStream::problem() const { return s_->problem; }

namespace {

// Writes little-endian values at a cursor into space already made.
struct Cursor {
    char* p;
    void Byte(uint8_t v) { *p++ = static_cast<char>(v); }
    void LE(uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) *p++ = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void Fixed(uint8_t id, uint64_t v, int bytes) {
        Byte(id);
        LE(static_cast<uint64_t>(bytes), 2);
        LE(v, bytes);
    }
    void Date(uint8_t id, TDateTime v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        Fixed(id, u, 8);
    }
    void Text(uint8_t id, std::string_view t) {
        Byte(id);
        LE(t.size(), 2);
        std::memcpy(p, t.data(), t.size());
        p += t.size();
    }
};

std::string_view Clip(std::string_view t) { return t.size() > kMaxFieldText ? t.substr(0, kMaxFieldText) : t; }

// One record as the writer writes it.
void PutRecord(std::string& out, const TTodoItem& it) {
    if (!it.Raw.empty() && StillAsRead(it)) {
        out += it.Raw;
        return;
    }
    const bool marked = it.Imported != TImportKind::None;
    if (it.Raw.empty() && it.Notes.IsPlainText()) {
        // The common record: its size is known, so it is written in place.
        const std::string_view notes = Clip(it.Notes.PlainText()), res = Clip(it.Resource),
                               subject = Clip(it.Subject), project = Clip(it.Project),
                               category = Clip(it.Category);
        const int foreign = ForeignFields(it);
        const std::string_view uid = it.Raw.syncUid();
        const size_t size = 4 + 15 * 3 + 1 + 1 + 8 * 3 + 4 + 1 + 1 + 4 + 4 + (marked ? 4 : 0) +
                            notes.size() + res.size() + subject.size() + project.size() + category.size() +
                            (foreign ? foreign * 3 + it.Foreign()->Text().size() : 0) +
                            (uid.empty() ? 0 : 3 + uid.size());
        const size_t at = out.size();
        out.resize(at + size);
        Cursor c{out.data() + at};
        c.LE(static_cast<uint32_t>((marked ? 16 : 15) + foreign + UidFields(it)), 4);
        c.Fixed(1, it.Complete ? 1 : 0, 1);
        c.Fixed(2, it.Completion, 1);
        c.Date(3, it.CompletionDate);
        c.Date(4, it.CreationDate);
        c.Date(5, it.DueDate);
        c.Fixed(6, static_cast<uint32_t>(it.ImageIndex), 4);
        c.Text(7, notes);
        c.Fixed(8, it.Priority, 1);
        c.Text(9, res);
        c.Fixed(10, it.Status, 1);
        c.Text(11, subject);
        c.Fixed(12, static_cast<uint32_t>(it.Tag), 4);
        c.Fixed(13, static_cast<uint32_t>(it.TotalTime), 4);
        c.Text(14, project);
        c.Text(15, category);
        if (marked) c.Fixed(kImportMarkField, static_cast<uint8_t>(it.Imported), 1);
        ForEachForeignPart(it, [&](std::string_view part) { c.Text(kForeignField, part); });
        if (!uid.empty()) c.Text(kSyncUidField, uid);
        return;
    }
    KeptParts kept;
    if (!it.Raw.empty()) kept = KeptPartsOf(it.Raw);
    PutLE(out, static_cast<uint32_t>((marked ? 16 : 15) + ForeignFields(it) + UidFields(it) + kept.unknownCount), 4);
    PutFixed(out, 1, it.Complete ? 1 : 0, 1);
    PutFixed(out, 2, it.Completion, 1);
    PutDate(out, 3, it.CompletionDate);
    PutDate(out, 4, it.CreationDate);
    PutDate(out, 5, it.DueDate);
    PutFixed(out, 6, static_cast<uint32_t>(it.ImageIndex), 4);
    PutNotes(out, it, it.Raw.empty() ? nullptr : &kept);
    PutFixed(out, 8, it.Priority, 1);
    PutText(out, 9, it.Resource);
    PutFixed(out, 10, it.Status, 1);
    PutText(out, 11, it.Subject);
    PutFixed(out, 12, static_cast<uint32_t>(it.Tag), 4);
    PutFixed(out, 13, static_cast<uint32_t>(it.TotalTime), 4);
    PutText(out, 14, it.Project);
    PutText(out, 15, it.Category);
    if (marked) PutFixed(out, kImportMarkField, static_cast<uint8_t>(it.Imported), 1);
    ForEachForeignPart(it, [&](std::string_view part) { PutText(out, kForeignField, part); });
    if (UidFields(it)) PutText(out, kSyncUidField, it.Raw.syncUid());
    out += kept.unknown;
}

}  // namespace

std::string SaveToBytes(const TodoItems& items) {
    std::string out;
    PutLE(out, static_cast<uint32_t>(items.Count()), 4);
    for (const auto& it : items) PutRecord(out, it);
    return out;
}

namespace {

// The file's image a chunk at a time: it is never held whole beside the store.
// With `stop`, a chunk begun after it is set ends the file early and says so
// in `stopped`.
ChunkSource EventFileChunks(const TodoItems& items, std::vector<uint64_t>* hashes,
                            const std::atomic<bool>* stop = nullptr, bool* stopped = nullptr) {
    constexpr size_t kChunk = size_t{1} << 20;
    if (hashes) {
        hashes->clear();
        hashes->reserve(static_cast<size_t>(items.Count()));
    }
    return [&items, hashes, stop, stopped, chunk = std::string(), next = size_t{0},
            header = true]() mutable -> std::string_view {
        chunk.clear();
        if (stop && stop->load(std::memory_order_acquire)) {
            *stopped = true;
            return chunk;
        }
        if (std::exchange(header, false)) PutLE(chunk, static_cast<uint32_t>(items.Count()), 4);
        while (next < static_cast<size_t>(items.Count()) && chunk.size() < kChunk) {
            const size_t at = chunk.size();
            PutRecord(chunk, items[static_cast<int>(next++)]);
            if (hashes) hashes->push_back(RecordHash(std::string_view(chunk).substr(at)));
        }
        return chunk;
    };
}

}  // namespace

WriteResult PrepareEventFile(const std::filesystem::path& path, const TodoItems& items, PreparedWrite& prepared,
                             std::vector<uint64_t>* recordHashes, LinkPolicy links, const std::atomic<bool>* stop) {
    bool stopped = false;
    WriteResult w = PrepareWrite(path, EventFileChunks(items, recordHashes, stop, &stopped), prepared, links);
    if (stopped) {
        if (w.ok) DiscardWrite(prepared);
        w = WriteResult{};
        w.stopped = true;
    }
    return w;
}

WriteResult SaveToFile(const std::filesystem::path& path, const TodoItems& items, bool sync) {
    return WriteChunksAtomically(path, EventFileChunks(items, nullptr), sync);
}

uint64_t RecordHash(std::string_view bytes) {
    // A 64-bit mix of eight bytes at a time: records are compared by it
    // within one run, never stored, so only speed and spread matter.
    constexpr uint64_t k1 = 0x87C37B91114253D5ull, k2 = 0x4CF5AD432745937Full;
    const auto rotl = [](uint64_t x, int r) { return (x << r) | (x >> (64 - r)); };
    uint64_t h = 0x9E3779B97F4A7C15ull ^ (bytes.size() * k2);
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h ^= rotl(w * k1, 31) * k2;
        h = rotl(h, 27) * 5 + 0x52DCE729;
    }
    uint64_t tail = 0;
    for (size_t j = 0; i + j < bytes.size(); ++j)
        tail |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[i + j])) << (8 * j);
    h ^= rotl(tail * k1, 31) * k2;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

uint64_t RecordHash(const TTodoItem& item) {
    thread_local std::string scratch;
    scratch.clear();
    PutRecord(scratch, item);
    return RecordHash(scratch);
}
