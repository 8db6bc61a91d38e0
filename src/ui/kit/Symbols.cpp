#include "ui/kit/Symbols.h"

#include "platform/Log.h"
#include "ui/kit/AppGlyph.h"
#include "ui/kit/SymbolShapes.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <unordered_map>

namespace morvanex::ui::Symbols {

namespace {

using namespace SymbolShapes;

const char* const kIconFolder = "/usr/share/bootstrap-icons/svg/";
constexpr double kGrid = 16; // the icon set's view box, and our own shapes' grid height

// The colour a layer takes in multicolour drawing.
enum class Role { foreground, secondary, cloud, sun, moon, star, rain, snow, bolt, fog, badge };

QColor roleColor(Role role, Appearance appearance) {
    const bool dark = appearance == Appearance::dark;
    switch (role) {
    case Role::foreground:
        return color(Tint::primaryText, appearance);
    case Role::secondary:
        return color(Tint::secondaryText, appearance);
    case Role::cloud:
    case Role::star:
        // White clouds vanish on light backgrounds: there they take the grey.
        return dark ? QColor(Qt::white) : color(Tint::gray, appearance);
    case Role::sun:
    case Role::moon:
    case Role::bolt:
        return color(Tint::yellow, appearance);
    case Role::rain:
        return color(Tint::blue, appearance);
    case Role::snow:
        return color(Tint::teal, appearance);
    case Role::fog:
        return color(Tint::gray, appearance);
    case Role::badge:
        return color(Tint::red, appearance);
    }
    return color(Tint::primaryText, appearance);
}

// One layer of a symbol, drawn in one colour on the symbol's grid: first the icon-set file (or
// one of its path elements) under `transform` and `clip`, or the application glyph; then
// `erase` is cut away and `shape` filled.
struct Layer {
    int paletteIndex = 0;
    Role role = Role::foreground;
    QString svg;
    int element = -1;
    QTransform transform;
    QPainterPath clip;
    bool glyph = false;
    QPainterPath erase;
    QPainterPath shape;
};

struct Symbol {
    QSizeF grid{kGrid, kGrid};
    std::vector<Layer> layers;
};

Layer svgLayer(const QString& file, int paletteIndex = 0, Role role = Role::foreground) {
    Layer layer;
    layer.svg = file;
    layer.paletteIndex = paletteIndex;
    layer.role = role;
    return layer;
}

Layer elementLayer(const QString& file, int element, int paletteIndex, Role role) {
    Layer layer = svgLayer(file, paletteIndex, role);
    layer.element = element;
    return layer;
}

Layer clippedLayer(const QString& file, const QRectF& clip, int paletteIndex, Role role) {
    Layer layer = svgLayer(file, paletteIndex, role);
    layer.clip.addRect(clip);
    return layer;
}

Layer shapeLayer(const QPainterPath& shape, int paletteIndex = 0, Role role = Role::foreground) {
    Layer layer;
    layer.shape = shape;
    layer.paletteIndex = paletteIndex;
    layer.role = role;
    return layer;
}

Symbol single(const QString& file, Role role = Role::foreground) {
    return {{kGrid, kGrid}, {svgLayer(file, 0, role)}};
}

// A cloud over precipitation, split by a horizontal line between the two in the file.
Symbol cloudOver(const QString& file, double split, Role below) {
    return {{kGrid, kGrid},
            {clippedLayer(file, QRectF(0, 0, kGrid, split), 0, Role::cloud),
             clippedLayer(file, QRectF(0, split, kGrid, kGrid - split), 1, below)}};
}

// A cloud with the sun or moon behind it, from a file whose first path is the cloud.
Symbol cloudAndSky(const QString& file, Role sky) {
    return {{kGrid, kGrid}, {elementLayer(file, 1, 1, sky), elementLayer(file, 0, 0, Role::cloud)}};
}

// The same, shrunk into the upper part, with the rain of the rain-cloud file below it.
Symbol cloudAndSkyWithRain(const QString& file, Role sky) {
    Symbol symbol = cloudAndSky(file, sky);
    const QTransform shrink = QTransform::fromTranslate(1.8, -0.8).scale(0.78, 0.78);
    for (Layer& layer : symbol.layers)
        layer.transform = shrink;
    symbol.layers.push_back(
        clippedLayer("cloud-rain-fill", QRectF(0, 11.9, kGrid, 4.1), 2, Role::rain));
    return symbol;
}

Symbol slashed(const QString& file) {
    Layer layer = svgLayer(file);
    layer.erase = slashGap();
    layer.shape = slash();
    return {{kGrid, kGrid}, {layer}};
}

Symbol moonPhase(double phase) {
    return {{kGrid, kGrid},
            {shapeLayer(moonOutline(), 1, Role::secondary), shapeLayer(moonLit(phase), 0)}};
}

Symbol sunEvent(SunEvent event, bool filled) {
    return {{kGrid, kGrid},
            {shapeLayer(sunEventSun(event, filled), 1, Role::sun),
             shapeLayer(sunEventHorizon(event), 0)}};
}

Symbol battery(double level, bool bolt) {
    Layer body = shapeLayer(unite(batteryBody(), batteryLevel(level)));
    if (!bolt)
        return {{kBatteryWidth, kGrid}, {body}};
    // The bolt breaks through the outline and the fill, with a gap around it.
    body.erase = batteryBoltGap();
    return {{kBatteryWidth, kGrid}, {body, shapeLayer(batteryBolt())}};
}

// A symbol with a round badge at its corner: the base is cut around the badge.
Symbol badged(Layer base, const QPointF& centre, double radius, Layer badge) {
    QPainterPath gap;
    gap.addEllipse(centre, radius + 1.1, radius + 1.1);
    base.erase = gap;
    return {{kGrid, kGrid}, {base, badge}};
}

std::map<QString, Symbol> buildCatalog() {
    std::map<QString, Symbol> c;

    // Modules, overview rows and panel headers.
    c["square.grid.2x2"] = single("grid");
    c["square.grid.2x2.fill"] = single("grid-fill");
    c["cpu"] = single("cpu");
    c["display"] = single("display");
    c["memorychip"] = single("memory");
    c["internaldrive"] = single("device-hdd");
    c["externaldrive"] = single("hdd");
    c["server.rack"] = single("hdd-rack");
    c["network"] = single("diagram-3");
    c["network.slash"] = slashed("diagram-3");
    c["thermometer.medium"] = single("thermometer-half");
    c["globe"] = single("globe");
    c["calendar"] = single("calendar");
    c["text.bubble.fill"] = single("chat-left-text-fill");
    c["wifi"] = single("wifi");
    c["bolt.fill"] = single("lightning-fill", Role::bolt);

    // Batteries: the level names and the charging one.
    c["battery.0percent"] = battery(0, false);
    c["battery.25percent"] = battery(0.25, false);
    c["battery.50percent"] = battery(0.5, false);
    c["battery.75percent"] = battery(0.75, false);
    c["battery.100percent"] = battery(1, false);
    c["battery.100percent.bolt"] = battery(1, true);

    // Devices.
    c["iphone"] = single("phone");
    c["iphone.slash"] = slashed("phone");
    c["ipodtouch"] = single("phone");
    c["ipad"] = single("tablet");
    c["keyboard"] = single("keyboard");
    c["computermouse"] = single("mouse");
    c["airpods"] = single("earbuds");
    c["dot.radiowaves.left.and.right"] = single("broadcast");
    {
        Layer outline = shapeLayer(trackpad());
        QPainterPath handArea;
        handArea.addRoundedRect(QRectF(5.6, 5.2, 8.2, 11), 2.5, 2.5);
        outline.erase = handArea;
        Layer hand = svgLayer("hand-index-fill");
        hand.transform = QTransform::fromTranslate(5.2, 5.4).scale(0.66, 0.66);
        c["rectangle.and.hand.point.up.left"] = {{kGrid, kGrid}, {outline, hand}};
    }

    // Weather, day and night.
    c["sun.max"] = single("sun", Role::sun);
    c["sun.max.fill"] = single("sun-fill", Role::sun);
    c["moon"] = single("moon", Role::moon);
    c["moon.stars"] = {{kGrid, kGrid},
                       {elementLayer("moon-stars", 0, 0, Role::moon),
                        elementLayer("moon-stars", 1, 1, Role::star)}};
    c["moon.stars.fill"] = {{kGrid, kGrid},
                            {elementLayer("moon-stars-fill", 0, 0, Role::moon),
                             elementLayer("moon-stars-fill", 1, 1, Role::star)}};
    c["cloud"] = single("cloud", Role::cloud);
    c["cloud.fill"] = single("cloud-fill", Role::cloud);
    c["cloud.sun"] = cloudAndSky("cloud-sun", Role::sun);
    c["cloud.sun.fill"] = cloudAndSky("cloud-sun-fill", Role::sun);
    c["cloud.moon.fill"] = cloudAndSky("cloud-moon-fill", Role::moon);
    c["cloud.fog.fill"] = cloudOver("cloud-fog-fill", 12.5, Role::fog);
    c["cloud.drizzle.fill"] = cloudOver("cloud-drizzle-fill", 11.5, Role::rain);
    c["cloud.rain.fill"] = cloudOver("cloud-rain-fill", 11.5, Role::rain);
    c["cloud.heavyrain.fill"] = cloudOver("cloud-rain-heavy-fill", 10.5, Role::rain);
    c["cloud.snow.fill"] = cloudOver("cloud-snow-fill", 10.9, Role::snow);
    {
        Symbol sleet = cloudOver("cloud-sleet-fill", 10.5, Role::rain);
        sleet.layers[1].clip = {};
        sleet.layers[1].clip.addRect(QRectF(0, 10.5, kGrid, 2.8));
        sleet.layers.push_back(
            clippedLayer("cloud-sleet-fill", QRectF(0, 13.3, kGrid, 2.7), 2, Role::snow));
        c["cloud.sleet.fill"] = sleet;
    }
    {
        const QRectF boltArea(5.9, 10.5, 4.3, 5.5);
        Symbol storm = cloudOver("cloud-lightning-rain-fill", 10.5, Role::rain);
        QPainterPath boltPath;
        boltPath.addRect(boltArea);
        storm.layers[1].clip = storm.layers[1].clip.subtracted(boltPath);
        storm.layers.push_back(clippedLayer("cloud-lightning-rain-fill", boltArea, 2, Role::bolt));
        c["cloud.bolt.rain.fill"] = storm;
    }
    c["cloud.sun.rain.fill"] = cloudAndSkyWithRain("cloud-sun-fill", Role::sun);
    c["cloud.moon.rain.fill"] = cloudAndSkyWithRain("cloud-moon-fill", Role::moon);

    // Sun and moon.
    c["sunrise.fill"] = sunEvent(SunEvent::rise, true);
    c["sunset.fill"] = sunEvent(SunEvent::set, true);
    c["sun.horizon"] = sunEvent(SunEvent::horizon, false);
    const std::pair<const char*, double> phases[] = {
        {"moonphase.new.moon", 0.0},       {"moonphase.waxing.crescent", 0.125},
        {"moonphase.first.quarter", 0.25}, {"moonphase.waxing.gibbous", 0.375},
        {"moonphase.full.moon", 0.5},      {"moonphase.waning.gibbous", 0.625},
        {"moonphase.last.quarter", 0.75},  {"moonphase.waning.crescent", 0.875},
    };
    for (const auto& [name, phase] : phases)
        c[QString::fromLatin1(name)] = moonPhase(phase);

    // Keep awake.
    c["cup.and.saucer"] = {{kGrid, kGrid}, {shapeLayer(cupAndSaucer(false))}};
    c["cup.and.saucer.fill"] = {{kGrid, kGrid}, {shapeLayer(cupAndSaucer(true))}};

    // Settings panes.
    c["gearshape.fill"] = single("gear-fill");
    c["menubar.rectangle"] = single("window");
    c["command"] = single("command");
    c["bell.badge.fill"] = badged(svgLayer("bell-fill"), {13, 3}, 2.6, [] {
        QPainterPath dot;
        dot.addEllipse(QPointF(13, 3), 2.6, 2.6);
        return shapeLayer(dot, 1, Role::badge);
    }());
    c["sparkles"] = single("stars");
    c["info.circle.fill"] = single("info-circle-fill");

    // Controls and marks.
    c["chevron.left"] = single("chevron-left");
    c["chevron.right"] = single("chevron-right");
    c["line.3.horizontal"] = single("list");
    c["minus.circle"] = single("dash-circle");
    c["xmark.circle.fill"] = single("x-circle-fill");
    c["exclamationmark.triangle.fill"] = single("exclamation-triangle-fill");
    {
        Layer dots = svgLayer("three-dots");
        dots.transform = QTransform::fromTranslate(8, 8).scale(0.7, 0.7).translate(-8, -8);
        c["ellipsis.circle"] = {{kGrid, kGrid}, {svgLayer("circle"), dots}};
    }
    c["checkmark"] = single("check-lg");
    c["checkmark.circle"] = single("check-circle");
    c["doc.on.doc"] = single("files");
    {
        Layer mark = svgLayer("exclamation-circle-fill", 1, Role::badge);
        mark.transform = QTransform::fromTranslate(8.6, 8.6).scale(0.46, 0.46);
        c["externaldrive.badge.exclamationmark"] =
            badged(svgLayer("hdd"), {12.28, 12.28}, 3.68, mark);
    }

    // The application's own glyph, asked for by its reserved name.
    {
        Layer glyph;
        glyph.glyph = true;
        c["morvanex.lamp"] = {{kGrid, kGrid}, {glyph}};
    }
    return c;
}

const std::map<QString, Symbol>& catalog() {
    static const std::map<QString, Symbol> instance = buildCatalog();
    return instance;
}

// Parsed icon files, by file name and path element (-1: the whole file). Drawing happens on the
// main thread only, so the cache needs no lock. A file that does not load is remembered as such
// and reported once.
QSvgRenderer* renderer(const QString& file, int element) {
    static std::unordered_map<QString, std::unique_ptr<QSvgRenderer>> cache;
    const QString key = file + QLatin1Char('#') + QString::number(element);
    if (const auto found = cache.find(key); found != cache.end())
        return found->second.get();

    std::unique_ptr<QSvgRenderer> loaded;
    const QString path = QString::fromLatin1(kIconFolder) + file + QStringLiteral(".svg");
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        qCWarning(log::ui) << "symbol icon" << path << "is not readable:" << source.errorString();
    } else {
        QByteArray document = source.readAll();
        if (element >= 0) {
            // One path element on its own, in the file's own view box, so a symbol's parts can
            // take different colours.
            static const QRegularExpression pathElement(QStringLiteral("<path\\b[^>]*/>"));
            const QString text = QString::fromUtf8(document);
            QStringList paths;
            for (auto it = pathElement.globalMatch(text); it.hasNext();)
                paths << it.next().captured(0);
            if (element < paths.size()) {
                document = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" "
                                          "height=\"16\" viewBox=\"0 0 16 16\">%1</svg>")
                               .arg(paths[element])
                               .toUtf8();
            } else {
                qCWarning(log::ui) << "symbol icon" << path << "has no path element" << element;
                document.clear();
            }
        }
        if (!document.isEmpty()) {
            loaded = std::make_unique<QSvgRenderer>(document);
            if (!loaded->isValid()) {
                qCWarning(log::ui) << "symbol icon" << path << "does not parse";
                loaded.reset();
            }
        }
    }
    QSvgRenderer* result = loaded.get();
    cache.emplace(key, std::move(loaded));
    return result;
}

