#pragma once
// How a fetch learns that it is no longer wanted.

#include <functional>

namespace quillmark::session {

// Polled by a fetch at least every 50 ms while it waits; true ends it as cancelled.
using CancelTest = std::function<bool()>;

}  // namespace quillmark::session
