#include <gtest/gtest.h>

#include "platform/serial/CommRules.h"

namespace comm {
namespace {

using std::chrono::milliseconds;

DCB Dcb8N1() {
  DCB dcb;
  dcb.BaudRate = 9600;
  dcb.fBinary = true;
  dcb.ByteSize = 8;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

TEST(ValidateDcb, AcceptsEveryFrameADeviceCanSend) {
  for (std::uint8_t bits = 5; bits <= 8; ++bits) {
    for (std::uint8_t parity = 0; parity <= 4; ++parity) {
      DCB dcb = Dcb8N1();
      dcb.ByteSize = bits;
      dcb.Parity = parity;
      dcb.StopBits = bits == 5 ? 1 : 2;
      EXPECT_EQ(ValidateDcb(dcb), 0) << int(bits) << " bits, parity " << int(parity);
    }
  }
}

TEST(ValidateDcb, RefusesImpossibleFrames) {
  auto refused = [](auto change) {
    DCB dcb = Dcb8N1();
    change(dcb);
    return ValidateDcb(dcb) == kErrInvalidArgument;
  };
  EXPECT_TRUE(refused([](DCB& d) { d.BaudRate = 0; }));
  EXPECT_TRUE(refused([](DCB& d) { d.ByteSize = 4; }));
  EXPECT_TRUE(refused([](DCB& d) { d.ByteSize = 9; }));
  EXPECT_TRUE(refused([](DCB& d) { d.Parity = 5; }));
  EXPECT_TRUE(refused([](DCB& d) { d.StopBits = 3; }));
  EXPECT_TRUE(refused([](DCB& d) { d.StopBits = 1; }));  // 1.5 with 8 data bits
  EXPECT_TRUE(refused([](DCB& d) {
    d.ByteSize = 5;
    d.StopBits = 2;
  }));
  EXPECT_TRUE(refused([](DCB& d) { d.fDtrControl = 3; }));
  EXPECT_TRUE(refused([](DCB& d) { d.fRtsControl = 4; }));
  EXPECT_TRUE(refused([](DCB& d) {
    d.fOutX = true;
    d.XoffChar = d.XonChar;
  }));
  EXPECT_FALSE(refused([](DCB& d) { d.XoffChar = d.XonChar; }));  // unused characters
}

TEST(ValidateTimeouts, RefusesOnlyAllThreeReadValuesAtMaximum) {
  EXPECT_EQ(ValidateTimeouts({MAXDWORD, MAXDWORD, MAXDWORD, 0, 0}), kErrInvalidArgument);
  EXPECT_EQ(ValidateTimeouts({MAXDWORD, MAXDWORD, 100, 0, 0}), 0);
  EXPECT_EQ(ValidateTimeouts({}), 0);
}

TEST(PlanRead, IntervalMaximumWithoutTotalsReturnsAtOnce) {
  const ReadPlan plan = PlanRead({MAXDWORD, 0, 0, 0, 0}, 100);
  EXPECT_TRUE(plan.immediate);
  EXPECT_FALSE(plan.total);
}

TEST(PlanRead, BothMaximaWithAConstantReturnOnTheFirstByte) {
  const ReadPlan plan = PlanRead({MAXDWORD, MAXDWORD, 250, 0, 0}, 100);
  EXPECT_FALSE(plan.immediate);
  EXPECT_TRUE(plan.returnOnAny);
  EXPECT_EQ(plan.total, milliseconds(250));
}

TEST(PlanRead, TotalIsMultiplierTimesCountPlusConstant) {
  const ReadPlan plan = PlanRead({0, 10, 50, 0, 0}, 8);
  EXPECT_FALSE(plan.immediate || plan.returnOnAny);
  EXPECT_EQ(plan.total, milliseconds(130));
  EXPECT_FALSE(plan.interval);
}

TEST(PlanRead, ZeroTimeoutsWaitForTheWholeCount) {
  const ReadPlan plan = PlanRead({}, 8);
  EXPECT_FALSE(plan.immediate || plan.returnOnAny || plan.total || plan.interval);
}

TEST(PlanRead, IntervalAloneRunsBetweenBytes) {
  const ReadPlan plan = PlanRead({20, 0, 0, 0, 0}, 8);
  EXPECT_EQ(plan.interval, milliseconds(20));
  EXPECT_FALSE(plan.total);
}

TEST(PlanRead, HugeProductsMeanNoLimitInsteadOfOverflowing) {
  EXPECT_FALSE(PlanRead({0, MAXDWORD, MAXDWORD - 1, 0, 0}, MAXDWORD).total);
}

TEST(WriteTimeLimit, FollowsMultiplierAndConstant) {
  EXPECT_FALSE(WriteTimeLimit({}, 10));
  EXPECT_EQ(WriteTimeLimit({0, 0, 0, 2, 1000}, 10), milliseconds(1020));
}

}  // namespace
}  // namespace comm
