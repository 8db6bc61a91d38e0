#include "platform/ListedTimeZone.h"

#include <QList>
#include <QSet>

namespace morvanex::platform {

namespace {

// Listed names are short ("America/Argentina/ComodRivadavia" is among the longest); a longer
// one is not looked up at all.
constexpr qsizetype longestListedName = 128;

} // namespace

bool isListedTimeZone(const QByteArray& id) {
    static const QSet<QByteArray> listed = [] {
        const QList<QByteArray> ids = QTimeZone::availableTimeZoneIds();
        return QSet<QByteArray>(ids.begin(), ids.end());
    }();
    return !id.isEmpty() && id.size() <= longestListedName && listed.contains(id);
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
