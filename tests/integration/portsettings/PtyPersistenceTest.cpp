// Reading stored settings into a port that is open on a real pseudo-terminal:
// each key reaches the line as it is read, as the terminal's own settings
// show.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/runtime/IniFiles.h"
#include "serial/CPort.h"
#include "tests/integration/serial/PtyPair.h"
#include "tests/unit/runtime/TempDirectory.h"

namespace {

using comm::testing::PtyPair;

// The terminal settings of a pty's slave, read through a second descriptor.
termios LineOf(const PtyPair& pty) {
  termios line{};
  const int fd = ::open(pty.slavePath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  EXPECT_GE(fd, 0) << pty.slavePath;
  if (fd >= 0) {
    EXPECT_EQ(::tcgetattr(fd, &line), 0);
    ::close(fd);
  }
  return line;
}

speed_t SpeedOf(const PtyPair& pty) {
  const termios line = LineOf(pty);
  return cfgetospeed(&line);
}

// A port named Com1 open on the slave of a pty, and the ini file it reads.
class IniOnPty : public TempDirectory {
 protected:
  void SetUp() override {
    TempDirectory::SetUp();
    ASSERT_TRUE(pty.Ok());
    ini = TIniFile(Path("port.ini"));
    port.SetName("Com1");
    port.SetPort(pty.slavePath);
    port.SetEvents(TComEvents());
    port.Open();
    ASSERT_TRUE(port.Connected());
  }
  // The code of the port error that reading the file raises (0: none).
  int ReadErrorCode() {
    try {
      port.ReadSettingsFromIniFile(ini);
    } catch (const EComPortExt& error) {
      return error.ErrorCode();
    }
    return 0;
  }
  void Store(const std::string& key, const std::string& value) {
    ini.WriteString("Com1", key, value);
  }

  PtyPair pty;
  TComPort port{nullptr};
  TIniFile ini{""};
};

}  // namespace

TEST_F(IniOnPty, ReadingReconfiguresTheOpenLine) {
  Store("BaudRate", "19200");
  Store("StopBits", "2");
  Store("FlowControl", "Software");
  ASSERT_EQ(SpeedOf(pty), B9600);

  port.ReadSettingsFromIniFile(ini);
  const termios line = LineOf(pty);
  EXPECT_EQ(cfgetospeed(&line), B19200);
  EXPECT_EQ(cfgetispeed(&line), B19200);
  EXPECT_TRUE(line.c_cflag & CSTOPB);
  EXPECT_TRUE(line.c_iflag & IXON);
  EXPECT_TRUE(line.c_iflag & IXOFF);
  EXPECT_FALSE(line.c_cflag & CRTSCTS);
  EXPECT_TRUE(port.Connected());

  Store("FlowControl", "Hardware");
  port.ReadSettingsFromIniFile(ini);
  EXPECT_TRUE(LineOf(pty).c_cflag & CRTSCTS);
  EXPECT_FALSE(LineOf(pty).c_iflag & IXON);
}

TEST_F(IniOnPty, NewPortReopensOnThatDeviceWithTheLaterKeysApplied) {
  PtyPair second;
  ASSERT_TRUE(second.Ok());
  Store("Port", second.slavePath);
  Store("BaudRate", "57600");
  port.ReadSettingsFromIniFile(ini);
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(port.Port(), second.slavePath);
  EXPECT_EQ(SpeedOf(second), B57600);
  // The first line was let go: it opens again.
  TComPort again(nullptr);
  again.SetPort(pty.slavePath);
  again.SetEvents(TComEvents());
  EXPECT_NO_THROW(again.Open());
}

TEST_F(IniOnPty, PortThatCannotBeOpenedEndsTheReadAtThatKey) {
  Store("Port", "/dev/no-such-tty");
  Store("BaudRate", "1200");
  EXPECT_EQ(ReadErrorCode(), 1);
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Port(), "/dev/no-such-tty");
  EXPECT_EQ(port.BaudRate(), br9600);
}

TEST_F(IniOnPty, RefusedSettingEndsTheReadWithTheEarlierKeysApplied) {
  port.SetSettingGroups({sgMain, sgFlowControl});
  Store("BaudRate", "38400");
  Store("FlowControl.ControlRTS", "Enable");
  Store("FlowControl.ControlDTR", "Handshake");  // a DTR handshake Linux cannot run
  Store("FlowControl.OutCTSFlow", "Yes");
  EXPECT_EQ(ReadErrorCode(), 7);
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(SpeedOf(pty), B38400);
  EXPECT_EQ(port.FlowControl().ControlRTS(), rtsEnable);
  EXPECT_EQ(port.FlowControl().ControlDTR(), dtrHandshake);  // stays stored
  EXPECT_FALSE(port.FlowControl().OutCTSFlow());             // never read
}
