#include "ui/tray/DBusMenuExporter.h"

#include "platform/Log.h"

#include <QActionGroup>
#include <QGuiApplication>
#include <QKeySequence>
#include <QTimer>

namespace morvanex::ui {

namespace {

const QString kUnknownId = QStringLiteral("com.canonical.dbusmenu.Error.UnknownId");

QVariantMap only(QVariantMap properties, const QStringList& names) {
    if (names.isEmpty())
        return properties;
    for (auto it = properties.begin(); it != properties.end();)
        it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
    return properties;
}

} // namespace

DBusMenuExporter::DBusMenuExporter(QObject* parent)
    : QObject(parent), menu_(std::make_unique<QMenu>()) {
    registerDBusMenuTypes();
}

DBusMenuExporter::~DBusMenuExporter() = default;

bool DBusMenuExporter::publish(QDBusConnection bus, const QString& path) {
    const bool published = bus.registerObject(path, this,
                                              QDBusConnection::ExportScriptableSlots |
                                                  QDBusConnection::ExportScriptableSignals |
                                                  QDBusConnection::ExportAllProperties);
    if (!published)
        qCWarning(log::ui) << "could not publish the context menu at" << path << ":"
                           << bus.lastError().message();
    return published;
}

QString DBusMenuExporter::textDirection() const {
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                                 : QStringLiteral("ltr");
}

void DBusMenuExporter::refill() {
    // The old menu (and the actions a host still names by old ids) goes; ids start again.
    auto fresh = std::make_unique<QMenu>();
    if (fill)
        fill(*fresh);
    menu_ = std::move(fresh);
    actions_.clear();
    ids_.clear();
    number(*menu_);
    ++revision_;
    emit LayoutUpdated(revision_, 0);
}

void DBusMenuExporter::number(const QMenu& menu) {
    for (QAction* action : menu.actions()) {
        const int id = int(actions_.size()) + 1;
        actions_[id] = action;
        ids_[action] = id;
        if (const QMenu* submenu = QMenu::menuInAction(action))
            number(*submenu);
    }
}

QString DBusMenuExporter::label(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('_')) {
            out += QStringLiteral("__");
        } else if (c == QLatin1Char('&')) {
            // "&&" is a literal ampersand; a single one marks the mnemonic.
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            } else {
                out += QLatin1Char('_');
            }
        } else {
            out += c;
        }
    }
    return out;
}

DBusMenuShortcut DBusMenuExporter::shortcut(const QKeySequence& sequence) {
    DBusMenuShortcut keys;
    for (int i = 0; i < sequence.count(); ++i) {
        const QKeyCombination combination = sequence[i];
        QStringList chord;
        const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
        if (modifiers & Qt::ControlModifier)
            chord << QStringLiteral("Control");
        if (modifiers & Qt::AltModifier)
            chord << QStringLiteral("Alt");
        if (modifiers & Qt::ShiftModifier)
            chord << QStringLiteral("Shift");
        if (modifiers & Qt::MetaModifier)
            chord << QStringLiteral("Super");
        const QString key = QKeySequence(combination.key()).toString(QKeySequence::PortableText);
        if (key.isEmpty())
            continue;
        chord << (key.size() == 1 ? key.toLower() : key);
        keys << chord;
    }
    return keys;
}

QVariantMap DBusMenuExporter::properties(const QAction& action) {
    QVariantMap properties;
    if (!action.isVisible())
        properties[QStringLiteral("visible")] = false;
    if (action.isSeparator()) {
        properties[QStringLiteral("type")] = QStringLiteral("separator");
        return properties;
    }
    properties[QStringLiteral("label")] = label(action.text());
    properties[QStringLiteral("enabled")] = action.isEnabled();
    properties[QStringLiteral("visible")] = action.isVisible();
    if (QMenu::menuInAction(&action))
        properties[QStringLiteral("children-display")] = QStringLiteral("submenu");
    if (action.isCheckable()) {
        const bool radio = action.actionGroup() && action.actionGroup()->isExclusive();
        properties[QStringLiteral("toggle-type")] =
            radio ? QStringLiteral("radio") : QStringLiteral("checkmark");
        properties[QStringLiteral("toggle-state")] = action.isChecked() ? 1 : 0;
    }
    const DBusMenuShortcut keys = shortcut(action.shortcut());
    if (!keys.isEmpty())
        properties[QStringLiteral("shortcut")] = QVariant::fromValue(keys);
    return properties;
}

