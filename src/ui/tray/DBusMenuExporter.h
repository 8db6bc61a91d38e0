#pragma once

#include "ui/tray/DBusMenuTypes.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

namespace morvanex::ui {

// A QMenu published as com.canonical.dbusmenu, so panels that draw menus themselves (GNOME's
// app indicator extension, KDE) can show an item's context menu. The menu is filled afresh by
// `fill` whenever a host is about to show it; ids are handed out anew on every fill, each fill
// is a new layout revision, and hosts are told with LayoutUpdated.
//
// Only the methods marked scriptable are on the bus; the rest is the C++ side.
class DBusMenuExporter : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuExporter(QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    // Publishes the menu at `path` on `bus`; whether the bus took it.
    bool publish(QDBusConnection bus, const QString& path);

    // Fills the fresh, empty menu; called before every showing a host asks for.
    std::function<void(QMenu& menu)> fill;
    // Called when a host is about to show the menu, before it is filled.
    std::function<void()> aboutToShow;

    // Fills a new menu, starts a new revision and tells hosts the layout changed.
    void refill();
    uint revisionNumber() const { return revision_; }
    const QMenu& menu() const { return *menu_; }

    // The properties published for one action (public for tests).
    static QVariantMap properties(const QAction& action);
    // Qt's "&" mnemonics as dbusmenu's "_" ones; a literal "_" doubled.
    static QString label(const QString& text);
    // A key sequence as dbusmenu key names, e.g. Ctrl+Q → [["Control", "q"]]; empty when none.
    static DBusMenuShortcut shortcut(const QKeySequence& sequence);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                morvanex::ui::DBusMenuLayoutItem& layout);
    Q_SCRIPTABLE QList<morvanex::ui::DBusMenuItem>
    GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data,
                            uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<morvanex::ui::DBusMenuEvent>& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    Q_SCRIPTABLE void
    ItemsPropertiesUpdated(const QList<morvanex::ui::DBusMenuItem>& updatedProps,
                           const QList<morvanex::ui::DBusMenuItemKeys>& removedProps);
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemActivationRequested(int id, uint timestamp);

private:
    bool known(int id) const;
    // The menu whose entries are the children of `id`: the root menu for 0, a submenu, or null.
    const QMenu* childrenOf(int id) const;
    DBusMenuLayoutItem layout(int id, int depth, const QStringList& names) const;
    QVariantMap propertiesOf(int id, const QStringList& names) const;
    void number(const QMenu& menu);
    // Runs the action an id names, after the call has been answered; whether the id names one.
    bool click(int id);

    std::unique_ptr<QMenu> menu_;
    std::map<int, QPointer<QAction>> actions_;
    std::map<const QAction*, int> ids_;
    uint revision_ = 0;
};

} // namespace morvanex::ui
