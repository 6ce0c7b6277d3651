// A set of the enumerators of one small enumeration, stored as an unsigned
// integer with bit n standing for the enumerator of ordinal n. Bits beyond
// the enumeration's Count are never kept.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

// A set of enumerators of E (ordinals below Count), in an unsigned Bits.
template <typename E, typename Bits, int Count>
class SmallSet {
  static_assert(std::is_unsigned_v<Bits> && Count <= static_cast<int>(sizeof(Bits) * 8));

 public:
  using Enum = E;        // the enumeration
  using Storage = Bits;  // the integer that holds the set
  // Every enumerator's bit.
  static constexpr Bits kAllBits = static_cast<Bits>((std::uint64_t{1} << Count) - 1);

  // The empty set; or the set of the listed enumerators.
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
  // The set of every enumerator.
  static constexpr SmallSet All() { return FromBits(kAllBits); }

  // The set as its integer, bit n for the enumerator of ordinal n.
  constexpr Bits ToBits() const { return FBits; }
  constexpr bool Empty() const { return FBits == 0; }  // whether no enumerator is in it
  // Whether item is in it.
  constexpr bool Contains(E item) const { return (FBits & Bit(item)) != 0; }

  // Adds item; the set itself.
  constexpr SmallSet& Include(E item) {
    FBits = static_cast<Bits>(FBits | Bit(item));
    return *this;
  }
  // Removes item; the set itself.
  constexpr SmallSet& Exclude(E item) {
    FBits = static_cast<Bits>(FBits & ~Bit(item));
    return *this;
  }

  // The union.
  friend constexpr SmallSet operator+(SmallSet a, SmallSet b) {
    return FromBits(a.FBits | b.FBits);
  }
  // The members of a that are not in b.
  friend constexpr SmallSet operator-(SmallSet a, SmallSet b) {
    return FromBits(a.FBits & ~b.FBits);
  }
  // The intersection.
  friend constexpr SmallSet operator*(SmallSet a, SmallSet b) {
    return FromBits(a.FBits & b.FBits);
  }
  // Equal when they hold the same enumerators.
  friend constexpr bool operator==(SmallSet a, SmallSet b) = default;

 private:
  static constexpr Bits Bit(E item) {
    return static_cast<Bits>(Bits{1} << static_cast<unsigned>(item));
  }
  Bits FBits = 0;
};
