#pragma once

#include "ui/kit/Palette.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

class QVBoxLayout;

namespace morvanex {
class AppSettings;
class Hub;
} // namespace morvanex

namespace morvanex::ui {

class Card;
class HistoryGraph;

// The column a system panel lays its pieces out in, 8 apart, rebuilt from the hub's readings
// after every change. Everything is made afresh on each rebuild except cards that hold a
// history graph: such a card stays (with its graph, its chosen range and its loaded series) as
// long as its key stays the same, and only the rows before and after the graph are refilled.
class SectionStack {
public:
    // A card kept across rebuilds: `before` and `after` are emptied at every rebuild.
    struct GraphCard {
        Card* card = nullptr;
        QVBoxLayout* before = nullptr;
        QVBoxLayout* after = nullptr;
        HistoryGraph* graph = nullptr;
    };

    explicit SectionStack(QWidget* panel);

    // Replaces every section by what `build` adds (through add and graphCard). The widgets of
    // the last pass are hidden at once and deleted later: `build` may run from inside a click
    // on one of them.
    void rebuild(const std::function<void()>& build);
    // Rebuilds after every change of the hub and of the settings, for as long as the panel
    // lives. A rebuild due while a menu is open waits for the next change.
    void follow(Hub& hub, AppSettings* settings, std::function<void()> build);

    void add(QWidget* section);
    // The card kept under `key` (made with `makeGraph` when the key is new), added as the next
    // section.
    GraphCard graphCard(const QString& key, double spacing, Appearance appearance,
                        const std::function<HistoryGraph*(QWidget* parent)>& makeGraph);

    int rebuildCount() const { return rebuilds_; }
    const std::vector<QWidget*>& sections() const { return sections_; }

private:
    struct Kept {
        GraphCard parts;
        QPointer<QWidget> beforeBox;
        QPointer<QWidget> afterBox;
    };

    void refresh();

    QWidget* panel_;
    QVBoxLayout* column_;
    std::vector<QWidget*> sections_;
    std::map<QString, Kept> kept_;
    std::map<QString, Kept> keptNow_; // during a rebuild: the cards used so far
    std::function<void()> build_;
    int rebuilds_ = 0;
};

// Empties a layout: its widgets are hidden now and deleted later.
void clearLayout(QVBoxLayout* layout);

} // namespace morvanex::ui
