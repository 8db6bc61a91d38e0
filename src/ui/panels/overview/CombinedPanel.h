#pragma once

#include "services/CalendarEvent.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"
#include "ui/panels/overview/OverviewSections.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class QVBoxLayout;

namespace morvanex::ui {

class PanelHeader;

// The rows of the overview that other panels own, made by whoever composes the dropdown.
// An item whose maker is missing draws nothing.
struct OverviewRowMakers {
    // The keep-awake card; it reads its own environment.
    std::function<QWidget*(const PanelEnv& env)> keepAwakeCard;
    // The next-event row for `event`; `open` shows the time panel.
    std::function<QWidget*(const CalendarEvent& event, std::function<void()> open,
                           const PanelEnv& env)>
        nextEventRow;
};

// The combined module's panel: the uptime header, then the chosen overview items in the
// user's order as big tiles, small tiles and rows, or a message when everything is hidden.
// Follows every tick and every change of the settings: a section is made anew only when what
// it shows changed, and the tiles take new readings in place; a tap opens the matching
// module's panel through the environment.
class CombinedPanel : public QWidget {
    Q_OBJECT
public:
    CombinedPanel(PanelEnv env, OverviewRowMakers makers = {}, QWidget* parent = nullptr);

    // The configuration this evaluation draws with.
    Config shownConfig() const;
    const std::vector<overview::Section>& shownSections() const { return sections_; }
    PanelHeader* header() const { return header_; }
    // The message card shown when everything is hidden; null otherwise.
    QWidget* emptyCard() const { return emptyCard_; }
    // The drawn view of each section, in order.
    const std::vector<QWidget*>& sectionViews() const { return sectionViews_; }

    // Evaluates the panel again (the hub's ticks and settings changes call it).
    void rebuild();
    const SectionStack& stack() const { return stack_; }

    static constexpr int spacing = 8;

private:
    void build();
    QWidget* bigTiles(const QString& key, const std::vector<OverviewItem>& items, bool bits);
    QWidget* smallTiles(const QString& key, const std::vector<OverviewItem>& items, TempUnit unit);
    QWidget* row(const QString& key, OverviewItem item, const Config& config);
    std::function<void()> opener(OverviewItem item) const;

    PanelEnv env_;
    OverviewRowMakers makers_;
    SectionStack stack_;
    PanelHeader* header_ = nullptr;
    QWidget* emptyCard_ = nullptr;
    std::vector<overview::Section> sections_;
    std::vector<QWidget*> sectionViews_;
};

} // namespace morvanex::ui
