#include "support/GallerySheet.h"
#include "ui/kit/BackRow.h"
#include "ui/kit/Card.h"
#include "ui/kit/CopyButton.h"
#include "ui/kit/DisclosureRow.h"
#include "ui/kit/Fills.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/Legend.h"
#include "ui/kit/PanelFooter.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/Pill.h"
#include "ui/kit/ProcessRow.h"
#include "ui/kit/StatRow.h"

#include <QBoxLayout>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

void hover(QWidget* widget) {
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QCoreApplication::sendEvent(widget, &enter);
}

ProcessSample process(std::int32_t pid, const QString& name) {
    ProcessSample sample;
    sample.pid = pid;
    sample.name = name;
    return sample;
}

PanelEnv quietEnv(Appearance appearance) {
    PanelEnv env;
    env.appearance = appearance;
    env.processActions.hasLocation = [](std::int32_t) { return false; };
    return env;
}

void headers(QVBoxLayout* column, Appearance a) {
    column->addWidget(new PanelHeader("cpu", Tint::blue, "CPU",
                                      QString("Apple M2 Pro · 12 cores · 3.5 GHz boost clock"),
                                      new HeroValue({"42", "%"}, a), a));
    column->addWidget(
        new PanelHeader("morvanex.lamp", Tint::indigo, "Overview", std::nullopt,
                        new HeroValue(HeroValue::temperature(21.5, TempUnit::celsius), a), a));
    column->addWidget(
        new PanelHeader("thermometer.medium", Tint::orange, "Sensors", QString("Fans idle"),
                        new HeroValue(HeroValue::temperature(0, TempUnit::kelvin), a), a));
}

void cards(QVBoxLayout* column, Appearance a) {
    auto* card = new Card(8, a);
    card->add(new CardHeader("MEMORY", QString("16 GB"), new Pill("Normal", Tint::green, a), a));
    card->add(new StatRow("App memory", Tint::blue, new StatValue("6.2 GB", a), a));
    card->add(new StatRow("Wired", Tint::orange, new StatValue("2.1 GB", a), a));
    card->add(new StatRow("Public IP", std::nullopt,
                          new StatValue("2001:db8:85a3:8d3:1319:8a2e:370:7348", a), a));
    card->add(new StatRow("A label long enough to be shortened at its end", std::nullopt,
                          new StatValue("123 456 789", a), a));
    card->add(new StatRow("Status", std::nullopt, new Pill("Charging", Tint::green, a), a));
    card->add(new Legend({{"App", "6.2 GB", Tint::blue},
                          {"Wired", "2.1 GB", Tint::orange},
                          {"Free", std::nullopt, Tint::gray}},
                         10, a));
    column->addWidget(card);

    auto* copyRow = new Card(6, a);
    copyRow->add(new CardHeader("INTERNET", std::nullopt, nullptr, a));
    auto* value = new QWidget;
    auto* line = new QHBoxLayout(value);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(4);
    line->addWidget(new StatValue("203.0.113.7", a));
    line->addWidget(new CopyButton("203.0.113.7", "Copy public IP", a));
    auto* hovered = new CopyButton("x", "Copy", a);
    hover(hovered);
    line->addWidget(hovered);
    auto* copied = new CopyButton(
        "x", "Copy", a, nullptr, [](const QString&) {}, 600000);
    QTest::mouseClick(copied, Qt::LeftButton);
    line->addWidget(copied);
    copyRow->add(new StatRow("Public IP", std::nullopt, value, a));
    column->addWidget(copyRow);
}

void processes(QVBoxLayout* column, Appearance a) {
    PanelEnv env = quietEnv(a);
    env.highlightedProcess = 311;
    auto* card = new ProcessCard(
        "Top Processes", QString("% CPU"),
        {{process(310, "Web Browser Helper (Renderer)"), "23.4%"},
         {process(311, "compiler"), "12.0%"},
         {process(312, "a-process-with-a-very-long-name-indeed"), "0.4%"},
         {process(std::int32_t(QCoreApplication::applicationPid()), "morvanex_ui_tests"), "1.1%"}},
        "No data yet", env);
    column->addWidget(card);
    if (!card->rows().empty())
        hover(card->rows().front());

    auto* bars = new Card(6, a);
    bars->add(new CardHeader("ENERGY", std::nullopt, nullptr, a));
    bars->add(new ProcessRow(process(400, "editor"), "35", 0.35, Tint::green, env));
    bars->add(new ProcessRow(process(401, "indexer"), "90", 0.9, Tint::red, env));
    column->addWidget(bars);
    column->addWidget(new ProcessCard("Top Processes", QString("Memory"), {}, "No data yet", env));
}

