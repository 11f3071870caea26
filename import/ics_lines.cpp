#include "import/ics_lines.h"

#include <algorithm>

namespace {

constexpr int kMaxDepth = 16;  // VCALENDAR > VEVENT > VALARM is three

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

struct Logical {
    std::string text;
    int line;
};

// Physical lines joined where a line starts with a space or a tab.
std::vector<Logical> Unfold(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<Logical> out;
    int number = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find('\n', i);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(i, end - i);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++number;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !out.empty())
            out.back().text.append(line.substr(1));
        else
            out.push_back({std::string(line), number});
        i = end + 1;
    }
    return out;
}

// name *(";" param) ":" value; quoted parameter values may hold ":" and ";".
bool SplitProperty(const std::string& line, IcsProperty& p) {
    size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
    if (i == line.size() || i == 0) return false;
    p.Name = Upper(std::string_view(line).substr(0, i));
    while (line[i] == ';') {
        const size_t nameStart = ++i;
        while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':') ++i;
        if (i == line.size()) return false;
        std::string name = Upper(std::string_view(line).substr(nameStart, i - nameStart));
        std::string value;
        if (line[i] == '=') {
            ++i;
            for (;;) {  // one or more values separated by commas; the first one is kept
                std::string one;
                if (i < line.size() && line[i] == '"') {
                    const size_t close = line.find('"', i + 1);
                    if (close == std::string::npos) return false;
                    one = line.substr(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const size_t start = i;
                    while (i < line.size() && line[i] != ',' && line[i] != ';' && line[i] != ':') ++i;
                    one = line.substr(start, i - start);
                }
                if (value.empty()) value = std::move(one);
                if (i < line.size() && line[i] == ',') { ++i; continue; }
                break;
            }
            if (i == line.size()) return false;
        }
        p.Params.emplace_back(std::move(name), std::move(value));
    }
    if (line[i] != ':') return false;
    p.Value = line.substr(i + 1);
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

IcsParse ParseIcsText(std::string_view text) {
    IcsParse r;
    auto fail = [&](int line, std::string error) {
        r.ok = false;
        r.Calendars.clear();
        r.Line = line;
        r.Error = std::move(error);
        return r;
    };
    std::vector<IcsComponent*> open;
    for (Logical& l : Unfold(text)) {
        if (l.text.find_first_not_of(" \t") == std::string::npos) continue;
        IcsProperty p;
        p.Line = l.line;
        if (!SplitProperty(l.text, p)) return fail(l.line, "строка не похожа на свойство iCalendar (ИМЯ:значение)");
        if (p.Name == "BEGIN") {
            if (static_cast<int>(open.size()) >= kMaxDepth) return fail(l.line, "слишком глубокая вложенность компонентов");
            std::vector<IcsComponent>& into = open.empty() ? r.Calendars : open.back()->Children;
            IcsComponent& c = into.emplace_back();
            c.Name = Upper(p.Value);
            c.Line = l.line;
            open.push_back(&c);
        } else if (p.Name == "END") {
            if (open.empty()) return fail(l.line, "END:" + p.Value + " без BEGIN");
            if (!Same(open.back()->Name, p.Value))
                return fail(l.line, "END:" + p.Value + " закрывает BEGIN:" + open.back()->Name);
            open.pop_back();
        } else {
            if (open.empty()) return fail(l.line, "свойство " + p.Name + " вне компонента BEGIN … END");
            open.back()->Properties.push_back(std::move(p));
        }
    }
    if (!open.empty()) return fail(open.back()->Line, "BEGIN:" + open.back()->Name + " не закрыт (нет END)");
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
