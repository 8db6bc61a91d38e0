#include "platform/linux/ICalendarSources.h"

#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace morvanex::platform {

namespace {

// Metadata files are a few lines; anything larger is not one.
constexpr qint64 maxMetadataBytes = 64 * 1024;

QString evolutionCalendarRoot(const ICalendarRoots& roots) {
    return roots.dataHome + QStringLiteral("/evolution/calendar");
}
QString vdirRoot(const ICalendarRoots& roots) {
    return roots.dataHome + QStringLiteral("/calendars");
}
QString evolutionSourcesDir(const ICalendarRoots& roots) {
    return roots.configHome + QStringLiteral("/evolution/sources");
}

bool stopped(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

// The contents of a small file; nothing when it is missing, and nothing with a line in `unread`
// when it is there but no small regular file.
QByteArray readSmallFile(const QString& path, QStringList* unread) {
    const RegularFileRead file = readRegularFile(path, maxMetadataBytes);
    if (!file.ok() && file.outcome != RegularFileRead::Outcome::missing && unread)
        unread->append(QStringLiteral("Calendar file %1 was skipped: %2")
                           .arg(path, file.reason(maxMetadataBytes)));
    return file.contents;
}

// The first line of a small text file, trimmed; nothing when missing or empty.
std::optional<QString> firstLine(const QString& path, QStringList* unread) {
    const QString text = QString::fromUtf8(readSmallFile(path, unread));
    const QString line = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (line.isEmpty())
        return std::nullopt;
    return line;
}

// A desktop key file ("[Group]" lines and "Key=Value" lines) as group -> key -> value, with the
// key-file escapes undone. Localised keys ("Key[de]") are skipped.
using KeyFile = QHash<QString, QHash<QString, QString>>;

QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        default:
            out += next;
            break;
        }
    }
    return out;
}

KeyFile readKeyFile(const QString& path, QStringList* unread) {
    KeyFile groups;
    QString group;
    const QStringList lines =
        QString::fromUtf8(readSmallFile(path, unread)).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (key.contains(QLatin1Char('[')))
            continue;
        groups[group].insert(key, unescape(line.mid(equals + 1).trimmed()));
    }
    return groups;
}

std::optional<QString> keyValue(const KeyFile& file, const char* group, const char* key) {
    const auto groupIt = file.constFind(QString::fromLatin1(group));
    if (groupIt == file.constEnd())
        return std::nullopt;
    const auto valueIt = groupIt->constFind(QString::fromLatin1(key));
    if (valueIt == groupIt->constEnd() || valueIt->isEmpty())
        return std::nullopt;
    return *valueIt;
}

QStringList subfolders(const QString& path) {
    return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// Evolution keeps its personal calendar in the folder "system"; its key file, once written,
// carries the source's full uid.
KeyFile evolutionKeyFile(const ICalendarRoots& roots, const QString& uid, QStringList* unread) {
    const QString dir = evolutionSourcesDir(roots);
    const QString path = dir + QLatin1Char('/') + uid + QStringLiteral(".source");
    if (QFileInfo::exists(path) || uid != QStringLiteral("system"))
        return readKeyFile(path, unread);
    return readKeyFile(dir + QStringLiteral("/system-calendar.source"), unread);
}

// The key file of the source `uid` names as its parent, in the same folder: a name with a
// slash would lead elsewhere.
std::optional<QString> parentTitle(const ICalendarRoots& roots, const QString& parent,
                                   QStringList* unread) {
    if (parent.contains(QLatin1Char('/')) || parent.contains(QChar(0)))
        return std::nullopt;
    return keyValue(readKeyFile(evolutionSourcesDir(roots) + QLatin1Char('/') + parent +
                                    QStringLiteral(".source"),
                                unread),
                    "Data Source", "DisplayName");
}

std::vector<ICalendarSource> evolutionSources(const ICalendarRoots& roots, const QStringList& uids,
                                              QStringList& unread, const std::atomic<bool>* stop) {
    std::vector<ICalendarSource> sources;
    const QString root = evolutionCalendarRoot(roots);
    for (const QString& uid : uids) {
        if (stopped(stop))
            break;
        const KeyFile keys = evolutionKeyFile(roots, uid, &unread);
        if (keyValue(keys, "Data Source", "Enabled") == QStringLiteral("false"))
            continue;
        ICalendarSource source;
        source.id = QStringLiteral("evolution:") + uid;
        source.title =
            keyValue(keys, "Data Source", "DisplayName")
                .value_or(uid == QStringLiteral("system") ? QStringLiteral("Personal") : uid);
        std::optional<QString> account;
        if (const auto parent = keyValue(keys, "Data Source", "Parent"))
            account = parentTitle(roots, *parent, &unread);
        source.account = account.value_or(QStringLiteral("On This Computer"));
        source.color = keyValue(keys, "Calendar", "Color");
        const QString file = root + QLatin1Char('/') + uid + QStringLiteral("/calendar.ics");
        if (QFileInfo(file).isFile())
            source.files.append(file);
        sources.push_back(std::move(source));
    }
    return sources;
}

std::vector<ICalendarSource> vdirSources(const ICalendarRoots& roots, const QStringList& names,
                                         QStringList& unread, const std::atomic<bool>* stop) {
    std::vector<ICalendarSource> sources;
    const QString root = vdirRoot(roots);
    for (const QString& name : names) {
        if (stopped(stop))
            break;
        const QString folder = root + QLatin1Char('/') + name;
        ICalendarSource source;
        source.id = QStringLiteral("vdir:") + name;
        source.title = firstLine(folder + QStringLiteral("/displayname"), &unread).value_or(name);
        source.account = QStringLiteral("vdir");
        source.color = firstLine(folder + QStringLiteral("/color"), &unread);
        for (const QString& file :
             QDir(folder).entryList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name))
            source.files.append(folder + QLatin1Char('/') + file);
        sources.push_back(std::move(source));
    }
    return sources;
}

