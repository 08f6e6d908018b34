// The Settings key as the windows use it: defaults, round trips, and where a failure stops.

#include "store/settings_key.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/registry_store.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace quillmark::store {
namespace {

// The dialog's controls as they stand before the settings are read: its design-time values.
struct Entries {
  std::string keyterm, home;
  std::uint32_t depth = 4, results = 20;
  bool operator==(const Entries&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entries& e) {
  return out << '{' << e.keyterm << ", " << e.home << ", " << e.depth << ", " << e.results << '}';
}

class FakeDialog : public InvestigateEntries {
 public:
  explicit FakeDialog(Entries entries = {}) : entries(std::move(entries)) {}
  void SetKeyterm(const std::string& text) override { entries.keyterm = text; }
  void SetHome(const std::string& text) override { entries.home = text; }
  void SetDepth(std::uint32_t index) override { entries.depth = index; }
  void SetResults(std::uint32_t value) override { entries.results = value; }
  std::string Keyterm() override { return entries.keyterm; }
  std::string Home() override { return entries.home; }
  std::uint32_t Depth() override { return entries.depth; }
  std::uint32_t Results() override { return entries.results; }

  Entries entries;
};

class SettingsKeyTest : public ::testing::Test {
 protected:
  SettingsKeyTest() { ::setenv("QUILLMARK_CONFIG_DIR", dir_.path().c_str(), 1); }
  ~SettingsKeyTest() override { ::unsetenv("QUILLMARK_CONFIG_DIR"); }

  Entries Loaded() {
    FakeDialog dialog;
    LoadInvestigateEntries(dialog);
    return dialog.entries;
  }
  void Store(std::string_view values) {
    dir_.Write("registry.reg",
               "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tervane\\Quillmarks 1.0\\Setup]\r\n" +
                   std::string(values));
  }

