// The per-user settings store: its export text, its typed reads, and what a hostile file does.

#include "store/registry_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace quillmark::store {
namespace {

constexpr std::string_view kKey = "Software\\Vendor\\Product";

TEST(RegistryFileTest, WritesAStableExportText) {
  RegistryFile file;
  file.CreateKey("\\Software\\Vendor\\Product");
  file.WriteString(kKey, "keyterm", "say \"hi\" C:\\dir");
  file.WriteDword(kKey, "depth", 0x1234abcd);
  file.WriteString(kKey, "two\nlines", "a\r\nb");
  file.WriteString(kKey, "KEYTERM", "again");  // names ignore case: replaced in place
  const std::string expected =
      "REGEDIT4\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software]\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\Vendor]\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\Vendor\\Product]\r\n"
      "\"keyterm\"=\"again\"\r\n"
      "\"depth\"=dword:1234abcd\r\n"
      "\"two\nlines\"=hex(1):61,0d,0a,62,00\r\n";
  // A name with a line break is not something the program writes; its text still reads back.
  EXPECT_EQ(file.Text(), expected);
  const RegistryFile again = RegistryFile::Parse(file.Text());
  EXPECT_EQ(again.ReadString(kKey, "keyterm"), "again");
  EXPECT_EQ(again.ReadDword(kKey, "DEPTH"), 0x1234abcdu);
}

TEST(RegistryFileTest, ReadsExportsAndSkipsWhatItCannotRead) {
  const RegistryFile file = RegistryFile::Parse(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
      "; a comment\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\Product]\n"
      "\"other\"=\"root\"\n"
      "[hkey_current_user\\software\\vendor\\product]\n"
      "@=\"default\"\n"
      "\"quoted\" = \"a\\\"b\\\\c\"\n"
      "\"bin\"=hex:01,02,\\\n"
      "  03\n"
      "\"expand\"=hex(2):78,00,79,00\n"
      "\"broken\"=dword:123456789\n"
      "\"junk after\"=\"x\" y\n"
      "no equals sign\n"
      "\"unterminated=\"x\n");
  ASSERT_EQ(file.KeyPaths(), std::vector<std::string>{"software\\vendor\\product"});
  const auto& values = *file.Values(kKey);
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(file.ReadString(kKey, ""), "default");
  EXPECT_EQ(file.ReadString(kKey, "quoted"), "a\"b\\c");
  EXPECT_EQ(values[2].data, std::string("\x01\x02\x03", 3));
  EXPECT_EQ(file.ReadString(kKey, "expand"), "x");  // cut at its first NUL
  EXPECT_FALSE(file.ValueExists(kKey, "other"));

  using namespace std::literals;
  for (std::string_view not_ours :
       {""sv, "[HKEY_CURRENT_USER\\a]\n\"v\"=\"x\"\n"sv, "\0REGEDIT4\n[HKEY_CURRENT_USER\\a]\n"sv})
    EXPECT_EQ(RegistryFile::Parse(not_ours).KeyCount(), 0u) << not_ours;
}

TEST(RegistryFileTest, TypedReadsRaiseTheRegistryErrors) {
  RegistryFile file = RegistryFile::Parse(
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Vendor\\Product]\n"
      "\"short\"=\"abc\"\n\"long\"=\"abcd\"\n\"number\"=dword:00000007\n"
      "\"bytes\"=hex:01,02\n\"empty\"=hex(1):\n");
  struct Case {
    const char* name;
    bool as_number;
    const char* error;  // nullptr: the read succeeds
  } cases[] = {
      {"short", true, "Invalid data type for 'short'"},
      {"long", true, "Failed to get data for 'long'"},  // five bytes do not fit the buffer
      {"number", false, "Invalid data type for 'number'"},
      {"bytes", false, "Invalid data type for 'bytes'"},
      {"missing", false, "Failed to get data for 'missing'"},
      {"number", true, nullptr},
      {"empty", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.as_number ? (void)file.ReadDword(kKey, c.name) : (void)file.ReadString(kKey, c.name);
      EXPECT_EQ(c.error, nullptr);
    } catch (const RegistryError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
  EXPECT_EQ(file.ReadDword(kKey, "number"), 7u);
  EXPECT_EQ(file.ReadString(kKey, "empty"), "");
}

TEST(RegistryFileTest, TooManyEntriesReadAsAnEmptyStore) {
  std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\k]\n";
  for (std::size_t i = 0; i <= kMaxRegistryEntries; ++i)
    text += "\"v" + std::to_string(i) + "\"=dword:00000001\n";
  EXPECT_EQ(RegistryFile::Parse(text).KeyCount(), 0u);
}

class RegistryKeyTest : public ::testing::Test {
 protected:
  RegistryKeyTest() { ::setenv("QUILLMARK_CONFIG_DIR", Folder().c_str(), 1); }
  ~RegistryKeyTest() override { ::unsetenv("QUILLMARK_CONFIG_DIR"); }
  std::string Folder() const { return dir_.File("config"); }
  std::string StoreFile() const { return Folder() + "/registry.reg"; }

  testing::TempDir dir_;
};

TEST_F(RegistryKeyTest, ReadingNeverCreatesAndWritingDoes) {
  const RegistryKey read = RegistryKey::OpenForRead("\\Software\\Vendor\\Product");
  EXPECT_FALSE(read.IsOpen());
  EXPECT_FALSE(read.ValueExists("x"));
  EXPECT_FALSE(std::filesystem::exists(Folder()));

  RegistryKey write = RegistryKey::OpenForWrite("\\Software\\Vendor\\Product");
  ASSERT_TRUE(write.IsOpen());
  write.WriteString("name", "value");
  write.WriteDword("count", 3);
  const RegistryKey again = RegistryKey::OpenForRead("\\software\\vendor\\product");
  EXPECT_EQ(again.ReadString("name"), "value");
  EXPECT_EQ(again.ReadDword("count"), 3u);
  EXPECT_EQ(dir_.EntryCount(), 1u);  // and no temporary file left beside the store
  EXPECT_EQ(std::filesystem::directory_entry(Folder()).status().permissions() &
                std::filesystem::perms::others_all,
            std::filesystem::perms::none);
}

TEST_F(RegistryKeyTest, AKeyThatCannotBeStoredFailsEveryWrite) {
  dir_.Write("config", "a file where the folder should be");
  RegistryKey key = RegistryKey::OpenForWrite("\\Software\\Vendor\\Product");
  EXPECT_FALSE(key.IsOpen());
  try {
    key.WriteDword("depth", 1);
    ADD_FAILURE() << "the write succeeded";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'depth'");
  }
}

}  // namespace
}  // namespace quillmark::store
