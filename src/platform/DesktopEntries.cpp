#include "platform/DesktopEntries.h"

#include "platform/Log.h"
#include "platform/XdgPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace morvanex::platform {

namespace {

// Splits an Exec value into its words, honouring double quotes and backslash escapes inside
// them, as the desktop entry rules define.
QStringList execWords(const QString& exec) {
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size()) {
                word += exec.at(++i);
            } else if (c == u'"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

} // namespace

QString execProgramName(const QString& exec) {
    const QStringList words = execWords(exec);
    qsizetype i = 0;
    if (i < words.size() && QFileInfo(words.at(i)).fileName() == QLatin1String("env")) {
        ++i;
        while (i < words.size() && (words.at(i).contains(u'=') || words.at(i).startsWith(u'-')))
            ++i;
    }
    if (i >= words.size() || words.at(i).startsWith(u'%'))
        return {};
    return QFileInfo(words.at(i)).fileName();
}

std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& text, const QString& id) {
    DesktopEntry entry;
    entry.id = id;
    bool inMain = false;
    bool sawMain = false;
    QString type;
    bool hidden = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMain = line == QLatin1String("[Desktop Entry]");
            sawMain = sawMain || inMain;
            continue;
        }
        if (!inMain)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        // Localized keys ("Icon[de]") are not the ones wanted here.
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
        else if (key == QLatin1String("Exec"))
            entry.execName = execProgramName(value);
        else if (key == QLatin1String("StartupWMClass"))
            entry.startupWMClass = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("NoDisplay"))
            entry.noDisplay = value == QLatin1String("true");
    }
    if (!sawMain || hidden || type != QLatin1String("Application"))
        return std::nullopt;
    return entry;
}

QStringList desktopDataFolders() {
    QStringList folders{xdg::dataHome()};
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    folders += dirs.split(u':', Qt::SkipEmptyParts);
    return folders;
}

std::vector<DesktopEntry> loadDesktopEntries(const QStringList& dataFolders) {
    std::vector<DesktopEntry> entries;
    QSet<QString> seen;
    for (const QString& folder : dataFolders) {
        const QString applications = folder + QStringLiteral("/applications");
        if (!QFileInfo(applications).isDir())
            continue;
        QStringList files;
        QDirIterator it(applications, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext())
            files << it.next();
        files.sort(); // the file system's order is arbitrary
        const QDir base(applications);
        for (const QString& path : files) {
            const QString id = base.relativeFilePath(path).replace(u'/', u'-');
            if (seen.contains(id))
                continue;
            seen.insert(id);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                qCDebug(log::platform) << "cannot read desktop entry" << path;
                continue;
            }
            if (auto entry = parseDesktopEntry(file.readAll(), id); entry && !entry->icon.isEmpty())
                entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

QString iconForProgram(const std::vector<DesktopEntry>& entries, const QString& programName) {
    if (programName.isEmpty())
        return {};
    for (const DesktopEntry& entry : entries)
        if (entry.execName == programName)
            return entry.icon;
    for (const DesktopEntry& entry : entries)
        if (entry.startupWMClass.compare(programName, Qt::CaseInsensitive) == 0)
            return entry.icon;
    for (const DesktopEntry& entry : entries)
        if (entry.icon == programName)
            return entry.icon;
    return {};
}

QString nameForProgram(const std::vector<DesktopEntry>& entries, const QString& programName) {
    if (programName.isEmpty())
        return {};
    for (const bool shown : {true, false})
        for (const DesktopEntry& entry : entries)
            if (entry.noDisplay != shown && entry.execName == programName && !entry.name.isEmpty())
                return entry.name;
    return {};
}

} // namespace morvanex::platform
