#pragma once
// A set of UIDs for a reader that meets a million of them, each with a byte
// of flags for what it learned of it.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The UIDs, each once: their bytes in one block and an open-addressed table
// of places in it, instead of a node and a string of its own for each (a
// million UIDs of an export: two sets of strings took 263 MB, more than the
// events; this, 66 MB). Places with equal hashes are compared byte for byte:
// two UIDs are one only when they are the same.
template <typename Hash = std::hash<std::string_view>>
class UidTable {
public:
    // The flags of `uid`; none for one that was not there before.
    char& Flags(std::string_view uid) {
        if ((used_ + 1) * 2 > slots_.size()) Grow();
        const uint64_t hash = Hash{}(uid);
        const uint64_t tag = hash & ~kPlace;
        for (size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            const uint64_t slot = slots_[i];
            if (slot == 0) {
                const size_t at = bytes_.size();
                Append(uid);
                slots_[i] = tag | (at + 1);
                ++used_;
                return bytes_[at];
            }
            const size_t at = (slot & kPlace) - 1;
            if ((slot & ~kPlace) == tag && Same(at, uid)) return bytes_[at];
        }
    }

private:
    // A slot: the high bits of the UID's hash over its place in bytes_ + 1
    // (0: free); 40 bits of place are more UIDs than any memory holds.
    static constexpr uint64_t kPlace = (uint64_t{1} << 40) - 1;

    // At a place: the flags, the length (7 bits a byte, low first), the UID.
    void Append(std::string_view uid) {
        bytes_.push_back(0);
        for (size_t n = uid.size();; n >>= 7) {
            bytes_.push_back(static_cast<char>((n & 0x7F) | (n > 0x7F ? 0x80 : 0)));
            if (n <= 0x7F) break;
        }
        bytes_.insert(bytes_.end(), uid.begin(), uid.end());
    }
    // Where the UID at a place begins, and its length.
    std::pair<std::deque<char>::const_iterator, size_t> Find(size_t at) const {
        size_t length = 0, i = at + 1;
        for (int shift = 0;; shift += 7) {
            const auto b = static_cast<unsigned char>(bytes_[i++]);
            length |= static_cast<size_t>(b & 0x7F) << shift;
            if (!(b & 0x80)) break;
        }
        return {bytes_.begin() + static_cast<std::ptrdiff_t>(i), length};
    }
    bool Same(size_t at, std::string_view uid) const {
        const auto [from, length] = Find(at);
        return length == uid.size() && std::equal(uid.begin(), uid.end(), from);
    }
    void Grow() {
        std::vector<uint64_t> old(slots_.size() * 2, 0);
        old.swap(slots_);
        for (const uint64_t slot : old) {
            if (slot == 0) continue;
            const auto [from, length] = Find((slot & kPlace) - 1);
            const std::string uid(from, from + static_cast<std::ptrdiff_t>(length));
            size_t i = Hash{}(uid) & (slots_.size() - 1);
            while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
            slots_[i] = slot;
        }
    }

    std::deque<char> bytes_;  // grows without moving what it holds
    std::vector<uint64_t> slots_ = std::vector<uint64_t>(16, 0);
    size_t used_ = 0;
};
