#include "agents/AgentClient.h"

#include "agents/AgentLocations.h"
#include "agents/ConfigFile.h"
#include "agents/ShellWord.h"
#include "agents/TomlSection.h"
#include "base/JsonWriter.h"
#include "platform/XdgPaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

namespace morvanex {
namespace {

using agents::linuxLocation;
using agents::linuxLocations;

const QString entryName = QStringLiteral("morvanex");
const QString serverArgument = QStringLiteral("--mcp");
constexpr char agentHomeVariable[] = "MORVANEX_AGENT_HOME";

template <typename Result> using Outcome = std::variant<Result, AgentClient::ConfigError>;

AgentClient::ConfigError configError(QString text) {
    return AgentClient::ConfigError{std::move(text)};
}

AgentClient::Config jsonConfig(const char* path, const char* key, bool typed) {
    return AgentClient::JsonConfig{linuxLocation(QString::fromUtf8(path)), QString::fromUtf8(key),
                                   typed};
}

AgentClient::Config tomlConfig(const char* path) {
    return AgentClient::TomlConfig{linuxLocation(QString::fromUtf8(path))};
}

QStringList detected(std::initializer_list<const char*> paths) {
    QStringList list;
    for (const char* path : paths)
        list.append(QString::fromUtf8(path));
    return linuxLocations(list);
}

QString claudeCodeCommand(const QString& executable) {
    // Quoted whenever the shell would read any character of the path specially, not only a
    // space, so that the pasted line runs exactly this executable.
    return QStringLiteral("claude mcp add --scope user ") + entryName + QStringLiteral(" -- ") +
           agents::shellWord(executable) + QLatin1Char(' ') + serverArgument;
}

QJsonObject serverEntry(const QString& executable, bool typed) {
    QJsonObject entry{{QStringLiteral("command"), executable},
                      {QStringLiteral("args"), QJsonArray{serverArgument}}};
    if (typed)
        entry.insert(QStringLiteral("type"), QStringLiteral("stdio"));
    return entry;
}

// Sorted keys, two-space indentation, " : " between key and value, "/" unescaped, one final
// line end. Nothing when a value cannot be written, which a parsed document never holds.
std::optional<QString> jsonText(const QJsonObject& object) {
    const auto text = json::pretty(object);
    if (!text)
        return std::nullopt;
    return QString::fromUtf8(*text) + QLatin1Char('\n');
}

QString configPath(const AgentClient::Config& config) {
    if (const auto* json = std::get_if<AgentClient::JsonConfig>(&config))
        return json->path;
    if (const auto* toml = std::get_if<AgentClient::TomlConfig>(&config))
        return toml->path;
    return {};
}

Outcome<QString> readText(const AgentClient& client) {
    const QString path = configPath(client.config);
    if (path.isEmpty())
        return QString();
    if (auto text = agents::readConfigText(AgentClient::expand(path)))
        return *std::move(text);
    return configError(QStringLiteral("Couldn't read ") + client.name +
                       QStringLiteral("'s config file, so Morvanex left it alone."));
}

Outcome<QJsonObject> readJSON(const AgentClient& client) {
    auto text = readText(client);
    if (auto* error = std::get_if<AgentClient::ConfigError>(&text))
        return *error;
    const QString& whole = std::get<QString>(text);
    if (whole.trimmed().isEmpty())
        return QJsonObject();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(whole.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return configError(client.name +
                           QStringLiteral("'s config file couldn't be read as plain JSON (it may "
                                          "contain comments), so Morvanex left it alone. Use the "
                                          "snippet below instead."));
    return document.object();
}

std::optional<AgentClient::ConfigError> write(const AgentClient& client, const QString& text) {
    const QString path = configPath(client.config);
    if (path.isEmpty())
        return std::nullopt;
    if (auto error = agents::writeConfigText(AgentClient::expand(path), text))
        return configError(*std::move(error));
    return std::nullopt;
}

std::optional<AgentClient::ConfigError>
updateJSON(const AgentClient& client, const QString& key,
           const std::function<void(QJsonObject& servers)>& edit) {
    auto document = readJSON(client);
    if (auto* error = std::get_if<AgentClient::ConfigError>(&document))
        return *error;
    QJsonObject& top = std::get<QJsonObject>(document);
    const QJsonValue old = top.value(key);
    QJsonObject servers = old.isObject() ? old.toObject() : QJsonObject();
    edit(servers);
    top.insert(key, servers);
    const auto text = jsonText(top);
    if (!text)
        return configError(QStringLiteral("Couldn't write ") + client.name +
                           QStringLiteral("'s config file, so Morvanex left it alone."));
    return write(client, *text);
}

std::optional<AgentClient::ConfigError> updateTOML(const AgentClient& client, bool adding) {
    auto text = readText(client);
    if (auto* error = std::get_if<AgentClient::ConfigError>(&text))
        return *error;
    return write(client, agents::updatedToml(std::get<QString>(std::move(text)), adding,
                                             client.serverExecutable));
}

AgentClient::Status jsonStatus(const AgentClient& client, const AgentClient::JsonConfig& json) {
    const auto document = readJSON(client);
    const auto* top = std::get_if<QJsonObject>(&document);
    if (!top)
        return AgentClient::Status::notAdded();
    const QJsonValue servers = top->value(json.key);
    if (!servers.isObject())
        return AgentClient::Status::notAdded();
    const QJsonValue entry = servers.toObject().value(entryName);
    if (!entry.isObject())
        return AgentClient::Status::notAdded();
    const QString command = entry.toObject().value(QStringLiteral("command")).toString();
    return command == client.serverExecutable ? AgentClient::Status::added()
                                              : AgentClient::Status::addedElsewhere(command);
}

AgentClient::Status tomlStatus(const AgentClient& client) {
    const auto text = readText(client);
    const auto* whole = std::get_if<QString>(&text);
    if (!whole)
        return AgentClient::Status::notAdded();
    const auto section = agents::tomlSection(*whole);
    if (!section)
        return AgentClient::Status::notAdded();
    const QString command =
        agents::tomlCommand(QStringView(*whole).mid(section->start, section->end - section->start));
    return command == client.serverExecutable ? AgentClient::Status::added()
                                              : AgentClient::Status::addedElsewhere(command);
}

} // namespace

QString AgentClient::ConfigError::localizedDescription() const {
    return errorDescription.value_or(QStringLiteral("The operation couldn't be completed."));
}

std::vector<AgentClient> AgentClient::table(const QString& executable) {
    const auto client = [&](const char* id, const char* name, const char* detail, Config config,
                            std::initializer_list<const char*> detect) {
        return AgentClient{QString::fromUtf8(id),     QString::fromUtf8(name),
                           QString::fromUtf8(detail), std::move(config),
                           detected(detect),          executable};
    };
    return {
        client("claude-desktop", "Claude Desktop", "Quit and reopen Claude after adding.",
               jsonConfig("~/Library/Application Support/Claude/claude_desktop_config.json",
                          "mcpServers", false),
               {"/Applications/Claude.app", "~/Library/Application Support/Claude"}),
        client("claude-code", "Claude Code", "Run this once in Terminal.",
               CommandConfig{claudeCodeCommand(executable)}, {"~/.claude.json", "~/.claude"}),
        client("cursor", "Cursor", "Appears under Settings › MCP.",
               jsonConfig("~/.cursor/mcp.json", "mcpServers", false),
               {"/Applications/Cursor.app", "~/.cursor"}),
        client("vscode", "VS Code", "For Copilot's agent mode. Reload the window after adding.",
               jsonConfig("~/Library/Application Support/Code/User/mcp.json", "servers", true),
               {"/Applications/Visual Studio Code.app", "~/Library/Application Support/Code/User"}),
        client("windsurf", "Windsurf", "Refresh MCP servers in Cascade after adding.",
               jsonConfig("~/.codeium/windsurf/mcp_config.json", "mcpServers", false),
               {"/Applications/Windsurf.app", "~/.codeium/windsurf"}),
        client("lm-studio", "LM Studio", "For local models that support tools.",
               jsonConfig("~/.lmstudio/mcp.json", "mcpServers", false),
               {"/Applications/LM Studio.app", "~/.lmstudio"}),
        client("gemini-cli", "Gemini CLI", "Start a new session after adding.",
               jsonConfig("~/.gemini/settings.json", "mcpServers", false), {"~/.gemini"}),
        client("codex", "Codex CLI", "Start a new session after adding.",
               tomlConfig("~/.codex/config.toml"), {"~/.codex"}),
    };
}

const std::vector<AgentClient>& AgentClient::all() {
    static const std::vector<AgentClient> clients = table(executable());
    return clients;
}

std::optional<AgentClient> AgentClient::client(const QString& id) {
    for (const AgentClient& candidate : all()) {
        if (candidate.id == id)
            return candidate;
    }
    return std::nullopt;
}

QString AgentClient::executable() {
    if (!QCoreApplication::instance())
        return {};
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QCoreApplication::arguments().value(0) : path;
}

QString AgentClient::expand(const QString& path) {
    if (!path.startsWith(QLatin1Char('~')))
        return path;
    const QString home = qEnvironmentVariableIsSet(agentHomeVariable)
                             ? qEnvironmentVariable(agentHomeVariable)
                             : platform::xdg::home();
    return home + path.mid(1);
}

QString AgentClient::genericSnippet(const QString& executablePath) {
    const QJsonObject document{{QStringLiteral("mcpServers"),
                                QJsonObject{{entryName, serverEntry(executablePath, false)}}}};
    return jsonText(document).value_or(QString());
}

bool AgentClient::isInstalled() const {
    for (const QString& path : detect) {
        if (QFileInfo::exists(expand(path)))
            return true;
    }
    return false;
}

AgentClient::Status AgentClient::status() const {
    if (!isInstalled())
        return Status::notInstalled();
    if (std::holds_alternative<CommandConfig>(config))
        return Status::manual();
    if (const auto* json = std::get_if<JsonConfig>(&config))
        return jsonStatus(*this, *json);
    return tomlStatus(*this);
}

std::optional<AgentClient::ConfigError> AgentClient::add() const {
    if (std::holds_alternative<CommandConfig>(config))
        return configError(name + QStringLiteral(" is set up with a command; copy it and run it in "
                                                 "Terminal."));
    if (std::holds_alternative<TomlConfig>(config))
        return updateTOML(*this, true);
    const auto& json = std::get<JsonConfig>(config);
    const QJsonObject entry = serverEntry(serverExecutable, json.typed);
    return updateJSON(*this, json.key,
                      [&](QJsonObject& servers) { servers.insert(entryName, entry); });
}

std::optional<AgentClient::ConfigError> AgentClient::remove() const {
    if (std::holds_alternative<CommandConfig>(config))
        return configError(QStringLiteral("Run `claude mcp remove ") + entryName +
                           QStringLiteral(" --scope user` in Terminal."));
    if (std::holds_alternative<TomlConfig>(config))
        return updateTOML(*this, false);
    return updateJSON(*this, std::get<JsonConfig>(config).key,
                      [](QJsonObject& servers) { servers.remove(entryName); });
}

} // namespace morvanex
