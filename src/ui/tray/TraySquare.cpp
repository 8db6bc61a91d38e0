#include "ui/tray/TraySquare.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "ui/kit/Fonts.h"
#include "ui/menubar/MenuBarContent.h"
#include "ui/tray/PanelImage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace morvanex::ui {

namespace {

bool bearsReading(const MenuBarPart& part) {
    return !std::holds_alternative<MenuBarSymbol>(part) &&
           !std::holds_alternative<MenuBarBattery>(part) &&
           !std::holds_alternative<MenuBarAppGlyph>(part);
}

QString firstText(const std::vector<MenuBarPart>& parts) {
    for (const MenuBarPart& part : parts) {
        if (const auto* text = std::get_if<MenuBarText>(&part))
            return text->text;
        if (const auto* stacked = std::get_if<MenuBarStacked>(&part))
            return stacked->first;
    }
    return {};
}

// "Paris 9:41 AM  Tokyo 4:41 PM" → "9:41 AM": the first clock, without its label.
QString firstClockTime(const QString& line) {
    const QString first = line.section(QStringLiteral("  "), 0, 0);
    for (qsizetype i = 0; i < first.size(); ++i)
        if (first.at(i).isDigit())
            return first.mid(i);
    return first;
}

QString reading(ModuleKind kind, const Hub& hub, const Config& config) {
    switch (kind) {
    case ModuleKind::network: {
        const double up = hub.network.upload;
        const double down = hub.network.download;
        return up > down ? shortRate(up, config.bandwidthBits) + QStringLiteral("↑")
                         : shortRate(down, config.bandwidthBits) + QStringLiteral("↓");
    }
    case ModuleKind::combined:
        // Its first reading is the processor's.
        return reading(ModuleKind::cpu, hub, config);
    case ModuleKind::time:
        return firstClockTime(MenuBarContent::clockLine(config, hub.clock.now()));
    default:
        return firstText(
            MenuBarContent::parts(ModuleConfig{kind, true, DisplayStyle::text}, hub, config));
    }
}

// Where a text may be cut into two lines: after its first space, where its number ends, or
// at a time's colon ("09:00" as "09" over "00").
std::vector<QStringList> splits(const QString& text) {
    std::vector<QStringList> found;
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space > 0 && space + 1 < text.size())
        found.push_back({text.left(space), text.mid(space + 1)});
    qsizetype end = 0;
    while (end < text.size() &&
           (text.at(end).isDigit() || text.at(end) == QLatin1Char('.') ||
            text.at(end) == QLatin1Char(':') || (end == 0 && text.at(end) == QLatin1Char('-'))))
        ++end;
    if (end > 0 && end < text.size())
        found.push_back({text.left(end), text.mid(end)});
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon > 0 && colon + 1 < text.size())
        found.push_back({text.left(colon), text.mid(colon + 1)});
    return found;
}

// The part of `image` that is not transparent.
QImage inked(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 16) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return image;
    return image.copy(left, top, right - left + 1, bottom - top + 1);
}

// The largest pixel size at which every line fits `inner` wide and the lines together fit
// `inner` high (by their ink, which is what must stay inside).
int largestFit(const QStringList& lines, int inner) {
    for (int size = inner; size >= 4; --size) {
        const QFontMetricsF metrics(Fonts::font(size, QFont::Bold));
        bool fits =
            metrics.capHeight() * lines.size() + (lines.size() - 1) * size * 0.25 <= inner - 1;
        for (const QString& line : lines)
            fits = fits && metrics.tightBoundingRect(line).width() <= inner - 1;
        if (fits)
            return size;
    }
    return 4;
}

} // namespace

QString shortRate(double bytesPerSecond, bool bits) {
    static constexpr std::array<const char*, 4> bitUnits = {"b", "Kb", "Mb", "Gb"};
    static constexpr std::array<const char*, 4> byteUnits = {"B", "K", "M", "G"};
    if (!std::isfinite(bytesPerSecond))
        return QStringLiteral("—");
    const auto& units = bits ? bitUnits : byteUnits;
    const double base = bits ? 1000 : 1024;
    double value = std::max(0.0, bits ? bytesPerSecond * 8 : bytesPerSecond);
    std::size_t unit = 0;
    // Up a unit before the number would round to four digits.
    while (value >= 999.5 && unit + 1 < units.size()) {
        value /= base;
        ++unit;
    }
    const int decimals = unit != 0 && value < 9.95 ? 1 : 0;
    return Fmt::number(value, decimals) + QLatin1String(units[unit]);
}

SquareFace squareFace(const ModuleConfig& module, const std::vector<MenuBarPart>& parts,
                      const Hub& hub, const Config& config) {
    if (std::any_of(parts.begin(), parts.end(), bearsReading)) {
        const QString text = reading(module.kind, hub, config);
        if (!text.isEmpty() && text != QStringLiteral("—"))
            return {text, {}};
        // Nothing to read yet (no sensor, no weather report, no sun event): a bare dash would
        // look the same in every square, so the square shows what the item shows in the icon
        // style, the module's symbol.
        return {{},
                MenuBarContent::parts(ModuleConfig{module.kind, module.enabled, DisplayStyle::icon},
                                      hub, config)};
    }
    return {{}, parts};
}

SquareText fitSquareText(const QString& text, int inner) {
    SquareText best{{text}, largestFit({text}, inner)};
    // One line reads more naturally; two only when they make it clearly larger.
    const int single = best.pixelSize;
    for (const QStringList& lines : splits(text)) {
        const int twoLines = largestFit(lines, inner);
        if (twoLines >= single * 1.25 && twoLines > best.pixelSize)
            best = {lines, twoLines};
    }
    return best;
}

QImage drawSquare(const SquareFace& face, Appearance appearance, int side) {
    QImage result = PanelImage::plate(appearance, side);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    const int inner = PanelImage::plateInner(side);

    if (face.text.isEmpty()) {
        if (face.symbol.empty())
            return result;
        const MenuBarImage shown = MenuBarRenderer::image(face.symbol, false);
        // Drawn at no less than ratio 2 and scaled down smoothly: drawn directly at a small
        // ratio, hinted shapes grow past their slot.
        const double fit = 2.0 * inner / std::max(shown.size().width(), shown.size().height());
        // The symbol's own ink fills the square, not the item's padding around it.
        const QImage drawn = inked(PanelImage::draw(shown, appearance, std::max(fit, 2.0) * 2));
        const int room = std::max(1, inner - std::max(2, side / 8));
        const QImage fitted =
            drawn.scaled(room, room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(QPoint((side - fitted.width()) / 2, (side - fitted.height()) / 2),
                          fitted);
        return result;
    }

    const SquareText set = fitSquareText(face.text, inner);
    const QFont font = Fonts::font(set.pixelSize, QFont::Bold);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(color(Tint::primaryText, appearance));
    // Lines centred by their ink: cap height for the block, each line's own ink for width.
    const double gap = set.pixelSize * 0.25;
    const double block = metrics.capHeight() * set.lines.size() + gap * (set.lines.size() - 1);
    double baseline = (side - block) / 2 + metrics.capHeight();
    for (const QString& line : set.lines) {
        const QRectF ink = metrics.tightBoundingRect(line);
        const double x = (side - ink.width()) / 2 - ink.left();
        painter.drawText(QPointF(std::round(x), std::round(baseline)), line);
        baseline += metrics.capHeight() + gap;
    }
    return result;
}

} // namespace morvanex::ui
