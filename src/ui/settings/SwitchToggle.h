#pragma once

#include "ui/kit/Palette.h"

#include <QAbstractButton>

namespace morvanex::ui {

// An on/off switch: a pill with a round knob, accent-filled while on. `small` is the compact
// size of list rows.
class SwitchToggle : public QAbstractButton {
    Q_OBJECT
public:
    SwitchToggle(Appearance appearance, bool small = false, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Appearance appearance_;
    bool small_;
};

} // namespace morvanex::ui
