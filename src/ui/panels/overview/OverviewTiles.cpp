#include "ui/panels/overview/OverviewTiles.h"

#include "ui/kit/Dot.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/LineAreaGraph.h"
#include "ui/kit/TextLine.h"
#include "ui/kit/TileBackground.h"
#include "ui/kit/UsageBars.h"

#include <QBoxLayout>

namespace morvanex::ui::overview {

namespace {

// Fills the widget with the tile frame around `content`.
TileBackground* frame(QWidget* owner, QWidget* content, std::function<void()> action,
                      Appearance appearance) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* background = new TileBackground(content, std::move(action), appearance);
    layout->addWidget(background);
    owner->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return background;
}

TextLine* tileLabel(const QString& text, Appearance appearance) {
    return new TextLine(text, Fonts::font(11, QFont::DemiBold),
                        color(Tint::secondaryText, appearance));
}

// The tile's small graph of its recent values.
LineAreaGraph tileGraph(const BigTileContent& content) {
    LineAreaGraph graph;
    graph.series = {GraphSeries{content.history, content.color, 0.22, true}};
    graph.maxValue = content.maxValue;
    graph.stacked = false;
    graph.height = OverviewTile::graphHeight;
    graph.capacity = OverviewTile::graphCapacity;
    graph.gridlines = false;
    return graph;
}

HeroValue::Content heroContent(const HeroTextContent& hero) {
    return {hero.value, hero.unit};
}

} // namespace

OverviewTile::OverviewTile(BigTileContent content, std::function<void()> action,
                           Appearance appearance, QWidget* parent)
    : QWidget(parent), content_(std::move(content)) {
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* heading = new QHBoxLayout;
    heading->setSpacing(5);
    heading->addWidget(new Dot(content_.color, 7, appearance), 0, Qt::AlignVCenter);
    heading->addWidget(tileLabel(content_.label, appearance), 1, Qt::AlignVCenter);
    column->addLayout(heading);

    // The unit at six tenths of the number's size.
    hero_ = new HeroValue(heroContent(content_.value), content_.value.size,
                          content_.value.size * 0.6, appearance);
    column->addWidget(hero_);

    graph_ = new LineAreaGraphView(tileGraph(content_), appearance);
    column->addWidget(graph_);

    background_ = frame(this, body, std::move(action), appearance);
}

bool OverviewTile::setContent(const BigTileContent& content) {
    if (content.label != content_.label || content.color != content_.color ||
        content.value.size != content_.value.size)
        return false;
    if (content == content_)
        return true;
    content_ = content;
    hero_->setContent(heroContent(content_.value));
    graph_->setGraph(tileGraph(content_));
    return true;
}

SmallTile::SmallTile(SmallTileContent content, std::function<void()> action, Appearance appearance,
                     QWidget* parent)
    : QWidget(parent) {
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    label_ = tileLabel(content.label, appearance);
    column->addWidget(label_);
    value_ = new TextLine(content.value, Fonts::font(17, QFont::DemiBold),
                          color(Tint::primaryText, appearance));
    column->addWidget(value_);
    if (const auto* text = std::get_if<QString>(&content.detail)) {
        detail_ = new TextLine(*text, Fonts::font(11), color(Tint::secondaryText, appearance));
        column->addWidget(detail_);
    } else {
        bar_ = new UsageBarView(std::get<UsageBar>(content.detail), appearance);
        column->addWidget(bar_);
    }

    background_ = frame(this, body, std::move(action), appearance);
}

bool SmallTile::setContent(const SmallTileContent& content) {
    const auto* text = std::get_if<QString>(&content.detail);
    if ((text != nullptr) != (detail_ != nullptr))
        return false;
    label_->setFullText(content.label);
    value_->setFullText(content.value);
    if (text)
        detail_->setFullText(*text);
    else
        static_cast<UsageBarView*>(bar_)->setBar(std::get<UsageBar>(content.detail));
    return true;
}

} // namespace morvanex::ui::overview