  testing::TempDir dir_;
};

TEST_F(SettingsKeyTest, FirstStartGivesTheProgramDefaults) {
  EXPECT_EQ(Loaded(), (Entries{"", "", 2, 10}));
  EXPECT_TRUE(LoadTipsFlag());
  EXPECT_EQ(dir_.EntryCount(), 0u);  // reading never creates the store
}

TEST_F(SettingsKeyTest, EntriesAndTipsSurviveARestart) {
  FakeDialog dialog({"seo tools", "example.com", 6, 30});
  SaveInvestigateEntries(dialog);
  SaveTipsFlag(false);
  EXPECT_EQ(Loaded(), (Entries{"seo tools", "example.com", 6, 30}));
  EXPECT_FALSE(LoadTipsFlag());
  EXPECT_EQ(dir_.Read("registry.reg"),
            "REGEDIT4\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software]\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Tervane]\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Tervane\\Quillmarks 1.0]\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Tervane\\Quillmarks 1.0\\Setup]\r\n"
            "\"keyterm\"=\"seo tools\"\r\n"
            "\"home\"=\"example.com\"\r\n"
            "\"depth\"=dword:00000006\r\n"
            "\"results\"=dword:0000001e\r\n"
            "\"tips\"=dword:00000000\r\n");
  SaveTipsFlag(true);
  EXPECT_TRUE(LoadTipsFlag());
}

TEST_F(SettingsKeyTest, AValueOfTheWrongTypeEndsTheReadingThere) {
  struct Case {
    const char* stored;
    Entries loaded;
    bool tips;
  } cases[] = {
      {"\"keyterm\"=\"k\"\r\n\"home\"=\"h\"\r\n\"depth\"=\"6\"\r\n\"results\"=dword:0000001e\r\n",
       {"k", "h", 4, 20},
       true},
      {"\"keyterm\"=dword:00000001\r\n\"home\"=\"h\"\r\n", {"", "", 4, 20}, true},
      {"\"home\"=\"h\"\r\n\"results\"=\"12345\"\r\n", {"", "h", 2, 20}, true},
      {"\"results\"=dword:000001f4\r\n\"tips\"=\"0\"\r\n", {"", "", 2, 500}, true},
      {"\"depth\"=dword:00000063\r\n\"tips\"=dword:00000002\r\n", {"", "", 99, 10}, true},
      {"\"tips\"=hex(4):00,00,00,00\r\n", {"", "", 2, 10}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    Store(c.stored);
    EXPECT_EQ(Loaded(), c.loaded);
    EXPECT_EQ(LoadTipsFlag(), c.tips);
  }
}

TEST_F(SettingsKeyTest, ACorruptOrHugeStoreReadsAsAbsent) {
  const std::string huge =
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Tervane\\Quillmarks 1.0\\Setup]"
      "\r\n\"tips\"=dword:00000000\r\n" +
      std::string(kMaxRegistryFileBytes, '\n');
  std::filesystem::create_directory(dir_.File("registry.reg"));
  EXPECT_TRUE(LoadTipsFlag());
  std::filesystem::remove(dir_.File("registry.reg"));
  for (const std::string& bytes : {std::string("\xff\xfe\0\0garbage[", 12),
                                   std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\"), huge}) {
    dir_.Write("registry.reg", bytes);
    EXPECT_EQ(Loaded(), (Entries{"", "", 2, 10}));
    EXPECT_TRUE(LoadTipsFlag());
  }
  // The next save replaces it with a readable store.
  SaveTipsFlag(false);
  EXPECT_FALSE(LoadTipsFlag());
}

TEST_F(SettingsKeyTest, AFailedWriteEndsTheWritingSilently) {
  // Room for the key and "keyterm", not for the long "home": the writing stops there.
  FakeDialog dialog({"seo", std::string(600, 'h'), 6, 30});
  {
    testing::FileSizeLimit full(400);
    SaveInvestigateEntries(dialog);
  }
  EXPECT_EQ(Loaded(), (Entries{"seo", "", 2, 10}));

  // A store that cannot be made at all: every write fails and the flag reads as set.
  ::setenv("QUILLMARK_CONFIG_DIR", (dir_.File("registry.reg") + "/below").c_str(), 1);
  SaveTipsFlag(false);
  SaveInvestigateEntries(dialog);
  EXPECT_TRUE(LoadTipsFlag());
}

// The window's sources sit beside the dialog's values: each reads on its own, and writing them
// leaves the others as they were.
TEST_F(SettingsKeyTest, SourceChoiceSurvivesARestartBesideTheEntries) {
  EXPECT_EQ(LoadSourceChoice(), SourceChoice{});
  Store("\"home\"=\"h\"\r\n\"source\"=dword:00000001\r\n\"top-source\"=\"trends\"\r\n");
  EXPECT_EQ(LoadSourceChoice(), (SourceChoice{"", "trends"}));

  SaveSourceChoice({"dataforseo", ""});
  EXPECT_EQ(LoadSourceChoice(), (SourceChoice{"dataforseo", ""}));
  EXPECT_EQ(Loaded().home, "h");
}

// The market and the own endpoints: absent (settings of an older program) they read as empty,
// a wrong type in one leaves the others, and a full choice comes back whole.
TEST_F(SettingsKeyTest, TheMarketAndHostsSurviveARestartEachOnItsOwn) {
  Store("\"source\"=\"dataforseo\"\r\n\"location\"=\"2276\"\r\n\"language\"=\"de\"\r\n");
  EXPECT_EQ(LoadSourceChoice(), (SourceChoice{.source = "dataforseo", .language = "de"}));

  const SourceChoice full{.source = "endpoints",
                          .top_source = "endpoints",
                          .location = 2076,
                          .suggest_host = "suggest.example:8080",
                          .search_host = "search.example",
                          .top_host = "top.example"};
  SaveSourceChoice(full);
  EXPECT_EQ(LoadSourceChoice(), full);
}

// The history is kept unless switched off; a value of the wrong type leaves it on.
TEST_F(SettingsKeyTest, HistoryIsKeptUnlessSwitchedOff) {
  EXPECT_TRUE(LoadHistoryFlag());
  SaveHistoryFlag(false);
  EXPECT_FALSE(LoadHistoryFlag());
  EXPECT_TRUE(LoadTipsFlag());
  SaveHistoryFlag(true);
  EXPECT_TRUE(LoadHistoryFlag());
  Store("\"history\"=\"0\"\r\n");
  EXPECT_TRUE(LoadHistoryFlag());
}

// 0: the source's own default.
TEST_F(SettingsKeyTest, ParallelFetchesReadAsTheSourcesDefaultUnlessOneToAHundred) {
  EXPECT_EQ(LoadParallelFetches(), 0);
  const struct {
    const char* stored;
    int parallel;
  } cases[] = {
      {"dword:00000001", 1}, {"dword:00000064", 100}, {"dword:00000021", 33}, {"dword:00000000", 0},
      {"dword:00000065", 0}, {"dword:ffffffff", 0},   {"\"4\"", 0},
  };
  for (const auto& c : cases) {
    Store(std::string("\"parallel\"=") + c.stored + "\r\n");
    EXPECT_EQ(LoadParallelFetches(), c.parallel) << c.stored;
  }
}

}  // namespace
}  // namespace quillmark::store