// Watches `root` and its subfolders `names` when it exists, else the nearest existing folder
// above it (not above the data home).
void watchRoot(const QString& root, const QStringList& names, const QString& stop,
               ICalendarWatchList& list) {
    if (QFileInfo(root).isDir()) {
        list.paths.append(root);
        for (const QString& name : names)
            list.paths.append(root + QLatin1Char('/') + name);
        return;
    }
    QString above = root;
    while (above != stop && !above.isEmpty()) {
        above = QFileInfo(above).path();
        if (QFileInfo(above).isDir()) {
            if (!list.ancestors.contains(above))
                list.ancestors.append(above);
            return;
        }
    }
}

} // namespace

ICalendarSources::ICalendarSources(ICalendarRoots roots) : roots_(std::move(roots)) {}

ICalendarScan ICalendarSources::scan(const std::atomic<bool>* stop) const {
    ICalendarScan scan;
    const QString evolutionRoot = evolutionCalendarRoot(roots_);
    const QString collections = vdirRoot(roots_);
    const QStringList uids = subfolders(evolutionRoot);
    const QStringList names = subfolders(collections);
    scan.sources = evolutionSources(roots_, uids, scan.unread, stop);
    for (ICalendarSource& source : vdirSources(roots_, names, scan.unread, stop))
        scan.sources.push_back(std::move(source));

    ICalendarWatchList& list = scan.watchList;
    watchRoot(evolutionRoot, uids, roots_.dataHome, list);
    // Evolution may rewrite its file in place, which its folder does not notice.
    for (const ICalendarSource& source : scan.sources)
        if (source.id.startsWith(QStringLiteral("evolution:")))
            list.paths.append(source.files);
    watchRoot(collections, names, roots_.dataHome, list);
    const QString sourcesDir = evolutionSourcesDir(roots_);
    if (QFileInfo(sourcesDir).isDir())
        list.paths.append(sourcesDir);
    return scan;
}

QStringList ICalendarSources::userAddresses(QStringList* unread) const {
    QStringList addresses;
    const auto add = [&](const QString& address) {
        QString normalised = address.trimmed().toLower();
        if (normalised.startsWith(QStringLiteral("mailto:")))
            normalised = normalised.mid(7);
        if (!normalised.isEmpty() && !addresses.contains(normalised))
            addresses.append(normalised);
    };
    const QString dir = evolutionSourcesDir(roots_);
    for (const QString& file :
         QDir(dir).entryList({QStringLiteral("*.source")}, QDir::Files, QDir::Name))
        if (const auto address = keyValue(readKeyFile(dir + QLatin1Char('/') + file, unread),
                                          "Mail Identity", "Address"))
            add(*address);
    add(qEnvironmentVariable("EMAIL"));
    return addresses;
}

} // namespace morvanex::platform
