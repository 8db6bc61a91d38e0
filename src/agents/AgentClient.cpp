#include "agents/AgentClient.h"

#include "agents/AgentLocations.h"
#include "agents/ConfigFile.h"
#include "agents/ExactJson.h"
#include "agents/ShellWord.h"
#include "agents/TomlEdit.h"
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

using agents::ExactJson;
using agents::linuxLocation;
using agents::linuxLocations;

const QString entryName = QStringLiteral("morvanex");
const QString serverArgument = QStringLiteral("--mcp");
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
    // Every change reads first: a home that cannot be used stops it here, before any write.
    if (const auto refusal = agents::agentHomeRefusal())
        return configError(*refusal);
    if (auto text = agents::readConfigText(AgentClient::expand(path)))
        return *std::move(text);
    return configError(QStringLiteral("Couldn't read ") + client.name +
                       QStringLiteral("'s config file, so Morvanex left it alone."));
}

ExactJson emptyObject() {
    ExactJson object;
    object.kind = ExactJson::Kind::object;
    return object;
}

// A JSON configuration as Qt's classes hold it, for editing, and as its text states it, for
// checking that the edit kept every value it did not mean to change.
struct JsonDocument {
    QJsonObject top;
    agents::ExactJsonDocument exact;
};

Outcome<JsonDocument> readJSON(const AgentClient& client) {
    auto text = readText(client);
    if (auto* error = std::get_if<AgentClient::ConfigError>(&text))
        return *error;
    const QString& whole = std::get<QString>(text);
    if (whole.trimmed().isEmpty())
        return JsonDocument{QJsonObject(), {QString(), emptyObject()}};
    // Qt alone also takes raw control characters inside strings, which strict JSON does not.
    auto exact = agents::readExactJson(whole);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(whole.toUtf8(), &parseError);
    if (!exact || parseError.error != QJsonParseError::NoError || !document.isObject())
        return configError(client.name +
                           QStringLiteral("'s config file couldn't be read as plain JSON (it may "
                                          "contain comments), so Morvanex left it alone. Use the "
                                          "snippet below instead."));
    return JsonDocument{document.object(), *std::move(exact)};
}

// The document less the entry, with the servers object that holds it present (an edit always
// leaves it there): what an edit must keep exactly.
void dropEntry(ExactJson& top, const QString& key) {
    bool found = false;
    for (ExactJson& member : top.children) {
        if (member.keyValue() != key)
            continue;
        found = true;
        if (member.kind != ExactJson::Kind::object)
            continue;
        std::erase_if(member.children,
                      [](const ExactJson& server) { return server.keyValue() == entryName; });
    }
    if (!found) {
        ExactJson& servers = top.children.emplace_back(emptyObject());
        servers.decodedKey = key;
    }
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
    JsonDocument& read = std::get<JsonDocument>(document);
    QJsonObject& top = read.top;
    // Replacing what the user keeps under the key would lose it; only an object is edited.
    if (top.contains(key) && !top.value(key).isObject())
        return configError(client.name + QStringLiteral("'s config file keeps \"") + key +
                           QStringLiteral("\" as something other than an object, so Morvanex left "
                                          "it alone."));
    QJsonObject servers = top.value(key).toObject();
    edit(servers);
    top.insert(key, servers);
    const auto text = jsonText(top);
    if (!text)
        return configError(QStringLiteral("Couldn't write ") + client.name +
                           QStringLiteral("'s config file, so Morvanex left it alone."));
    // Everything outside the entry must read back exactly as the file had it.
    auto written = agents::readExactJson(*text);
    dropEntry(read.exact.value, key);
    if (written)
        dropEntry(written->value, key);
    if (!written || !agents::sameJson(read.exact.value, written->value))
        return configError(client.name +
                           QStringLiteral("'s config file holds a value that Morvanex can't "
                                          "rewrite exactly (a very long number, a repeated key "
                                          "or a broken character escape), so Morvanex left it "
                                          "alone."));
    return write(client, *text);
}

std::optional<AgentClient::ConfigError> updateTOML(const AgentClient& client, bool adding) {
    auto text = readText(client);
    if (auto* error = std::get_if<AgentClient::ConfigError>(&text))
        return *error;
    const auto edited =
        agents::checkedTomlUpdate(std::get<QString>(text), adding, client.serverExecutable);
    if (const auto* updated = std::get_if<QString>(&edited))
        return write(client, *updated);
    switch (std::get<agents::TomlRefusal>(edited)) {
    case agents::TomlRefusal::unreadable:
        return configError(client.name + QStringLiteral("'s config file couldn't be read as TOML, "
                                                        "so Morvanex left it alone."));
    case agents::TomlRefusal::entryForm:
        return configError(client.name +
                           QStringLiteral("'s config file holds the morvanex entry in a form "
                                          "Morvanex can't edit (only a [mcp_servers.morvanex] "
                                          "table on its own), so Morvanex left it alone."));
    case agents::TomlRefusal::otherSettings:
        break;
    }
    return configError(client.name +
                       QStringLiteral("'s config file is laid out so that editing the morvanex "
                                      "entry would also change other settings, so Morvanex left "
                                      "it alone."));
}

AgentClient::Status jsonStatus(const AgentClient& client, const AgentClient::JsonConfig& json) {
    const auto document = readJSON(client);
    const auto* read = std::get_if<JsonDocument>(&document);
    if (!read)
        return AgentClient::Status::notAdded();
    const QJsonObject* top = &read->top;
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
        client("claude-code", "Claude Code", "Run this once in a terminal.",
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
    if (agents::agentHomeRefusal())
        return {};
    const QString home = agents::agentHomeReplaced()
                             ? qEnvironmentVariable(agents::agentHomeVariable)
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
                                                 "a terminal."));
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
                           QStringLiteral(" --scope user` in a terminal."));
    if (std::holds_alternative<TomlConfig>(config))
        return updateTOML(*this, false);
    return updateJSON(*this, std::get<JsonConfig>(config).key,
                      [](QJsonObject& servers) { servers.remove(entryName); });
}

} // namespace morvanex
