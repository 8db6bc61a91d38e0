#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace morvanex {

// Where and how an agent application keeps its servers: the cases of AgentClient::Config,
// declared outside AgentClient so that the variant over them is complete where it is used.

// A JSON file whose top-level object holds the servers object under `key`; `typed` asks for
// "type": "stdio" in the entry.
struct AgentJsonConfig {
    QString path;
    QString key;
    bool typed = false;
};

// A TOML file with the entry as the section "[mcp_servers.morvanex]".
struct AgentTomlConfig {
    QString path;
};

// No file: a shell command line that the user runs once.
struct AgentCommandConfig {
    QString commandLine;
};

// One AI agent application that can start the agent server ("<executable> --mcp") from its
// configuration, with where that configuration lives and the operations that report, add and
// remove the server entry named "morvanex". Operations run on the calling thread and touch
// only the application's configuration file, its one backup and its parent folders.
struct AgentClient {
    using JsonConfig = AgentJsonConfig;
    using TomlConfig = AgentTomlConfig;
    using CommandConfig = AgentCommandConfig;
    using Config = std::variant<JsonConfig, TomlConfig, CommandConfig>;

    struct Status {
        enum class Kind { addedElsewhere, notInstalled, notAdded, added, manual };
        Kind kind = Kind::notAdded;
        QString command; // addedElsewhere only: what the existing entry starts instead

        static Status addedElsewhere(QString command) {
            return {Kind::addedElsewhere, std::move(command)};
        }
        static Status notInstalled() { return {Kind::notInstalled, {}}; }
        static Status notAdded() { return {Kind::notAdded, {}}; }
        static Status added() { return {Kind::added, {}}; }
        static Status manual() { return {Kind::manual, {}}; }

        friend bool operator==(const Status& a, const Status& b) {
            return a.kind == b.kind && (a.kind != Kind::addedElsewhere || a.command == b.command);
        }
    };

    struct ConfigError {
        std::optional<QString> errorDescription;
        QString localizedDescription() const;
    };

    QString id;     // used on the command line and as the settings pane's key
    QString name;   // display name
    QString detail; // one line of advice shown under the name
    Config config;
    QStringList detect; // "~" paths whose existence means the application is installed
    // The executable the server entry starts: the running one in all(); tables built for
    // another path describe the entry for that path.
    QString serverExecutable;

    // The eight known applications in display order, built once for executable().
    static const std::vector<AgentClient>& all();
    // The same table for any executable path.
    static std::vector<AgentClient> table(const QString& executable);
    // The entry of all() whose id equals `id` exactly.
    static std::optional<AgentClient> client(const QString& id);
    // The running executable's absolute path, else the first command-line argument. Needs a
    // QCoreApplication; empty without one.
    static QString executable();
    // "~" at the start becomes the home folder: $MORVANEX_AGENT_HOME whenever it is set and
    // not empty, else the user's home. Every path of an agent client passes through it. A
    // MORVANEX_AGENT_HOME that is not absolute (see agentHomeRefusal) gives an empty path,
    // which names no file: nothing is read or written under the working folder.
    static QString expand(const QString& path);
    // {"mcpServers": {"morvanex": {...}}} in the JSON output form, for pasting by hand.
    static QString genericSnippet(const QString& executablePath = AgentClient::executable());
    // The `--agents` command (AgentCommand.cpp): writes its output, flushes both streams and
    // gives the exit status the process must end with.
    static int runCommand(const QStringList& arguments);

    bool isInstalled() const;
    // Never fails: a file that cannot be read counts as notAdded.
    Status status() const;
    // Nothing on success.
    std::optional<ConfigError> add() const;
    std::optional<ConfigError> remove() const;
};

} // namespace morvanex
