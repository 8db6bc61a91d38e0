#include "ui/tray/StatusItem.h"

#include "platform/DesktopColorScheme.h"
#include "platform/Log.h"
#include "ui/tray/DBusMenuExporter.h"
#include "ui/tray/PanelImage.h"
#include "ui/tray/StatusNotifierItemAdaptor.h"
#include "ui/tray/TrayIconFallback.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <atomic>

namespace morvanex::ui {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");

int nextItemNumber() {
    static std::atomic<int> last{0};
    return ++last;
}

QDBusConnection connectItem(const QString& busAddress, const QString& name) {
    return busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                                : QDBusConnection::connectToBus(busAddress, name);
}

} // namespace

StatusItem::StatusItem(const QString& id, const QString& title, QObject* parent)
    : StatusItem(id, title, QString(), Registration::immediate, parent) {}

StatusItem::StatusItem(const QString& id, const QString& title, const QString& busAddress,
                       Registration registration, QObject* parent)
    : QObject(parent), id_(id), title_(title),
      connectionName_(QStringLiteral("morvanex-status-item-%1").arg(nextItemNumber())),
      bus_(connectItem(busAddress, connectionName_)),
      serviceName_(QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(connectionName_.section(QLatin1Char('-'), -1))),
      registration_(registration) {
    adaptor_ = new StatusNotifierItemAdaptor(this);
    adaptor_->itemId = id_;
    adaptor_->itemTitle = title_;
    adaptor_->menuPath = QDBusObjectPath(menuPath());
    adaptor_->onActivate = [this](int x, int y) { emit activated(QRect(x, y, 1, 1)); };
    adaptor_->onContextMenu = [this](int x, int y) { showContextMenu(x, y); };
    adaptor_->onImageRead = [this] { emit imageRead(); };

    exporter_ = new DBusMenuExporter(this);
    exporter_->fill = [this](QMenu& menu) {
        if (provider_)
            provider_(menu);
    };
    exporter_->aboutToShow = [this] { emit menuAboutToShow(); };

    scheme_ = new platform::DesktopColorScheme(bus_, this);
    connect(scheme_, &platform::DesktopColorScheme::changed, this,
            [this](platform::DesktopColorScheme::Preference preference) {
                setAppearance(PanelImage::appearance(preference));
            });
    scheme_->start();

    if (!bus_.isConnected()) {
        qCInfo(log::ui) << "no session bus: status item" << id_ << "uses the tray icon";
        useFallback();
        return;
    }
    if (registration_ == Registration::immediate) {
        watcher_ = new QDBusServiceWatcher(kWatcherService, bus_,
                                           QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& newOwner) {
                    if (newOwner.isEmpty())
                        return;
                    useWatcher();
                    registerWithWatcher();
                });
    }
    // A question to the bus itself, which answers at once (unlike the watcher, which is asked
    // without waiting below).
    if (bus_.interface()->isServiceRegistered(kWatcherService)) {
        publish();
        if (registration_ == Registration::immediate)
            registerWithWatcher();
    } else {
        qCInfo(log::ui) << "no status notifier watcher: status item" << id_ << "uses the tray icon";
        useFallback();
    }
}

StatusItem::~StatusItem() {
    fallback_.reset();
    if (published_) {
        bus_.unregisterService(serviceName_);
        bus_.unregisterObject(menuPath());
        bus_.unregisterObject(kItemPath);
    }
    QDBusConnection::disconnectFromBus(connectionName_);
}

QString StatusItem::menuPath() {
    return QStringLiteral("/MenuBar");
}

bool StatusItem::usesWatcher() const {
    return published_;
}

void StatusItem::publish() {
    if (!bus_.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors))
        qCWarning(log::ui) << "could not publish status item" << id_ << ":"
                           << bus_.lastError().message();
    exporter_->publish(bus_, menuPath());
    if (!bus_.registerService(serviceName_))
        qCWarning(log::ui) << "could not take the bus name" << serviceName_ << ":"
                           << bus_.lastError().message();
    published_ = true;
}

void StatusItem::registerWithWatcher(std::function<void(bool accepted)> answered) {
    if (!published_) {
        if (answered)
            answered(false);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherService,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << registeredName();
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, answered = std::move(answered)](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                if (reply->isError())
                    qCWarning(log::ui) << "the status notifier watcher refused item" << id_ << ":"
                                       << reply->error().message();
                if (answered)
                    answered(!reply->isError());
            });
}

void StatusItem::useWatcher() {
    if (!bus_.isConnected())
        return;
    if (fallback_) {
        qCInfo(log::ui) << "a status notifier watcher appeared: status item" << id_
                        << "leaves the tray icon";
        fallback_.reset();
    }
    if (!published_)
        publish();
}

void StatusItem::useFallback() {
    fallback_ = std::make_unique<TrayIconFallback>(title_);
    fallback_->fill = [this](QMenu& menu) {
        if (provider_)
            provider_(menu);
    };
    connect(fallback_.get(), &TrayIconFallback::activated, this, &StatusItem::activated);
    connect(fallback_.get(), &TrayIconFallback::menuAboutToShow, this,
            &StatusItem::menuAboutToShow);
}

void StatusItem::setImage(const MenuBarImage& image) {
    // Every tick hands every item its image; most ticks leave some items as they were, and
    // drawing them again at two ratios would only find the same pixels.
    // (A tray icon not shown yet, its host not there, is tried again.)
    if (image_ && image_->parts() == image.parts() && image_->widths() == image.widths() &&
        image_->isTemplate() == image.isTemplate() && (!fallback_ || fallback_->isShown()))
        return;
    image_ = image;
    render();
}

void StatusItem::setAppearance(Appearance appearance) {
    if (appearance == appearance_)
        return;
    appearance_ = appearance;
    render();
}

void StatusItem::render() {
    if (!image_)
        return;
    const SniPixmaps pixmaps{
        SniPixmap::from(PanelImage::draw(*image_, appearance_, 1, canvases_[0])),
        SniPixmap::from(PanelImage::draw(*image_, appearance_, 2, canvases_[1]))};
    const bool iconChanged = pixmaps != adaptor_->pixmaps;
    if (iconChanged) {
        adaptor_->pixmaps = pixmaps;
        emit adaptor_->NewIcon();
    }
    const StatusLabel label = statusLabel(image_->parts());
    if (label != label_) {
        label_ = label;
        adaptor_->labelText = label.label;
        adaptor_->guideText = label.guide;
        emit adaptor_->XAyatanaNewLabel(label.label, label.guide);
    }
    if (fallback_ && (iconChanged || !fallback_->isShown()))
        showInFallback();
}

void StatusItem::showInFallback() {
    if (face_)
        fallback_->setFace(*face_, appearance_);
    else if (image_)
        fallback_->setImage(*image_, appearance_);
}

void StatusItem::setSquareFace(const SquareFace& face) {
    if (face_ == face)
        return;
    face_ = face;
    if (fallback_ && image_)
        showInFallback();
}

void StatusItem::setMenuProvider(std::function<void(QMenu& menu)> fill) {
    provider_ = std::move(fill);
    // Hosts that read the menu before asking to show it find it filled.
    exporter_->refill();
}

void StatusItem::showContextMenu(int x, int y) {
    emit menuAboutToShow();
    // The menu shown before (if still open) goes: every showing is filled afresh.
    popup_ = std::make_unique<QMenu>();
    if (provider_)
        provider_(*popup_);
    popup_->popup(QPoint(x, y));
}

} // namespace morvanex::ui
