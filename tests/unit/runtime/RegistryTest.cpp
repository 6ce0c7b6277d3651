#include "platform/runtime/Registry.h"

#include <gtest/gtest.h>

#include "platform/runtime/FileIO.h"
#include "tests/unit/runtime/TempDirectory.h"

namespace {

class RegistryStore : public TempDirectory {
 protected:
  void SetUp() override {
    TempDirectory::SetUp();
    store = Path("config/dispenser/registry");  // its directories do not exist yet
    TRegistry::SetStoreFile(store);
  }
  void TearDown() override {
    TRegistry::SetStoreFile("");
    TempDirectory::TearDown();
  }
  std::string store;
};

}  // namespace

TEST_F(RegistryStore, ValuesRoundTripThroughTheFileWithTheirTypes) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Maker\\Console\\Com1", true));
    reg.WriteString("Port", "COM1");
    reg.WriteString("Odd", "say \"hi\"\\\r\nbye");
    reg.WriteInteger("Timeouts.ReadInterval", -1);
    reg.WriteInteger("CustomBaudRate", 9600);
    reg.WriteInteger("port", 7);  // same name ignoring case: replaces value and type
    reg.WriteString("Port", "COM2");
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\maker\\console\\COM1\\", false));
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
  EXPECT_NE(Contents(store).find("\"CustomBaudRate\"=dword:00002580"), std::string::npos);
}

TEST_F(RegistryStore, KeysOpenFromTheRootOrTheOpenKeyAndAreCreatedOnlyWhenAllowed) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("Software\\Maker", false));
  EXPECT_FALSE(std::filesystem::exists(store));  // a failed open writes nothing
  ASSERT_TRUE(reg.OpenKey("Software\\Maker\\Console", true));
  ASSERT_TRUE(reg.OpenKey("Ports", true));  // below the open key
  EXPECT_EQ(reg.CurrentPath(), "Software\\Maker\\Console\\Ports");
  EXPECT_TRUE(reg.KeyExists("\\Software\\Maker"));  // a parent exists with its child
  ASSERT_TRUE(reg.OpenKey("\\Software\\Maker", false));
  reg.WriteString("Where", "parent");

  reg.SetRootKey(TRootKey::LocalMachine);  // another tree
  EXPECT_FALSE(reg.KeyExists("\\Software\\Maker"));
  EXPECT_EQ(reg.CurrentPath(), "");
  EXPECT_THROW(reg.OpenKey("Bad\nKey", true), ERegistryException);
}

TEST_F(RegistryStore, ADamagedStoreIsReportedAndNotOverwritten) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Maker", true));
  reg.WriteInteger("Count", 3);
  const std::string damaged = Contents(store) + "\"Half\"=dword:zz\n";
  Put(store, damaged);
  try {
    reg.ReadInteger("Count");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_NE(e.Message().find(store), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("\"Half\"=dword:zz"), std::string::npos) << e.Message();
  }
  EXPECT_THROW(reg.WriteInteger("Count", 4), ERegistryException);
  EXPECT_EQ(Contents(store), damaged);
}
