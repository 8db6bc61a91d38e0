#pragma once

#include "ui/kit/Palette.h"

#include <QRectF>
#include <QString>
#include <QWidget>
#include <optional>

namespace morvanex::ui {

// A square tile filled with a colour's gradient and a white symbol centred over it; the one
// reserved name "morvanex.lamp" shows the application's own glyph instead of a symbol.
class IconTile : public QWidget {
    Q_OBJECT
public:
    IconTile(const QString& symbol, Tint tint, double size, double cornerRadius, double symbolSize,
             Appearance appearance, QWidget* parent = nullptr);

    static const QString appGlyphName;

    static bool showsAppGlyph(const QString& symbol) { return symbol == appGlyphName; }

    // Where the application glyph goes: a (symbolSize + 3) square centred in the tile.
    static QRectF glyphRect(double size, double symbolSize);

    // Where a symbol goes: its own size at symbolSize, centred in the tile. Nothing for the
    // glyph's name (the catalog is never asked for it) and for a name the catalog lacks.
    static std::optional<QRectF> symbolRect(const QString& symbol, double size, double symbolSize);

    QString symbol() const { return symbol_; }
    Tint tint() const { return tint_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    Tint tint_;
    double size_;
    double cornerRadius_;
    double symbolSize_;
    Appearance appearance_;
};

} // namespace morvanex::ui
