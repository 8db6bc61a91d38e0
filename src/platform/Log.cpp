#include "platform/Log.h"

namespace morvanex::log {

// Failures are worth seeing by default; only debug lines need a rule to show.
Q_LOGGING_CATEGORY(platform, "morvanex.platform", QtInfoMsg)
Q_LOGGING_CATEGORY(monitors, "morvanex.monitors", QtInfoMsg)
Q_LOGGING_CATEGORY(services, "morvanex.services", QtInfoMsg)
Q_LOGGING_CATEGORY(history, "morvanex.history", QtInfoMsg)
Q_LOGGING_CATEGORY(app, "morvanex.app", QtInfoMsg)
Q_LOGGING_CATEGORY(agents, "morvanex.agents", QtInfoMsg)
Q_LOGGING_CATEGORY(ui, "morvanex.ui", QtInfoMsg)

} // namespace morvanex::log
