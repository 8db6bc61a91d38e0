#include "agents/AgentCommand.h"

#include "agents/AgentLocations.h"

#include <QChar>
#include <QFile>
#include <QStringView>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace morvanex::agents {
namespace {

constexpr qsizetype idColumnWidth = 15;

bool isInvisible(char32_t scalar) {
    switch (QChar::category(scalar)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString hexText(char32_t value) {
    return QString::number(value, 16);
}

QByteArray line(const QString& text) {
    return (text + QLatin1Char('\n')).toUtf8();
}

CommandResult usage(const QString& text) {
    return CommandResult{2, {}, line(text)};
}

CommandResult changeEntry(const QString& subCommand, const QStringList& arguments,
                          const std::vector<AgentClient>& clients) {
    const AgentClient* client = nullptr;
    if (arguments.size() >= 2) {
        for (const AgentClient& candidate : clients) {
            if (candidate.id == arguments.at(1)) {
                client = &candidate;
                break;
            }
        }
    }
    if (!client) {
        QStringList ids;
        for (const AgentClient& candidate : clients)
            ids.append(candidate.id);
        return usage(QStringLiteral("Usage: Morvanex --agents ") + subCommand +
                     QStringLiteral(" <") + ids.join(QLatin1Char('|')) + QLatin1Char('>'));
    }
    const auto error = subCommand == QLatin1String("add") ? client->add() : client->remove();
    if (error)
        return CommandResult{1, {}, line(error->localizedDescription())};
    return CommandResult{0, statusListing(clients).toUtf8(), {}};
}

} // namespace

QString quotedLiteral(const QString& text) {
    QString out(QLatin1Char('"'));
    for (const char32_t scalar : QStringView(text).toUcs4()) {
        switch (scalar) {
        case U'\\':
            out += QLatin1String("\\\\");
            break;
        case U'"':
            out += QLatin1String("\\\"");
            break;
        case U'\'':
            out += QLatin1String("\\'");
            break;
        case U'\t':
            out += QLatin1String("\\t");
            break;
        case U'\n':
            out += QLatin1String("\\n");
            break;
        case U'\r':
            out += QLatin1String("\\r");
            break;
        case U'\0':
            out += QLatin1String("\\0");
            break;
        default:
            if (isInvisible(scalar)) {
                out += QLatin1String("\\u{") + hexText(scalar) + QLatin1Char('}');
            } else {
                const char32_t one[] = {scalar};
                out += QString::fromUcs4(one, 1);
            }
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString statusText(const AgentClient::Status& status) {
    using Kind = AgentClient::Status::Kind;
    switch (status.kind) {
    case Kind::addedElsewhere:
        return QStringLiteral("addedElsewhere(") + quotedLiteral(status.command) + QLatin1Char(')');
    case Kind::notInstalled:
        return QStringLiteral("notInstalled");
    case Kind::notAdded:
        return QStringLiteral("notAdded");
    case Kind::added:
        return QStringLiteral("added");
    case Kind::manual:
        return QStringLiteral("manual");
    }
    return {};
}

QString statusListing(const std::vector<AgentClient>& clients) {
    QString listing;
    for (const AgentClient& client : clients) {
        listing += client.id.leftJustified(idColumnWidth, QLatin1Char(' '), true);
        listing += QLatin1Char(' ') + statusText(client.status()) + QLatin1Char('\n');
    }
    return listing;
}

CommandResult runAgentsCommand(const QStringList& arguments,
                               const std::vector<AgentClient>& clients) {
    const QString first = arguments.value(0);
    if (arguments.isEmpty() || first == QLatin1String("status"))
        return CommandResult{0, statusListing(clients).toUtf8(), {}};
    if (first == QLatin1String("add") || first == QLatin1String("remove"))
        return changeEntry(first, arguments, clients);
    return usage(
        QStringLiteral("Usage: Morvanex --agents status | add <client> | remove <client>"));
}

} // namespace morvanex::agents

namespace morvanex {

namespace {

// Whether `bytes` name the same path once decoded as every path here is: a name that is not
// UTF-8 would come back as a look-alike, and files would be read and written there instead.
bool namesItself(const QByteArray& bytes) {
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

// Writes `bytes` to `stream` and flushes it; false when the system did not take them all.
bool writeOut(std::FILE* stream, const QByteArray& bytes) {
    const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream) ==
                         std::size_t(bytes.size());
    return std::fflush(stream) == 0 && written;
}

} // namespace

int AgentClient::runCommand(const QStringList& arguments) {
    if (const auto refusal = agents::agentHomeRefusal()) {
        writeOut(stderr, QByteArrayLiteral("Morvanex: ") + refusal->toUtf8() + '\n');
        return 1;
    }
    if (!namesItself(agents::agentHomeBytes())) {
        std::fputs(agents::agentHomeReplaced()
                       ? "Morvanex: MORVANEX_AGENT_HOME is not valid UTF-8; name the home folder "
                         "in UTF-8.\n"
                       : "Morvanex: the home folder (HOME) is not valid UTF-8; name it in "
                         "UTF-8.\n",
                   stderr);
        return 1;
    }
    const agents::CommandResult result = agents::runAgentsCommand(arguments, all());
    errno = 0;
    if (!writeOut(stdout, result.standardOutput)) {
        const int error = errno != 0 ? errno : EIO;
        writeOut(stderr, result.standardError);
        std::fprintf(stderr, "Morvanex: could not write to standard output: %s.\n",
                     std::strerror(error));
        return 1;
    }
    writeOut(stderr, result.standardError);
    return result.exitStatus;
}

} // namespace morvanex
