#include "events/short_text.h"

#include <cstring>
#include <ostream>
#include <stdexcept>

#include "events/ansi.h"

// ---- TCompactText ----

template <size_t N, size_t P>
const char* TCompactText<N, P>::HeapBlock() const noexcept {
    const char* p;
    std::memcpy(&p, buf_, sizeof p);
    return p;
}

template <size_t N, size_t P>
uint32_t TCompactText<N, P>::HeapSize() const noexcept {
    uint32_t n;
    std::memcpy(&n, HeapBlock(), sizeof n);
    return n;
}

template <size_t N, size_t P>
void TCompactText<N, P>::Init(std::string_view s) {
    if (s.size() <= kInline) {
        std::memcpy(buf_, s.data(), s.size());
        SetInline(s.size());
        ZeroPayload();
        return;
    }
    if (s.size() > UINT32_MAX - sizeof(uint32_t)) throw std::length_error("text too long");
    const auto n = static_cast<uint32_t>(s.size());
    char* p = new char[sizeof n + P + s.size()];
    std::memcpy(p, &n, sizeof n);
    std::memcpy(p + sizeof n + P, s.data(), s.size());
    std::memcpy(buf_, &p, sizeof p);
    buf_[kTag] = static_cast<char>(kHeap);
    ZeroPayload();
}

template <size_t N, size_t P>
TCompactText<N, P>& TCompactText<N, P>::operator=(const TCompactText& o) {
    if (this != &o) {
        *this = o.view();
        SetFlag(o.Flag());
        CopyPayload(o);
    }
    return *this;
}

template <size_t N, size_t P>
TCompactText<N, P>& TCompactText<N, P>::operator=(std::string_view s) {
    if (!OnHeap() && s.size() <= kInline) {  // the common case, and no block to free
        std::memmove(buf_, s.data(), s.size());
        SetInline(s.size());
        ZeroPayload();
        return *this;
    }
    // `s` may lie inside this text: it is copied before the old bytes go.
    TCompactText fresh(s);
    return *this = std::move(fresh);
}

template class TCompactText<11>;
template class TCompactText<12, 4>;

// ---- TDecimalText ----

void TDecimalText::Read() noexcept {
    const int v = DecimalOrZero(view());
    std::memcpy(Payload(), &v, sizeof v);
}

// ---- TNotes ----

namespace {

bool HoldsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

void PutCounted(std::string& out, std::string_view line) {
    const auto n = static_cast<uint32_t>(line.size());
    for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
    out.append(line);
}

}  // namespace

void TNotes::const_iterator::Read() noexcept {
    if (at_ >= all_.size()) {
        at_ = next_ = all_.size();
        line_ = {};
        return;
    }
    if (!counted_) {
        const size_t cr = all_.find('\r', at_);  // every line ends in CR LF
        line_ = all_.substr(at_, cr - at_);
        next_ = cr + 2;
        return;
    }
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n |= uint32_t{static_cast<unsigned char>(all_[at_ + i])} << (8 * i);
    line_ = all_.substr(at_ + 4, n);
    next_ = at_ + 4 + n;
}

size_t TNotes::size() const noexcept {
    if (!text_.Flag()) {
        size_t n = 0;
        for (const char c : text_.view()) n += c == '\n';
        return n;
    }
    size_t n = 0;
    for (auto it = begin(); it != end(); ++it) ++n;
    return n;
}

std::string_view TNotes::operator[](size_t i) const noexcept {
    for (auto it = begin(); it != end(); ++it, --i)
        if (i == 0) return *it;
    return {};
}

void TNotes::push_back(std::string_view line) {
    if (!text_.Flag() && HoldsLineBreak(line)) ToCounted();
    std::string all(text_.view());
    if (text_.Flag()) {
        PutCounted(all, line);
    } else {
        all.append(line);
        all += "\r\n";
    }
    const bool counted = text_.Flag();
    text_ = all;
    text_.SetFlag(counted);
}

void TNotes::ToCounted() {
    std::string all;
    for (const std::string_view line : *this) PutCounted(all, line);
    text_ = all;
    text_.SetFlag(true);
}

std::string TNotes::Text() const {
    if (!text_.Flag()) return text_.str();
    std::string out;
    for (const std::string_view line : *this) {
        out.append(line);
        out += "\r\n";
    }
    return out;
}

bool operator==(const TNotes& a, const TNotes& b) noexcept {
    if (a.text_.Flag() == b.text_.Flag()) return a.text_.view() == b.text_.view();
    auto x = a.begin(), y = b.begin();
    for (; x != a.end() && y != b.end(); ++x, ++y)
        if (*x != *y) return false;
    return x == a.end() && y == b.end();
}

bool operator==(const TNotes& a, const std::vector<std::string>& b) noexcept {
    size_t i = 0;
    for (auto x = a.begin(); x != a.end(); ++x, ++i)
        if (i >= b.size() || *x != b[i]) return false;
    return i == b.size();
}

std::ostream& operator<<(std::ostream& os, const TNotes& n) {
    os << '{';
    bool first = true;
    for (const std::string_view line : n) {
        os << (first ? "\"" : ", \"") << line << '"';
        first = false;
    }
    return os << '}';
}
