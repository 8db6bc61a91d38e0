#include "ui/tray/AppShutdown.h"

#include "app/Hub.h"
#include "history/HistoryStore.h"
#include "monitors/KeepAwake.h"

namespace morvanex::ui {

void shutDown(HistoryStore* history, KeepAwake& keepAwake) {
    if (history)
        history->flush();
    keepAwake.stop(false);
}

void shutDown(Hub& hub) {
    shutDown(hub.history.get(), hub.keepAwake);
}

} // namespace morvanex::ui
