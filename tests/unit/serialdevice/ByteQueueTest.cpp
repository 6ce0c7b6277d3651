#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

#include "platform/serial/ByteQueue.h"

namespace comm {
namespace {

// Runs of pushes and pops of random lengths, checked against a deque: the
// ring wraps, grows while wrapped and is drained across its seam.
TEST(ByteQueue, KeepsBytesInOrderThroughWrapsAndGrowth) {
  ByteQueue queue;
  std::deque<std::uint8_t> model;
  std::mt19937 random(7);
  std::uint8_t next = 0;
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> in(random() % 300);
    for (auto& byte : in) byte = next++;
    queue.Push(in.data(), in.size());
    model.insert(model.end(), in.begin(), in.end());

    std::vector<std::uint8_t> out(random() % 320 + 1);
    const std::size_t n = queue.Pop(out.data(), out.size());
    ASSERT_EQ(n, std::min(out.size(), model.size()));
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_EQ(out[i], model.front()) << "round " << round << ", byte " << i;
      model.pop_front();
    }
    ASSERT_EQ(queue.Size(), model.size());
  }
}

TEST(ByteQueue, PopsNoMoreThanItHoldsAndEmptiesOnClear) {
  ByteQueue queue;
  std::uint8_t out[4] = {9, 9, 9, 9};
  EXPECT_EQ(queue.Pop(out, sizeof out), 0u);
  queue.Push(1);
  queue.Push(2);
  EXPECT_EQ(queue.Pop(out, sizeof out), 2u);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 9);
  queue.Push(out, 3);
  queue.Clear();
  EXPECT_TRUE(queue.Empty());
  EXPECT_EQ(queue.Pop(out, sizeof out), 0u);
}

}  // namespace
}  // namespace comm
