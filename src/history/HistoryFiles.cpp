#include "history/HistoryFiles.h"

#include "base/Numbers.h"
#include "platform/XdgPaths.h"

#include <QFile>
#include <QFileInfo>

namespace morvanex::historyfiles {
namespace {

std::int64_t sizeOf(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? info.size() : 0;
}

QString number(std::int64_t value) {
    return QString::fromStdString(numbers::integerText(value));
}

// A name nothing uses yet, with or without the companions' suffixes.
QString freeAsideName(const QString& databasePath, std::int64_t unixTime) {
    const QString base = databasePath + QStringLiteral(".corrupt-") + number(unixTime);
    const auto isFree = [](const QString& name) {
        return !QFileInfo::exists(name) && !QFileInfo::exists(name + QStringLiteral("-wal")) &&
               !QFileInfo::exists(name + QStringLiteral("-shm"));
    };
    QString name = base;
    for (std::int64_t n = 2; !isFree(name); ++n)
        name = base + QLatin1Char('.') + number(n);
    return name;
}

} // namespace

QString defaultPath() {
    return platform::xdg::dataHome() + QStringLiteral("/Morvanex/history.sqlite");
}

std::int64_t sizeOnDisk(const QString& databasePath) {
    return sizeOf(databasePath) + sizeOf(databasePath + QStringLiteral("-wal"));
}

bool setAside(const QString& databasePath, std::int64_t unixTime) {
    const QString aside = freeAsideName(databasePath, unixTime);
    // QFile::rename never replaces an existing file.
    if (!QFile::rename(databasePath, aside))
        return false;
    // The log must go with its database: left behind, SQLite would replay its pages into the
    // new database created under the same name.
    for (const QLatin1StringView suffix : {QLatin1StringView("-wal"), QLatin1StringView("-shm")}) {
        if (QFileInfo::exists(databasePath + suffix))
            QFile::rename(databasePath + suffix, aside + suffix);
    }
    return true;
}

} // namespace morvanex::historyfiles
