#include <gtest/gtest.h>
#include <termios.h>

#include <cerrno>

#include "platform/serial/posix/TermiosMapping.h"

namespace comm::posix {
namespace {

DCB Dcb(std::uint8_t bits, std::uint8_t parity, std::uint8_t stop) {
  DCB dcb;
  dcb.BaudRate = 9600;
  dcb.fBinary = true;
  dcb.ByteSize = bits;
  dcb.Parity = parity;
  dcb.StopBits = stop;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

// A cooked terminal as the kernel sets one up.
LineSettings Cooked() {
  LineSettings line;
  line.iflag = ICRNL | IXON | IMAXBEL | BRKINT;
  line.oflag = OPOST | ONLCR;
  line.cflag = CS8 | CREAD | HUPCL | B38400;
  line.lflag = ICANON | ECHO | ISIG | IEXTEN | ECHOE | ECHOK;
  line.rate = 38400;
  return line;
}

LineSettings Mapped(const DCB& dcb, ModemOutputs* outputs = nullptr) {
  LineSettings line = Cooked();
  ModemOutputs ignored;
  EXPECT_EQ(MapDcbToLine(dcb, &line, outputs ? outputs : &ignored), 0);
  return line;
}

TEST(TermiosMapping, RawModeWithBreaksAndParityErrorsMarked) {
  const LineSettings line = Mapped(Dcb(8, 0, 0));
  EXPECT_EQ(line.lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(line.oflag & OPOST, 0u);
  EXPECT_EQ(line.iflag & (ICRNL | IXON | BRKINT | IGNBRK | IGNPAR | ISTRIP), 0u);
  EXPECT_NE(line.iflag & PARMRK, 0u);
  EXPECT_EQ(line.cflag & (CREAD | CLOCAL), CREAD | CLOCAL);
  EXPECT_NE(line.cflag & HUPCL, 0u);  // untouched
  EXPECT_EQ(line.cc[VMIN], 1);
  EXPECT_EQ(line.cc[VTIME], 0);
  EXPECT_EQ(line.rate, 9600u);
}

TEST(TermiosMapping, DataBitsParityAndStopBits) {
  struct Case {
    std::uint8_t bits, parity, stop;
    std::uint32_t flags;
  } cases[] = {
      {5, 0, 1, CS5 | CSTOPB},                    // 1.5 stop bits
      {6, 1, 0, CS6 | PARENB | PARODD},           // odd
      {7, 2, 2, CS7 | PARENB | CSTOPB},           // even, 2 stop bits
      {8, 3, 0, CS8 | PARENB | PARODD | CMSPAR},  // mark
      {8, 4, 0, CS8 | PARENB | CMSPAR},           // space
  };
  for (const Case& c : cases) {
    const LineSettings line = Mapped(Dcb(c.bits, c.parity, c.stop));
    EXPECT_EQ(line.cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.flags)
        << int(c.bits) << "/" << int(c.parity) << "/" << int(c.stop);
    EXPECT_EQ(DcbFromLine(line).ByteSize, c.bits);
    EXPECT_EQ(DcbFromLine(line).Parity, c.parity);
    EXPECT_EQ(DcbFromLine(line).StopBits, c.stop);
  }
}

TEST(TermiosMapping, FlowControlAndItsCharacters) {
  DCB dcb = Dcb(8, 0, 0);
  dcb.fParity = true;
  dcb.fOutX = true;
  dcb.fInX = true;
  dcb.XonChar = 'Q';
  dcb.XoffChar = 'S';
  dcb.fOutxCtsFlow = true;
  dcb.fRtsControl = 2;
  dcb.fDtrControl = 1;
  ModemOutputs outputs;
  const LineSettings line = Mapped(dcb, &outputs);
  EXPECT_EQ(line.iflag & (INPCK | IXON | IXOFF), INPCK | IXON | IXOFF);
  EXPECT_NE(line.cflag & CRTSCTS, 0u);
  EXPECT_EQ(line.cc[VSTART], 'Q');
  EXPECT_EQ(line.cc[VSTOP], 'S');
  EXPECT_TRUE(outputs.dtr);
  EXPECT_FALSE(outputs.rtsDriven);  // the kernel drives RTS for input flow
  const DCB back = DcbFromLine(line);
  EXPECT_TRUE(back.fParity && back.fOutX && back.fInX && back.fOutxCtsFlow);
  EXPECT_EQ(back.fRtsControl, 2);
  EXPECT_EQ(back.XonChar, 'Q');
}

TEST(TermiosMapping, DtrAndRtsEnableRaiseAndDisableLowerTheLines) {
  DCB dcb = Dcb(8, 0, 0);
  ModemOutputs outputs;
  dcb.fDtrControl = 0;
  dcb.fRtsControl = 1;
  Mapped(dcb, &outputs);
  EXPECT_FALSE(outputs.dtr);
  EXPECT_TRUE(outputs.rts && outputs.rtsDriven);
  dcb.fDtrControl = 1;
  dcb.fRtsControl = 0;
  Mapped(dcb, &outputs);
  EXPECT_TRUE(outputs.dtr);
  EXPECT_FALSE(outputs.rts);
}

TEST(TermiosMapping, RefusesWhatLinuxCannotRunAndLeavesTheSettingsAlone) {
  auto refused = [](auto change) {
    DCB dcb = Dcb(8, 0, 0);
    change(dcb);
    LineSettings line = Cooked();
    ModemOutputs outputs;
    const bool isRefused = MapDcbToLine(dcb, &line, &outputs) == EINVAL;
    EXPECT_TRUE(!isRefused || line.iflag == Cooked().iflag);  // a refusal changes nothing
    return isRefused;
  };
  EXPECT_TRUE(refused([](DCB& d) { d.fDtrControl = 2; }));
  EXPECT_TRUE(refused([](DCB& d) { d.fRtsControl = 3; }));
  EXPECT_TRUE(refused([](DCB& d) { d.fRtsControl = 2; }));  // without CTS output flow
  EXPECT_TRUE(refused([](DCB& d) { d.fOutxDsrFlow = true; }));
  EXPECT_TRUE(refused([](DCB& d) { d.StopBits = 1; }));
  EXPECT_FALSE(refused([](DCB& d) { d.fDsrSensitivity = d.fNull = d.fErrorChar = true; }));
}

TEST(TermiosMapping, ReadBackComparesWhatTheDeviceMustHonour) {
  const LineSettings asked = Mapped(Dcb(7, 2, 0));
  LineSettings actual = asked;
  EXPECT_TRUE(RunsAsAsked(asked, actual, false));
  actual.cflag = (actual.cflag & ~(CSIZE | PARENB)) | CS8;  // what a pty does
  EXPECT_FALSE(RunsAsAsked(asked, actual, false));
  EXPECT_TRUE(RunsAsAsked(asked, actual, true));
  actual = asked;
  actual.iflag &= ~PARMRK;
  EXPECT_FALSE(RunsAsAsked(asked, actual, true));
  actual = asked;
  actual.cflag &= ~CSTOPB;
  actual.rate = 9600 + 280;  // a divisor 2.9 % off
  EXPECT_TRUE(RunsAsAsked(asked, actual, false));
  actual.rate = 9600 + 320;
  EXPECT_FALSE(RunsAsAsked(asked, actual, false));
}

}  // namespace
}  // namespace comm::posix
