#pragma once

#include "services/AstronomyMonitor.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QWidget>
#include <optional>
#include <vector>

class QVBoxLayout;

namespace morvanex::ui {

// The local calendar day as a thin capsule: night, civil twilight and daylight as bands, and a
// marker at the current time. A band whose two times are not both known is left out.
class SunTimeline : public QWidget {
    Q_OBJECT
public:
    SunTimeline(AstronomyMonitor::Snapshot snapshot, QDateTime now, QTimeZone local,
                Appearance appearance, QWidget* parent = nullptr);

    // Where a date falls on a bar `width` wide whose left edge is `dayStart`: seconds since
    // then over 86400 seconds; not clamped. Nothing for an absent date.
    static std::optional<double> x(const std::optional<QDateTime>& date, const QDateTime& dayStart,
                                   double width);

    struct Band {
        double x = 0;
        double width = 0;
        bool operator==(const Band&) const = default;
    };
    // The band between two events of the snapshot, when both are known.
    static std::optional<Band> band(const SunCalc::SunTimes& sun, const QString& from,
                                    const QString& to, const QDateTime& dayStart, double width);

    static constexpr double height = 8;

    QSize sizeHint() const override { return {200, int(height)}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AstronomyMonitor::Snapshot snapshot_;
    QDateTime now_;
    QTimeZone local_;
    Appearance appearance_;
};

// The sun and moon panel: the next sunrise or sunset, the day's sun times on a day bar, the
// twilight ranges and the moon. Asks for a location until the astronomy monitor has one.
// Rebuilt on every change the hub publishes.
class AstronomyPanel : public QWidget {
    Q_OBJECT
public:
    explicit AstronomyPanel(PanelEnv env, QWidget* parent = nullptr);

    void rebuild();
    const SectionStack& sections() const { return sections_; }

    struct Line {
        QString label;
        QString value;
        bool operator==(const Line&) const = default;
    };

    // The moon's age for a phase: "1 day", "0 days", "14 days".
    static QString age(double phase);
    // The part of a place's name before its first comma.
    static QString place(const QString& name);
    // An angle cut toward zero to whole degrees: 12.9 gives "12", -0.4 gives "0"; "—" when it
    // is not a finite number in range.
    static QString whole(double degrees);
    // The "Sun" card's trailing text: "altitude 23° · azimuth 187°".
    static QString sunPosition(double altitude, double azimuth);
    // The "Sun" card's rows, times in `local`.
    static std::vector<Line> sunLines(const AstronomyMonitor::Snapshot& snapshot,
                                      const QTimeZone& local);
    // The three twilight ranges: civil, nautical, astronomical.
    static std::vector<Line> twilightLines(const SunCalc::SunTimes& sun, const QTimeZone& local);
    // "62% illuminated · 9 days old".
    static QString moonLine(double fraction, double phase);
    // The "Moon" card's rows, dates in `locale` and `local`.
    static std::vector<Line> moonLines(const AstronomyMonitor::Snapshot& snapshot,
                                       const QTimeZone& local, const QString& locale);

private:
    void addSnapshot(const AstronomyMonitor::Snapshot& snapshot);
    void addWaiting();

    PanelEnv env_;
    SectionStack sections_;
};

} // namespace morvanex::ui
