#include "ui/tray/StatusItem.h"

#include "SniTestBus.h"
#include "support/DBusSignalRecorder.h"
#include "support/Wait.h"
#include "ui/tray/DBusMenuTypes.h"
#include "ui/tray/SniTypes.h"
#include "ui/tray/TrayIconFallback.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QtEndian>
#include <gtest/gtest.h>
#include <memory>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenu = QStringLiteral("com.canonical.dbusmenu");

// A coloured bar and a text: as a template, the bar takes the text's colour.
MenuBarImage cpuImage(const char* percent, bool monochrome = false) {
    return MenuBarRenderer::image({MenuBarBar{0.5, Tint::green},
                                   MenuBarText{QString::fromUtf8(percent), QStringLiteral("100%")}},
                                  monochrome);
}

struct StatusItemTest : testing::Test {
    test::SniTestBus sni;

    void SetUp() override { ASSERT_TRUE(sni.bus.isRunning()); }

    std::unique_ptr<StatusItem> makeItem() {
        return std::make_unique<StatusItem>(QStringLiteral("Morvanex.cpu"),
                                            QStringLiteral("Morvanex — CPU"), sni.bus.address());
    }
    QVariant itemProperty(const StatusItem& item, const char* name) {
        return sni.property(item.serviceName(), kItemPath, kItem, QString::fromUtf8(name));
    }
    // A call to the item whose answer comes after every signal the item sent before it.
    void roundTrip(const StatusItem& item) { itemProperty(item, "Id"); }
};

// The pixels of an image as ARGB words, each read back from big-endian bytes.
QList<quint32> wordsOf(const SniPixmap& pixmap) {
    QList<quint32> words;
    for (qsizetype i = 0; i + 4 <= pixmap.bytes.size(); i += 4)
        words.append(qFromBigEndian<quint32>(pixmap.bytes.constData() + i));
    return words;
}

QList<quint32> wordsOf(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QList<quint32> words;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            words.append(argb.pixel(x, y));
    return words;
}

} // namespace

TEST_F(StatusItemTest, RegistersWithTheWatcherAndPublishesItsProperties) {
    ASSERT_TRUE(sni.watcher.start());
    auto item = makeItem();
    EXPECT_TRUE(item->usesWatcher());
    const QRegularExpression name(QStringLiteral("^org\\.kde\\.StatusNotifierItem-%1-\\d+$")
                                      .arg(QCoreApplication::applicationPid()));
    EXPECT_TRUE(name.match(item->serviceName()).hasMatch()) << item->serviceName().toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return !sni.watcher.registrations().isEmpty(); }));
    EXPECT_EQ(sni.watcher.registrations(), QStringList{item->registeredName()});

    const MenuBarImage image = cpuImage("23%");
    item->setImage(image);

    EXPECT_EQ(itemProperty(*item, "Category").toString(), "ApplicationStatus");
    EXPECT_EQ(itemProperty(*item, "Id").toString(), "Morvanex.cpu");
    EXPECT_EQ(itemProperty(*item, "Title").toString(), "Morvanex — CPU");
    EXPECT_EQ(itemProperty(*item, "Status").toString(), "Active");
    EXPECT_EQ(itemProperty(*item, "IconName").toString(), "");
    EXPECT_EQ(itemProperty(*item, "ItemIsMenu").toBool(), false);
    EXPECT_EQ(itemProperty(*item, "Menu").value<QDBusObjectPath>().path(), "/MenuBar");
    EXPECT_EQ(itemProperty(*item, "XAyatanaLabel").toString(), "23%");
    EXPECT_EQ(itemProperty(*item, "XAyatanaLabelGuide").toString(), "100%");

    const auto tip = test::fromBus<SniToolTip>(itemProperty(*item, "ToolTip"));
    EXPECT_EQ(tip.title, "Morvanex — CPU");
    EXPECT_EQ(tip.iconName, "");

    const auto pixmaps = test::fromBus<SniPixmaps>(itemProperty(*item, "IconPixmap"));
    ASSERT_EQ(pixmaps.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const double ratio = i + 1;
        SCOPED_TRACE(ratio);
        const QImage drawn = image.toImage(item->appearance(), ratio);
        EXPECT_EQ(pixmaps[i].width, int(std::ceil(image.size().width() * ratio)));
        EXPECT_EQ(pixmaps[i].height, int(22 * ratio));
        EXPECT_EQ(wordsOf(pixmaps[i]), wordsOf(drawn));
    }

    // Every property at once, as panels ask on first sight.
    const QDBusMessage all =
        sni.call(item->serviceName(), kItemPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                 QStringLiteral("GetAll"), {kItem});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << all.errorMessage().toStdString();
    const auto properties = test::fromBus<QVariantMap>(all.arguments().front());
    EXPECT_TRUE(properties.contains("IconPixmap"));
    EXPECT_TRUE(properties.contains("XAyatanaLabel"));

    const QString service = item->serviceName();
    item.reset();
    EXPECT_FALSE(sni.hasOwner(service)); // left the bus
}

