#pragma once

#include "base/SettingsEnums.h"
#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <optional>

namespace morvanex::ui {

// The large number at the end of a panel header, with its unit in smaller grey type right
// after it on the same baseline (a unit that wants a gap brings its own blank: " K").
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

    HeroValue(Content content, Appearance appearance, QWidget* parent = nullptr);

    const Content& content() const { return content_; }
    // Shows another reading in place.
    void setContent(const Content& content);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Content content_;
    Appearance appearance_;
};

} // namespace morvanex::ui
