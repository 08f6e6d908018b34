// qmk research, top and open end to end: the real binary, real HTTP on loopback, against the
// bundled stand-in service and against scripted servers that check every request.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "cli/qmk_runner.h"
#include "cli/support/fake_services.h"
#include "demo/demo_pages.h"
#include "net/support/closed_port.h"
#include "net/support/scripted_server.h"

namespace quillmark::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::SizeIs;

TEST(ResearchCommand, AsksForExactUrlsAndPrintsFilledRows) {
  FakeServices services(5);
  // One page at a time: the requests come in the run's own order.
  const QmkResult result =
      RunQmk(With({"research", "--parallel", "1", "--format", "tsv", "--results", "2", "--pages",
                   "2", "--target", "MySite.test", "\"c++ books\""},
                  services.EndpointFlags()));
  ASSERT_EQ(result.exit_code(), 0) << result.err;
  EXPECT_THAT(result.err, ::testing::Not(HasSubstr("stand-in")));
  EXPECT_THAT(
      services.Targets(),
      ElementsAre("/d/searchinventory/suggestion/?term=c%2B%2B%20books&mkt=us&lang=en_US",
                  "/search?p=%22phrase+0%22", "/search?p=%22phrase+0%22&ei=UTF-8&n=20&fl=0&b=1",
                  "/search?p=%22phrase+0%22&ei=UTF-8&n=20&fl=0&b=21", "/search?p=%22phrase+1%22",
                  "/search?p=%22phrase+1%22&ei=UTF-8&n=20&fl=0&b=1",
                  "/search?p=%22phrase+1%22&ei=UTF-8&n=20&fl=0&b=21"));
  const auto lines = SplitLines(result.out);
  ASSERT_THAT(lines, SizeIs(2));
  EXPECT_THAT(SplitFields(lines[0]),
              ElementsAre("phrase 0", "100", "12345", "123.45", "-", "0%", "0"));
  // Rank 23 is on page 2: half of (12345 - 23 + 1) / 12345.
  EXPECT_THAT(SplitFields(lines[1]),
              ElementsAre("phrase 1", "200", "12345", "61.725", "23", "49.911%", "100"));
}

TEST(ResearchCommand, FormatsTableAndCsv) {
  FakeServices services(3);
  const QmkResult csv = RunQmk(
      With({"research", "--format", "csv", "--results", "3", "widgets"}, services.EndpointFlags()));
  ASSERT_EQ(csv.exit_code(), 0) << csv.err;
  const auto lines = SplitLines(csv.out);
  ASSERT_THAT(lines, SizeIs(4));
  EXPECT_EQ(lines[0],
            "Keyword,Demand,Supply,Cost-per-Prospect,Rank #,Profitability,Estimated prospects #\r");
  // For spreadsheets: "-" would start a formula.
  EXPECT_EQ(lines[3], "phrase 2,300,12345,41.15,'-,0%,0\r");

  const QmkResult table =
      RunQmk(With({"research", "--results", "3", "widgets"}, services.EndpointFlags()));
  ASSERT_EQ(table.exit_code(), 0) << table.err;
  const auto rows = SplitLines(table.out);
  ASSERT_THAT(rows, SizeIs(5));
  EXPECT_THAT(rows[0], HasSubstr("Keyword"));
  EXPECT_THAT(rows[0], HasSubstr("Estimated prospects #"));
  EXPECT_EQ(rows[2].find("phrase 0"), 0u);
  // Columns line up: every row is as wide as the rule under the titles.
  EXPECT_EQ(rows[2].size(), rows[1].size());
}

// Signals the qmk under test once its pid is known; never pid 0, which is our own process group.
class Signaller {
 public:
  void SetPid(pid_t pid) { pid_ = pid; }
  void Send(int signal_number) {
    while (pid_.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!sent_.exchange(true)) ::kill(pid_.load(), signal_number);
  }
  bool Sent() const { return sent_.load(); }

 private:
  std::atomic<pid_t> pid_{0};
  std::atomic<bool> sent_{false};
};

