#pragma once

#include "base/Config.h"
#include "ui/kit/PanelEnv.h"

#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace morvanex::ui {

class FormHost;

// The place of the forecast and the sun and moon times: the automatic place or one found by
// name through the weather service's place search.
class WeatherPane : public QWidget {
    Q_OBJECT
public:
    // The trailing text of the "Current" row.
    static QString currentText(const std::optional<WeatherLocation>& configured,
                               const std::optional<WeatherLocation>& resolved);
    // The query with spaces and tabs removed at both ends (line breaks stay).
    static QString searchTerm(const QString& query);
    // "51.51, -0.13": latitude, then longitude, two decimals each.
    static QString coordinatesText(const WeatherLocation& place);
    // The places to list: the search's answer in its order, identical places once.
    static std::vector<WeatherLocation> distinctPlaces(const std::vector<WeatherLocation>& places);

    static inline const QString noPlacesText = QStringLiteral("No places found.");

    explicit WeatherPane(const PanelEnv& env, QWidget* parent = nullptr);

    // Runs one place search for the field's text (nothing for an empty term).
    void search();

    bool isSearching() const { return searching_ > 0; }
    const std::vector<WeatherLocation>& results() const { return results_; }
    const std::optional<QString>& error() const { return error_; }

private:
    void build();
    void refresh();
    void choose(const WeatherLocation& place);
    void finish(std::optional<std::vector<WeatherLocation>> places, const QString& error);

    PanelEnv env_;
    FormHost* host_ = nullptr;
    QLabel* current_ = nullptr;
    QWidget* automaticRow_ = nullptr;
    QLineEdit* query_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QProgressBar* spinner_ = nullptr;
    QLabel* errorLabel_ = nullptr;
    QWidget* errorRow_ = nullptr;
    QWidget* resultsRow_ = nullptr;
    QVBoxLayout* resultsList_ = nullptr;

    std::vector<WeatherLocation> results_;
    int searching_ = 0; // searches still running
    std::optional<QString> error_;
};

} // namespace morvanex::ui
