#pragma once
// The DataForSEO account as its free account call tells it: who is logged in, the money left
// and the calls allowed, or the provider's own words when it refuses the login.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/fetch_result.h"
#include "sources/credentials.h"

namespace quillmark::sources {

// Calls a function of the API may take in a period.
struct RateLimit {
  std::string period;    // "minute", "day"
  std::string function;  // "serp", or a path into the reply's nesting: "keywords_data.google_ads"
  std::int64_t calls = 0;
};

struct Account {
  std::string login;
  std::optional<double> balance;  // USD left
  std::vector<RateLimit> limits;  // in the reply's order
};

struct AccountCheck {
  enum Outcome { kOk, kRefused, kFailed, kCancelled } outcome = kFailed;
  Account account;      // kOk
  std::string failure;  // otherwise: the provider's words, or why no reply came
};

// Asks the provider (GET /v3/appendix/user_data, free of charge; never cached) about the
// account of `credentials`, within `timeout`; `cancelled` is polled while the call is in flight.
// Neither the outcome nor the failure holds the password. Throws SourceError when
// QUILLMARK_DATAFORSEO_URL names no usable address.
AccountCheck CheckDataForSeoAccount(const Credentials& credentials,
                                    std::chrono::milliseconds timeout,
                                    const Cancellation& cancelled = {});

}  // namespace quillmark::sources