bool loadable(const Symbol& symbol) {
    return std::all_of(symbol.layers.begin(), symbol.layers.end(), [](const Layer& layer) {
        return layer.svg.isEmpty() || renderer(layer.svg, layer.element) != nullptr;
    });
}

const Symbol* find(const QString& name) {
    const auto& symbols = catalog();
    const auto found = symbols.find(name);
    if (found == symbols.end() || !loadable(found->second))
        return nullptr;
    return &found->second;
}

QColor layerColor(const Layer& layer, const Paint& paint) {
    if (paint.mode == Paint::Mode::multicolor)
        return roleColor(layer.role, paint.appearance);
    if (paint.palette.empty())
        return color(Tint::primaryText, paint.appearance);
    const std::size_t index = std::min<std::size_t>(static_cast<std::size_t>(layer.paletteIndex),
                                                    paint.palette.size() - 1);
    return paint.palette[index];
}

// Device pixels per logical unit under the painter's transform.
double deviceScale(const QPainter& painter) {
    const QTransform t = painter.deviceTransform();
    const double scale = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    return std::clamp(scale, 0.25, 16.0);
}

// The layer's coverage in an image of `pixels`, coloured.
QImage renderLayer(const Layer& layer, const QSizeF& grid, const QSize& pixels,
                   const QColor& fill) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(pixels.width() / grid.width(), pixels.height() / grid.height());
    if (layer.glyph) {
        AppGlyph::draw(&p, QRectF(QPointF(0, 0), grid), Qt::black);
    } else if (!layer.svg.isEmpty()) {
        p.save();
        p.setTransform(layer.transform, true);
        if (!layer.clip.isEmpty())
            p.setClipPath(layer.clip, Qt::IntersectClip);
        renderer(layer.svg, layer.element)->render(&p, QRectF(0, 0, kGrid, kGrid));
        p.restore();
    }
    p.setPen(Qt::NoPen);
    if (!layer.erase.isEmpty()) {
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        p.fillPath(layer.erase, Qt::black);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (!layer.shape.isEmpty())
        p.fillPath(layer.shape, Qt::black);
    // Keep the coverage, take the colour.
    p.resetTransform();
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(image.rect(), fill);
    return image;
}

} // namespace

