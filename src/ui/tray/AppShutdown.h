#pragma once

namespace morvanex {
class HistoryStore;
class Hub;
class KeepAwake;
} // namespace morvanex

namespace morvanex::ui {

// The application's last steps before the process ends, in this order: every queued history
// sample is written (the store's flush on its own queue, waited for), then keep-awake lets go of
// its assertion without its change callback. `history` may be null (no store).
void shutDown(HistoryStore* history, KeepAwake& keepAwake);
void shutDown(Hub& hub);

} // namespace morvanex::ui