bool DBusMenuExporter::known(int id) const {
    if (id == 0)
        return true;
    const auto it = actions_.find(id);
    return it != actions_.end() && it->second;
}

const QMenu* DBusMenuExporter::childrenOf(int id) const {
    if (id == 0)
        return menu_.get();
    const auto it = actions_.find(id);
    return it != actions_.end() && it->second ? QMenu::menuInAction(it->second) : nullptr;
}

QVariantMap DBusMenuExporter::propertiesOf(int id, const QStringList& names) const {
    if (id == 0)
        return only({{QStringLiteral("children-display"), QStringLiteral("submenu")}}, names);
    const auto it = actions_.find(id);
    if (it == actions_.end() || !it->second)
        return {};
    return only(properties(*it->second), names);
}

DBusMenuLayoutItem DBusMenuExporter::layout(int id, int depth, const QStringList& names) const {
    DBusMenuLayoutItem item{id, propertiesOf(id, names), {}};
    const QMenu* children = childrenOf(id);
    if (!children || depth == 0)
        return item;
    for (const QAction* action : children->actions()) {
        const auto found = ids_.find(action);
        if (found != ids_.end())
            item.children.append(layout(found->second, depth < 0 ? -1 : depth - 1, names));
    }
    return item;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& layoutOut) {
    if (!known(parentId)) {
        sendErrorReply(kUnknownId, QStringLiteral("no menu item %1").arg(parentId));
        return revision_;
    }
    layoutOut = layout(parentId, recursionDepth, propertyNames);
    return revision_;
}

DBusMenuItems DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                   const QStringList& propertyNames) {
    DBusMenuItems items;
    for (const int id : ids)
        if (known(id))
            items.append({id, propertiesOf(id, propertyNames)});
    return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
    if (!known(id)) {
        sendErrorReply(kUnknownId, QStringLiteral("no menu item %1").arg(id));
        return QDBusVariant(QVariant(0));
    }
    const QVariantMap properties = propertiesOf(id, {name});
    if (!properties.contains(name)) {
        sendErrorReply(QStringLiteral("com.canonical.dbusmenu.Error.UnknownProperty"),
                       QStringLiteral("menu item %1 has no property %2").arg(id).arg(name));
        return QDBusVariant(QVariant(0));
    }
    return QDBusVariant(properties.value(name));
}

bool DBusMenuExporter::click(int id) {
    if (!known(id))
        return false;
    if (id == 0)
        return true;
    QAction* action = actions_.at(id);
    if (action->isEnabled() && !QMenu::menuInAction(action) && !action->isSeparator())
        // Answered first: the action may open a window or quit, which must not hold the host.
        QTimer::singleShot(0, action, &QAction::trigger);
    return true;
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (!known(id)) {
        sendErrorReply(kUnknownId, QStringLiteral("no menu item %1").arg(id));
        return;
    }
    if (eventId == QLatin1String("clicked"))
        click(id);
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEvents& events) {
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events) {
        if (!known(event.id))
            idErrors.append(event.id);
        else if (event.eventId == QLatin1String("clicked"))
            click(event.id);
    }
    return idErrors;
}

bool DBusMenuExporter::AboutToShow(int id) {
    if (!known(id)) {
        sendErrorReply(kUnknownId, QStringLiteral("no menu item %1").arg(id));
        return false;
    }
    // Submenus were filled with the whole menu; only the root is filled afresh.
    if (id != 0)
        return false;
    if (aboutToShow)
        aboutToShow();
    refill();
    return true;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    QList<int> updates;
    bool root = false;
    for (const int id : ids) {
        if (!known(id))
            idErrors.append(id);
        else if (id == 0)
            root = true;
    }
    if (root) {
        if (aboutToShow)
            aboutToShow();
        refill();
        updates.append(0);
    }
    return updates;
}

} // namespace morvanex::ui
