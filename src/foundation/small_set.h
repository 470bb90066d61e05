#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>

namespace qel {

// A set of the integers 0 .. Bits-1 held as Bits bits, member n being bit n mod 8 of byte n div 8
// (the stored and sent form). A value outside the range is never a member: including or
// excluding it does nothing, so ids that come from outside cannot write beyond the bytes.
template <int Bits>
class SmallSet {
public:
    static_assert(Bits > 0);
    static constexpr int Capacity = Bits;
    static constexpr int ByteCount = (Bits + 7) / 8;

    constexpr SmallSet() = default;
    constexpr SmallSet(std::initializer_list<int> aMembers) {
        for (int member : aMembers) {
            include(member);
        }
    }

    static constexpr bool inRange(int aMember) { return aMember >= 0 && aMember < Bits; }

    constexpr void include(int aMember) {
        if (inRange(aMember)) {
            FBytes[aMember >> 3] |= static_cast<uint8_t>(1u << (aMember & 7));
        }
    }
    constexpr void exclude(int aMember) {
        if (inRange(aMember)) {
            FBytes[aMember >> 3] &= static_cast<uint8_t>(~(1u << (aMember & 7)));
        }
    }
    constexpr bool contains(int aMember) const {
        return inRange(aMember) && (FBytes[aMember >> 3] & (1u << (aMember & 7))) != 0;
    }
    constexpr void clear() { FBytes = {}; }
    constexpr bool empty() const {
        for (uint8_t b : FBytes) {
            if (b != 0) {
                return false;
            }
        }
        return true;
    }
    constexpr int count() const {
        int result = 0;
        for (uint8_t b : FBytes) {
            result += std::popcount(b);
        }
        return result;
    }

    friend constexpr bool operator==(const SmallSet&, const SmallSet&) = default;

    // Raw form: ByteCount bytes.
    const uint8_t* data() const { return FBytes.data(); }
    // Takes ByteCount bytes; bits beyond the range in the last byte are dropped.
    void setBytes(const uint8_t* aBytes) {
        for (int i = 0; i < ByteCount; ++i) {
            FBytes[i] = aBytes[i];
        }
        if constexpr (Bits % 8 != 0) {
            FBytes[ByteCount - 1] &= static_cast<uint8_t>((1u << (Bits % 8)) - 1);
        }
    }
    static SmallSet fromBytes(const uint8_t* aBytes) {
        SmallSet result;
        result.setBytes(aBytes);
        return result;
    }

private:
    std::array<uint8_t, ByteCount> FBytes{};
};

}  // namespace qel
