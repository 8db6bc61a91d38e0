#include "platform/ListedTimeZone.h"

#include <QFile>
#include <QList>
#include <QLoggingCategory>

namespace morvanex::platform {

namespace {

// The calendar reader holds this file without the program's shared logging, so the category
// lives here.
Q_LOGGING_CATEGORY(zoneLog, "morvanex.platform", QtInfoMsg)

// Listed names are short ("America/Argentina/ComodRivadavia" is among the longest); a longer
// one is not looked up at all.
constexpr qsizetype longestListedName = 128;

// The index is about 110 kB; one far larger is no index.
constexpr qint64 largestIndex = 4 * 1024 * 1024;

// A name as the database spells them: letters, digits, "_", "+", "-" in "/"-separated parts,
// none of them empty, "." or "..". The index is the system's own, yet a name that could climb
// out of the database's folder is never let through.
bool isPlainName(const QByteArray& name) {
    if (name.isEmpty() || name.size() > longestListedName)
        return false;
    for (const QByteArray& part : name.split('/')) {
        if (part.isEmpty())
            return false;
        for (const char c : part) {
            const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                               (c >= '0' && c <= '9') || c == '_' || c == '+' || c == '-';
            if (!plain)
                return false;
        }
    }
    return true;
}

const QSet<QByteArray>& listedNames() {
    static const QSet<QByteArray> listed = [] {
        QSet<QByteArray> names = zoneDatabaseNames(Roots::system());
        // Qt's own list adds what a database without the index still has.
        for (const QByteArray& id : QTimeZone::availableTimeZoneIds())
            names.insert(id);
        return names;
    }();
    return listed;
}

} // namespace

QSet<QByteArray> zoneDatabaseNames(const Roots& roots) {
    QSet<QByteArray> names;
    QFile index(roots.zoneinfo + QStringLiteral("/tzdata.zi"));
    if (!index.open(QIODevice::ReadOnly)) {
        qCWarning(zoneLog).noquote()
            << "Time-zone names beyond Qt's list are unknown:" << index.fileName()
            << "could not be read:" << index.errorString();
        return names;
    }
    const QByteArray text = index.read(largestIndex + 1);
    if (text.size() > largestIndex) {
        qCWarning(zoneLog).noquote()
            << "Time-zone names beyond Qt's list are unknown:" << index.fileName()
            << "is larger than an index can be";
        return names;
    }
    // "Z name offset rules format [until]" defines a zone, "L target name" a link; every other
    // line is a rule, a continuation of a zone or a comment.
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        QByteArray name;
        if (fields.size() >= 2 && fields[0] == "Z")
            name = fields[1];
        else if (fields.size() >= 3 && fields[0] == "L")
            name = fields[2];
        if (isPlainName(name))
            names.insert(name);
    }
    return names;
}

bool isListedTimeZone(const QByteArray& id) {
    return !id.isEmpty() && id.size() <= longestListedName && listedNames().contains(id);
}

QTimeZone listedTimeZone(const QByteArray& name) {
    if (!isListedTimeZone(name))
        return QTimeZone();
    return QTimeZone(name);
}

QTimeZone listedTimeZone(const QString& name) {
    if (name.size() > longestListedName)
        return QTimeZone();
    return listedTimeZone(name.toUtf8());
}

} // namespace morvanex::platform
