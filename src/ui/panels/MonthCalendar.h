#pragma once

#include "ui/kit/Palette.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QLabel;

namespace morvanex::ui {

class HoverClick;
class TextLine;

// A small symbol button for paging: grey, darker on a faint square while the pointer is over it.
class NavIcon : public QWidget {
    Q_OBJECT
public:
    NavIcon(const QString& symbol, std::function<void()> action, Appearance appearance,
            QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    bool isHovering() const;
    void click();

    QSize sizeHint() const override { return {20, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    std::function<void()> action_;
    Appearance appearance_;
    HoverClick* pointer_ = nullptr;
};

// One month as a grid: its title with paging controls, the weekday initials from the locale's
// first weekday, and a row per week with the day numbers (today on a red disc, the locale's
// weekend days dimmed) and, when wanted, the week numbers.
class CalendarMonth : public QWidget {
    Q_OBJECT
public:
    struct Cell {
        QDate date;
        bool isToday = false;
        bool isWeekend = false;
        bool operator==(const Cell&) const = default;
    };
    struct Row {
        QString week;                           // empty when the row holds no date
        std::vector<std::optional<Cell>> cells; // up to 7; a short last row is not padded
        bool operator==(const Row&) const = default;
    };
    struct Grid {
        QDate shown;          // the first day of the month shown
        QString title;        // "December 2026"
        QStringList weekdays; // the 7 very short symbols from the first weekday
        std::vector<Row> rows;
    };

    // The month `offset` months from the one holding `now` in `zone`, in `locale`.
    static Grid grid(const QDateTime& now, int offset, const QString& locale,
                     const QTimeZone& zone);

    // `setOffset` receives the offset a control asks for.
    CalendarMonth(int offset, bool showWeekNumbers, std::function<void(int)> setOffset,
                  QDateTime now, Appearance appearance, QWidget* parent = nullptr);

    int offset() const { return offset_; }
    NavIcon* previous() const { return previous_; }
    NavIcon* next() const { return next_; }
    TextLine* todayButton() const { return today_; }
    TextLine* title() const { return title_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int offset_;
    std::function<void(int)> setOffset_;
    NavIcon* previous_ = nullptr;
    NavIcon* next_ = nullptr;
    TextLine* today_ = nullptr;
    TextLine* title_ = nullptr;
};

} // namespace morvanex::ui
