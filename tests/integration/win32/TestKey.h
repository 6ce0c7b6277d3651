// A registry key of its own for one test, under HKEY_CURRENT_USER, deleted
// with everything in it when the test ends. (No <windows.h> here: the
// runtime's message names share the system's.)
#pragma once

#include <winerror.h>

#include <gtest/gtest.h>

#include <string>

class TestKeyFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the key below path and sets a text value in it.
  void PutText(const std::string& below, const std::string& name, const std::string& text);
  // Deletes the key below path with everything in it.
  void DeleteKey(const std::string& below);

  std::string path;  // below HKEY_CURRENT_USER
};
