#include "dump/KeepAwakeCheck.h"

#include <QDBusConnection>
#include <QStringList>

namespace morvanex::dump {

QString inhibitorLine(const platform::InhibitorEntry& entry) {
    return QStringList{
        entry.who, QString::number(entry.uid), QString::number(entry.pid), entry.what, entry.why,
        entry.mode}
        .join(QStringLiteral("  "));
}

QString keepAwakeCheckLine(const std::optional<std::vector<platform::InhibitorEntry>>& locks) {
    const QString name = QStringLiteral("Morvanex Keep Awake");
    if (locks) {
        for (const platform::InhibitorEntry& entry : *locks) {
            const QString line = inhibitorLine(entry);
            if (line.contains(name))
                return QStringLiteral("KeepAwake ") + line;
        }
    }
    return QStringLiteral("KeepAwake assertion NOT found");
}

QString keepAwakeCheck(const QDBusConnection& bus, std::chrono::milliseconds bound) {
    return keepAwakeCheckLine(platform::listInhibitors(bus, bound));
}

} // namespace morvanex::dump
