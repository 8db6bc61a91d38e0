#pragma once

#include "ui/kit/Palette.h"
#include "ui/panels/ShownModel.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <type_traits>
#include <vector>

class QVBoxLayout;

namespace morvanex {
class AppSettings;
class Hub;
} // namespace morvanex

namespace morvanex::ui {

class Card;
class HistoryGraph;

// The column a panel lays its pieces out in, 8 apart, kept in step with the hub's readings.
// Each pass places the sections in order, each under a key with the model of what it shows: a
// section whose model is unchanged is left as it is (hover, press and animations under the
// pointer stay), a changed one is updated in place where its maker offers that and made anew
// otherwise, and a section no longer placed leaves. Cards around a history graph keep the graph
// (its chosen range and loaded series) as long as their key stays.
class SectionStack {
public:
    // A card kept around its graph: `before` and `after` hold the rows over and under it.
    struct GraphCard {
        Card* card = nullptr;
        QVBoxLayout* before = nullptr;
        QVBoxLayout* after = nullptr;
        HistoryGraph* graph = nullptr;
    };

    explicit SectionStack(QWidget* panel, int spacing = 8);

    // One pass of `build`, which places every section shown (through section and graphCard).
    // Replaced widgets are hidden at once and deleted later: `build` may run from inside a
    // click on one of them.
    void rebuild(const std::function<void()>& build);
    // Passes again after every change of the hub and of the settings, for as long as the panel
    // lives. A pass due while a menu is open waits for the next change.
    void follow(Hub& hub, AppSettings* settings, std::function<void()> build);

    // The section under `key`, placed next. `make(model)` makes its widget when the key is new
    // or its model changed; with `update`, a changed model is first offered to the widget
    // already there (`update(widget, model)` answers whether it took it in place). A maker may
    // answer null: nothing is placed.
    template <typename Model, typename Make>
    auto* section(const QString& key, const Model& model, Make make) {
        using Widget = std::remove_pointer_t<decltype(make(model))>;
        return static_cast<Widget*>(place(key, ShownModel(model), [&] { return make(model); }, {}));
    }
    template <typename Model, typename Make, typename Update>
    auto* section(const QString& key, const Model& model, Make make, Update update) {
        using Widget = std::remove_pointer_t<decltype(make(model))>;
        return static_cast<Widget*>(place(
            key, ShownModel(model), [&] { return make(model); },
            [&](QWidget* widget) { return update(static_cast<Widget*>(widget), model); }));
    }

    // The card kept under `key` with the graph `makeGraph` made when the key was new, placed
    // next. `fill(parts, model)` fills its emptied rows over and under the graph when `model`
    // is new or changed; with `update`, a changed model is first offered to the rows in place.
    template <typename Model, typename Fill>
    GraphCard graphCard(const QString& key, double spacing, Appearance appearance,
                        const std::function<HistoryGraph*(QWidget* parent)>& makeGraph,
                        const Model& model, Fill fill) {
        return placeGraph(key, spacing, appearance, makeGraph, ShownModel(model),
                          [&](const GraphCard& parts) { fill(parts, model); }, {});
    }
    template <typename Model, typename Fill, typename Update>
    GraphCard graphCard(const QString& key, double spacing, Appearance appearance,
                        const std::function<HistoryGraph*(QWidget* parent)>& makeGraph,
                        const Model& model, Fill fill, Update update) {
        return placeGraph(
            key, spacing, appearance, makeGraph, ShownModel(model),
            [&](const GraphCard& parts) { fill(parts, model); },
            [&](const GraphCard& parts) { return update(parts, model); });
    }

    // How many sections were made or refilled, and how many took a new model in place, since
    // the panel opened.
    int builds() const { return builds_; }
    int updates() const { return updates_; }
    // The widgets placed by the last pass, in order.
    const std::vector<QWidget*>& sections() const { return sections_; }

private:
    struct Slot {
        QPointer<QWidget> widget;
        ShownModel model;
        bool made = false; // the widget may be null: its maker declined
        bool isGraph = false;
        GraphCard parts;
        QPointer<QWidget> beforeBox;
        QPointer<QWidget> afterBox;
    };

    QWidget* place(const QString& key, const ShownModel& model,
                   const std::function<QWidget*()>& make,
                   const std::function<bool(QWidget*)>& update);
    GraphCard placeGraph(const QString& key, double spacing, Appearance appearance,
                         const std::function<HistoryGraph*(QWidget* parent)>& makeGraph,
                         const ShownModel& model, const std::function<void(const GraphCard&)>& fill,
                         const std::function<bool(const GraphCard&)>& update);
    Slot* placedSlot(const QString& key);
    void refresh();
    void relayout();

    QWidget* panel_;
    QVBoxLayout* column_;
    std::vector<QWidget*> sections_;
    std::map<QString, Slot> slots_;
    std::vector<QString> placed_; // during a pass: the keys placed so far
    std::function<void()> build_;
    int builds_ = 0;
    int updates_ = 0;
};

// Empties a layout: its widgets are hidden now and deleted later.
void clearLayout(QVBoxLayout* layout);

} // namespace morvanex::ui
