#include "ui/panels/SystemPanelParts.h"

#include "base/Numbers.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/TextLine.h"

#include <QLabel>
#include <QLocale>

namespace morvanex::ui::systempanel {

namespace {
const QString dash = QStringLiteral("—");
}

QString wholeGrouped(double value) {
    const std::optional<std::int64_t> whole = numbers::truncatedInt64(value);
    return whole ? QLocale().toString(qlonglong(*whole)) : dash;
}

QString roundedWhole(double value) {
    const std::optional<std::int64_t> whole = numbers::roundedInt64(value);
    return whole ? QString::number(qlonglong(*whole)) : dash;
}

QString truncatedWhole(double value) {
    const std::optional<std::int64_t> whole = numbers::truncatedInt64(value);
    return whole ? QString::number(qlonglong(*whole)) : dash;
}

QLabel* text(const QString& content, double pixelSize, Tint tint, Appearance appearance,
             QFont::Weight weight, QWidget* parent) {
    return new TextLine(content, Fonts::font(pixelSize, weight), color(tint, appearance),
                        Qt::ElideRight, parent);
}

} // namespace morvanex::ui::systempanel
