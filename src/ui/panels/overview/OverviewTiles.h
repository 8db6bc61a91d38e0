#pragma once

#include "ui/kit/Palette.h"
#include "ui/panels/overview/OverviewTileContent.h"

#include <QWidget>
#include <functional>

namespace morvanex::ui {
class HeroValue;
class LineAreaGraphView;
class TileBackground;
class TextLine;
} // namespace morvanex::ui

namespace morvanex::ui::overview {

// A big tile: a coloured dot and the label, the large reading, and a small graph of its
// recent values.
class OverviewTile : public QWidget {
    Q_OBJECT
public:
    OverviewTile(BigTileContent content, std::function<void()> action, Appearance appearance,
                 QWidget* parent = nullptr);

    const BigTileContent& content() const { return content_; }
    // Shows new readings in place; false (changing nothing) for another label, colour or size of
    // the reading.
    bool setContent(const BigTileContent& content);
    TileBackground* background() const { return background_; }
    HeroValue* hero() const { return hero_; }

    static constexpr double graphHeight = 28;
    static constexpr int graphCapacity = 60;

private:
    BigTileContent content_;
    TileBackground* background_ = nullptr;
    HeroValue* hero_ = nullptr;
    LineAreaGraphView* graph_ = nullptr;
};

// A small tile: the label, a reading, and one grey line or a thin usage bar.
class SmallTile : public QWidget {
    Q_OBJECT
public:
    SmallTile(SmallTileContent content, std::function<void()> action, Appearance appearance,
              QWidget* parent = nullptr);

    // Shows new readings in place; false (changing nothing) when the detail changes between a
    // text and a bar.
    bool setContent(const SmallTileContent& content);

    TileBackground* background() const { return background_; }
    TextLine* labelLine() const { return label_; }
    TextLine* valueLine() const { return value_; }
    TextLine* detailLine() const { return detail_; } // null when the detail is a bar
    QWidget* detailBar() const { return bar_; }      // null when the detail is a text

private:
    TileBackground* background_ = nullptr;
    TextLine* label_ = nullptr;
    TextLine* value_ = nullptr;
    TextLine* detail_ = nullptr;
    QWidget* bar_ = nullptr;
};

} // namespace morvanex::ui::overview
