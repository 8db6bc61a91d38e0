#pragma once

#include "platform/UserDefaults.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace morvanex::ui {

// The stored keys the panels use, exactly as they are kept.
namespace PanelKeys {
inline const QString historyRange = QStringLiteral("panel.historyRange");
inline const QString interfacesExpanded = QStringLiteral("panel.network.interfacesExpanded");
inline const QString speedHistoryExpanded = QStringLiteral("panel.network.speedHistoryExpanded");
// The settings window opens on this pane; the footers write it before opening the window.
inline const QString settingsPane = QStringLiteral("settings.pane");
} // namespace PanelKeys

// The small pieces of panel state kept across openings in the user defaults ("panel.historyRange",
// "panel.network.interfacesExpanded", ...). Every write goes through here and is announced, so
// every view bound to a key (each history graph's range chips, for one) follows at once.
class PanelDefaults : public QObject {
    Q_OBJECT
public:
    explicit PanelDefaults(platform::UserDefaults defaults = platform::UserDefaults::standard());

    // The process's one instance, over the standard store.
    static PanelDefaults& shared();

    QVariant value(const QString& key) const;
    bool boolValue(const QString& key, bool fallback = false) const;
    QString stringValue(const QString& key, const QString& fallback = {}) const;

    // Stores and announces the change (only when the stored value differs).
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    platform::UserDefaults& store() { return defaults_; }

signals:
    void changed(const QString& key);

private:
    platform::UserDefaults defaults_;
};

} // namespace morvanex::ui
