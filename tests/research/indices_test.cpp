#include "research/indices.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <random>
#include <string>

#include "research/decimal_separator.h"
#include "support/decimal_separator_guard.h"

namespace quillmark {
namespace {

using testing::DecimalSeparatorGuard;

// The texts as written with "."; the comma locale expects the same with ",".
std::string InLocale(std::string text, char separator) {
  for (char& c : text) {
    if (c == '.') c = separator;
  }
  return text;
}

class IndicesTest : public ::testing::TestWithParam<char> {
 protected:
  std::string Local(const char* text) const { return InLocale(text, GetParam()); }
  DecimalSeparatorGuard guard_{GetParam()};
};

TEST_P(IndicesTest, CostPerProspect) {
  EXPECT_EQ(ComputeCostPerProspect("1230000", "4000"), Local("307.5"));
  EXPECT_EQ(ComputeCostPerProspect("1", "3"), Local("0.333"));
  EXPECT_EQ(ComputeCostPerProspect("2", "3"), Local("0.667"));
  EXPECT_EQ(ComputeCostPerProspect("3", "2"), Local("1.5"));
  EXPECT_EQ(ComputeCostPerProspect("1", "8"), Local("0.125"));
  EXPECT_EQ(ComputeCostPerProspect("1", "16"), Local("0.063"));  // half away from zero
  EXPECT_EQ(ComputeCostPerProspect("1", "3000"), "0");
  EXPECT_EQ(ComputeCostPerProspect("-1", "3"), Local("-0.333"));
  EXPECT_EQ(ComputeCostPerProspect("-1", "3000"), "0");  // never "-0"
  EXPECT_EQ(ComputeCostPerProspect("2147483647", "1"), "2147483647");
}

TEST_P(IndicesTest, CostPerProspectCountsNonNumbersAsZero) {
  EXPECT_EQ(ComputeCostPerProspect("1000", "0"), "0");
  EXPECT_EQ(ComputeCostPerProspect("?", "4000"), "0");
  EXPECT_EQ(ComputeCostPerProspect("", "4000"), "0");
  EXPECT_EQ(ComputeCostPerProspect("1230000", "4,000"), "0");
  EXPECT_EQ(ComputeCostPerProspect("1230000", "?"), "0");
  EXPECT_EQ(ComputeCostPerProspect("3000000000", "5"), "0");
}

TEST_P(IndicesTest, ProfitabilityExamples) {
  EXPECT_EQ(ComputeProfitability("1000", "1"), "100%");
  EXPECT_EQ(ComputeProfitability("1000", "20"), Local("98.1%"));
  EXPECT_EQ(ComputeProfitability("1000", "21"), "49%");
  EXPECT_EQ(ComputeProfitability("1000", "25"), Local("48.8%"));
  EXPECT_EQ(ComputeProfitability("1000", "100"), Local("5.631%"));
  EXPECT_EQ(ComputeProfitability("10", "25"), "-70%");
  EXPECT_EQ(ComputeProfitability("?", "5"), "100%");
  EXPECT_EQ(ComputeProfitability("1000", "-"), "0%");
  EXPECT_EQ(ComputeProfitability("8", "4"), Local("62.5%"));
}

TEST_P(IndicesTest, ProfitabilityPagesAndUnknowns) {
  // Ranks 1..20 are page 1 (no halving), 21..40 page 2.
  EXPECT_EQ(ComputeProfitability("100000", "20"), Local("99.981%"));
  EXPECT_EQ(ComputeProfitability("100000", "21"), Local("49.99%"));
  EXPECT_EQ(ComputeProfitability("100000", "41"), Local("24.99%"));
  // An unknown or zero supply gives 100% for any rank, the halving discarded.
  EXPECT_EQ(ComputeProfitability("?", "37"), "100%");
  EXPECT_EQ(ComputeProfitability("0", "37"), "100%");
  EXPECT_EQ(ComputeProfitability("3000000000", "37"), "100%");
  for (const char* supply : {"1000", "?", "0", ""}) {
    EXPECT_EQ(ComputeProfitability(supply, "-"), "0%") << supply;
    EXPECT_EQ(ComputeProfitability(supply, ""), "0%") << supply;
    EXPECT_EQ(ComputeProfitability(supply, "x"), "0%") << supply;
  }
}

TEST_P(IndicesTest, ProfitabilityExtremesStayFiniteAndSigned) {
  // The page count of a huge rank underflows the share to zero; the result must not be "-0%".
  EXPECT_EQ(ComputeProfitability("2000000000", "2000000002"), "0%");
  EXPECT_EQ(ComputeProfitability("2147483647", "2147483647"), "0%");
  // A negative rank is page 0: no halving, and the difference must not wrap.
  EXPECT_EQ(ComputeProfitability("2147483647", "-2147483648"), "200%");
}

TEST_P(IndicesTest, EstimateProspectsRoundsHalvesAwayFromZero) {
  EXPECT_EQ(EstimateProspects("1000", Local("48.8")), "488");
  EXPECT_EQ(EstimateProspects("5", "50"), "3");              // 2.5
  EXPECT_EQ(EstimateProspects("7", "50"), "4");              // 3.5
  EXPECT_EQ(EstimateProspects("3", "10"), "0");              // 0.3
  EXPECT_EQ(EstimateProspects("1000", Local("0.05")), "1");  // 0.5 despite binary 0.05
  EXPECT_EQ(EstimateProspects("1000", Local("5.631")), "56");
  EXPECT_EQ(EstimateProspects("1000", "100"), "1000");
  EXPECT_EQ(EstimateProspects("0", "100"), "0");
}

TEST_P(IndicesTest, EstimateProspectsIsNeverNegativeAndNeverOverflows) {
  EXPECT_EQ(EstimateProspects("5", "-70"), "0");
  EXPECT_EQ(EstimateProspects("-5", "70"), "0");
  EXPECT_EQ(EstimateProspects("2147483647", "100"), "2147483647");
  EXPECT_EQ(EstimateProspects("2147483647", "200"), "2147483647");
  EXPECT_EQ(EstimateProspects("2147483647", "1e4000"), "2147483647");
  for (const char* demand : {"", "?", "1,000", "3000000000"}) {
    EXPECT_EQ(EstimateProspects(demand, "50"), "0") << demand;
  }
  for (const char* profitability : {"", "?", "-", "%", "50%", "abc"}) {
    EXPECT_EQ(EstimateProspects("1000", profitability), "0") << profitability;
  }
}

INSTANTIATE_TEST_SUITE_P(Separators, IndicesTest, ::testing::Values('.', ','),
                         [](const auto& info) {
                           return std::string(info.param == '.' ? "Point" : "Comma");
                         });

TEST(DecimalTextTest, ReadsOnlyTheRegionalSeparator) {
  DecimalSeparatorGuard comma(',');
  EXPECT_EQ(ReadDecimal("48,8"), 48.8L);
  EXPECT_FALSE(ReadDecimal("48.8").has_value());
  EXPECT_EQ(EstimateProspects("1000", "48.8"), "0");
}

TEST(DecimalTextTest, ReadsSignsBlanksAndExponents) {
  DecimalSeparatorGuard point('.');
  EXPECT_EQ(ReadDecimal(" -1.5 "), -1.5L);
  EXPECT_EQ(ReadDecimal("+2"), 2.0L);
  EXPECT_EQ(ReadDecimal(".5"), 0.5L);
  EXPECT_EQ(ReadDecimal("5."), 5.0L);
  EXPECT_EQ(ReadDecimal("1e3"), 1000.0L);
  for (const char* text : {"", " ", ".", "-", "+.", "1.2.3", "1,5", "1e", "1e+", "12%", "?", "0x1"})
    EXPECT_FALSE(ReadDecimal(text).has_value()) << '"' << text << '"';
}

TEST(DecimalTextTest, ShortFormsReadExactlyLikeTheGeneralConversion) {
  // Ordinary texts take a shortcut; it must give the very value the full conversion gives.
  DecimalSeparatorGuard point('.');
  std::mt19937_64 random(3);
  for (int i = 0; i < 20000; ++i) {
    const std::string whole = std::to_string(random() % 1000000000000ULL);
    const std::string text = whole + "." + std::to_string(random() % 1000000000ULL);
    long double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_EQ(ReadDecimal(text), expected) << text;
    ASSERT_EQ(ReadDecimal("-" + text), -expected) << text;
  }
  EXPECT_EQ(ReadDecimal("123456789012345678901234.5"), 123456789012345678901234.5L);
}

TEST(DecimalTextTest, FormatsAtMostTheGivenDecimals) {
  DecimalSeparatorGuard point('.');
  EXPECT_EQ(FormatDecimal(0, 3), "0");
  EXPECT_EQ(FormatDecimal(-0.0L, 3), "0");
  EXPECT_EQ(FormatDecimal(0.9995L, 3), "1");
  EXPECT_EQ(FormatDecimal(999.9996L, 3), "1000");
  EXPECT_EQ(FormatDecimal(-0.0004L, 3), "0");
  EXPECT_EQ(FormatDecimal(-0.0006L, 3), "-0.001");
  EXPECT_EQ(FormatDecimal(1e-30L, 3), "0");
  EXPECT_EQ(FormatDecimal(12345678.5L, 0), "12345679");
  EXPECT_EQ(FormatDecimal(0.5L, 0), "1");
}

TEST(DecimalTextTest, TakesTheSeparatorFromTheLocaleWithoutChangingIt) {
  DecimalSeparatorGuard comma(',');
  const char* saved = std::getenv("LC_ALL");
  const std::string old = saved ? saved : "";
  ::setenv("LC_ALL", "C", 1);
  InitDecimalSeparatorFromLocale();
  if (saved) {
    ::setenv("LC_ALL", old.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
  EXPECT_EQ(DecimalSeparator(), '.');
}

}  // namespace
}  // namespace quillmark