TEST_F(StatusItemTest, AnnouncesIconAndLabelOnlyWhenTheyChange) {
    ASSERT_TRUE(sni.watcher.start());
    auto item = makeItem();
    test::DBusSignalRecorder icons(sni.client, item->serviceName(), kItemPath, kItem, "NewIcon");
    test::DBusSignalRecorder labels(sni.client, item->serviceName(), kItemPath, kItem,
                                    "XAyatanaNewLabel");
    ASSERT_TRUE(icons.isConnected() && labels.isConnected());

    item->setImage(cpuImage("23%"));
    ASSERT_TRUE(test::waitUntil([&] { return icons.count() == 1 && labels.count() == 1; }));
    EXPECT_EQ(labels.received().back(), (QVariantList{"23%", "100%"}));

    item->setImage(cpuImage("23%")); // the same picture again
    roundTrip(*item);
    EXPECT_EQ(icons.count(), 1);
    EXPECT_EQ(labels.count(), 1);

    item->setImage(cpuImage("57%"));
    ASSERT_TRUE(test::waitUntil([&] { return icons.count() == 2 && labels.count() == 2; }));
    EXPECT_EQ(labels.received().back(), (QVariantList{"57%", "100%"}));

    // A template of the same parts is another picture, with the same label.
    item->setImage(cpuImage("57%", true));
    ASSERT_TRUE(test::waitUntil([&] { return icons.count() == 3; }));
    roundTrip(*item);
    EXPECT_EQ(labels.count(), 2);
}

