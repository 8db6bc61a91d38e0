#include "platform/AutostartEntry.h"

#include "platform/Log.h"
#include "platform/XdgPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace morvanex::platform {

AutostartEntry::AutostartEntry(QString folder, QString executable)
    : folder_(std::move(folder)), executable_(std::move(executable)) {}

QString AutostartEntry::defaultFolder() {
    return xdg::configHome() + QStringLiteral("/autostart");
}

QString AutostartEntry::runningExecutable() {
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty())
        return path;
    const QStringList arguments = QCoreApplication::arguments();
    return arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).absoluteFilePath();
}

QString AutostartEntry::filePath() const {
    return folder_ + QLatin1Char('/') + fileName;
}

QString AutostartEntry::quotedExec(const QString& executable) {
    // Reserved characters force quoting; inside quotes these four need a backslash, and a
    // literal percent sign is always doubled (field codes start with one).
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (const QChar c : executable)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString escaped;
    for (const QChar c : executable) {
        if (needsQuotes && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
        if (c == u'%')
            escaped += QLatin1Char('%');
    }
    return needsQuotes ? QLatin1Char('"') + escaped + QLatin1Char('"') : escaped;
}

QByteArray AutostartEntry::entryText(const QString& executable) {
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Morvanex\n"
                                  "Comment=System monitor in the panel\n");
    text += QStringLiteral("Exec=") + quotedExec(executable) + QLatin1Char('\n');
    // The installed icon; a run from the build folder has none, and the session shows its own.
    text += QStringLiteral("Icon=morvanex\n");
    text += QStringLiteral("Terminal=false\nX-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool AutostartEntry::hidesItself(const QByteArray& text) {
    bool inEntry = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "Hidden" && value == "true")
            return true;
        if (key == "X-GNOME-Autostart-enabled" && value == "false")
            return true;
    }
    return false;
}

bool AutostartEntry::isEnabled() const {
    QFile file(filePath());
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(log::platform, "Cannot read %s: %s", qUtf8Printable(filePath()),
                  qUtf8Printable(file.errorString()));
        return false;
    }
    return !hidesItself(file.readAll());
}

std::optional<QString> AutostartEntry::enable() const {
    if (!QDir().mkpath(folder_))
        return QStringLiteral("Couldn't create the folder %1.").arg(folder_);
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Couldn't write %1: %2").arg(filePath(), file.errorString());
    file.write(entryText(executable_));
    if (!file.commit())
        return QStringLiteral("Couldn't write %1: %2").arg(filePath(), file.errorString());
    return std::nullopt;
}

std::optional<QString> AutostartEntry::disable() const {
    QFile file(filePath());
    if (!file.exists())
        return std::nullopt;
    if (!file.remove())
        return QStringLiteral("Couldn't remove %1: %2").arg(filePath(), file.errorString());
    return std::nullopt;
}

} // namespace morvanex::platform
