#pragma once
// The indices a run derives from a row's demand, supply and rank texts. Each takes column texts
// and returns a column text; none fails: a text that is not a number counts as 0.

#include <string>
#include <string_view>

namespace quillmark {

// Supply / demand with at most three decimals; "0" when the demand is 0 or either is not a number.
std::string ComputeCostPerProspect(std::string_view supply, std::string_view demand);

// The share of the phrase's traffic the site earns at its rank, in percent with "%": halved for
// each further page of 20 results and scaled by (supply - rank + 1) / supply; 100% when the
// supply is unknown or 0, 0% when unranked ("-").
std::string ComputeProfitability(std::string_view supply, std::string_view rank);

// Demand x profitability / 100 as plain digits, rounded half away from zero; "0" when either text
// is not a number or the product is negative, at most the largest whole number a column can hold.
std::string EstimateProspects(std::string_view demand, std::string_view profitability_number);

}  // namespace quillmark
