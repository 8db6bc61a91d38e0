#pragma once

#include "ui/kit/Palette.h"
#include "ui/panels/overview/OverviewTileContent.h"

#include <QFont>
#include <QWidget>

namespace morvanex::ui::overview {

// A tile's large number with its unit smaller and grey right after it on one baseline.
class HeroText : public QWidget {
    Q_OBJECT
public:
    HeroText(HeroTextContent content, Appearance appearance, QWidget* parent = nullptr);

    const HeroTextContent& content() const { return content_; }
    // Shows another reading in place.
    void setContent(const HeroTextContent& content);
    QFont valueFont() const;
    QFont unitFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HeroTextContent content_;
    Appearance appearance_;
};

} // namespace morvanex::ui::overview