void disclosures(QVBoxLayout* column, Appearance a) {
    const PreviewOverrides none;
    column->addWidget(new DisclosureRow("Interfaces", QString("en0 · lo · wlan0 · docker0 · veth1"),
                                        true, false, BoolBinding::local(false),
                                        new QLabel("hidden"), none, a));
    auto* content = new QWidget;
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(new StatRow("IPv4", std::nullopt, new StatValue("192.168.1.20", a), a));
    rows->addWidget(new StatRow("MAC", std::nullopt, new StatValue("3c:22:fb:00:11:22", a), a));
    column->addWidget(new DisclosureRow("Interfaces", QString("en0"), true, false,
                                        BoolBinding::local(true), content, none, a));
    column->addWidget(new DisclosureRow("Speed History", QString("3 tests"), false, true,
                                        BoolBinding::local(false), new QLabel("x"), none, a));
    column->addWidget(new DisclosureRow(
        "Interfaces",
        QString("enp0s31f6 · wlp0s20f3 · docker0 · br-5c1a2b · veth9f3e1 · tailscale0"), false,
        false, BoolBinding::local(false), new QLabel("x"), none, a));
    column->addWidget(new DisclosureRow("Details", std::nullopt, false, false,
                                        BoolBinding::local(false), new QLabel("x"), none, a));
}

void navigation(QVBoxLayout* column, Appearance a) {
    column->addWidget(new BackRow(
                          "Overview", [] {}, a),
                      0, Qt::AlignLeft);
    auto* hovered = new BackRow(
        "Overview", [] {}, a);
    hover(hovered);
    column->addWidget(hovered, 0, Qt::AlignLeft);
    auto* footer =
        new PanelFooter({{QUuid::createUuid(), "Open System Monitor", std::nullopt, {}},
                         {QUuid::createUuid(), "Network Settings…", std::nullopt, {}},
                         {QUuid::createUuid(), "Morvanex Settings…", QString("Ctrl+,"), {}}},
                        a);
    column->addWidget(footer);
    hover(footer->rows()[1]);
}

QImage render(const std::function<void(QVBoxLayout*, Appearance)>& fill, Appearance appearance) {
    test::GallerySheet sheet(appearance, QMargins(12, 12, 12, 12), 10);
    fill(sheet.column, appearance);
    sheet.column->addStretch(1);
    sheet.resize(340, sheet.sizeHint().height());
    sheet.show();
    sheet.resize(340, sheet.sizeHint().height());
    QCoreApplication::processEvents();
    QImage image(sheet.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    sheet.render(&image);
    return image;
}

} // namespace

// Renders every component in both appearances. The images go to a scratch folder, or to
// MORVANEX_KIT_GALLERY when set, for looking at them.
TEST(KitGallery, RendersEveryComponentDarkAndLight) {
    QTemporaryDir scratch;
    QString folder = qEnvironmentVariable("MORVANEX_KIT_GALLERY");
    if (folder.isEmpty())
        folder = scratch.path();
    QDir().mkpath(folder);
    const std::pair<const char*, std::function<void(QVBoxLayout*, Appearance)>> sheets[] = {
        {"headers", headers},         {"cards", cards},           {"processes", processes},
        {"disclosures", disclosures}, {"navigation", navigation},
    };
    for (const auto& [name, fill] : sheets)
        for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
            const QImage image = render(fill, appearance);
            SCOPED_TRACE(name);
            EXPECT_GT(image.height(), 2 * 40);
            EXPECT_EQ(image.width(), 2 * 340);
            // Something besides the background was drawn.
            const QRgb background = color(Tint::windowBackground, appearance).rgba();
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; y += 2)
                for (int x = 0; x < image.width() && !drawn; x += 2)
                    drawn = image.pixel(x, y) != background;
            EXPECT_TRUE(drawn);
            const QString file =
                QString("%1/%2-%3.png")
                    .arg(folder, name, appearance == Appearance::dark ? "dark" : "light");
            EXPECT_TRUE(image.save(file));
        }
}
