#pragma once
// Compact texts for the fields of the event record. A store of a million
// events holds three decimal texts, the notes and the kept bytes per event;
// as std::string (32 bytes each, plus a vector and a heap block for the
// notes) they cost more than the file itself.
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A byte string in N bytes: up to N - 1 bytes in place, longer ones in one
// heap block (its size, then its bytes). Reads as a std::string_view;
// assigning takes any text. No alignment of its own, so several pack tightly.
template <size_t N>
class TCompactText {
    static_assert(N >= 10, "a pointer and the tag must fit");

public:
    TCompactText() noexcept { SetInline(0); }
    explicit TCompactText(std::string_view s) { Init(s); }
    explicit TCompactText(const char* s) { Init(s); }
    TCompactText(const TCompactText& o) {
        Init(o.view());
        SetFlag(o.Flag());
    }
    TCompactText(TCompactText&& o) noexcept;
    ~TCompactText() { Release(); }
    TCompactText& operator=(const TCompactText& o);
    TCompactText& operator=(TCompactText&& o) noexcept;
    TCompactText& operator=(std::string_view s);
    TCompactText& operator=(const char* s) { return *this = std::string_view(s); }
    TCompactText& operator=(const std::string& s) { return *this = std::string_view(s); }
    TCompactText& assign(std::string_view s) { return *this = s; }

    size_t size() const noexcept { return OnHeap() ? HeapSize() : kInline - (Byte(kTag) & kSizeBits); }
    size_t length() const noexcept { return size(); }
    bool empty() const noexcept { return size() == 0; }
    const char* data() const noexcept { return OnHeap() ? HeapBlock() + sizeof(uint32_t) : buf_; }
    const char* begin() const noexcept { return data(); }
    const char* end() const noexcept { return data() + size(); }
    char operator[](size_t i) const noexcept { return data()[i]; }
    void clear() noexcept { Release(); SetInline(0); }

    std::string_view view() const noexcept { return {data(), size()}; }
    std::string str() const { return std::string(view()); }
    operator std::string_view() const noexcept { return view(); }
    operator std::string() const { return str(); }

    // A spare bit for the owner (TNotes marks its layout with it); kept by
    // copies and moves, cleared by assigning a text.
    bool Flag() const noexcept { return (Byte(kTag) & kFlagBit) != 0; }
    void SetFlag(bool f) noexcept {
        buf_[kTag] = static_cast<char>(f ? Byte(kTag) | kFlagBit : Byte(kTag) & ~kFlagBit);
    }

    friend bool operator==(const TCompactText& a, const TCompactText& b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const TCompactText& a, std::string_view b) noexcept { return a.view() == b; }
    friend auto operator<=>(const TCompactText& a, const TCompactText& b) noexcept { return a.view() <=> b.view(); }
    friend auto operator<=>(const TCompactText& a, std::string_view b) noexcept { return a.view() <=> b; }
    friend std::ostream& operator<<(std::ostream& os, const TCompactText& t) { return os << t.view(); }

private:
    static constexpr size_t kInline = N - 1;
    // The last byte: N - 1 - size for a text in place, or kHeap; and the flag.
    static constexpr size_t kTag = N - 1;
    static constexpr unsigned char kSizeBits = 0x1F, kFlagBit = 0x40, kHeap = 0x80;
    static_assert(kInline <= kSizeBits);

    unsigned char Byte(size_t i) const noexcept { return static_cast<unsigned char>(buf_[i]); }
    bool OnHeap() const noexcept { return (Byte(kTag) & kHeap) != 0; }
    const char* HeapBlock() const noexcept;
    uint32_t HeapSize() const noexcept;
    void SetInline(size_t n) noexcept { buf_[kTag] = static_cast<char>(kInline - n); }
    void Init(std::string_view s);
    void Release() noexcept;

    // In place: the bytes, then the tag. On the heap: the block's address
    // at 0, the tag last.
    char buf_[N];
};

// The record's decimal texts: "0", "5", "127" and the day list's start texts.
using TShortText = TCompactText<12>;
static_assert(sizeof(TShortText) == 12 && alignof(TShortText) == 1);

// The notes of an event: a list of lines, kept as one compact text. Most
// notes are one line (an empty one, as the editor stores an empty
// description), so no vector and often no heap block at all. Lines read as
// std::string_view.
class TNotes {
public:
    TNotes() = default;
    TNotes(std::initializer_list<std::string_view> lines) { for (auto l : lines) push_back(l); }
    TNotes(const std::vector<std::string>& lines) { for (const auto& l : lines) push_back(l); }
    TNotes& operator=(std::initializer_list<std::string_view> lines) {
        clear();
        for (auto l : lines) push_back(l);
        return *this;
    }

    size_t size() const noexcept;
    bool empty() const noexcept { return text_.empty(); }
    std::string_view operator[](size_t i) const noexcept;
    std::string_view front() const noexcept { return (*this)[0]; }
    void clear() noexcept { text_.clear(); }
    void push_back(std::string_view line);
    void emplace_back(std::string_view line) { push_back(line); }

    // Lines, each followed by CR LF (the event file's form).
    std::string Text() const;
    // The same as a view when no line holds a line break of its own.
    bool IsPlainText() const noexcept { return !text_.Flag(); }
    std::string_view PlainText() const noexcept { return text_.view(); }
    // Replaces the lines by those of a text in the file's form (every line
    // ended by CR LF, none holding a CR or LF): one copy, no split.
    void SetPlainText(std::string_view fileForm) {
        text_ = fileForm;
        text_.SetFlag(false);
    }

    class const_iterator {
    public:
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using reference = std::string_view;
        using iterator_category = std::forward_iterator_tag;
        const_iterator() = default;
        std::string_view operator*() const noexcept { return line_; }
        const_iterator& operator++() noexcept { Advance(); return *this; }
        const_iterator operator++(int) noexcept { auto c = *this; Advance(); return c; }
        bool operator==(const const_iterator& o) const noexcept { return at_ == o.at_; }

    private:
        friend class TNotes;
        const_iterator(std::string_view all, bool counted, size_t at) : all_(all), counted_(counted), at_(at) { Read(); }
        void Read() noexcept;
        void Advance() noexcept { at_ = next_; Read(); }
        std::string_view all_;
        bool counted_ = false;
        size_t at_ = 0, next_ = 0;
        std::string_view line_;
    };
    const_iterator begin() const noexcept { return {text_.view(), text_.Flag(), 0}; }
    const_iterator end() const noexcept { return {text_.view(), text_.Flag(), text_.size()}; }

    friend bool operator==(const TNotes& a, const TNotes& b) noexcept;
    friend bool operator==(const TNotes& a, const std::vector<std::string>& b) noexcept;

private:
    // Plain layout (flag off): every line followed by CR LF. When a line
    // holds a CR or LF of its own that layout would read back as other
    // lines, so then (flag on) each line is its 4-byte length and its bytes.
    void ToCounted();
    // 11 bytes: with the record's other fields the record takes 128.
    TCompactText<11> text_;
};

std::ostream& operator<<(std::ostream& os, const TNotes& n);
