// TRegistry on the Windows registry, in a key of the test's own.
#include "platform/runtime/Registry.h"

#include <gtest/gtest.h>

#include "tests/integration/win32/TestKey.h"

using RegistryStore = TestKeyFixture;

TEST_F(RegistryStore, ValuesRoundTripWithTheirTypes) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(path + "\\Com1", true));
    reg.WriteString("Port", "COM1");
    reg.WriteString("Odd", "say \"hi\"\\\r\nbye");
    reg.WriteInteger("Timeouts.ReadInterval", -1);
    reg.WriteInteger("CustomBaudRate", 9600);
    reg.WriteInteger("port", 7);  // same name ignoring case: replaces value and type
    reg.WriteString("Port", "COM2");
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\" + path + "\\COM1\\", false));
  EXPECT_EQ(reg.ReadString("PORT"), "COM2");
  EXPECT_EQ(reg.ReadString("Odd"), "say \"hi\"\\\r\nbye");
  EXPECT_EQ(reg.ReadInteger("Timeouts.ReadInterval"), -1);
  EXPECT_EQ(reg.ReadInteger("CustomBaudRate"), 9600);
  EXPECT_TRUE(reg.ValueExists("customBaudRate"));
  EXPECT_FALSE(reg.ValueExists("Parity"));
  EXPECT_EQ(reg.ReadString("Parity"), "");
  EXPECT_THROW(reg.ReadInteger("Parity"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Port"), ERegistryException);
  try {
    reg.ReadString("CustomBaudRate");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'CustomBaudRate'");
  }
}

TEST_F(RegistryStore, KeysOpenFromTheRootOrTheOpenKeyAndAreCreatedOnlyWhenAllowed) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(path + "\\Maker", false));
  EXPECT_FALSE(reg.KeyExists("\\" + path + "\\Maker"));
  ASSERT_TRUE(reg.OpenKey(path + "\\Maker\\Console", true));
  ASSERT_TRUE(reg.OpenKey("Ports", true));  // below the open key
  EXPECT_EQ(reg.CurrentPath(), path + "\\Maker\\Console\\Ports");
  EXPECT_TRUE(reg.KeyExists("\\" + path + "\\Maker"));
  ASSERT_TRUE(reg.OpenKey("\\" + path + "\\Maker", false));
  reg.WriteString("Where", "parent");
  EXPECT_EQ(TRegistry().OpenKey(path + "\\Maker", false), true);

  reg.SetRootKey(TRootKey::LocalMachine);  // another tree
  EXPECT_FALSE(reg.KeyExists("\\" + path + "\\Maker"));
  EXPECT_EQ(reg.CurrentPath(), "");
}
