#include "ui/kit/PanelDefaults.h"

namespace morvanex::ui {

PanelDefaults::PanelDefaults(platform::UserDefaults defaults) : defaults_(std::move(defaults)) {}

PanelDefaults& PanelDefaults::shared() {
    static PanelDefaults instance;
    return instance;
}

QVariant PanelDefaults::value(const QString& key) const {
    return defaults_.value(key);
}

bool PanelDefaults::boolValue(const QString& key, bool fallback) const {
    const QVariant stored = defaults_.value(key);
    return stored.isValid() ? stored.toBool() : fallback;
}

QString PanelDefaults::stringValue(const QString& key, const QString& fallback) const {
    const QVariant stored = defaults_.value(key);
    return stored.isValid() ? stored.toString() : fallback;
}

void PanelDefaults::setValue(const QString& key, const QVariant& value) {
    if (defaults_.value(key) == value)
        return;
    defaults_.setValue(key, value);
    emit changed(key);
}

void PanelDefaults::remove(const QString& key) {
    if (!defaults_.value(key).isValid())
        return;
    defaults_.remove(key);
    emit changed(key);
}

} // namespace morvanex::ui
