#pragma once

#include <QLoggingCategory>

// One logging category per area, all written to standard error by Qt's default handler (never
// standard output: in --mcp that channel belongs to the protocol). Filter with QT_LOGGING_RULES,
// e.g. "morvanex.history.debug=true".
namespace morvanex::log {

Q_DECLARE_LOGGING_CATEGORY(platform)
Q_DECLARE_LOGGING_CATEGORY(monitors)
Q_DECLARE_LOGGING_CATEGORY(services)
Q_DECLARE_LOGGING_CATEGORY(history)
Q_DECLARE_LOGGING_CATEGORY(app)
Q_DECLARE_LOGGING_CATEGORY(agents)
Q_DECLARE_LOGGING_CATEGORY(ui)

} // namespace morvanex::log
