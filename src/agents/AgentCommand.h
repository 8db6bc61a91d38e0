#pragma once

#include "agents/AgentClient.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The `--agents` command line tool, as a function from arguments to output so that it can be
// checked without ending a process. AgentClient::runCommand writes the result out.
namespace morvanex::agents {

struct CommandResult {
    int exitStatus = 0;
    QByteArray standardOutput; // empty unless the command succeeded
    QByteArray standardError;
};

// `arguments` are those after "--agents"; `clients` the known applications in listing order.
CommandResult runAgentsCommand(const QStringList& arguments,
                               const std::vector<AgentClient>& clients);

// One line per client: its id brought to 15 characters, a space, its status, a line end.
QString statusListing(const std::vector<AgentClient>& clients);

// The status as its case name; addedElsewhere carries its command as a quoted literal.
QString statusText(const AgentClient::Status& status);

// `text` between double quotation marks with \\ \" \' \t \n \r \0 escaped and every other
// invisible character (controls, format characters, line and paragraph separators) as \u{hex}.
QString quotedLiteral(const QString& text);

} // namespace morvanex::agents
