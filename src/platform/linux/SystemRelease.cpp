#include "platform/linux/SystemRelease.h"

#include "platform/linux/ProcFiles.h"

#include <QDir>

namespace morvanex::platform {
namespace {

// A value as os-release writes it: plain, or in double or single quotes; inside double quotes
// a backslash escapes the next character.
QByteArray unquoted(const QByteArray& value) {
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
        return value.mid(1, value.size() - 2);
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return value;
    QByteArray out;
    const QByteArray inner = value.mid(1, value.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner.at(i) == '\\' && i + 1 < inner.size())
            ++i;
        out.append(inner.at(i));
    }
    return out;
}

} // namespace

std::optional<QString> osReleasePrettyName(const QByteArray& osRelease) {
    std::optional<QString> found;
    for (const QByteArray& rawLine : osRelease.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (!line.startsWith("PRETTY_NAME="))
            continue;
        const QString name = QString::fromUtf8(unquoted(line.mid(12))).trimmed();
        found = name.isEmpty() ? std::nullopt : std::optional(name); // the last one counts
    }
    return found;
}

SystemRelease readSystemRelease(const Roots& roots) {
    SystemRelease release;
    for (const QString& path :
         {roots.etc + QStringLiteral("/os-release"),
          QDir::cleanPath(roots.etc + QStringLiteral("/../usr/lib/os-release"))}) {
        if (const auto text = procfiles::read(path)) {
            release.name = osReleasePrettyName(*text);
            break;
        }
    }
    const auto kernel = procfiles::readLine(roots.proc + QStringLiteral("/sys/kernel/osrelease"));
    if (kernel && !kernel->isEmpty())
        release.kernelRelease = QString::fromUtf8(*kernel);
    return release;
}

} // namespace morvanex::platform
