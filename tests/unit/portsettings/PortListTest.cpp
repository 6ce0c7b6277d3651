// Listing the serial ports from a fake file-system tree laid out as Linux
// shows its tty classes (sys/class/tty) and device nodes (dev).
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "serial/CPort.h"
#include "tests/unit/runtime/TempDirectory.h"

namespace {

namespace fs = std::filesystem;

class PortTree : public TempDirectory {
 protected:
  void SetUp() override {
    TempDirectory::SetUp();
    fs::create_directories(dir / "sys/class/tty");
    fs::create_directories(dir / "sys/devices");
    fs::create_directories(dir / "dev");
  }

  // A class entry linked, as sysfs does, to its directory under devices.
  fs::path Entry(const std::string& name) {
    const fs::path target = dir / "sys/devices" / name;
    fs::create_directories(target);
    fs::create_directory_symlink(target, dir / "sys/class/tty" / name);
    return target;
  }
  // A tty backed by hardware: a device link, a node under dev and, for a
  // UART of the serial core, its "type" attribute.
  void Port(const std::string& name, const char* uartType = nullptr) {
    const fs::path entry = Entry(name);
    fs::create_directories(dir / "sys/devices/hw" / name);
    fs::create_directory_symlink(dir / "sys/devices/hw" / name, entry / "device");
    if (uartType) Put((entry / "type").string(), uartType);
    std::string node = name;
    std::replace(node.begin(), node.end(), '!', '/');
    fs::create_directories((dir / "dev" / node).parent_path());
    Put((dir / "dev" / node).string(), "");
  }
  // A tty with no device behind it (a console, a pseudo-terminal), yet with
  // a node under dev.
  void Virtual(const std::string& name) {
    Entry(name);
    Put((dir / "dev" / name).string(), "");
  }

  std::vector<std::string> List() {
    TStringList list;
    EnumComPorts(list, dir.string());
    return list.ToVector();
  }

  // EnumComPorts raises code 23 with the system error and leaves the list.
  void ExpectSourceError(const std::string& source, std::int32_t systemError) {
    TStringList list{"kept"};
    try {
      EnumComPorts(list, source);
      ADD_FAILURE() << "no error";
    } catch (const EComPortExt& error) {
      EXPECT_EQ(error.ErrorCode(), 23);
      EXPECT_EQ(error.SystemErrorCode(), systemError);
      EXPECT_EQ(error.Message(), "COM Port Error: Registry error on EnumComPorts");
    }
    EXPECT_EQ(list.ToVector(), std::vector<std::string>{"kept"});
  }
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(PortTree, AdaptersAndRealUartsAreListedSortedIgnoringCase) {
  Port("ttyUSB0");
  Port("ttyACM0");
  Port("ttyS0", "4\n");  // a 16550A
  Port("ttyUSB10");
  Port("ttyUSB2");
  Port("ttyAMA0", "83\n");
  EXPECT_EQ(List(), (Names{"ttyACM0", "ttyAMA0", "ttyS0", "ttyUSB0", "ttyUSB10", "ttyUSB2"}));
}

TEST_F(PortTree, PlaceholderUartsConsolesAndPseudoTerminalsAreLeftOut) {
  Port("ttyS0", "4\n");
  Port("ttyS1", "0\n");  // an 8250 slot without a UART behind it
  Port("ttyS2", "0");
  for (const char* name : {"console", "tty", "tty0", "tty1", "ptmx", "ttyp0", "ptyp0"}) {
    Virtual(name);
  }
  EXPECT_EQ(List(), Names{"ttyS0"});
}

TEST_F(PortTree, PortWithoutDeviceNodeIsLeftOut) {
  Port("ttyUSB0");
  Port("ttyUSB1");
  fs::remove(dir / "dev/ttyUSB1");
  EXPECT_EQ(List(), Names{"ttyUSB0"});
}

TEST_F(PortTree, NodeInSubdirectoryOfDevIsNamedByItsPath) {
  Port("usb!ttyUSB7");
  EXPECT_EQ(List(), Names{"usb/ttyUSB7"});
}

TEST_F(PortTree, EmptyTreeEmptiesTheList) {
  TStringList list{"COM1", "COM2"};
  EnumComPorts(list, dir.string());
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(PortTree, SourceThatCannotBeReadRaisesRegistryError) {
  ExpectSourceError((dir / "missing").string(), ENOENT);
  Put(Path("file"), "");
  ExpectSourceError(Path("file"), ENOTDIR);
  fs::remove_all(dir / "sys/class/tty");
  Put(Path("sys/class/tty"), "");
  ExpectSourceError(dir.string(), ENOTDIR);
}

TEST_F(PortTree, UartTypeThatCannotBeReadRaisesRegistryError) {
  Port("ttyS0");
  fs::create_directory(dir / "sys/devices/ttyS0/type");
  ExpectSourceError(dir.string(), EISDIR);
}

TEST(MachinePorts, ListingTheMachinesOwnPortsSucceeds) {
  TStringList list{"stale"};
  EnumComPorts(list);
  for (const std::string& name : list.ToVector()) {
    EXPECT_TRUE(fs::exists("/dev/" + name)) << name;
  }
  EXPECT_EQ(list.IndexOf("stale"), -1);
}
