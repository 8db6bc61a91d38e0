#pragma once

#include "base/SettingsEnums.h"
#include "ui/kit/Palette.h"

#include <QFont>
#include <QString>
#include <QWidget>
#include <optional>

namespace morvanex::ui {

// A large number with its unit in smaller grey type right after it on the same baseline (a unit
// that wants a gap brings its own blank: " K"): the reading at the end of a panel header, and
// at other sizes the reading of an overview tile.
class HeroValue : public QWidget {
    Q_OBJECT
public:
    struct Content {
        QString value;
        std::optional<QString> unit;

        bool operator==(const Content&) const = default;
    };

    // A temperature held in degrees Celsius, in the user's unit, rounded to a whole number
    // (halves away from zero). No reading, or one that is not a finite number: "—", no unit.
    static Content temperature(std::optional<double> celsius, TempUnit unit);

    // The header's sizes.
    HeroValue(Content content, Appearance appearance, QWidget* parent = nullptr);
    // Sizes in pixels of the number and of its unit.
    HeroValue(Content content, double valueSize, double unitSize, Appearance appearance,
              QWidget* parent = nullptr);

    const Content& content() const { return content_; }
    // Shows another reading in place.
    void setContent(const Content& content);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont valueFont() const;
    QFont unitFont() const;

    Content content_;
    double valueSize_;
    double unitSize_;
    Appearance appearance_;
};

} // namespace morvanex::ui
