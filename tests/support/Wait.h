#pragma once

#include <chrono>
#include <functional>

namespace morvanex::test {

// Runs the event loop until `condition` holds or `timeout` has passed; whether it held. The
// bound is generous: tests must pass on a loaded machine, and never assert on time.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(60));

} // namespace morvanex::test
