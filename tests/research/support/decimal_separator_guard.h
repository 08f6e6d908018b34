#pragma once
// Sets the process-wide decimal separator for one test and puts the old one back afterwards.

#include "research/decimal_separator.h"

namespace quillmark::testing {

class DecimalSeparatorGuard {
 public:
  explicit DecimalSeparatorGuard(char separator) : saved_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  ~DecimalSeparatorGuard() { SetDecimalSeparator(saved_); }
  DecimalSeparatorGuard(const DecimalSeparatorGuard&) = delete;
  DecimalSeparatorGuard& operator=(const DecimalSeparatorGuard&) = delete;

 private:
  char saved_;
};

}  // namespace quillmark::testing
