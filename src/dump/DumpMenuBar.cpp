#include "dump/DumpMenuBar.h"

#include "dump/DumpValues.h"
#include "ui/menubar/MenuBarContent.h"

#include <QPainter>
#include <cmath>
#include <set>

namespace morvanex::dump {

namespace {

using ui::Appearance;
using ui::MenuBarPart;
using ui::MenuBarRenderer::image;

constexpr double margin = 4;
constexpr double scale = 2;

struct WidthSeries {
    const char* name;
    std::vector<std::vector<MenuBarPart>> lists;
};

std::vector<MenuBarPart> oneText(const char* text, const char* widthTemplate) {
    return {ui::MenuBarText{QString::fromUtf8(text), QString::fromUtf8(widthTemplate)}};
}

std::vector<MenuBarPart> oneStacked(const char* first, const char* second) {
    return {ui::MenuBarStacked{QString::fromUtf8(first), QString::fromUtf8(second),
                               QStringLiteral("↓ 1023 MB/s")}};
}

// Readings at the ends of each range, so a width that follows the digits shows.
std::vector<WidthSeries> widthSeries() {
    return {
        {"percent", {oneText("5%", "100%"), oneText("42%", "100%"), oneText("100%", "100%")}},
        {"network",
         {oneStacked("↑ 0 B/s", "↓ 5.2 KB/s"), oneStacked("↑ 1023 MB/s", "↓ 88.8 MB/s")}},
        {"temperature", {oneText("9°", "100°"), oneText("48°", "100°"), oneText("100°", "100°")}},
    };
}

const char* appearanceName(Appearance appearance) {
    return appearance == Appearance::dark ? "dark" : "light";
}

} // namespace

std::vector<DisplayStyle> renderedStyles(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::cpu:
    case ModuleKind::gpu:
    case ModuleKind::memory:
    case ModuleKind::network:
        return {DisplayStyle::graphAndText, DisplayStyle::graph, DisplayStyle::text,
                DisplayStyle::icon, DisplayStyle::iconAndText};
    default:
        return {DisplayStyle::iconAndText, DisplayStyle::text, DisplayStyle::icon};
    }
}

QStringList menuBarWidthLines() {
    QStringList lines;
    for (const WidthSeries& series : widthSeries()) {
        QStringList widths;
        std::set<double> distinct;
        for (const auto& parts : series.lists) {
            const double width = image(parts, false).size().width();
            widths.append(whole(width));
            distinct.insert(width);
        }
        lines.append(QStringLiteral("MenuBarWidth ") + QString::fromLatin1(series.name) +
                     QStringLiteral(": [") + widths.join(QStringLiteral(", ")) +
                     QStringLiteral("] ") +
                     (distinct.size() == 1 ? QStringLiteral("stable") : QStringLiteral("JITTERS")));
    }
    return lines;
}

QImage menuBarRender(const ui::MenuBarImage& item, Appearance appearance,
                     const QColor& background) {
    const QSizeF canvas(item.size().width() + 2 * margin, item.size().height());
    QImage bitmap(QSize(int(canvas.width() * scale), int(canvas.height() * scale)),
                  QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull())
        return bitmap;
    bitmap.setDevicePixelRatio(scale);
    {
        QPainter painter(&bitmap);
        painter.fillRect(QRectF(QPointF(0, 0), canvas), background);
        item.draw(painter, QPointF(margin, 0), appearance);
    }
    return bitmap;
}

int writeMenuBarRenders(const Hub& hub, const Config& config, RenderWriter& writer) {
    int written = 0;
    for (const ModuleKind kind : allCases<ModuleKind>()) {
        for (const DisplayStyle style : renderedStyles(kind)) {
            const ModuleConfig module{kind, true, style};
            const ui::MenuBarImage item =
                image(ui::MenuBarContent::parts(module, hub, config), false);
            for (const Appearance appearance : {Appearance::dark, Appearance::light}) {
                if (writer.stopped())
                    return written;
                const QColor background =
                    appearance == Appearance::dark ? QColor(Qt::black) : QColor(Qt::white);
                const QString name = rawValue(kind) + u'-' + rawValue(style) + u'-' +
                                     QString::fromLatin1(appearanceName(appearance)) +
                                     QStringLiteral(".png");
                if (writer.writePng(menuBarRender(item, appearance, background), name))
                    ++written;
            }
        }
    }
    return written;
}

} // namespace morvanex::dump
