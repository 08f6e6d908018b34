#include "research/keyword_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmark {
namespace {

// Writes each notification as a short line so that tests can compare the sequence.
class RecordingObserver : public KeywordListObserver {
 public:
  void RowsAboutToBeAppended(std::size_t first, std::size_t count) override {
    Log("about to append", first, count);
  }
  void RowsAppended(std::size_t first, std::size_t count) override {
    Log("appended", first, count);
  }
  void RowChanged(std::size_t index) override { Log("changed", index, 1); }
  void RowsAboutToBeRemoved(std::size_t first, std::size_t count) override {
    Log("about to remove", first, count);
  }
  void RowsRemoved(std::size_t first, std::size_t count) override { Log("removed", first, count); }
  void ListAboutToBeReset() override { events.push_back("about to reset"); }
  void ListReset() override { events.push_back("reset"); }

  std::vector<std::string> events;

 private:
  void Log(const char* what, std::size_t first, std::size_t count) {
    events.push_back(std::string(what) + " " + std::to_string(first) + "+" + std::to_string(count));
  }
};

using Events = std::vector<std::string>;

class KeywordListTest : public ::testing::Test {
 protected:
  KeywordRowPtr AddRow(const std::string& caption) {
    auto row = list_.Append();
    list_.SetCaption(*row, caption);
    return row;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& row : list_.Rows()) captions.push_back(row->Caption());
    return captions;
  }
  void ExpectIndicesMatchPositions() const {
    for (std::size_t i = 0; i < list_.Count(); ++i) {
      EXPECT_EQ(list_.Row(i)->Index(), i);
      EXPECT_TRUE(list_.Contains(*list_.Row(i)));
    }
  }

  KeywordList list_;
};

TEST_F(KeywordListTest, AppendGivesAnEmptyUncheckedRowAtTheEnd) {
  AddRow("a");
  auto row = list_.Append();
  EXPECT_EQ(row->Index(), 1u);
  EXPECT_EQ(row->Caption(), "");
  EXPECT_TRUE(row->SubItems().empty());
  EXPECT_FALSE(row->Checked());
  EXPECT_EQ(row->SubItem(0), nullptr);
  list_.AppendSubItem(*row, "12");
  ASSERT_NE(row->SubItem(0), nullptr);
  EXPECT_EQ(*row->SubItem(0), "12");
}

TEST_F(KeywordListTest, IndicesFollowDeletesAndReorders) {
  for (const char* c : {"a", "b", "c", "d", "e"}) AddRow(c);
  auto b = list_.Row(1);
  auto d = list_.Row(3);
  list_.Delete(1);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "c", "d", "e"}));
  EXPECT_FALSE(b->InList());
  EXPECT_EQ(b->Index(), static_cast<std::size_t>(-1));
  EXPECT_EQ(d->Index(), 2u);
  ExpectIndicesMatchPositions();

  EXPECT_EQ(list_.DeleteIf([](const KeywordRow& r) { return r.Caption() != "d"; }), 3u);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"d"}));
  EXPECT_EQ(d->Index(), 0u);

  for (const char* c : {"z", "y"}) AddRow(c);
  list_.Reorder({2, 0, 1});
  EXPECT_EQ(Captions(), (std::vector<std::string>{"y", "d", "z"}));
  ExpectIndicesMatchPositions();

  list_.Sort([](const KeywordRow& x, const KeywordRow& y) { return x.Caption() < y.Caption(); });
  EXPECT_EQ(Captions(), (std::vector<std::string>{"d", "y", "z"}));
  ExpectIndicesMatchPositions();
  EXPECT_THROW(list_.Delete(3), std::out_of_range);
}

TEST_F(KeywordListTest, ReorderRejectsWhatIsNotAPermutationAndChangesNothing) {
  for (const char* c : {"a", "b", "c"}) AddRow(c);
  RecordingObserver observer;
  list_.AddObserver(&observer);
  EXPECT_THROW(list_.Reorder({0, 1}), std::invalid_argument);
  EXPECT_THROW(list_.Reorder({0, 1, 1}), std::invalid_argument);
  EXPECT_THROW(list_.Reorder({0, 1, 3}), std::invalid_argument);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(observer.events.empty());
  ExpectIndicesMatchPositions();
  list_.RemoveObserver(&observer);
}

TEST_F(KeywordListTest, WritesIntoARemovedRowAreRefused) {
  auto deleted = AddRow("gone");
  auto cleared = AddRow("cleared");
  list_.Delete(0);
  list_.Clear();
  for (const auto& row : {deleted, cleared}) {
    const std::string caption = row->Caption();
    EXPECT_FALSE(list_.SetCaption(*row, "new"));
    EXPECT_FALSE(list_.AppendSubItem(*row, "1"));
    EXPECT_FALSE(list_.SetChecked(*row, true));
    EXPECT_EQ(row->Caption(), caption);
    EXPECT_TRUE(row->SubItems().empty());
    EXPECT_FALSE(row->Checked());
  }
  // A row of another list is not this list's either.
  KeywordList other;
  auto foreign = other.Append();
  EXPECT_FALSE(list_.SetCaption(*foreign, "x"));
  EXPECT_TRUE(other.SetCaption(*foreign, "x"));
}

