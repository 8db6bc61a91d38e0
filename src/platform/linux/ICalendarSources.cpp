#include "platform/linux/ICalendarSources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

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

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxMetadataBytes)
        return {};
    return file.read(maxMetadataBytes);
}

// The first line of a small text file, trimmed; nothing when missing or empty.
std::optional<QString> firstLine(const QString& path) {
    const QString text = QString::fromUtf8(readSmallFile(path));
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

KeyFile readKeyFile(const QString& path) {
    KeyFile groups;
    QString group;
    const QStringList lines = QString::fromUtf8(readSmallFile(path)).split(QLatin1Char('\n'));
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
KeyFile evolutionKeyFile(const ICalendarRoots& roots, const QString& uid) {
    const QString dir = evolutionSourcesDir(roots);
    const QString path = dir + QLatin1Char('/') + uid + QStringLiteral(".source");
    if (QFileInfo::exists(path) || uid != QStringLiteral("system"))
        return readKeyFile(path);
    return readKeyFile(dir + QStringLiteral("/system-calendar.source"));
}

std::vector<ICalendarSource> evolutionSources(const ICalendarRoots& roots) {
    std::vector<ICalendarSource> sources;
    const QString root = evolutionCalendarRoot(roots);
    for (const QString& uid : subfolders(root)) {
        const KeyFile keys = evolutionKeyFile(roots, uid);
        if (keyValue(keys, "Data Source", "Enabled") == QStringLiteral("false"))
            continue;
        ICalendarSource source;
        source.id = QStringLiteral("evolution:") + uid;
        source.title =
            keyValue(keys, "Data Source", "DisplayName")
                .value_or(uid == QStringLiteral("system") ? QStringLiteral("Personal") : uid);
        std::optional<QString> account;
        if (const auto parent = keyValue(keys, "Data Source", "Parent"))
            account = keyValue(readKeyFile(evolutionSourcesDir(roots) + QLatin1Char('/') + *parent +
                                           QStringLiteral(".source")),
                               "Data Source", "DisplayName");
        source.account = account.value_or(QStringLiteral("On This Computer"));
        source.color = keyValue(keys, "Calendar", "Color");
        const QString file = root + QLatin1Char('/') + uid + QStringLiteral("/calendar.ics");
        if (QFileInfo(file).isFile())
            source.files.append(file);
        sources.push_back(std::move(source));
    }
    return sources;
}

std::vector<ICalendarSource> vdirSources(const ICalendarRoots& roots) {
    std::vector<ICalendarSource> sources;
    const QString root = vdirRoot(roots);
    for (const QString& name : subfolders(root)) {
        const QString folder = root + QLatin1Char('/') + name;
        ICalendarSource source;
        source.id = QStringLiteral("vdir:") + name;
        source.title = firstLine(folder + QStringLiteral("/displayname")).value_or(name);
        source.account = QStringLiteral("vdir");
        source.color = firstLine(folder + QStringLiteral("/color"));
        for (const QString& file :
             QDir(folder).entryList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name))
            source.files.append(folder + QLatin1Char('/') + file);
        sources.push_back(std::move(source));
    }
    return sources;
}

// Watches `root` and its subfolders when it exists, else the nearest existing folder above it
// (not above the data home).
void watchRoot(const QString& root, const QString& stop, ICalendarWatchList& list) {
    if (QFileInfo(root).isDir()) {
        list.paths.append(root);
        for (const QString& name : subfolders(root))
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

std::vector<ICalendarSource> ICalendarSources::find() const {
    std::vector<ICalendarSource> sources = evolutionSources(roots_);
    for (ICalendarSource& source : vdirSources(roots_))
        sources.push_back(std::move(source));
    return sources;
}

QStringList ICalendarSources::userAddresses() const {
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
        if (const auto address =
                keyValue(readKeyFile(dir + QLatin1Char('/') + file), "Mail Identity", "Address"))
            add(*address);
    add(qEnvironmentVariable("EMAIL"));
    return addresses;
}

ICalendarWatchList ICalendarSources::watchList() const {
    ICalendarWatchList list;
    watchRoot(evolutionCalendarRoot(roots_), roots_.dataHome, list);
    // Evolution may rewrite its file in place, which its folder does not notice.
    for (const ICalendarSource& source : evolutionSources(roots_))
        list.paths.append(source.files);
    watchRoot(vdirRoot(roots_), roots_.dataHome, list);
    const QString sourcesDir = evolutionSourcesDir(roots_);
    if (QFileInfo(sourcesDir).isDir())
        list.paths.append(sourcesDir);
    return list;
}

} // namespace morvanex::platform
