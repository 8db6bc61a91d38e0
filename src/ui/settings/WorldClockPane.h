#pragma once

#include "base/Config.h"
#include "ui/kit/PanelEnv.h"

#include <QByteArrayList>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QVBoxLayout;

namespace morvanex::ui {

class FormHost;

// The world clocks of the time dropdown, which of them the menu bar shows and how it labels
// them, the calendar's week numbers, and the calendar events section.
class WorldClockPane : public QWidget {
    Q_OBJECT
public:
    // "America/New_York" -> "New York": the last non-empty piece between slashes with "_" as
    // spaces; the identifier itself when it has no such piece.
    static QString cityName(const QString& identifier);
    // Up to 6 identifiers of `zones` (in their order) that contain the query's term (spaces and
    // tabs trimmed at both ends, inner spaces as "_", at least 2 characters) in any letter case
    // and are not yet among `clocks`.
    static QStringList matches(const QString& query, const QStringList& clocks,
                               const QByteArrayList& zones);
    static QString labelTitle(ClockLabel label);
    static bool isOnMenuBar(const Config& config, const QString& identifier);

    explicit WorldClockPane(const PanelEnv& env, QWidget* parent = nullptr);
    // The time-zone database's identifiers in its order, read once per pane.
    WorldClockPane(const PanelEnv& env, QByteArrayList zones, QWidget* parent = nullptr);

private:
    void build();
    void refresh();
    void refreshSuggestions();
    void refreshTimes();
    void setOnMenuBar(const QString& identifier, bool on);
    void remove(const QString& identifier);
    void add(const QString& identifier);

    PanelEnv env_;
    QByteArrayList zones_;
    FormHost* host_ = nullptr;
    QVBoxLayout* clocks_ = nullptr;
    QLineEdit* zoneQuery_ = nullptr;
    QWidget* suggestionsRow_ = nullptr;
    QVBoxLayout* suggestions_ = nullptr;
    QComboBox* label_ = nullptr;
    QCheckBox* weekNumbers_ = nullptr;
    QStringList shownClocks_;
    QStringList shownMenubar_;
};

} // namespace morvanex::ui
