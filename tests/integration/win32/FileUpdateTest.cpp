// Whole-file replacement on Windows: readers never see half a file, no
// temporary stays, concurrent updates keep each other's changes, and a file
// that cannot be written names itself and carries the system's error.
#include "platform/runtime/FileIO.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/integration/win32/Wine.h"
#include "tests/unit/runtime/TempDirectory.h"

using FileUpdate = TempDirectory;

TEST_F(FileUpdate, ReplacementIsWholeLeavesNoTemporaryAndKeepsAttributes) {
  const std::string file = Path("new\\dirs\\port.ini");
  FileIO::MakeDirectories(FileIO::DirectoryOf(file));
  const std::string big(200000, 'x');
  FileIO::Update(file, [&](const std::string& old) {
    EXPECT_EQ(old, "");
    return "a" + big;
  });
  ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN));

  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    std::string seen;
    while (!stop) {
      if (FileIO::ReadAll(file, seen) && seen.size() != big.size() + 1) ++torn;
    }
  });
  for (int i = 0; i < 40; ++i) {
    FileIO::Update(file, [&](const std::string&) { return (i % 2 ? "a" : "b") + big; });
  }
  stop = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
  std::string contents;
  ASSERT_TRUE(FileIO::ReadAll(file, contents));
  EXPECT_EQ(contents, "a" + big);
  if (!RunningUnderWine()) {  // Wine's ReplaceFileA does not carry the old file's attributes
    EXPECT_TRUE(::GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"new"});
  std::vector<std::string> inner;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "new" / "dirs")) {
    inner.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(inner, std::vector<std::string>{"port.ini"});
}

TEST_F(FileUpdate, ConcurrentUpdatesKeepEachOthersChanges) {
  const std::string file = Path("shared.txt");
  auto writer = [&](char tag) {
    for (int i = 0; i < 30; ++i) {
      FileIO::Update(file, [&](const std::string& old) { return old + tag; });
    }
  };
  std::thread a(writer, 'A');
  std::thread b(writer, 'B');
  a.join();
  b.join();
  std::string contents;
  ASSERT_TRUE(FileIO::ReadAll(file, contents));
  EXPECT_EQ(std::count(contents.begin(), contents.end(), 'A'), 30);
  EXPECT_EQ(std::count(contents.begin(), contents.end(), 'B'), 30);
}

TEST_F(FileUpdate, AFileInAMissingDirectoryIsNotThereAndCannotBeWritten) {
  const std::string file = Path("missing-dir\\port.ini");
  std::string contents = "stale";
  EXPECT_FALSE(FileIO::ReadAll(file, contents));
  EXPECT_EQ(contents, "");
  try {
    FileIO::Update(file, [](const std::string&) { return "x"; });
    FAIL() << "no exception";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.SystemError(), ERROR_PATH_NOT_FOUND);
    EXPECT_NE(e.Message().find("missing-dir\\port.ini"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(FileIO::DirectoryOf("C:\\port.ini"), "C:\\");
  EXPECT_EQ(FileIO::DirectoryOf("dir/sub\\port.ini"), "dir/sub");
  EXPECT_EQ(FileIO::DirectoryOf("port.ini"), ".");
}
