#include "agents/McpTools.h"

#include "base/EnumText.h"
#include "history/HistoryMetric.h"

#include <QJsonValue>

namespace morvanex::mcp {
namespace {

// Every argument is optional and carries no default in the schema; the descriptions say what
// an absent argument means.
QJsonObject schema(const QJsonObject& properties) {
    return QJsonObject{
        {"type", "object"}, {"properties", properties}, {"additionalProperties", false}};
}

QJsonObject tool(const char* name, const char* title, const char* description,
                 const QJsonObject& properties = {}) {
    return QJsonObject{{"name", QString::fromUtf8(name)},
                       {"title", QString::fromUtf8(title)},
                       {"description", QString::fromUtf8(description)},
                       {"annotations", readOnly()},
                       {"inputSchema", schema(properties)}};
}

QJsonArray buildTools() {
    const QJsonObject topProcesses{
        {"sort_by", QJsonObject{{"type", "string"},
                                {"enum", QJsonArray{"cpu", "memory", "disk"}},
                                {"description", "Resource to rank by. Default: cpu."}}},
        {"limit", QJsonObject{{"type", "integer"},
                              {"minimum", 1},
                              {"maximum", 30},
                              {"description", "How many processes. Default: 10."}}}};
    const QJsonObject history{
        {"metric",
         QJsonObject{{"type", "string"},
                     {"enum", QJsonArray::fromStringList(historyMetrics())},
                     {"description",
                      QString::fromUtf8("cpu_user/cpu_system/gpu/mem_pressure/mem_used/battery "
                                        "in %, disk_read/disk_write/net_down/net_up in bytes per "
                                        "second, temperature in \u00b0C, fan in rpm (fastest "
                                        "fan), power in watts.")}}},
        {"range", QJsonObject{{"type", "string"},
                              {"enum", QJsonArray{"1h", "24h", "7d", "30d"}},
                              {"description", "How far back. Default: 24h."}}},
        {"points",
         QJsonObject{{"type", "integer"},
                     {"minimum", 0},
                     {"maximum", 200},
                     {"description", "Number of points to return besides the summary. Default: "
                                     "48."}}}};
    const QJsonObject sensors{
        {"all_sensors",
         QJsonObject{
             {"type", "boolean"},
             {"description", "Also list every sensor with its key (long). Default: false."}}}};

    return QJsonArray{
        tool("get_overview", "Overview",
             "Snapshot of this computer right now: CPU, GPU, memory, system disk, network, "
             "temperatures, fans, battery, power, uptime, connected iPhones/iPads, and "
             "Morvanex's one-line insight about what is using the computer."),
        tool("get_top_processes", "Top processes",
             "The processes using the most CPU, memory or disk right now. CPU is per core (100% "
             "= one full core). Every process is listed; disk rates are measured only for "
             "processes the current user may inspect, usually its own.",
             topProcesses),
        tool("get_history", "History",
             "Recorded history of one metric: summary (min, max, average, when the peak was) "
             "plus evenly spaced points. Morvanex keeps 30 days while it runs; gaps mean the "
             "computer was asleep or Morvanex wasn't running.",
             history),
        tool("get_sensors", "Sensors",
             "Temperatures (average and maximum per component group, and the hottest sensors), "
             "fan speeds with their range, and power readings.",
             sensors),
        tool("get_battery", "Battery",
             "Battery charge, charging state, time remaining, health (maximum capacity vs "
             "design), cycle count, temperature, power draw, adapter, Power Saver, and "
             "Bluetooth device batteries."),
        tool("get_network", "Network",
             "Network rates, internet status, public and local IP addresses, ping, router, DNS, "
             "VPN, Wi-Fi details, interfaces, and the saved results of Morvanex's network speed "
             "tests."),
        tool("get_disks", "Disks",
             "Mounted volumes with capacity, used and free space, purgeable space, and current "
             "disk read/write rates."),
        tool("get_connected_devices", "Connected devices",
             "iPhones and iPads connected by USB or Wi-Fi sync that trust this computer: battery, "
             "battery health, cycle count, storage, model and iOS version.")};
}

} // namespace

const QJsonObject& readOnly() {
    static const QJsonObject annotations{{"readOnlyHint", true}, {"openWorldHint", false}};
    return annotations;
}

const QStringList& historyMetrics() {
    static const QStringList names = [] {
        QStringList list;
        for (const HistoryMetric metric : allCases<HistoryMetric>())
            list.append(rawValue(metric));
        return list;
    }();
    return names;
}

const QJsonArray& tools() {
    static const QJsonArray table = buildTools();
    return table;
}

} // namespace morvanex::mcp