Paint Paint::monochrome(const QColor& color) {
    Paint paint;
    paint.mode = Mode::palette;
    paint.palette = {color};
    return paint;
}

bool exists(const QString& name) {
    return find(name) != nullptr;
}

std::vector<QString> names() {
    std::vector<QString> result;
    for (const auto& [name, symbol] : catalog())
        result.push_back(name);
    return result;
}

std::optional<QSizeF> size(const QString& name, double pointSize) {
    const Symbol* symbol = find(name);
    if (symbol == nullptr || !std::isfinite(pointSize))
        return std::nullopt;
    const double unit = std::max(pointSize, 0.0) / kGrid;
    return QSizeF(symbol->grid.width() * unit, symbol->grid.height() * unit);
}

bool draw(QPainter& painter, const QString& name, const QRectF& rect, const Paint& paint) {
    const Symbol* symbol = find(name);
    if (symbol == nullptr || !painter.isActive())
        return false;
    if (!rect.isValid())
        return true;
    const double scale = deviceScale(painter);
    const QSize pixels(std::max(1, static_cast<int>(std::lround(rect.width() * scale))),
                       std::max(1, static_cast<int>(std::lround(rect.height() * scale))));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const Layer& layer : symbol->layers)
        painter.drawImage(rect, renderLayer(layer, symbol->grid, pixels, layerColor(layer, paint)));
    painter.restore();
    return true;
}

} // namespace morvanex::ui::Symbols
