#include "tests/integration/win32/TestKey.h"

#include <windows.h>

void TestKeyFixture::SetUp() {
  path = "Software\\DispenserConsoleTests\\" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
         std::to_string(::GetCurrentProcessId());
  DeleteKey("");
}

void TestKeyFixture::TearDown() {
  DeleteKey("");
}

void TestKeyFixture::DeleteKey(const std::string& below) {
  const std::string full = below.empty() ? path : path + "\\" + below;
  ::RegDeleteTreeA(HKEY_CURRENT_USER, full.c_str());
  ::RegDeleteKeyA(HKEY_CURRENT_USER, full.c_str());
}

void TestKeyFixture::PutText(const std::string& below, const std::string& name,
                             const std::string& text) {
  HKEY key = nullptr;
  const std::string full = below.empty() ? path : path + "\\" + below;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(
      ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)),
      ERROR_SUCCESS);
  ::RegCloseKey(key);
}
