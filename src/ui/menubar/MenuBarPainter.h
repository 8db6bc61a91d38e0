#pragma once

#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarPart.h"

#include <QColor>
#include <QRectF>
#include <vector>

class QPainter;

namespace morvanex::ui {

// Draws single menu-bar parts into their slots (full item height, y pointing down). In
// monochrome every piece is plain black, because the panel tints a template image itself.
class MenuBarPainter {
public:
    MenuBarPainter(QPainter& painter, Appearance appearance, bool monochrome);

    void draw(const MenuBarPart& part, const QRectF& slot) const;

    // Fractions as bars in `rect`, the newest at the right edge, at most 20 of them; `upward`
    // grows them from the bottom edge, otherwise they hang from the top edge.
    void drawBars(const std::vector<double>& values, const QRectF& rect, const QColor& color,
                  bool upward) const;

    QColor foreground() const { return fg_; }
    // A tint as drawn: the foreground in monochrome, else its value in this appearance.
    QColor tinted(Tint tint) const;

    void operator()(const MenuBarText& part, const QRectF& slot) const;
    void operator()(const MenuBarStacked& part, const QRectF& slot) const;
    void operator()(const MenuBarGraph& part, const QRectF& slot) const;
    void operator()(const MenuBarMirrored& part, const QRectF& slot) const;
    void operator()(const MenuBarBar& part, const QRectF& slot) const;
    void operator()(const MenuBarSymbol& part, const QRectF& slot) const;
    void operator()(const MenuBarBattery& part, const QRectF& slot) const;
    void operator()(const MenuBarAppGlyph& part, const QRectF& slot) const;

private:
    void drawStackedLine(const QString& text, double left, double top) const;
    void fillTrack(const QRectF& box) const;

    QPainter& painter_;
    Appearance appearance_;
    bool monochrome_;
    QColor fg_;
};

} // namespace morvanex::ui