TEST(ResearchCommand, CtrlCCancelsTheFetchInFlightFinishesTheRowAndKeepsRows) {
  Signaller signaller;
  std::atomic<bool> finished{false};
  FakeServices services(20, [&](const std::string& target) {
    // Interrupt while the second row's supply is being fetched, and hold that page back until
    // qmk has ended: only the cancel can end its fetch.
    if (target != "/search?p=%22phrase+1%22") return;
    signaller.Send(SIGINT);
    for (int i = 0; i < 3000 && !finished.load(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  testing::TempDir dir("qmk-save");
  const std::string file = (dir.path() / "run.qmk").string();
  // One page at a time, so the interrupted page is the second row's and the first row is whole.
  QmkRun run(With({"research", "--parallel", "1", "--format", "tsv", "--results", "20", "--target",
                   "mysite.test", "--save", file, "seed"},
                  services.EndpointFlags()));
  signaller.SetPid(run.pid());
  const QmkResult result = run.Finish();
  finished = true;
  EXPECT_TRUE(signaller.Sent());
  EXPECT_EQ(result.exit_code(), 130) << result.err;
  EXPECT_THAT(SplitLines(result.out), SizeIs(2));
  EXPECT_THAT(
      result.err,
      HasSubstr(
          "qmk: row \"phrase 1\" stopped: supply not looked up, rank searched on 0 of 3 pages"));
  EXPECT_THAT(result.err, HasSubstr("; stopped\n"));
  // Nothing was asked after the interrupted supply page.
  EXPECT_EQ(services.Targets().back(), "/search?p=%22phrase+1%22");
  const QmkResult reopened = RunQmk({"open", "--format", "tsv", file});
  ASSERT_EQ(reopened.exit_code(), 0) << reopened.err;
  const auto lines = SplitLines(reopened.out);
  ASSERT_THAT(lines, SizeIs(2));
  // The texts a fetch without reply gives, not a count or rank that was never measured, and no
  // cost worked out from the supply nobody counted.
  EXPECT_THAT(SplitFields(lines[1]), ElementsAre("phrase 1", "200", "?", "?", "-", "0%", "0", "0"));
}

TEST(ResearchCommand, StopAgainstASilentServerEndsAtOnceWithTheSignalsStatus) {
  for (const auto& [signal_number, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    SCOPED_TRACE(status);
    ScriptedServer silent(Script().Hold());
    const std::string host = "127.0.0.1:" + std::to_string(silent.port());
    QmkRun run(
        {"research", "--timeout", "50", "--suggest-host", host, "--search-host", host, "seed"});
    while (silent.Connections() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(run.pid(), signal_number);
    // Far below the fetch's own time limit: only the cancel can end it within this.
    const QmkResult result = run.Finish(std::chrono::seconds(10));
    EXPECT_EQ(result.exit_code(), status) << result.err;
    EXPECT_EQ(silent.ConnectionsMadeSoFar(), 1);
  }
}

TEST(ResearchCommand, PagesThatCannotBeFetchedAreNamedAndExitThree) {
  FakeServices services(2);
  const ClosedPort closed;
  const std::string down = closed.Host();
  // A repeated flag takes its last value: the search engine is down.
  const QmkResult result = RunQmk(With(With({"research", "--format", "tsv", "--results", "2",
                                             "--pages", "2", "--target", "x.test", "seed"},
                                            services.EndpointFlags()),
                                       {"--search-host", down}));
  EXPECT_EQ(result.exit_code(), 3) << result.err;
  // The rows are still printed, with the texts of fetches without reply, and "?" for the
  // figures worked out from them.
  const auto lines = SplitLines(result.out);
  ASSERT_THAT(lines, SizeIs(2));
  EXPECT_THAT(SplitFields(lines[0]), ElementsAre("phrase 0", "100", "?", "?", "-", "?", "?"));
  // Named by what was asked, not by URL, a rank lookup once for its pages; a failed run is not
  // "Done!".
  for (const char* said :
       {"not fetched: supply of \"phrase 0\"", "rank of \"phrase 1\" not fetched"}) {
    EXPECT_THAT(result.err, HasSubstr(std::string("qmk: ") + said +
                                      ": Socket Error # 10061 Connection refused.\n"));
  }
  EXPECT_THAT(result.err, Not(HasSubstr("rank page")));
  EXPECT_THAT(result.err, HasSubstr("qmk: 2 rows; 6 of 7 pages not fetched\n"));
  EXPECT_THAT(result.err, Not(HasSubstr("Done!")));

  const QmkResult top = RunQmk({"top", "--top-host", down});
  EXPECT_EQ(top.exit_code(), 3);
  EXPECT_THAT(top.err, HasSubstr("the top-searches page was not fetched"));
}

TEST(ResearchCommand, TheTwentiethResultIsRankedTwentieth) {
  ScriptedServer server([](const std::string& target) {
    if (target.rfind("/d/", 0) == 0) return Reply("200 OK", SuggestionPage(1));
    if (target.find("&b=") == std::string::npos) return Reply("200 OK", "of about 9 for x");
    return Reply("200 OK", ResultPage(1, 20, "mysite.test"));
  });
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  const QmkResult result =
      RunQmk({"research", "--format", "tsv", "--results", "2", "--target", "mysite.test",
              "--suggest-host", host, "--search-host", host, "seed"});
  ASSERT_EQ(result.exit_code(), 0) << result.err;
  EXPECT_EQ(SplitFields(SplitLines(result.out).at(0)).at(4), "20");
}

TEST(ResearchCommand, RanksFromTheStandInServiceMatchItsSites) {
  const QmkResult result =
      RunQmk({"research", "--format", "tsv", "--results", "30", "--pages", "5", "--target",
              "example.com", "blue widgets"},
             {"QUILLMARK_SUGGEST_HOST=", "QUILLMARK_SEARCH_HOST=", "QUILLMARK_TOP_HOST="});
  ASSERT_EQ(result.exit_code(), 0) << result.err;
  EXPECT_THAT(result.err, HasSubstr("stand-in service"));
  const auto lines = SplitLines(result.out);
  ASSERT_THAT(lines, SizeIs(30));
  int ranked = 0;
  for (const std::string& line : lines) {
    const auto fields = SplitFields(line);
    ASSERT_THAT(fields, SizeIs(7)) << line;
    const int expected = demo::DemoSiteRank(fields[0], "example.com");
    if (expected >= 1 && expected <= 100) {
      EXPECT_EQ(fields[4], std::to_string(expected)) << fields[0];
      ++ranked;
    } else {
      EXPECT_EQ(fields[4], "-") << fields[0];
    }
  }
  EXPECT_GT(ranked, 0);
}

TEST(ResearchCommand, RefusesBadUsageWithExitTwo) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"research"},
                                             {"research", "--pages", "0", "x"},
                                             {"research", "--pages", "21", "x"},
                                             {"research", "--results", "1", "x"},
                                             {"research", "--results", "101", "x"},
                                             {"research", "--bogus", "x"},
                                             {"research", "--format", "xml", "x"},
                                             {"research", "--search-host", "a/b", "x"},
                                             {"research", "--timeout", "0", "x"},
                                             {"research", "--timeout", "nan", "x"},
                                             {"fetch", "--timeout", "nan", "http://x/"},
                                             {"top", "--results", "abc"},
                                             {"open"},
                                             {}}) {
    const QmkResult result = RunQmk(args);
    EXPECT_EQ(result.exit_code(), 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(result.err.empty());
    EXPECT_TRUE(result.out.empty());
  }
}

TEST(ResearchCommand, UnwritableSaveFailsBeforeTheRun) {
  FakeServices services(3);
  const QmkResult result = RunQmk(
      With({"research", "--save", "/nonexistent-dir/x.qmk", "seed"}, services.EndpointFlags()));
  EXPECT_EQ(result.exit_code(), 1);
  EXPECT_THAT(result.err, HasSubstr("/nonexistent-dir/x.qmk"));
  EXPECT_TRUE(services.Targets().empty());
}

TEST(ResearchCommand, NoRowsSucceedAndLeaveAnExistingFileAlone) {
  FakeServices services(0);
  testing::TempDir dir("qmk-save");
  const std::string file = dir.File("kept.qmk");
  { std::ofstream(file) << "[item0]\r\nkeyterm=old\r\n"; }
  const QmkResult result = RunQmk(
      With({"research", "--format", "tsv", "--save", file, "nothing"}, services.EndpointFlags()));
  EXPECT_EQ(result.exit_code(), 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_THAT(result.err, HasSubstr("no rows to save; " + file + " not written"));
  EXPECT_EQ(testing::ReadBytes(file), "[item0]\r\nkeyterm=old\r\n");
}

TEST(ResearchCommand, SavesThatCannotWorkAreRefusedBeforeTheRunOrReportedAfterIt) {
  FakeServices services(2);
  testing::TempDir dir("qmk-save");
  // A folder or a named pipe where the file should go: refused before anything is fetched.
  const std::string folder = dir.File("taken.qmk");
  std::filesystem::create_directory(folder);
  const std::string fifo = dir.File("pipe.qmk");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {folder, fifo}) {
    const QmkResult refused =
        RunQmk(With({"research", "--save", path, "x"}, services.EndpointFlags()));
    EXPECT_EQ(refused.exit_code(), 1) << path;
    EXPECT_THAT(refused.err, HasSubstr("cannot write " + path));
    const QmkResult opened = RunQmk({"open", path});
    EXPECT_EQ(opened.exit_code(), 1);
    EXPECT_THAT(opened.err, HasSubstr(path));
  }
  EXPECT_TRUE(services.Targets().empty());
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));

  // A folder that goes away during the run: the rows are printed, the save fails.
  const std::filesystem::path sub = dir.path() / "sub";
  std::filesystem::create_directory(sub);
  FakeServices vanishing(2, [&](const std::string&) { std::filesystem::remove_all(sub); });
  const std::string late = (sub / "x.qmk").string();
  const QmkResult result =
      RunQmk(With({"research", "--format", "tsv", "--results", "2", "--save", late, "x"},
                  vanishing.EndpointFlags()));
  EXPECT_EQ(result.exit_code(), 1);
  EXPECT_THAT(SplitLines(result.out), SizeIs(2));
  EXPECT_THAT(result.err, HasSubstr("cannot write " + late));
}

TEST(ResearchCommand, StandInThatCannotStartIsReportedNotACrash) {
  // The sanitizer runtime would otherwise refuse a library loaded ahead of it.
  const std::vector<std::string> environment = {"LD_PRELOAD=" NO_BIND_PRELOAD,
                                                "ASAN_OPTIONS=verify_asan_link_order=0"};
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"research", "x"}, {"top"}}) {
    const QmkResult result = RunQmk(args, environment);
    EXPECT_EQ(result.exit_code(), 1) << ::testing::PrintToString(args) << result.err;
    EXPECT_THAT(result.err, HasSubstr("qmk: Quillmark demo service cannot listen"));
    EXPECT_TRUE(result.out.empty());
  }
}

