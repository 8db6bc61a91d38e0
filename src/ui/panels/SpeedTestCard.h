#pragma once

#include "monitors/SpeedTestResult.h"
#include "ui/kit/BoolBinding.h"
#include "ui/kit/Card.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/PanelSection.h"

#include <QString>
#include <optional>
#include <vector>

class QHBoxLayout;
class QVariantAnimation;

namespace morvanex {
class SpeedTest;
}

namespace morvanex::ui {

class PillButton;
class UsageBarView;

// The thin bar of a running test; each new fraction is reached in half a second.
class ProgressBar : public QWidget {
public:
    ProgressBar(double fraction, Appearance appearance, QWidget* parent = nullptr);
    void setFraction(double fraction);
    // Where the bar is heading.
    double fraction() const { return target_; }
    QSize sizeHint() const override;

    static constexpr int animationMs = 500;

private:
    UsageBarView* bar_;
    QVariantAnimation* move_;
    double target_;
};

// The card that measures the connection with the speed-test tool: start or cancel, the progress
// of a running test, the failure sentence, the newest result and a list of the older ones.
// Follows the hub's changes and the rate unit of the settings.
class SpeedTestCard : public Card {
    Q_OBJECT
public:
    SpeedTestCard(const PanelEnv& env, BoolBinding historyExpanded, QWidget* parent = nullptr);

    PillButton* button() const { return button_; }
    ProgressBar* progressBar() const { return progress_; }

    // Reads the model again and rebuilds what changed.
    void refresh();

private:
    struct ButtonModel {
        QString title;
        bool prominent = false;
        bool cancels = false; // the running test's "Cancel"; otherwise a start
        bool operator==(const ButtonModel&) const = default;
    };
    struct StatusModel {
        bool running = false;
        std::optional<QString> failure;
        bool operator==(const StatusModel&) const = default;
    };
    struct ResultsModel {
        std::vector<SpeedTestResult> results;
        bool running = false;
        bool bits = false;
        QString caption;
        bool operator==(const ResultsModel&) const = default;
    };

    void press(bool cancels);
    QWidget* buildResults(const ResultsModel& model) const;

    PanelEnv env_;
    SpeedTest& test_;
    BoolBinding historyExpanded_;
    QHBoxLayout* headerRow_ = nullptr;
    PillButton* button_ = nullptr;
    ProgressBar* progress_ = nullptr;
    PanelSection* status_ = nullptr;
    PanelSection* results_ = nullptr;
    LastBuilt<ButtonModel> lastButton_;
    LastBuilt<StatusModel> lastStatus_;
    LastBuilt<ResultsModel> lastResults_;
};

} // namespace morvanex::ui
