#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>

namespace morvanex::platform {

// One attachment of an iPhone, iPad or iPod touch as the device library announces it: the
// device's unique identifier and whether it is reached over the network. A device attached by
// USB and over Wi-Fi at the same time is two attachments. Copying the value keeps the reference.
struct MobileDeviceHandle {
    QString udid;
    bool network = false;

    friend bool operator==(const MobileDeviceHandle& a, const MobileDeviceHandle& b) {
        return a.udid == b.udid && a.network == b.network;
    }
    friend bool operator<(const MobileDeviceHandle& a, const MobileDeviceHandle& b) {
        return std::tie(a.udid, a.network) < std::tie(b.udid, b.network);
    }
};

// The operations the device monitor needs of the mobile-device library, one entry each.
// The real table comes from libimobiledevice (with its libplist and libusbmuxd), opened at run
// time so the program runs where it is missing; tests build a table of fakes.
//
// Property-list values travel as QVariant: strings as QString, integers as qint64, reals as
// double, booleans as bool, dates as QDateTime (UTC), data as QByteArray, arrays as
// QVariantList and dictionaries as QVariantMap. An invalid QVariant means "none".
//
// Results follow the device protocol: 0 means success for every status, isPaired answers 1
// for paired, interfaceType answers networkInterface for a Wi-Fi attachment.
struct MobileDeviceAPI {
    // Attach/detach notification: the attachment and the message code.
    using Notification = std::function<void(const MobileDeviceHandle& device, unsigned message)>;
    // Keeps a subscription alive; destroying the last copy unsubscribes (and waits until no
    // notification runs). Null when subscribing failed.
    using Subscription = std::shared_ptr<void>;
    // An open service connection on a device; the last copy releases it.
    using ServiceConnection = std::shared_ptr<void>;

    static constexpr unsigned deviceArrived = 1;
    static constexpr unsigned deviceRemoved = 2;
    static constexpr int networkInterface = 2;
    static constexpr int xmlFormat = 100;

    // Required entries: a table is only built when all of them are present.
    std::function<Subscription(Notification)> subscribe;
    std::function<int(const MobileDeviceHandle&)> connect;
    std::function<int(const MobileDeviceHandle&)> disconnect;
    std::function<int(const MobileDeviceHandle&)> isPaired;
    std::function<int(const MobileDeviceHandle&)> validatePairing;
    std::function<int(const MobileDeviceHandle&)> startSession;
    std::function<int(const MobileDeviceHandle&)> stopSession;
    std::function<int(const MobileDeviceHandle&)> interfaceType;
    std::function<std::optional<QString>(const MobileDeviceHandle&)> copyIdentifier;
    // An empty domain asks the device's global domain.
    std::function<QVariant(const MobileDeviceHandle&, const QString& domain, const QString& key)>
        copyValue;

    // Optional entries (empty when the library lacks them): the service connection used for
    // the battery registry.
    std::function<int(const MobileDeviceHandle&, const QString& service,
                      ServiceConnection& connection)>
        startService;
    std::function<int(const ServiceConnection&, const QVariant& message, int format)> sendMessage;
    std::function<int(const ServiceConnection&, QVariant& reply)> receiveMessage;
    std::function<void(const ServiceConnection&)> invalidate;

    // Opens the first of the system's libimobiledevice names that loads and builds the table;
    // nothing when none loads or a required function is missing.
    static std::optional<MobileDeviceAPI> load();
    // The same with other library names or paths (tests point it at files that do not exist).
    static std::optional<MobileDeviceAPI> load(const QStringList& libraryNames);

    // Builds the table from a symbol lookup over an opened library (and its dependencies).
    // `library` is kept alive by every entry. Exposed so tests can check which symbols the
    // table needs; the entries call whatever the lookup returned.
    using SymbolLookup = std::function<void*(const char* name)>;
    static std::optional<MobileDeviceAPI> resolve(const SymbolLookup& lookup,
                                                  std::shared_ptr<void> library);
};

} // namespace morvanex::platform
