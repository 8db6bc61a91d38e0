#pragma once

#include "ui/kit/MenuBarPreviewSource.h"
#include "ui/kit/PanelEnv.h"

#include <QWidget>
#include <array>

namespace morvanex::ui {

// A live picture of the menu-bar items over a desktop-like gradient, redrawn on every tick and
// every settings change. Without a source it draws the strip empty.
class MenuBarPreview : public QWidget {
    Q_OBJECT
public:
    MenuBarPreview(const PanelEnv& env, MenuBarPreviewSource source, QWidget* parent = nullptr);

    // The modules the strip shows: the enabled ones in order, without the battery when the
    // machine has none.
    static std::vector<ModuleConfig> shownModules(const Config& config, bool hasBattery);
    // The gradient's three stops for an appearance.
    static std::array<QColor, 3> gradientStops(Appearance appearance);

    QSize sizeHint() const override { return {480, 52}; }
    QSize minimumSizeHint() const override { return {200, 52}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PanelEnv env_;
    MenuBarPreviewSource source_;
};

} // namespace morvanex::ui
