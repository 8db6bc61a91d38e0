#include "ui/settings/OverviewPane.h"

#include "base/AppSettings.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/IconTile.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/settings/ListMoves.h"
#include "ui/settings/PaneForm.h"
#include "ui/settings/ReorderList.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace morvanex::ui {

namespace {

int indexOf(const std::vector<OverviewItem>& items, OverviewItem item) {
    const auto found = std::find(items.begin(), items.end(), item);
    return found == items.end() ? -1 : int(found - items.begin());
}

// A row offering "Move Up" and "Move Down" on a right click.
class ItemRow : public QWidget {
public:
    std::function<void(QMenu&)> fillMenu;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu menu(this);
        if (fillMenu)
            fillMenu(menu);
        menu.exec(event->globalPos());
    }
};

} // namespace

QString OverviewPane::description(OverviewItem item) {
    switch (item) {
    case OverviewItem::insight:
        return QStringLiteral("What's using your computer right now, in one line");
    case OverviewItem::cpu:
    case OverviewItem::gpu:
    case OverviewItem::memory:
    case OverviewItem::network:
        return QStringLiteral("Large tile with a graph");
    case OverviewItem::disk:
    case OverviewItem::sensors:
    case OverviewItem::battery:
        return QStringLiteral("Small tile");
    case OverviewItem::devices:
        return QStringLiteral("Battery, storage and health of connected devices");
    case OverviewItem::keepAwake:
        return QStringLiteral("Also in the Battery dropdown and the right-click menu");
    case OverviewItem::weather:
        return QStringLiteral("Current conditions for your location");
    case OverviewItem::worldClocks:
        return QStringLiteral("Up to three clocks from Settings › World Clock");
    case OverviewItem::nextEvent:
        return QStringLiteral("Your next calendar event, once calendar access is allowed");
    }
    return {};
}

void OverviewPane::move(Config& config, const std::set<int>& sources, int destination) {
    config.overviewOrder = ListMoves::move(config.overviewItems(), sources, destination);
}

void OverviewPane::step(Config& config, OverviewItem item, int by) {
    const std::vector<OverviewItem> items = config.overviewItems();
    const int index = indexOf(items, item);
    const auto destination = ListMoves::stepDestination(index, by, int(items.size()));
    if (!destination)
        return;
    move(config, {index}, *destination);
}

bool OverviewPane::canStep(const Config& config, OverviewItem item, int by) {
    const std::vector<OverviewItem> items = config.overviewItems();
    return ListMoves::stepDestination(indexOf(items, item), by, int(items.size())).has_value();
}

bool OverviewPane::isDefaultOrder(const Config& config) {
    return config.overviewItems() == allOverviewItems();
}

void OverviewPane::restoreDefaultOrder(Config& config) {
    config.overviewOrder = allOverviewItems();
}

OverviewPane::OverviewPane(const PanelEnv& env, QWidget* parent) : QWidget(parent), env_(env) {
    editor_ =
        std::make_unique<PaneEditor>(this, *env_.settings, env_.appearance, [this] { rebuild(); });
    rebuild();
}

void OverviewPane::edit(const std::function<void(Config&)>& change, bool redraw) {
    editor_->edit(change, redraw);
}

void OverviewPane::rebuild() {
    const Config& config = env_.settings->config();
    PaneForm* form = editor_->host()->replaceForm();

    FormSection* shown = form->addSection(QStringLiteral("Show in the Overview"));
    auto* list = new ReorderList(env_.appearance, [this](int from, int destination) {
        edit([&](Config& c) { move(c, {from}, destination); }, true);
    });
    list->setObjectName(QStringLiteral("overviewList"));
    for (const OverviewItem item : config.overviewItems())
        list->addRow(itemRow(item, config));
    QWidget* frame = shown->addRow(list);
    frame->layout()->setContentsMargins(0, 0, 0, 0);
    shown->setFooter(QStringLiteral(
        "Drag to reorder, top to bottom. Neighbouring tiles share a row. Hidden parts stay "
        "available in their own dropdowns; Battery and Disk only appear when this computer has "
        "them."));

    FormSection* restore = form->addSection();
    auto* button = new QPushButton(QStringLiteral("Restore Default Order"));
    button->setObjectName(QStringLiteral("restoreDefaultOrder"));
    button->setEnabled(!isDefaultOrder(config));
    connect(button, &QPushButton::clicked, this, [this] { edit(restoreDefaultOrder, true); });
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(button);
    line->addStretch(1);
    restore->addRow(row);
}

QWidget* OverviewPane::itemRow(OverviewItem item, const Config& config) {
    const Appearance appearance = env_.appearance;
    const bool on = config.showsInOverview(item);
    auto* row = new ItemRow;
    row->setObjectName(QStringLiteral("item-") + rawValue(item));
    row->setFixedHeight(rowHeight);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(10, 4, 10, 4);
    line->setSpacing(10);

    auto* handle = new SymbolIcon(QStringLiteral("line.3.horizontal"), 11,
                                  color(Tint::tertiaryText, appearance));
    handle->setCursor(Qt::OpenHandCursor);
    line->addWidget(handle);
    line->addWidget(new IconTile(symbol(item), Tint::indigo, 22, 6, 11, appearance));

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    QLabel* titleLabel =
        formText(title(item), 13, on ? Tint::primaryText : Tint::secondaryText, appearance);
    titleLabel->setObjectName(QStringLiteral("title"));
    texts->addWidget(titleLabel);
    texts->addWidget(formText(description(item), 11, Tint::secondaryText, appearance));
    line->addLayout(texts);
    addFlexibleSpace(line, 12);

    auto* toggle = new QCheckBox;
    toggle->setObjectName(QStringLiteral("show"));
    toggle->setAccessibleName(QStringLiteral("Show ") + title(item));
    toggle->setChecked(on);
    connect(toggle, &QCheckBox::toggled, this, [this, item](bool value) {
        // The title's colour follows the switch: draw the rows again.
        edit([item, value](Config& c) { c.setShowsInOverview(item, value); }, true);
    });
    line->addWidget(toggle);

    row->fillMenu = [this, item](QMenu& menu) {
        const Config& now = env_.settings->config();
        QAction* up = menu.addAction(QStringLiteral("Move Up"));
        up->setEnabled(canStep(now, item, -1));
        connect(up, &QAction::triggered, this,
                [this, item] { edit([item](Config& c) { step(c, item, -1); }, true); });
        QAction* down = menu.addAction(QStringLiteral("Move Down"));
        down->setEnabled(canStep(now, item, 1));
        connect(down, &QAction::triggered, this,
                [this, item] { edit([item](Config& c) { step(c, item, 1); }, true); });
    };
    return row;
}

} // namespace morvanex::ui
