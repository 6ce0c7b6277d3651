#include "platform/runtime/IniFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "platform/runtime/FileIO.h"
#include "tests/unit/runtime/TempDirectory.h"

using IniFile = TempDirectory;

TEST_F(IniFile, ValuesRoundTripExactlyAndOrdinaryOnesAreWrittenAsGiven) {
  const std::string file = Path("port.ini");
  const std::vector<std::string> values = {"#17",        "#19",        ";not a comment",
                                           "a=b=c",      "two words",  " leading",
                                           "trailing\t", "\"quoted\"", "\"",
                                           "",           "COM1",       "\xC7\xD1\xB1\xDB"};
  {
    TIniFile ini(file);
    for (std::size_t i = 0; i < values.size(); ++i)
      ini.WriteString("Com1", "K" + IntToStr(i), values[i]);
    ini.WriteInteger("Com1", "ReadInterval", -1);
    ini.WriteInteger("Com1", "Min", INT32_MIN);
  }
  TIniFile again(file);
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(again.ReadString("Com1", "K" + IntToStr(i), "<default>"), values[i]) << i;
  }
  EXPECT_EQ(again.ReadInteger("Com1", "ReadInterval", 0), -1);
  EXPECT_EQ(again.ReadInteger("Com1", "Min", 0), INT32_MIN);

  const std::string text = Contents(file);
  for (const char* line : {"\nK0=#17\n", "\nK2=;not a comment\n", "\nK3=a=b=c\n",
                           "\nK4=two words\n", "\nK9=\n", "\nReadInterval=-1\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(text.rfind("[Com1]\n", 0), 0u);
}

TEST_F(IniFile, ReadsAHandWrittenCrLfFileFromAnotherProgram) {
  const std::string file = Path("other.ini");
  Put(file,
      "\xEF\xBB\xBF; written by another tool\r\n"
      "Orphan=before any section\r\n"
      "\r\n"
      "[ COM1 ]\r\n"
      "  BaudRate = 19200  \r\n"
      "# a comment line\r\n"
      ";Parity=Odd\r\n"
      "Port=\"COM 3 \"\r\n"
      "baudrate=38400\r\n"
      "Timeouts.ReadInterval=12ab\r\n"
      "Blank=\r\n"
      "[Other]\r\n"
      "Port=COM9");  // no line end at the very end
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadString("com1", "BAUDRATE", "?"), "19200");  // first one wins
  EXPECT_EQ(ini.ReadInteger("Com1", "BaudRate", 0), 19200);
  EXPECT_EQ(ini.ReadString("Com1", "Port", "?"), "COM 3 ");
  EXPECT_EQ(ini.ReadString("Com1", "Parity", "None"), "None");  // commented out
  EXPECT_EQ(ini.ReadString("Com1", "Blank", "?"), "");
  EXPECT_EQ(ini.ReadInteger("Com1", "Timeouts.ReadInterval", 7), 7);  // not an integer
  EXPECT_EQ(ini.ReadInteger("Com1", "Missing", 9600), 9600);
  EXPECT_EQ(ini.ReadString("Missing", "Port", "def"), "def");
  EXPECT_EQ(ini.ReadString("Other", "Port", "?"), "COM9");
  EXPECT_EQ(ini.ReadString("", "Orphan", "none"), "none");
  EXPECT_EQ(TIniFile(Path("absent.ini")).ReadInteger("Com1", "BaudRate", 5), 5);
}

TEST_F(IniFile, WritingKeepsOtherSectionsKeysCommentsAndLineEnds) {
  const std::string file = Path("other.ini");
  Put(file,
      "; keep me\r\n"
      "[Com1]\r\n"
      "BaudRate = 19200\r\n"
      "# and me\r\n"
      "\r\n"
      "[Other]\r\n"
      "X=1\r\n");
  TIniFile ini(file);
  ini.WriteString("COM1", "baudrate", "57600");  // rewritten in place, spelling kept
  ini.WriteString("Com1", "Parity", "None");     // added at the end of its section
  ini.WriteInteger("New", "Count", 3);           // a new section at the end
  EXPECT_EQ(Contents(file),
            "; keep me\r\n"
            "[Com1]\r\n"
            "BaudRate = 57600\r\n"
            "# and me\r\n"
            "Parity=None\r\n"
            "\r\n"
            "[Other]\r\n"
            "X=1\r\n"
            "\r\n"
            "[New]\r\n"
            "Count=3\r\n");
}

// Stray carriage returns before a line's end (here on a last line without
// one) are part of the ending: a value reads the same before and after
// another key is written, however often.
TEST_F(IniFile, StrayCarriageReturnsAtLineEndsDoNotChangeValuesOnRewrite) {
  const std::string file = Path("stray.ini");
  Put(file, "[S]\nA=1\r\r\nB=2\r\r");
  TIniFile ini(file);
  for (const char* value : {"x", "y"}) {
    ini.WriteString("S", "C", value);
    EXPECT_EQ(ini.ReadString("S", "A", "?") + ini.ReadString("S", "B", "?"), "12");
  }
  EXPECT_EQ(Contents(file), "[S]\r\nA=1\r\nB=2\r\nC=y\r\n");
}

TEST_F(IniFile, WhatTheFormatCannotHoldIsRefusedAndTheFileStaysAsItWas) {
  const std::string file = Path("port.ini");
  TIniFile ini(file);
  ini.WriteString("Com1", "Port", "COM1");
  const std::string before = Contents(file);
  EXPECT_THROW(ini.WriteString("Com1", "Port", "COM1\r\n[Evil]"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Com1", "A=B", "x"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Com1", " ", "x"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Com1", ";Port", "x"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Com]1", "Port", "x"), EIniFileException);
  EXPECT_EQ(Contents(file), before);

  TIniFile nowhere(Path("missing-dir/port.ini"));
  try {
    nowhere.WriteString("Com1", "Port", "COM1");
    FAIL() << "no exception";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.SystemError(), ENOENT);
    EXPECT_NE(e.Message().find("missing-dir/port.ini"), std::string::npos) << e.Message();
  }
}

TEST_F(IniFile, ReplacementIsAtomicKeepsPermissionsAndFollowsLinks) {
  const std::string file = Path("port.ini");
  const std::string big(200000, 'x');
  TIniFile ini(file);
  ini.WriteString("S", "Value", "a" + big);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);

  // A reader sees either the old or the new file, never a part of one.
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    TIniFile view(file);
    while (!stop) {
      const std::string value = view.ReadString("S", "Value", "");
      if (value.size() != big.size() + 1) ++torn;
    }
  });
  for (int i = 0; i < 40; ++i) ini.WriteString("S", "Value", (i % 2 ? "a" : "b") + big);
  stop = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);

  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"port.ini"}));  // no temporary left

  std::filesystem::create_symlink(file, Path("link.ini"));
  TIniFile(Path("link.ini")).WriteString("S", "Other", "1");
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.ini")));
  EXPECT_EQ(TIniFile(file).ReadString("S", "Other", ""), "1");
}

TEST_F(IniFile, ConcurrentWritersLoseNoUpdate) {
  const std::string file = Path("shared.ini");
  auto writer = [&](const std::string& section) {
    TIniFile ini(file);
    for (int i = 0; i < 30; ++i) ini.WriteInteger(section, "K" + IntToStr(i), i);
  };
  std::thread a(writer, "A");
  std::thread b(writer, "B");
  a.join();
  b.join();
  TIniFile ini(file);
  for (const char* section : {"A", "B"}) {
    for (int i = 0; i < 30; ++i) EXPECT_EQ(ini.ReadInteger(section, "K" + IntToStr(i), -1), i);
  }
}
