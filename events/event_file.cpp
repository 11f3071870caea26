#include "events/event_file.h"

#include <cstdint>
#include <cstring>

#include "events/ansi.h"

namespace {

class Reader {
public:
    explicit Reader(std::string_view d) : d_(d) {}
    size_t left() const { return d_.size() - pos_; }
    bool get(void* out, size_t n) {
        if (left() < n) return false;
        std::memcpy(out, d_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    template <typename T>
    bool getLE(T& v) {
        unsigned char b[sizeof(T)];
        if (!get(b, sizeof(T))) return false;
        std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t> u = 0;
        for (size_t i = 0; i < sizeof(T); ++i) u |= static_cast<decltype(u)>(b[i]) << (8 * i);
        if constexpr (sizeof(T) == 2) v = static_cast<T>(u);
        else std::memcpy(&v, &u, sizeof(T));
        return true;
    }
    bool text(size_t n, std::string_view& out) {
        if (left() < n) return false;
        out = d_.substr(pos_, n);
        pos_ += n;
        return true;
    }
    bool skip(size_t n) {
        if (left() < n) return false;
        pos_ += n;
        return true;
    }

private:
    std::string_view d_;
    size_t pos_ = 0;
};

// Smallest possible sizes, used to reject counts that the remaining bytes
// cannot hold before anything is sized by them.
constexpr size_t kMinRecord = 4;
constexpr size_t kMinField = 3;

size_t FixedSize(uint8_t id) {
    switch (id) {
        case 1: case 2: case 8: case 10: return 1;
        case 3: case 4: case 5: return 8;
        case 6: case 12: case 13: return 4;
        default: return 0;
    }
}

// Reads one field into the item; false when the data ends inside it.
bool ReadField(Reader& r, TTodoItem& it, std::string& problem) {
    uint8_t id = 0;
    uint16_t len = 0;
    if (!r.get(&id, 1) || !r.getLE(len)) return false;
    const size_t fixed = FixedSize(id);
    if (fixed != 0) {
        if (len != fixed && problem.empty())
            problem = "поле " + std::to_string(id) + " длиной " + std::to_string(len) +
                      " вместо " + std::to_string(fixed);
        // The value is read at the field's own size, as the writer always
        // wrote it; the stated length is not trusted.
        switch (id) {
            case 1: { uint8_t b; if (!r.get(&b, 1)) return false; it.Complete = b != 0; break; }
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
        case 7: it.SetNotesText(value); break;
        case 9: it.Resource.assign(value); break;
        case 11: it.Subject.assign(value); break;
        case 14: it.Project.assign(value); break;
        case 15: it.Category.assign(value); break;
        case kImportMarkField:
            if (value.size() == 1) it.Imported = static_cast<TImportKind>(value[0]);
            break;
        default: break;  // unknown identifiers are skipped with their bytes
    }
    return true;
}

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

void PutNotes(std::string& out, const TTodoItem& item) {
    size_t total = 0;
    for (const auto& l : item.Notes) total += l.size() + 2;
    if (total > kMaxFieldText) {
        PutText(out, 7, item.NotesText());
        return;
    }
    out += static_cast<char>(7);
    PutLE(out, total, 2);
    for (const auto& l : item.Notes) {
        out += l;
        out += "\r\n";
    }
}

std::string Damage(const std::string& what) { return what; }

}  // namespace

LoadReport LoadFromBytes(std::string_view data, TodoItems& items) {
    LoadReport rep;
    items.Clear();
    items.SortColumn = -1;
    Reader r(data);
    int32_t n = 0;
    if (!r.getLE(n)) {
        if (!data.empty()) {
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
    const size_t plausible = r.left() / kMinRecord;
    if (static_cast<size_t>(n) > plausible) {
        rep.status = LoadReport::Status::Damaged;
        rep.problem = Damage("объявлено записей: " + std::to_string(n) + ", а данных меньше");
    }
    items.Reserve(std::min<size_t>(static_cast<size_t>(n), plausible));
    std::string fieldProblem;
    for (int32_t i = 0; i < n; ++i) {
        TTodoItem item;
        int32_t f = 0;
        if (!r.getLE(f)) break;
        if (f < 0 || static_cast<size_t>(f) > r.left() / kMinField) {
            if (rep.problem.empty())
                rep.problem = Damage("запись " + std::to_string(i + 1) +
                                     ": недопустимое число полей (" + std::to_string(f) + ")");
            rep.status = LoadReport::Status::Damaged;
            break;
        }
        bool complete = true;
        for (int32_t k = 0; k < f; ++k) {
            if (!ReadField(r, item, fieldProblem)) { complete = false; break; }
        }
        if (!complete) break;
        items.Add(std::move(item));
    }
    rep.loaded = items.Count();
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

LoadReport LoadFromFile(const std::filesystem::path& path, TodoItems& items) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        items.Clear();
        items.SortColumn = -1;
        LoadReport rep;
        rep.status = LoadReport::Status::Missing;
        return rep;
    }
    std::string data;
    if (!ReadWholeFile(path, data)) {
        LoadReport rep;
        rep.status = LoadReport::Status::Unreadable;
        rep.problem = "файл не читается";
        return rep;
    }
    return LoadFromBytes(data, items);
}

std::string SaveToBytes(const TodoItems& items) {
    std::string out;
    size_t guess = 4;
    for (const auto& it : items)
        guess += 4 + 16 * 3 + 1 + 1 + 1 + 8 * 3 + 4 + 1 + 1 + 4 + 4 + it.Subject.size() +
                 it.Resource.size() + it.Project.size() + it.Category.size() +
                 it.Notes.size() * 2 + [&] { size_t s = 0; for (auto& l : it.Notes) s += l.size(); return s; }();
    out.reserve(guess);
    PutLE(out, static_cast<uint32_t>(items.Count()), 4);
    for (const auto& it : items) {
        const bool marked = it.Imported != TImportKind::None;
        PutLE(out, marked ? 16 : 15, 4);
        PutFixed(out, 1, it.Complete ? 1 : 0, 1);
        PutFixed(out, 2, it.Completion, 1);
        PutDate(out, 3, it.CompletionDate);
        PutDate(out, 4, it.CreationDate);
        PutDate(out, 5, it.DueDate);
        PutFixed(out, 6, static_cast<uint32_t>(it.ImageIndex), 4);
        PutNotes(out, it);
        PutFixed(out, 8, it.Priority, 1);
        PutText(out, 9, it.Resource);
        PutFixed(out, 10, it.Status, 1);
        PutText(out, 11, it.Subject);
        PutFixed(out, 12, static_cast<uint32_t>(it.Tag), 4);
        PutFixed(out, 13, static_cast<uint32_t>(it.TotalTime), 4);
        PutText(out, 14, it.Project);
        PutText(out, 15, it.Category);
        if (marked) PutFixed(out, kImportMarkField, static_cast<uint8_t>(it.Imported), 1);
    }
    return out;
}

WriteResult SaveToFile(const std::filesystem::path& path, const TodoItems& items, bool sync) {
    return WriteFileAtomically(path, SaveToBytes(items), sync);
}