TEST_F(KeywordListTest, RowsOutlivingTheirListAreDetached) {
  KeywordRowPtr row;
  {
    KeywordList temporary;
    row = temporary.Append();
  }
  EXPECT_FALSE(row->InList());
  EXPECT_FALSE(list_.Contains(*row));
}

TEST_F(KeywordListTest, ClearAndNewRunsBumpTheGeneration) {
  const auto start = list_.Generation();
  const auto run = list_.BumpGeneration();
  EXPECT_GT(run, start);
  list_.Clear();
  EXPECT_GT(list_.Generation(), run);
  // Even an empty list's Clear makes older runs stale.
  const auto before = list_.Generation();
  list_.Clear();
  EXPECT_GT(list_.Generation(), before);
}

TEST_F(KeywordListTest, ObserversHearEachChangeInOrder) {
  AddRow("a");
  RecordingObserver observer;
  list_.AddObserver(&observer);
  list_.AddObserver(&observer);  // a second registration is ignored

  auto row = list_.Append();
  list_.SetCaption(*row, "b");
  list_.AppendSubItem(*row, "1");
  list_.SetChecked(*row, false);  // no change, no notification
  list_.SetChecked(1, true);
  list_.InvertChecks();
  list_.Delete(0);
  list_.Reorder({0});
  list_.Clear();
  EXPECT_EQ(observer.events,
            (Events{"about to append 1+1", "appended 1+1", "changed 1+1", "changed 1+1",
                    "changed 1+1", "changed 0+1", "changed 1+1", "about to remove 0+1",
                    "removed 0+1", "about to reset", "reset", "about to reset", "reset"}));

  list_.RemoveObserver(&observer);
  AddRow("after");
  EXPECT_EQ(observer.events.size(), 13u);
}

TEST_F(KeywordListTest, AppendRowsTakesFinishedRowsOnce) {
  AddRow("a");
  RecordingObserver observer;
  list_.AddObserver(&observer);
  auto loose = std::make_shared<KeywordRow>();
  list_.AppendRows({loose, std::make_shared<KeywordRow>()});
  EXPECT_EQ(observer.events, (Events{"about to append 1+2", "appended 1+2"}));
  EXPECT_EQ(loose->Index(), 1u);
  ExpectIndicesMatchPositions();
  // A row already in a list, or no row at all, is refused before anything changes.
  EXPECT_THROW(list_.AppendRows({std::make_shared<KeywordRow>(), loose}), std::invalid_argument);
  EXPECT_THROW(list_.AppendRows({nullptr}), std::invalid_argument);
  auto twice = std::make_shared<KeywordRow>();
  EXPECT_THROW(list_.AppendRows({twice, twice}), std::invalid_argument);
  EXPECT_EQ(list_.Count(), 3u);
  list_.RemoveObserver(&observer);
}

// An observer that, when told of a change, removes itself and adds another.
class HandOverObserver : public KeywordListObserver {
 public:
  HandOverObserver(KeywordList& list, KeywordListObserver& next) : list_(list), next_(next) {}
  void RowChanged(std::size_t) override {
    ++told;
    list_.RemoveObserver(this);
    list_.AddObserver(&next_);
  }
  int told = 0;

 private:
  KeywordList& list_;
  KeywordListObserver& next_;
};

TEST_F(KeywordListTest, ObserversMayComeAndGoWhileBeingTold) {
  RecordingObserver later;
  HandOverObserver first(list_, later);
  list_.AddObserver(&first);
  auto row = AddRow("a");
  EXPECT_EQ(first.told, 1);
  list_.SetChecked(*row, true);
  EXPECT_EQ(first.told, 1);
  // The newcomer hears the changes after the one during which it came.
  EXPECT_EQ(later.events, (Events{"changed 0+1"}));
}

TEST_F(KeywordListTest, ASortThatThrowsKeepsTheRowsAndEndsItsReset) {
  AddRow("b");
  AddRow("a");
  RecordingObserver observer;
  list_.AddObserver(&observer);
  EXPECT_THROW(list_.Sort([](const KeywordRow&, const KeywordRow&) -> bool {
    throw std::runtime_error("cannot compare");
  }),
               std::runtime_error);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"b", "a"}));
  ExpectIndicesMatchPositions();
  EXPECT_EQ(observer.events, (Events{"about to reset", "reset"}));
}

TEST_F(KeywordListTest, LookupsAreWrittenThroughTheListAndNotOnceTheRowHasLeft) {
  auto row = AddRow("a");
  RecordingObserver observer;
  list_.AddObserver(&observer);
  LookupStatus lookups;
  lookups.supply = SupplyLookup::kNotFetched;
  EXPECT_TRUE(list_.SetLookups(*row, lookups));
  EXPECT_TRUE(list_.SetLookups(*row, lookups));  // unchanged: no second notification
  EXPECT_EQ(observer.events, (Events{"changed 0+1"}));
  list_.Clear();
  EXPECT_FALSE(list_.SetLookups(*row, {}));
  EXPECT_EQ(row->Lookups().supply, SupplyLookup::kNotFetched);
}

}  // namespace
}  // namespace quillmark
