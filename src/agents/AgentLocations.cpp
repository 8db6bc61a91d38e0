#include "agents/AgentLocations.h"

#include <array>
#include <utility>

namespace morvanex::agents {
namespace {

const QString applicationSupport = QStringLiteral("~/Library/Application Support/");
const QString applications = QStringLiteral("/Applications/");
const QString bundleSuffix = QStringLiteral(".app");
const QString configFolder = QStringLiteral("~/.config/");

// Applications whose Linux folder is not named after the application itself.
QString linuxFolderOf(const QString& application) {
    static const std::array<std::pair<QString, QString>, 1> renamed = {{
        {QStringLiteral("Visual Studio Code"), QStringLiteral("Code")},
    }};
    for (const auto& [name, folder] : renamed) {
        if (application == name)
            return folder;
    }
    return application;
}

} // namespace

QString linuxLocation(const QString& path) {
    if (path.startsWith(applicationSupport))
        return configFolder + path.mid(applicationSupport.size());
    if (path.startsWith(applications) && path.endsWith(bundleSuffix)) {
        const QString application =
            path.mid(applications.size(), path.size() - applications.size() - bundleSuffix.size());
        if (!application.isEmpty() && !application.contains(QLatin1Char('/')))
            return configFolder + linuxFolderOf(application);
    }
    return path;
}

QStringList linuxLocations(const QStringList& paths) {
    QStringList mapped;
    for (const QString& path : paths) {
        const QString location = linuxLocation(path);
        if (!mapped.contains(location))
            mapped.append(location);
    }
    return mapped;
}

bool agentHomeReplaced() {
    return !qEnvironmentVariableIsEmpty(agentHomeVariable);
}

QByteArray agentHomeBytes() {
    return agentHomeReplaced() ? qgetenv(agentHomeVariable) : qgetenv("HOME");
}

std::optional<QString> agentHomeRefusal() {
    if (!agentHomeReplaced() || qgetenv(agentHomeVariable).startsWith('/'))
        return std::nullopt;
    return QStringLiteral("MORVANEX_AGENT_HOME must be an absolute path (one that starts with "
                          "/), or empty for the home folder.");
}

} // namespace morvanex::agents
