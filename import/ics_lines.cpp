#include "import/ics_lines.h"

#include <algorithm>
#include <cstdint>

#include "events/ansi.h"

namespace {

constexpr size_t kMaxDepth = 16;  // VCALENDAR > VEVENT > VALARM is three

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

bool Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
           });
}

// Where `name` stands in `names`, letter case aside; -1 when it does not.
int IndexIn(const std::vector<std::string_view>& names, std::string_view name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (Same(names[i], name)) return static_cast<int>(i);
    return -1;
}

// The logical lines of a text one at a time: physical lines end in CR LF, LF
// or CR, and a line that starts with a space or a tab continues the one
// before it. Only a folded line is copied, into one buffer used again.
class LogicalLines {
public:
    explicit LogicalLines(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
    }

    bool Next(std::string_view& line, int& number) {
        if (pos_ >= text_.size()) return false;
        number = next_;
        std::string_view first = Take();
        if (!Continues()) {
            line = first;
            return true;
        }
        folded_.assign(first);
        while (Continues()) folded_.append(Take().substr(1));
        line = folded_;
        return true;
    }

private:
    bool Continues() const { return pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'); }

    std::string_view Take() {
        size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) end = text_.size();
        const std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end < text_.size() && text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? end + 2
                                                                                                        : end + 1;
        ++next_;
        return line;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int next_ = 1;
    std::string folded_;
};

// name *(";" param) ":" value; quoted parameter values may hold ":" and ";".
// The parameters go to `params` when it is given (the first value of each
// name, at most kMostIcsParams names); without it they are only checked.
bool SplitProperty(std::string_view line, std::string_view& name, std::string_view& value,
                   std::vector<std::pair<std::string, std::string>>* params) {
    size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
    if (i == line.size() || i == 0) return false;
    name = line.substr(0, i);
    while (line[i] == ';') {
        const size_t nameStart = ++i;
        while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':') ++i;
        if (i == line.size()) return false;
        const std::string_view paramName = line.substr(nameStart, i - nameStart);
        std::string_view paramValue;
        if (line[i] == '=') {
            ++i;
            bool firstValue = true;
            for (;;) {  // one or more values separated by commas; the first one is kept
                std::string_view one;
                if (i < line.size() && line[i] == '"') {
                    const size_t close = line.find('"', i + 1);
                    if (close == std::string_view::npos) return false;
                    one = line.substr(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const size_t start = i;
                    while (i < line.size() && line[i] != ',' && line[i] != ';' && line[i] != ':') ++i;
                    one = line.substr(start, i - start);
                }
                if (firstValue) paramValue = one;
                firstValue = false;
                if (i < line.size() && line[i] == ',') { ++i; continue; }
                break;
            }
            if (i == line.size()) return false;
        }
        if (params && params->size() < kMostIcsParams &&
            std::none_of(params->begin(), params->end(), [&](const auto& p) { return Same(p.first, paramName); }))
            params->emplace_back(Upper(paramName), std::string(paramValue));
    }
    if (line[i] != ':') return false;
    value = line.substr(i + 1);
    return true;
}

size_t Utf8Start(std::string_view s, size_t at) {
    while (at > 0 && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) --at;
    return at;
}

}  // namespace

const std::string* IcsProperty::Param(std::string_view name) const {
    for (const auto& [n, v] : Params)
        if (n == name) return &v;
    return nullptr;
}

const IcsProperty* IcsComponent::Find(std::string_view name) const {
    for (const IcsProperty& p : Properties)
        if (p.Name == name) return &p;
    return nullptr;
}

std::vector<const IcsProperty*> IcsComponent::FindAll(std::string_view name) const {
    std::vector<const IcsProperty*> out;
    for (const IcsProperty& p : Properties)
        if (p.Name == name) out.push_back(&p);
    return out;
}

