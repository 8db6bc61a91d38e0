#pragma once

#include <functional>

namespace morvanex::platform {

// Runs `work` later on the event loop of the application object's thread (the main thread).
// Callable from any thread, the main thread included: the work never runs inline, always from
// the event loop, and items posted from one thread run in the order they were posted.
// Without an application object (none created yet, or already destroyed) the work is dropped.
// Work still pending when the application object is destroyed is dropped too.
// An exception escaping the work is caught and logged: the event loop cannot unwind through it.
void postToMain(std::function<void()> work);

} // namespace morvanex::platform
