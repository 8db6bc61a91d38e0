#pragma once

#include "ui/kit/Card.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/PanelSection.h"

#include <QString>

class QCheckBox;
class QToolButton;

namespace morvanex::ui {

// The card that keeps the machine awake for a while: whether it is on and until when, a small
// menu of durations with "Turn Off", and the switch that keeps the display on too. Follows the
// hub's changes (the keep-awake state) and the display setting.
class KeepAwakeCard : public Card {
    Q_OBJECT
public:
    explicit KeepAwakeCard(const PanelEnv& env, QWidget* parent = nullptr);

    void refresh();

    // The duration menu (null in a render while active, where the control is a plain text).
    QToolButton* menuButton() const { return menuButton_; }
    // The display switch, when shown.
    QCheckBox* checkbox() const { return checkbox_; }

private:
    struct Model {
        bool active = false;
        QString status;
        bool keepDisplay = false;
        bool isPreview = false;
        bool operator==(const Model&) const = default;
    };
    QWidget* build(const Model& model);

    PanelEnv env_;
    PanelSection* content_ = nullptr;
    QToolButton* menuButton_ = nullptr;
    QCheckBox* checkbox_ = nullptr;
    LastBuilt<Model> last_;
};

} // namespace morvanex::ui