TEST_F(StatusItemTest, ClicksReachTheApplication) {
    ASSERT_TRUE(sni.watcher.start());
    auto item = makeItem();
    int fills = 0;
    item->setMenuProvider([&](QMenu& menu) {
        ++fills;
        menu.addAction(QStringLiteral("Quit Morvanex"));
    });
    QSignalSpy activated(item.get(), &StatusItem::activated);
    QSignalSpy aboutToShow(item.get(), &StatusItem::menuAboutToShow);

    struct Row {
        const char* method;
        int x, y;
    };
    for (const Row& row : {Row{"Activate", 120, 4}, Row{"SecondaryActivate", 300, 12}}) {
        SCOPED_TRACE(row.method);
        activated.clear();
        const QDBusMessage reply =
            sni.call(item->serviceName(), kItemPath, kItem, row.method, {row.x, row.y});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        ASSERT_EQ(activated.size(), 1);
        EXPECT_EQ(activated.front().front().toRect(), QRect(row.x, row.y, 1, 1));
    }

    const int before = fills;
    sni.call(item->serviceName(), kItemPath, kItem, "ContextMenu", {50, 5});
    EXPECT_EQ(aboutToShow.size(), 1);
    EXPECT_EQ(fills, before + 1); // filled afresh for this showing

    const QDBusMessage scroll =
        sni.call(item->serviceName(), kItemPath, kItem, "Scroll", {3, QStringLiteral("vertical")});
    EXPECT_EQ(scroll.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(activated.size(), 1);
}

TEST_F(StatusItemTest, ExportsTheContextMenuForPanelsThatDrawIt) {
    ASSERT_TRUE(sni.watcher.start());
    auto item = makeItem();
    int fills = 0;
    QString chosen;
    item->setMenuProvider([&](QMenu& menu) {
        ++fills;
        QMenu* sub = menu.addMenu(QStringLiteral("Keep Awake: Until turned off"));
        for (const char* title : {"30 minutes", "1 hour"})
            QObject::connect(sub->addAction(QString::fromUtf8(title)), &QAction::triggered,
                             [&chosen, title] { chosen = QString::fromUtf8(title); });
        menu.addSeparator();
        QAction* disabled = menu.addAction(QStringLiteral("Show_all"));
        disabled->setEnabled(false);
        QAction* check = menu.addAction(QStringLiteral("Pinned"));
        check->setCheckable(true);
        check->setChecked(true);
        menu.addAction(QStringLiteral("Quit Morvanex"))->setShortcut(QKeySequence("Ctrl+Q"));
        menu.addAction(QStringLiteral("Fill %1").arg(fills));
    });
    const QString service = item->serviceName();
    const QString path = StatusItem::menuPath();

    EXPECT_EQ(sni.property(service, path, kMenu, "Version").toUInt(), 3u);
    EXPECT_EQ(sni.property(service, path, kMenu, "Status").toString(), "normal");

    auto layout = [&] {
        const QDBusMessage reply =
            sni.call(service, path, kMenu, "GetLayout", {0, -1, QStringList()});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return std::pair{reply.arguments().value(0).toUInt(),
                         test::fromBus<DBusMenuLayoutItem>(reply.arguments().value(1))};
    };
    const auto [revision, root] = layout();
    EXPECT_EQ(root.id, 0);
    ASSERT_EQ(root.children.size(), 6);
    const DBusMenuLayoutItem& keepAwake = root.children[0];
    EXPECT_EQ(keepAwake.properties.value("label").toString(), "Keep Awake: Until turned off");
    EXPECT_EQ(keepAwake.properties.value("children-display").toString(), "submenu");
    ASSERT_EQ(keepAwake.children.size(), 2);
    EXPECT_EQ(keepAwake.children[1].properties.value("label").toString(), "1 hour");
    EXPECT_EQ(root.children[1].properties.value("type").toString(), "separator");
    EXPECT_EQ(root.children[2].properties.value("label").toString(), "Show__all");
    EXPECT_EQ(root.children[2].properties.value("enabled").toBool(), false);
    EXPECT_EQ(root.children[3].properties.value("toggle-type").toString(), "checkmark");
    EXPECT_EQ(root.children[3].properties.value("toggle-state").toInt(), 1);
    EXPECT_EQ(test::fromBus<DBusMenuShortcut>(root.children[4].properties.value("shortcut")),
              (DBusMenuShortcut{{"Control", "q"}}));
    EXPECT_EQ(root.children[5].properties.value("label").toString(), "Fill 1");

    // Depth 0 gives the item without children; a submenu can be asked for alone.
    const QDBusMessage shallow =
        sni.call(service, path, kMenu, "GetLayout", {keepAwake.id, 0, QStringList{"label"}});
    const auto alone = test::fromBus<DBusMenuLayoutItem>(shallow.arguments().value(1));
    EXPECT_TRUE(alone.children.isEmpty());
    EXPECT_EQ(alone.properties.keys(), QStringList{"label"});

    // A click runs the action, after the host has its answer.
    const QDBusMessage click = sni.call(service, path, kMenu, "Event",
                                        {keepAwake.children[1].id, QStringLiteral("clicked"),
                                         QVariant::fromValue(QDBusVariant(QString())), 0u});
    ASSERT_EQ(click.type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(test::waitUntil([&] { return chosen == "1 hour"; }));
    const QDBusMessage unknown = sni.call(
        service, path, kMenu, "Event",
        {999, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(QString())), 0u});
    EXPECT_EQ(unknown.type(), QDBusMessage::ErrorMessage);

    // Before showing, the menu is filled afresh and hosts are told to read it again.
    test::DBusSignalRecorder updates(sni.client, service, path, kMenu, "LayoutUpdated");
    QSignalSpy aboutToShow(item.get(), &StatusItem::menuAboutToShow);
    const QDBusMessage show = sni.call(service, path, kMenu, "AboutToShow", {0});
    ASSERT_EQ(show.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(show.arguments().value(0).toBool());
    EXPECT_EQ(aboutToShow.size(), 1);
    const auto [newRevision, refilled] = layout();
    EXPECT_GT(newRevision, revision);
    EXPECT_EQ(refilled.children.value(5).properties.value("label").toString(), "Fill 2");
    ASSERT_TRUE(test::waitUntil([&] { return updates.count() >= 1; }));
    EXPECT_EQ(updates.received().back().value(0).toUInt(), newRevision);

    // The group forms answer for known ids and name the unknown ones.
    const QDBusMessage group = sni.call(service, path, kMenu, "AboutToShowGroup",
                                        {QVariant::fromValue(QList<int>{0, 999})});
    ASSERT_EQ(group.type(), QDBusMessage::ReplyMessage) << group.errorMessage().toStdString();
    EXPECT_EQ(test::fromBus<QList<int>>(group.arguments().value(0)), QList<int>{0});
    EXPECT_EQ(test::fromBus<QList<int>>(group.arguments().value(1)), QList<int>{999});
    EXPECT_EQ(fills, 3);
    const DBusMenuLayoutItem third = layout().second;
    const int quitId = third.children.value(4).id;
    const QDBusMessage props =
        sni.call(service, path, kMenu, "GetGroupProperties",
                 {QVariant::fromValue(QList<int>{quitId}), QStringList{"label"}});
    ASSERT_EQ(props.type(), QDBusMessage::ReplyMessage) << props.errorMessage().toStdString();
    const auto items = test::fromBus<DBusMenuItems>(props.arguments().value(0));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].properties.value("label").toString(), "Quit Morvanex");
}

