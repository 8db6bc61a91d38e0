#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The agent server's eight read-only tools as "tools/list" describes them, and the error a tool
// body throws.
namespace morvanex::mcp {

// A tool's failure: one sentence that reaches the agent as the text of an error result.
struct ToolError {
    QString message;
};

// The annotations every tool shares: {"readOnlyHint": true, "openWorldHint": false}.
const QJsonObject& readOnly();

// The history metric names towards agents, in the database's column order (13 names).
const QStringList& historyMetrics();

// The eight tool objects, each with "name", "title", "description", "annotations" and
// "inputSchema", in the order agents see them. Built once.
const QJsonArray& tools();

} // namespace morvanex::mcp