IcsWalk WalkIcsText(std::string_view text, const IcsKeep& keep,
                    const std::function<bool(int top, IcsComponent& component)>& take) {
    IcsWalk r;
    auto fail = [&](int line, std::string error) {
        r.ok = false;
        r.Line = line;
        r.Error = std::move(error);
        return r;
    };
    struct Open {
        std::string name;       // upper case
        int line;
        IcsComponent* kept;     // nullptr: read and dropped
        uint64_t once = 0;      // which of keep.Properties it holds
        size_t repeats = 0;     // how many of keep.Repeated it holds
    };
    std::vector<Open> open;
    IcsComponent current;  // the kept component directly inside a Top
    int top = -1;          // the number of the open Top; -1 inside another top-level component
    LogicalLines lines(text);
    std::string_view line;
    int number = 0;
    while (lines.Next(line, number)) {
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        std::string_view name, value;
        if (!SplitProperty(line, name, value, nullptr))
            return fail(number, "строка не похожа на свойство iCalendar (ИМЯ:значение)");
        if (Same(name, "BEGIN")) {
            if (open.size() >= kMaxDepth) return fail(number, "слишком глубокая вложенность компонентов");
            IcsComponent* kept = nullptr;
            if (open.empty()) {
                top = Same(value, keep.Top) ? r.Tops++ : -1;
            } else if (top >= 0 && IndexIn(keep.Components, value) >= 0) {
                if (open.size() == 1) {
                    current = IcsComponent{};
                    kept = &current;
                } else if (open.back().kept && open.back().kept->Children.size() < kMostIcsChildren) {
                    // Its parent takes no other child while it is open, so the pointer stays good.
                    kept = &open.back().kept->Children.emplace_back();
                }
            }
            if (kept) {
                kept->Name = Upper(value);
                kept->Line = number;
            }
            open.push_back({Upper(value), number, kept});
        } else if (Same(name, "END")) {
            if (open.empty()) return fail(number, "END:" + ShownText(value, 40) + " без BEGIN");
            if (!Same(open.back().name, value))
                return fail(number, "END:" + ShownText(value, 40) + " закрывает BEGIN:" + ShownText(open.back().name, 40));
            const bool handOut = open.size() == 2 && open.back().kept;
            open.pop_back();
            if (handOut) {
                const bool more = take(top, current);
                current = IcsComponent{};  // what was handed out is not held on to
                if (!more) {
                    r.ok = true;
                    return r;
                }
            }
        } else {
            if (open.empty()) return fail(number, "свойство " + ShownText(name, 40) + " вне компонента BEGIN … END");
            Open& o = open.back();
            if (!o.kept) continue;
            bool keepIt = false;
            if (const int once = IndexIn(keep.Properties, name); once >= 0 && once < 64) {
                keepIt = (o.once >> once & 1u) == 0;
                o.once |= uint64_t{1} << once;
            } else if (IndexIn(keep.Repeated, name) >= 0 && o.repeats < kMostIcsRepeats) {
                keepIt = true;
                ++o.repeats;
            }
            if (!keepIt) continue;
            IcsProperty& p = o.kept->Properties.emplace_back();
            SplitProperty(line, name, value, &p.Params);
            p.Name = Upper(name);
            p.Value = std::string(value);
            p.Line = number;
        }
    }
    if (!open.empty())
        return fail(open.back().line, "BEGIN:" + ShownText(open.back().name, 40) + " не закрыт (нет END)");
    r.ok = true;
    return r;
}

std::string IcsUnescapeText(std::string_view v) {
    std::string out;
    out.reserve(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        const char n = v[++i];
        out += n == 'n' || n == 'N' ? '\n' : n;
    }
    return out;
}

std::string IcsEscapeText(std::string_view t) {
    std::string out;
    out.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case ';': out += "\\;"; break;
            case ',': out += "\\,"; break;
            case '\r':
                if (i + 1 < t.size() && t[i + 1] == '\n') ++i;
                out += "\\n";
                break;
            case '\n': out += "\\n"; break;
            default:
                // Other control characters are not allowed in a TEXT value.
                out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
        }
    }
    return out;
}

void AppendIcsLine(std::string& out, std::string_view line) {
    size_t limit = 75;  // the first line; each continuation spends one octet on its space
    while (line.size() > limit) {
        size_t cut = Utf8Start(line, limit);
        if (cut == 0) cut = limit;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = 74;
    }
    out.append(line);
    out += "\r\n";
}