TEST_F(StatusItemTest, RegistersAgainWhenTheWatcherComesBack) {
    ASSERT_TRUE(sni.watcher.start());
    auto item = makeItem();
    ASSERT_TRUE(test::waitUntil([&] { return sni.watcher.registrations().size() == 1; }));
    sni.watcher.stop();               // the panel quits…
    ASSERT_TRUE(sni.watcher.start()); // …and starts again
    ASSERT_TRUE(test::waitUntil([&] { return sni.watcher.registrations().size() == 2; }));
    EXPECT_EQ(sni.watcher.registrations().back(), item->registeredName());
    EXPECT_TRUE(item->usesWatcher());
}

TEST_F(StatusItemTest, UsesTheTrayIconUntilAWatcherAppears) {
    auto item = makeItem();
    EXPECT_FALSE(item->usesWatcher());
    item->setImage(cpuImage("23%"));
    item->setMenuProvider([](QMenu& menu) { menu.addAction(QStringLiteral("Quit Morvanex")); });
    EXPECT_FALSE(sni.hasOwner(item->serviceName()));

    ASSERT_TRUE(sni.watcher.start());
    ASSERT_TRUE(test::waitUntil([&] { return !sni.watcher.registrations().isEmpty(); }));
    EXPECT_TRUE(item->usesWatcher());
    EXPECT_EQ(sni.watcher.registrations(), QStringList{item->registeredName()});
    EXPECT_EQ(test::fromBus<SniPixmaps>(itemProperty(*item, "IconPixmap")).size(), 2);
    EXPECT_EQ(itemProperty(*item, "XAyatanaLabel").toString(), "23%");
}

TEST(StatusItemWithoutBus, UsesTheTrayIcon) {
    StatusItem item(QStringLiteral("Morvanex.cpu"), QStringLiteral("Morvanex — CPU"),
                    QStringLiteral("unix:path=/nonexistent/morvanex-bus"));
    EXPECT_FALSE(item.usesWatcher());
    item.setImage(cpuImage("23%"));
    item.setMenuProvider([](QMenu& menu) { menu.addAction(QStringLiteral("Quit Morvanex")); });
    EXPECT_EQ(item.label().label, "23%");
}

TEST(TrayIconFallback, RefillsItsMenuBeforeEveryShowing) {
    TrayIconFallback fallback(QStringLiteral("Morvanex — CPU"));
    int fills = 0;
    fallback.fill = [&](QMenu& menu) {
        ++fills;
        menu.addAction(QStringLiteral("Fill %1").arg(fills));
    };
    QSignalSpy aboutToShow(&fallback, &TrayIconFallback::menuAboutToShow);
    for (int showing = 1; showing <= 2; ++showing) {
        emit fallback.contextMenu().aboutToShow();
        EXPECT_EQ(aboutToShow.size(), showing);
        ASSERT_EQ(fallback.contextMenu().actions().size(), 1); // the last fill only
        EXPECT_EQ(fallback.contextMenu().actions().front()->text(),
                  QStringLiteral("Fill %1").arg(showing));
    }
    fallback.setImage(cpuImage("23%"), Appearance::dark);
    EXPECT_TRUE(fallback.isShown());
}
