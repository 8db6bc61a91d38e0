#include "ui/settings/SettingsPane.h"

namespace morvanex::ui {

SettingsPane storedPane(const QVariant& stored) {
    if (stored.typeId() != QMetaType::QString && stored.typeId() != QMetaType::QByteArray)
        return SettingsPane::general;
    return fromRawValue<SettingsPane>(stored.toString()).value_or(SettingsPane::general);
}

QString versionLine(const QString& version) {
    if (version.isEmpty())
        return QStringLiteral("Morvanex");
    return QStringLiteral("Morvanex ") + version;
}

} // namespace morvanex::ui
