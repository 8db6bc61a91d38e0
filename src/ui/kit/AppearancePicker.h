#pragma once

#include "platform/UserDefaults.h"
#include "ui/kit/AppearanceMode.h"

#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

class QPainter;

namespace morvanex::ui {

// One thumbnail of a desktop with a window in the mode's scene, filling `rect` (68 × 46 in the
// picker), clipped to its rounded corners. `system` shows the light scene on the left half and
// the dark scene on the right half.
void paintAppearanceThumbnail(QPainter& painter, const QRectF& rect, AppearanceMode mode);

// Three thumbnails, System, Light and Dark, the stored mode outlined. A click on a cell stores
// its mode under "appearance" and applies it (the stored mode included).
class AppearancePicker : public QWidget {
    Q_OBJECT
public:
    using Apply = std::function<void(AppearanceMode)>;

    explicit AppearancePicker(platform::UserDefaults defaults = platform::UserDefaults::standard(),
                              QWidget* parent = nullptr);

    AppearanceMode mode() const { return currentAppearanceMode(defaults_); }
    // The cell of one mode (thumbnail and label), in widget coordinates.
    QRectF cellRect(AppearanceMode mode) const;
    // Draw in this appearance instead of the application's (renders draw both).
    void setAppearance(std::optional<Appearance> appearance);
    // What a click calls after storing; `apply` unless replaced.
    void setApply(Apply apply) { apply_ = std::move(apply); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<AppearanceMode> modeAt(const QPointF& point) const;

    platform::UserDefaults defaults_;
    std::optional<Appearance> appearance_;
    std::optional<AppearanceMode> pressed_;
    Apply apply_ = [](AppearanceMode m) { ui::apply(m); };
};

} // namespace morvanex::ui
