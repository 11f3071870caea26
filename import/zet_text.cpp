#include "import/zet_text.h"

#include <array>
#include <fstream>
#include <system_error>

#include "events/ansi.h"
#include "import/zet_messages.h"

namespace {

size_t CountLines(std::string_view text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            ++n;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
    const char last = text.empty() ? '\n' : text.back();
    return n + (last == '\r' || last == '\n' ? 0 : 1);
}

ZetFile LinesOrRefusal(std::string_view bytes) {
    ZetFile f;
    const DecodedText decoded = DecodeTextToAnsi(bytes);
    if (!decoded.ok) {
        f.Error = ZetMessage::LineFault(decoded.Line, decoded.LineText, decoded.Reason);
        return f;
    }
    const std::string& text = decoded.Text;
    if (CountLines(text) > kMaxZetLines) {
        f.Error = ZetMessage::TooManyLines();
        return f;
    }
    f.Lines = SplitLines(text);
    f.ok = true;
    return f;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Where the date separator of a journal line is: the first "." of its first
// word, else the first "/" of it (slash form). npos when the first word holds
// neither; a later "." or "/" belongs to the text, not to a date.
struct DateMark {
    size_t wordStart = std::string_view::npos;
    size_t sep = std::string_view::npos;
    bool slash = false;
};

DateMark FindDateMark(std::string_view line) {
    DateMark m;
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    size_t end = line.find(' ', i);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view word = line.substr(i, end - i);
    m.wordStart = i;
    size_t p = word.find('.');
    if (p == std::string_view::npos) {
        p = word.find('/');
        m.slash = p != std::string_view::npos;
    }
    if (p != std::string_view::npos) m.sep = i + p;
    return m;
}

bool Whole(std::string_view text, int& value, std::string& error) {
    if (TryParseDecimal(text, value)) return true;
    error = ZetMessage::NotWhole(text);
    return false;
}

}  // namespace

ZetFile ZetTextLines(std::string_view bytes) {
    if (bytes.size() > kMaxZetBytes) {
        ZetFile f;
        f.Error = ZetMessage::TextTooLarge();
        return f;
    }
    return LinesOrRefusal(bytes);
}

std::string ReadZetBytes(std::istream& in) {
    std::string data;
    std::array<char, 65536> buf;
    while (in && data.size() <= kMaxZetBytes) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        data.append(buf.data(), static_cast<size_t>(in.gcount()));
    }
    return data;
}

ZetFile ReadZetFile(const std::filesystem::path& path) {
    ZetFile f;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        f.Error = ec || !std::filesystem::exists(path, ec) ? ZetMessage::FileMissing()
                                                           : ZetMessage::FileUnreadable();
        return f;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxZetBytes) {
        f.Error = ZetMessage::FileTooLarge();
        return f;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        f.Error = ZetMessage::FileUnreadable();
        return f;
    }
    // The size asked above may be stale.
    const std::string data = ReadZetBytes(in);
    if (in.bad()) {
        f.Error = ZetMessage::FileUnreadable();
        return f;
    }
    if (data.size() > kMaxZetBytes) {
        f.Error = ZetMessage::FileTooLarge();
        return f;
    }
    return LinesOrRefusal(data);
}

