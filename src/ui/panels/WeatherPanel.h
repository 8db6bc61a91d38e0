#pragma once

#include "base/SettingsEnums.h"
#include "services/WeatherReport.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QWidget>
#include <optional>
#include <vector>

class QVBoxLayout;

namespace morvanex::ui {

// One day's temperature range on the scale shared by the days shown: a faint track with a
// coloured capsule from the low to the high, never narrower than 4.
class RangeBar : public QWidget {
    Q_OBJECT
public:
    RangeBar(double low, double high, double minimum, double maximum, Appearance appearance,
             QWidget* parent = nullptr);

    // Where the range sits in a bar `width` wide: left edge and width.
    struct Span {
        double x = 0;
        double width = 0;
        bool operator==(const Span&) const = default;
    };
    static Span span(double low, double high, double minimum, double maximum, double width);

    static constexpr double height = 5;
    static constexpr double minimumWidth = 4;

    QSize sizeHint() const override { return {60, int(height)}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double low_, high_, minimum_, maximum_;
    Appearance appearance_;
};

// The three-way forecast length switch: "3 days", "7 days", "14 days".
class ForecastLengthPicker : public QWidget {
    Q_OBJECT
public:
    ForecastLengthPicker(int days, Appearance appearance, std::function<void(int)> choose,
                         QWidget* parent = nullptr);
    int days() const { return days_; }
    QAbstractButton* segment(int days) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int days_;
    Appearance appearance_;
    std::vector<QAbstractButton*> segments_;
};

// The weather module's panel: the place with its sky and temperature, the current conditions,
// the forecast of 3, 7 or 14 days with a range bar per day and the time of the report; a
// waiting card until the first report arrives. Follows every change the hub publishes and
// every settings change, making a card anew only when what it shows changed.
class WeatherPanel : public QWidget {
    Q_OBJECT
public:
    explicit WeatherPanel(PanelEnv env, QWidget* parent = nullptr);

    // Brings every piece in step with the hub's current report.
    void rebuild();
    const SectionStack& sections() const { return sections_; }

    int days() const { return days_; }
    // Chooses the forecast length (3, 7 or 14) and rebuilds on the next turn of the event loop.
    void setDays(int days);

    struct Line {
        QString label;
        QString value;
        bool operator==(const Line&) const = default;
    };
    struct Conditions {
        std::vector<Line> left;
        std::vector<Line> right;
    };

    // The label of a forecast day: "Today" when the date is today in `tz` at `now`, else the
    // abbreviated weekday in `locale`.
    static QString dayName(const QDateTime& date, const QTimeZone& tz, const QDateTime& now,
                           const QString& locale);
    // The sky description, then the first day's "H 21°  L 12°" when there is a forecast.
    static QString subtitle(const WeatherReport& report, TempUnit unit);
    static Conditions conditions(const WeatherCurrent& current, TempUnit temperature,
                                 WindUnit wind);
    // The first `days` days of the report.
    static std::vector<WeatherDay> shown(const std::vector<WeatherDay>& days, int count);
    // The lowest low and highest high of the days, 0 and 1 without days.
    static std::pair<double, double> scale(const std::vector<WeatherDay>& days);
    // A forecast day's chance of rain: empty when absent or below 10, else "40%".
    static QString precipitationChance(const std::optional<double>& chance);
    static QString footer(const QDateTime& fetched, const QTimeZone& local);

    static constexpr int initialDays = 7;

private:
    void addReport(const WeatherReport& report);
    void addWaiting();

    PanelEnv env_;
    int days_ = initialDays;
    SectionStack sections_;
};

} // namespace morvanex::ui