TEST(TopCommand, ListsNumberedPhrasesAndFilters) {
  FakeServices services(0);
  const QmkResult plain =
      RunQmk(With({"top", "--format", "tsv", "--results", "10"}, services.EndpointFlags()));
  ASSERT_EQ(plain.exit_code(), 0) << plain.err;
  EXPECT_THAT(services.Targets(), ElementsAre("/top"));
  EXPECT_THAT(SplitLines(plain.out),
              ElementsAre("1\tlocal news", "2\tnew socks", "3\tblue shoes", "4\tebay motors"));

  const QmkResult filtered = RunQmk(
      With({"top", "--filter", "--format", "tsv", "--results", "10"}, services.EndpointFlags()));
  ASSERT_EQ(filtered.exit_code(), 0) << filtered.err;
  EXPECT_THAT(SplitLines(filtered.out),
              ElementsAre("1\tlocal news", "2\tnew socks", "3\tblue shoes"));
}

TEST(TopCommand, StandInPageListsAcceptedPhrasesOnly) {
  const QmkResult result = RunQmk({"top", "--filter", "--results", "100", "--format", "tsv"});
  ASSERT_EQ(result.exit_code(), 0) << result.err;
  const auto lines = SplitLines(result.out);
  ASSERT_GE(lines.size(), 20u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto fields = SplitFields(lines[i]);
    ASSERT_THAT(fields, SizeIs(2));
    EXPECT_EQ(fields[0], std::to_string(i + 1));
    std::string squeezed;
    for (char c : fields[1])
      if (c != ' ') squeezed += c;
    for (const char* term : {"google", "ebay", "amazon", "youtube", ".com", ".net", ".org"})
      EXPECT_EQ(squeezed.find(term), std::string::npos) << fields[1];
  }
}

TEST(OpenCommand, RowsThatCannotBeWrittenAreAFailure) {
  FakeServices services(2);
  testing::TempDir dir("qmk-full");
  const std::string file = dir.File("rows.qmk");
  ASSERT_EQ(RunQmk(With({"research", "--save", file, "x"}, services.EndpointFlags())).exit_code(),
            0);
  ChildProcess::Options options;
  options.stdout_file = "/dev/full";  // every write fails: no space left
  options.stderr_file = dir.path() / "err";
  ChildProcess child({QMK_BINARY, "open", file}, options);
  const ChildResult result = child.Wait(std::chrono::seconds(30));
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_THAT(dir.Read("err"), HasSubstr("cannot write the rows"));
}

TEST(OpenCommand, MissingFileIsAnError) {
  const QmkResult result = RunQmk({"open", "/nonexistent-dir/none.qmk"});
  EXPECT_EQ(result.exit_code(), 1);
  EXPECT_THAT(result.err, HasSubstr("none.qmk"));
}

}  // namespace
}  // namespace quillmark::testing