std::string_view TrimZet(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::vector<std::string> SplitZetWords(std::string_view line) {
    std::vector<std::string> words;
    const std::string_view t = TrimZet(line);
    size_t i = 0;
    while (i < t.size()) {
        while (i < t.size() && t[i] == ' ') ++i;
        const size_t start = i;
        while (i < t.size() && t[i] != ' ') ++i;
        if (i > start) words.emplace_back(t.substr(start, i - start));
    }
    return words;
}

namespace {
std::string_view EffectiveDelimiters(std::string_view delimiters, std::string_view text) {
    if (delimiters == "." && text.find('.') == std::string_view::npos) return "/";
    return delimiters;
}
}  // namespace

std::string GetFieldFromEnd(std::string_view delimiters, std::string_view text, int n) {
    const std::string_view d = EffectiveDelimiters(delimiters, text);
    std::string_view t = text;
    for (int i = 0; i < n && !t.empty(); ++i) {
        const size_t p = t.find_last_of(d);
        t = p == std::string_view::npos ? std::string_view{} : t.substr(0, p);
    }
    const size_t p = t.find_last_of(d);
    if (p != std::string_view::npos) t = t.substr(p);
    return std::string(TrimZet(t));
}

std::string FieldAfterDelimiter(std::string_view delimiters, std::string_view text, int n) {
    std::string f = GetFieldFromEnd(delimiters, text, n);
    const std::string_view d = EffectiveDelimiters(delimiters, text);
    if (!f.empty() && d.find(f[0]) != std::string_view::npos) f.erase(0, 1);
    return f;
}

ZetParsed<TDateTime> ParseJournalDateTime(std::string_view line, int year, TDateTime previous,
                                          bool summerTime) {
    ZetParsed<TDateTime> r;
    const DateMark mark = FindDateMark(line);
    int first = 0, second = 0;
    if (mark.sep != std::string_view::npos) {
        const std::string_view a = line.substr(mark.wordStart, mark.sep - mark.wordStart);
        size_t end = line.find(' ', mark.sep + 1);
        if (end == std::string_view::npos) end = line.size();
        const std::string_view b = line.substr(mark.sep + 1, end - mark.sep - 1);
        if (!Whole(a, first, r.Error) || !Whole(b, second, r.Error)) return r;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return r;  // no time: no moment

    int shift = 0;
    const size_t plus = line.find('+');
    if (plus != std::string_view::npos) {
        const std::string_view digit = line.substr(plus + 1, 1);
        if (!Whole(digit, shift, r.Error)) return r;
    }
    if (summerTime && shift == 0) shift = 1;

    const size_t space = line.rfind(' ', colon);
    const size_t hourStart = space == std::string_view::npos ? 0 : space + 1;
    size_t colon2 = line.find(':', colon + 1);
    if (colon2 == std::string_view::npos) colon2 = line.size();
    size_t secEnd = colon2 < line.size() ? line.find(' ', colon2 + 1) : line.size();
    if (secEnd == std::string_view::npos) secEnd = line.size();
    const std::string_view secText =
        colon2 < line.size() ? line.substr(colon2 + 1, secEnd - colon2 - 1) : std::string_view{};
    int hour = 0, minute = 0, sec = 0;
    if (!Whole(line.substr(hourStart, colon - hourStart), hour, r.Error) ||
        !Whole(line.substr(colon + 1, colon2 - colon - 1), minute, r.Error) ||
        !Whole(secText, sec, r.Error))
        return r;
    if (hour < 0 || hour + int64_t{shift} > 24 || minute < 0 || minute > 59 || sec < 0 || sec > 59) {
        r.Error = ZetMessage::NoSuchTime(hour, minute, sec, shift);
        return r;
    }
    const int shifted = hour + shift;
    const int wrap = shifted == 24 ? 1 : 0;
    const int64_t ms = ((shifted % 24) * 3600 + minute * 60 + sec) * int64_t{1000};

    int64_t dayNumber;
    if (mark.sep != std::string_view::npos) {
        const int day = mark.slash ? second : first;
        const int month = mark.slash ? first : second;
        if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
            day > DaysInMonth(year, month)) {
            r.Error = ZetMessage::NoSuchDate(day, month, year);
            return r;
        }
        dayNumber = DayNumber(EncodeDate(year, month, day));
    } else {
        if (!InCalendar(previous)) {
            r.Error = ZetMessage::NoDateBefore();
            return r;
        }
        dayNumber = DayNumber(previous);
    }
    const TDateTime moment = ComposeDateTime(dayNumber + wrap, ms);
    if (!InCalendar(moment)) {
        r.Error = ZetMessage::NoSuchTime(hour, minute, sec, shift);
        return r;
    }
    r.Value = moment;
    return r;
}

ZetParsed<int> GetMoonDayNumber(std::string_view line) {
    ZetParsed<int> r;
    r.Value = -1;
    std::string digits;
    const DateMark mark = FindDateMark(line);
    if (mark.sep != std::string_view::npos) {
        int spaces = 0;
        for (size_t i = mark.sep + 1; i < line.size() && spaces <= 5; ++i) {
            if (line[i] == ' ') ++spaces;
            else if (spaces == 4 || spaces == 5) digits += line[i];
        }
    } else {
        for (size_t i = mark.wordStart; i < line.size() && line[i] != ' '; ++i) {
            if (line[i] == ':') { digits.clear(); break; }
            digits += line[i];
        }
    }
    if (digits.empty()) return r;
    Whole(digits, r.Value, r.Error);
    return r;
}

std::string GetTextAfterTime(std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    size_t start = line.find(' ', colon + 1);
    if (start == std::string_view::npos) return {};
    if (line.find('+') != std::string_view::npos) start += 3;
    return start < line.size() ? std::string(line.substr(start)) : std::string{};
}

std::string GetMoonDayNote(int n) {
    static const std::array<std::string, 5> kNotes = {
        ansi("\"Удовлетворение\" - средний результат"),
        ansi("\"Мудрец\" - средний результат"),
        ansi("\"Победить\" - можно начинать"),
        ansi("\"Пустые руки\" - не начинать дела, особенно связанные с получением"),
        ansi("\"Полнота\" - можно начинать"),
    };
    std::string note = "\r\n";
    if (n >= 1 && n <= 30) note += kNotes[static_cast<size_t>((n - 1) % 5)];
    return note;
}
