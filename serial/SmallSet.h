// A set of the enumerators of one small enumeration, stored as an unsigned
// integer with bit n standing for the enumerator of ordinal n. Bits beyond
// the enumeration's Count are never kept.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <typename E, typename Bits, int Count>
class SmallSet {
  static_assert(std::is_unsigned_v<Bits> && Count <= static_cast<int>(sizeof(Bits) * 8));

 public:
  using Enum = E;
  using Storage = Bits;
  static constexpr Bits kAllBits = static_cast<Bits>((std::uint64_t{1} << Count) - 1);

  constexpr SmallSet() = default;
  constexpr SmallSet(std::initializer_list<E> items) {
    for (E item : items) Include(item);
  }

  // The set stored as `bits`; bits that name no enumerator are dropped.
  static constexpr SmallSet FromBits(std::uint64_t bits) {
    SmallSet set;
    set.FBits = static_cast<Bits>(bits & kAllBits);
    return set;
  }
  static constexpr SmallSet All() { return FromBits(kAllBits); }

  constexpr Bits ToBits() const { return FBits; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr bool Contains(E item) const { return (FBits & Bit(item)) != 0; }

  constexpr SmallSet& Include(E item) {
    FBits = static_cast<Bits>(FBits | Bit(item));
    return *this;
  }
  constexpr SmallSet& Exclude(E item) {
    FBits = static_cast<Bits>(FBits & ~Bit(item));
    return *this;
  }

  friend constexpr SmallSet operator+(SmallSet a, SmallSet b) {
    return FromBits(a.FBits | b.FBits);
  }
  friend constexpr SmallSet operator-(SmallSet a, SmallSet b) {
    return FromBits(a.FBits & ~b.FBits);
  }
  friend constexpr SmallSet operator*(SmallSet a, SmallSet b) {
    return FromBits(a.FBits & b.FBits);
  }
  friend constexpr bool operator==(SmallSet a, SmallSet b) = default;

 private:
  static constexpr Bits Bit(E item) {
    return static_cast<Bits>(Bits{1} << static_cast<unsigned>(item));
  }
  Bits FBits = 0;
};
