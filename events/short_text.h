#pragma once
// Compact texts for the fields of the event record. A store of a million
// events holds three decimal texts, the notes and the kept bytes per event;
// as std::string (32 bytes each, plus a vector and a heap block for the
// notes) they cost more than the file itself.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A byte string in N bytes: up to N - 1 - P bytes in place, longer ones in one
// heap block (its size, then its bytes). Reads as a std::string_view;
// assigning takes any text. No alignment of its own, so several pack tightly.
// P bytes beside the text belong to the owner (TDecimalText keeps its number
// there): after the bytes in place, or in the heap block before the bytes.
// Copies and moves keep them; assigning a text zeroes them.
template <size_t N, size_t P = 0>
class TCompactText {
    static_assert(N >= 10, "a pointer and the tag must fit");
    static_assert(N > P + 1, "the text needs room in place");

public:
    TCompactText() noexcept {
        SetInline(0);
        ZeroPayload();
    }
    explicit TCompactText(std::string_view s) { Init(s); }
    explicit TCompactText(const char* s) { Init(s); }
    TCompactText(const TCompactText& o) {
        Init(o.view());
        SetFlag(o.Flag());
        CopyPayload(o);
    }
    // Moves and the release are in line: a removal from the middle of a
    // million events moves every event after it.
    TCompactText(TCompactText&& o) noexcept {
        std::memcpy(buf_, o.buf_, sizeof buf_);
        o.SetInline(0);
        o.ZeroPayload();
    }
    ~TCompactText() { Release(); }
    TCompactText& operator=(const TCompactText& o);
    TCompactText& operator=(TCompactText&& o) noexcept {
        if (this != &o) {
            Release();
            std::memcpy(buf_, o.buf_, sizeof buf_);
            o.SetInline(0);
            o.ZeroPayload();
        }
        return *this;
    }
    TCompactText& operator=(std::string_view s);
    TCompactText& operator=(const char* s) { return *this = std::string_view(s); }
    TCompactText& operator=(const std::string& s) { return *this = std::string_view(s); }
    TCompactText& assign(std::string_view s) { return *this = s; }

    size_t size() const noexcept { return OnHeap() ? HeapSize() : kInline - (Byte(kTag) & kSizeBits); }
    size_t length() const noexcept { return size(); }
    bool empty() const noexcept { return size() == 0; }
    const char* data() const noexcept { return OnHeap() ? HeapBlock() + sizeof(uint32_t) + P : buf_; }
    const char* begin() const noexcept { return data(); }
    const char* end() const noexcept { return data() + size(); }
    char operator[](size_t i) const noexcept { return data()[i]; }
    void clear() noexcept {
        Release();
        SetInline(0);
        ZeroPayload();
    }

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

protected:
    // The owner's P bytes.
    const char* Payload() const noexcept { return OnHeap() ? HeapBlock() + sizeof(uint32_t) : buf_ + kInline; }
    char* Payload() noexcept { return const_cast<char*>(static_cast<const TCompactText*>(this)->Payload()); }

private:
    static constexpr size_t kInline = N - 1 - P;
    // The last byte: kInline - size for a text in place, or kHeap; and the flag.
    static constexpr size_t kTag = N - 1;
    static constexpr unsigned char kSizeBits = 0x1F, kFlagBit = 0x40, kHeap = 0x80;
    static_assert(kInline <= kSizeBits);

    unsigned char Byte(size_t i) const noexcept { return static_cast<unsigned char>(buf_[i]); }
    bool OnHeap() const noexcept { return (Byte(kTag) & kHeap) != 0; }
    const char* HeapBlock() const noexcept;
    uint32_t HeapSize() const noexcept;
    void SetInline(size_t n) noexcept { buf_[kTag] = static_cast<char>(kInline - n); }
    void ZeroPayload() noexcept {
        if constexpr (P > 0) std::memset(Payload(), 0, P);
    }
    void CopyPayload(const TCompactText& o) noexcept {
        if constexpr (P > 0) std::memcpy(Payload(), o.Payload(), P);
    }
    void Init(std::string_view s);
    void Release() noexcept {
        if (OnHeap()) delete[] HeapBlock();
    }

    // In place: the bytes, the owner's bytes, then the tag. On the heap: the
    // block's address at 0, the tag last.
    char buf_[N];
};

// A decimal text of the event record (the count, the unit, the weekday mask):
// the bytes as stored, so the file is written back as it was read ("007" and
// " 7" stay what they are), and the number they read as, worked out once
// when the text is assigned. A text that is not a decimal integer within the
// int range reads as 0, the empty text too. Texts of up to 7 bytes and the
// number sit in place.
class TDecimalText : private TCompactText<12, 4> {
    using Base = TCompactText<12, 4>;

public:
    TDecimalText() noexcept = default;
    explicit TDecimalText(std::string_view s) : Base(s) { Read(); }
    TDecimalText& operator=(std::string_view s) {
        Base::operator=(s);
        Read();
        return *this;
    }
    TDecimalText& operator=(const char* s) { return *this = std::string_view(s); }
    TDecimalText& operator=(const std::string& s) { return *this = std::string_view(s); }
    TDecimalText& assign(std::string_view s) { return *this = s; }
    void clear() noexcept { Base::clear(); }

    using Base::begin;
    using Base::data;
    using Base::empty;
    using Base::end;
    using Base::length;
    using Base::size;
    using Base::str;
    using Base::view;
    using Base::operator[];
    using Base::operator std::string_view;
    using Base::operator std::string;

    // The number the text reads as.
    int Value() const noexcept {
        int v;
        std::memcpy(&v, Payload(), sizeof v);
        return v;
    }

    friend bool operator==(const TDecimalText& a, const TDecimalText& b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const TDecimalText& a, std::string_view b) noexcept { return a.view() == b; }
    friend auto operator<=>(const TDecimalText& a, const TDecimalText& b) noexcept { return a.view() <=> b.view(); }
    friend auto operator<=>(const TDecimalText& a, std::string_view b) noexcept { return a.view() <=> b; }
    friend std::ostream& operator<<(std::ostream& os, const TDecimalText& t) { return os << t.view(); }

private:
    void Read() noexcept;
};
static_assert(sizeof(TDecimalText) == 12 && alignof(TDecimalText) == 1);

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
