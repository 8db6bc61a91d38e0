#include "ui/kit/Palette.h"

#include <QGuiApplication>
#include <QPalette>

namespace morvanex::ui {

namespace {

struct Pair {
    QRgb light;
    QRgb dark;
};

// Light and dark values of each name, in the order of Tint. The hues are the desktop's usual
// system colours; the dark values are lighter so they keep their contrast on dark backgrounds.
constexpr Pair kPairs[] = {
    {qRgb(0, 122, 255), qRgb(10, 132, 255)},          // blue
    {qRgb(52, 199, 89), qRgb(48, 209, 88)},           // green
    {qRgb(255, 59, 48), qRgb(255, 69, 58)},           // red
    {qRgb(255, 149, 0), qRgb(255, 159, 10)},          // orange
    {qRgb(255, 204, 0), qRgb(255, 214, 10)},          // yellow
    {qRgb(175, 82, 222), qRgb(191, 90, 242)},         // purple
    {qRgb(48, 176, 199), qRgb(64, 200, 224)},         // teal
    {qRgb(88, 86, 214), qRgb(94, 92, 230)},           // indigo
    {qRgb(142, 142, 147), qRgb(152, 152, 157)},       // gray
    {qRgb(0, 122, 255), qRgb(10, 132, 255)},          // accent
    {qRgba(0, 0, 0, 217), qRgba(255, 255, 255, 217)}, // primaryText
    {qRgba(0, 0, 0, 128), qRgba(255, 255, 255, 140)}, // secondaryText
    {qRgba(0, 0, 0, 66), qRgba(255, 255, 255, 64)},   // tertiaryText
    {qRgba(0, 0, 0, 26), qRgba(255, 255, 255, 26)},   // quaternaryText
    {qRgba(0, 0, 0, 26), qRgba(255, 255, 255, 26)},   // separator
    {qRgb(236, 236, 236), qRgb(50, 50, 50)},          // windowBackground
    {qRgb(246, 246, 246), qRgb(40, 40, 40)},          // cardBackground
    {qRgb(255, 255, 255), qRgb(30, 30, 30)},          // controlBackground
};

static_assert(std::size(kPairs) == static_cast<std::size_t>(Tint::controlBackground) + 1,
              "one pair per tint");

} // namespace

QColor color(Tint tint, Appearance appearance) {
    const Pair& pair = kPairs[static_cast<std::size_t>(tint)];
    return QColor::fromRgba(appearance == Appearance::dark ? pair.dark : pair.light);
}

Appearance currentAppearance() {
    if (!qGuiApp)
        return Appearance::light;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128 ? Appearance::dark
                                                                                : Appearance::light;
}

} // namespace morvanex::ui
