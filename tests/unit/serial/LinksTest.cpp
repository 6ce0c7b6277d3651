// Links: registration, the buffer-link flag and the three notification walks.
#include <gtest/gtest.h>

#include "serial/CPort.h"

namespace {

class LinksTest : public ::testing::Test {
 protected:
  // A link whose every slot records "<name> <slot>[ on|off|bytes]".
  void Record(TComLink& link, const std::string& name) {
    auto signal = [this, name](const std::string& slot) {
      return [this, name, slot](TObject* sender, bool on) {
        EXPECT_EQ(sender, &port);
        log.push_back(name + " " + slot + (on ? " on" : " off"));
      };
    };
    auto plain = [this, name](const std::string& slot) {
      return [this, name, slot](TObject*) { log.push_back(name + " " + slot); };
    };
    link.OnConnChange = signal("conn");
    link.OnCTSChange = signal("cts");
    link.OnDSRChange = signal("dsr");
    link.OnRLSDChange = signal("rlsd");
    link.OnRxActive = signal("rx");
    link.OnTxActive = signal("tx");
    link.OnRing = plain("ring");
    link.OnTxEmpty = plain("txempty");
    link.OnRxFlag = plain("rxflag");
    link.OnTxData = [this, name](TObject*, const void* buffer, std::int32_t count) {
      log.push_back(name + " txdata " + std::string(static_cast<const char*>(buffer), count));
    };
  }

  TComPort port{nullptr};
  std::vector<std::string> log;
};

TEST_F(LinksTest, RegisteringTwiceOrUnregisteringAStrangerRaisesCode18) {
  TComLink link, stranger;
  port.RegisterLink(&link);
  try {
    port.RegisterLink(&link);
    FAIL();
  } catch (const EComPort& error) {
    EXPECT_EQ(error.ErrorCode(), 18);
    EXPECT_EQ(error.Message(), "COM1 Error: Link (un)registration failed");
  }
  EXPECT_EQ(port.LinkList(), std::vector<TComLink*>{&link});
  EXPECT_THROW(port.UnregisterLink(&stranger), EComPort);
  EXPECT_EQ(port.LinkList(), std::vector<TComLink*>{&link});
  port.UnregisterLink(&link);
  EXPECT_TRUE(port.LinkList().empty());
  EXPECT_THROW(port.UnregisterLink(&link), EComPort);
}

TEST_F(LinksTest, TheBufferLinkFlagFollowsRegistrationOnly) {
  TComLink plain, buffered;
  buffered.OnRxBuf = [](TObject*, const void*, std::int32_t) {};
  port.RegisterLink(&plain);
  EXPECT_FALSE(port.RxBufLinked());
  port.RegisterLink(&buffered);
  EXPECT_TRUE(port.RxBufLinked());
  port.UnregisterLink(&buffered);
  EXPECT_FALSE(port.RxBufLinked());

  // A slot assigned after registration counts from the next (un)registration.
  plain.OnRxBuf = buffered.OnRxBuf;
  EXPECT_FALSE(port.RxBufLinked());
  EXPECT_TRUE(port.AnyRxBufLink());
  port.RegisterLink(&buffered);
  EXPECT_TRUE(port.RxBufLinked());
  buffered.OnRxBuf = nullptr;
  plain.OnRxBuf = nullptr;
  port.UnregisterLink(&buffered);
  EXPECT_FALSE(port.RxBufLinked());
  port.UnregisterLink(&plain);
}

TEST_F(LinksTest, EachNoticeReachesItsSlotInRegistrationOrder) {
  TComLink first, second, third;
  Record(first, "1");
  Record(third, "3");
  second.OnConnChange = [this](TObject*, bool) { log.push_back("2 conn"); };  // only this slot
  port.RegisterLink(&first);
  port.RegisterLink(&second);
  port.RegisterLink(&third);

  port.NotifyLinks(lnConn, true);
  port.NotifyLinks(lnCTS, false);
  port.NotifyLinks(lnDSR, true);
  port.NotifyLinks(lnRLSD, true);
  port.NotifyLinks(lnRx, true);
  port.NotifyLinks(lnTx, false);
  port.NotifyLinksPlain(lnRing);
  port.NotifyLinksPlain(lnTxEmpty);
  port.NotifyLinksPlain(lnRxFlag);
  port.NotifyLinksTxData("ab", 2);
  EXPECT_EQ(log, (std::vector<std::string>{
                     "1 conn on", "2 conn",      "3 conn on",  "1 cts off", "3 cts off", "1 dsr on",
                     "3 dsr on",  "1 rlsd on",   "3 rlsd on",  "1 rx on",   "3 rx on",   "1 tx off",
                     "3 tx off",  "1 ring",      "3 ring",     "1 txempty", "3 txempty", "1 rxflag",
                     "3 rxflag",  "1 txdata ab", "3 txdata ab"}));
  port.UnregisterLink(&first);
  port.UnregisterLink(&second);
  port.UnregisterLink(&third);
}

TEST_F(LinksTest, EachWalkIgnoresTheNoticesThatAreNotItsOwn) {
  TComLink link;
  Record(link, "1");
  port.RegisterLink(&link);
  for (TLinkNotice notice : {lnRing, lnTxEmpty, lnRxFlag}) port.NotifyLinks(notice, true);
  for (TLinkNotice notice : {lnConn, lnCTS, lnDSR, lnRLSD, lnRx, lnTx})
    port.NotifyLinksPlain(notice);
  EXPECT_TRUE(log.empty());
  port.UnregisterLink(&link);
}

TEST_F(LinksTest, ASlotMayUnregisterALinkDuringTheWalk) {
  TComLink first, second;
  first.OnConnChange = [&](TObject*, bool) {
    log.push_back("1");
    port.UnregisterLink(&first);
  };
  second.OnConnChange = [&](TObject*, bool) { log.push_back("2"); };
  port.RegisterLink(&first);
  port.RegisterLink(&second);
  port.NotifyLinks(lnConn, true);
  EXPECT_EQ(port.LinkList(), std::vector<TComLink*>{&second});
  port.UnregisterLink(&second);
}

}  // namespace
