// TRegistry on the Windows registry, in a key of the test's own.
#include "platform/runtime/Registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "tests/integration/win32/TestKey.h"

using RegistryStore = TestKeyFixture;

namespace {

// A value as any other program reads it: its type and its first four bytes.
std::pair<DWORD, DWORD> AsStored(const std::string& key, const std::string& name) {
  DWORD type = REG_NONE;
  BYTE data[64] = {};
  DWORD size = sizeof data;
  ::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY, &type, data, &size);
  DWORD first = 0;
  std::memcpy(&first, data, sizeof first);
  return {type, first};
}

}  // namespace

TEST_F(RegistryStore, ValuesAreTheRegistrysOwnTypesBothWays) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(path + "\\Com1", true));
  reg.WriteString("Port", "COM1");
  reg.WriteInteger("Timeouts.ReadInterval", -1);
  reg.WriteString("Odd", "say \"hi\"\\\r\nbye");
  reg.WriteInteger("odd", 7);  // the same name ignoring case: value and type replaced
  const std::string key = path + "\\COM1";
  EXPECT_EQ(AsStored(key, "Port"), (std::pair<DWORD, DWORD>{REG_SZ, 0x314D4F43}));  // "COM1"
  EXPECT_EQ(AsStored(key, "Timeouts.ReadInterval"),
            (std::pair<DWORD, DWORD>{REG_DWORD, 0xFFFFFFFF}));
  EXPECT_EQ(AsStored(key, "ODD"), (std::pair<DWORD, DWORD>{REG_DWORD, 7}));

  // What another program wrote.
  PutText("Com1", "Parity", "Even");
  const BYTE blob[2] = {1, 2};
  ::RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Blob", REG_BINARY, blob, sizeof blob);
  EXPECT_EQ(reg.ReadString("PARITY"), "Even");
  EXPECT_EQ(reg.ReadInteger("timeouts.readinterval"), -1);
  EXPECT_THROW(reg.ReadString("Blob"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Blob"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Port"), ERegistryException);
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_FALSE(reg.ValueExists("Missing"));
  EXPECT_TRUE(reg.ValueExists("blob"));
  try {
    reg.ReadString("Odd");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'Odd'");
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
