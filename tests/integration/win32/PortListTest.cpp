// The port list from a registry key laid out as the serial device map: names
// sorted, the 256-byte buffers, and code 23 with the registry's status.
#include <gtest/gtest.h>

#include "serial/CPort.h"
#include "serial/ComPortList.h"
#include "tests/integration/win32/TestKey.h"

namespace {

class PortListKey : public TestKeyFixture {
 protected:
  std::string Source() const { return "HKEY_CURRENT_USER\\" + path + "\\SERIALCOMM"; }
  // The registry error that listing raises; the list must keep what it held.
  void ExpectRegistryError(std::int32_t status) {
    TStringList ports{"kept"};
    try {
      EnumComPorts(ports, Source());
      ADD_FAILURE() << "no error";
    } catch (const EComPortExt& error) {
      EXPECT_EQ(error.ErrorCode(), 23);
      EXPECT_EQ(error.SystemErrorCode(), status);
      EXPECT_EQ(error.Message(), "COM Port Error: Registry error on EnumComPorts");
    }
    EXPECT_EQ(ports.ToVector(), std::vector<std::string>{"kept"});
  }
};

}  // namespace

TEST_F(PortListKey, NamesComeFromTheValuesDataSortedIgnoringCase) {
  PutText("SERIALCOMM", "\\Device\\Serial2", "COM3");
  PutText("SERIALCOMM", "\\Device\\Serial9", "com10");
  PutText("SERIALCOMM", "\\Device\\Serial0", "COM1");
  PutText("SERIALCOMM", std::string(255, 'n'), std::string(255, 'X'));  // both just fit
  TStringList ports{"old"};
  EnumComPorts(ports, Source());
  EXPECT_EQ(ports.ToVector(),
            (std::vector<std::string>{"COM1", "com10", "COM3", std::string(255, 'X')}));
}

TEST_F(PortListKey, AnEmptyKeyGivesAnEmptyList) {
  PutText("SERIALCOMM\\Below", "not", "listed");  // only the key's own values count
  TStringList ports{"old"};
  EnumComPorts(ports, Source());
  EXPECT_EQ(ports.Count(), 0);
}

TEST_F(PortListKey, AMissingKeyOrAValueTooLongForItsBufferIsARegistryError) {
  ExpectRegistryError(ERROR_FILE_NOT_FOUND);
  PutText("SERIALCOMM", "\\Device\\Serial0", std::string(256, 'X'));  // 257 bytes with its zero
  ExpectRegistryError(ERROR_MORE_DATA);
  DeleteKey("SERIALCOMM");
  PutText("SERIALCOMM", std::string(256, 'n'), "COM1");
  ExpectRegistryError(ERROR_MORE_DATA);
}
