#include "platform/linux/MobileDeviceLibrary.h"

#include <QByteArray>
#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <utility>

namespace morvanex::platform {

namespace {

// The library's opaque handles, as plain pointers: we never look inside them.
using Device = void*;
using Lockdown = void*;
using Plist = void*;
using ServiceDescriptor = void*;
using PlistService = void*;

// The attach/detach notification record, laid out as the library passes it.
struct EventInfo {
    int event;
    const char* udid;
    int connectionType;
};
using EventCallback = void (*)(const EventInfo*, void*);

constexpr int connectionNetwork = 2;
constexpr int lookupUsbmux = 1 << 1;
constexpr int lookupNetwork = 1 << 2;
constexpr const char* clientLabel = "Morvanex";
// Nesting deeper than this in a device's answer is not a property list we read.
constexpr int maxPlistDepth = 64;
// Property-list dates count from 2001-01-01 UTC.
constexpr qint64 plistEpochOffset = 978307200;

// libplist node types (enum plist_type).
enum PlistType {
    plistBoolean,
    plistUint,
    plistReal,
    plistString,
    plistArray,
    plistDict,
    plistDate,
    plistData,
    plistKey,
    plistUid,
    plistNone
};

// Every library function the table uses, resolved once.
struct Functions {
    // libimobiledevice
    int (*eventSubscribe)(EventCallback, void*) = nullptr;
    int (*eventUnsubscribe)() = nullptr;
    int (*deviceNew)(Device*, const char*, int) = nullptr;
    int (*deviceFree)(Device) = nullptr;
    int (*lockdownNew)(Device, Lockdown*, const char*) = nullptr;
    int (*lockdownFree)(Lockdown) = nullptr;
    int (*validatePair)(Lockdown, void*) = nullptr;
    int (*startSession)(Lockdown, const char*, char**, int*) = nullptr;
    int (*stopSession)(Lockdown, const char*) = nullptr;
    int (*getValue)(Lockdown, const char*, const char*, Plist*) = nullptr;
    // libusbmuxd: the host's pairing record for a device
    int (*readPairRecord)(const char*, char**, std::uint32_t*) = nullptr;
    // libplist: reading
    void (*plistFree)(Plist) = nullptr;
    int (*nodeType)(Plist) = nullptr;
    const char* (*stringPtr)(Plist, std::uint64_t*) = nullptr;
    void (*boolValue)(Plist, std::uint8_t*) = nullptr;
    void (*uintValue)(Plist, std::uint64_t*) = nullptr;
    void (*realValue)(Plist, double*) = nullptr;
    const char* (*dataPtr)(Plist, std::uint64_t*) = nullptr;
    void (*dateValue)(Plist, std::int32_t*, std::int32_t*) = nullptr;
    void (*dictNewIter)(Plist, void**) = nullptr;
    void (*dictNextItem)(Plist, void*, char**, Plist*) = nullptr;
    std::uint32_t (*arraySize)(Plist) = nullptr;
    Plist (*arrayItem)(Plist, std::uint32_t) = nullptr;
    void (*fromMemory)(const char*, std::uint32_t, Plist*) = nullptr;
    Plist (*dictItem)(Plist, const char*) = nullptr;
    // libplist: building messages
    Plist (*newDict)() = nullptr;
    Plist (*newArray)() = nullptr;
    Plist (*newString)(const char*) = nullptr;
    Plist (*newBool)(std::uint8_t) = nullptr;
    Plist (*newUint)(std::uint64_t) = nullptr;
    Plist (*newReal)(double) = nullptr;
    void (*dictSetItem)(Plist, const char*, Plist) = nullptr;
    void (*arrayAppend)(Plist, Plist) = nullptr;
    // services
    int (*startService)(Lockdown, const char*, ServiceDescriptor*) = nullptr;
    int (*descriptorFree)(ServiceDescriptor) = nullptr;
    int (*serviceNew)(Device, ServiceDescriptor, PlistService*) = nullptr;
    int (*serviceFree)(PlistService) = nullptr;
    int (*sendXml)(PlistService, Plist) = nullptr;
    int (*sendBinary)(PlistService, Plist) = nullptr;
    int (*receive)(PlistService, Plist*) = nullptr;
};

template <typename F>
bool bind(const MobileDeviceAPI::SymbolLookup& lookup, F& slot, const char* name) {
    slot = reinterpret_cast<F>(lookup(name));
    return slot != nullptr;
}

bool bindRequired(const MobileDeviceAPI::SymbolLookup& lookup, Functions& f) {
    return bind(lookup, f.eventSubscribe, "idevice_event_subscribe") &&
           bind(lookup, f.eventUnsubscribe, "idevice_event_unsubscribe") &&
           bind(lookup, f.deviceNew, "idevice_new_with_options") &&
           bind(lookup, f.deviceFree, "idevice_free") &&
           bind(lookup, f.lockdownNew, "lockdownd_client_new") &&
           bind(lookup, f.lockdownFree, "lockdownd_client_free") &&
           bind(lookup, f.validatePair, "lockdownd_validate_pair") &&
           bind(lookup, f.startSession, "lockdownd_start_session") &&
           bind(lookup, f.stopSession, "lockdownd_stop_session") &&
           bind(lookup, f.getValue, "lockdownd_get_value") &&
           bind(lookup, f.readPairRecord, "usbmuxd_read_pair_record") &&
           bind(lookup, f.plistFree, "plist_free") &&
           bind(lookup, f.nodeType, "plist_get_node_type") &&
           bind(lookup, f.stringPtr, "plist_get_string_ptr") &&
           bind(lookup, f.boolValue, "plist_get_bool_val") &&
           bind(lookup, f.uintValue, "plist_get_uint_val") &&
           bind(lookup, f.realValue, "plist_get_real_val") &&
           bind(lookup, f.dataPtr, "plist_get_data_ptr") &&
           bind(lookup, f.dateValue, "plist_get_date_val") &&
           bind(lookup, f.dictNewIter, "plist_dict_new_iter") &&
           bind(lookup, f.dictNextItem, "plist_dict_next_item") &&
           bind(lookup, f.arraySize, "plist_array_get_size") &&
           bind(lookup, f.arrayItem, "plist_array_get_item") &&
           bind(lookup, f.fromMemory, "plist_from_memory") &&
           bind(lookup, f.dictItem, "plist_dict_get_item");
}

// The optional functions; each group decides whether its table entry exists.
void bindOptional(const MobileDeviceAPI::SymbolLookup& lookup, Functions& f) {
    bind(lookup, f.newDict, "plist_new_dict");
    bind(lookup, f.newArray, "plist_new_array");
    bind(lookup, f.newString, "plist_new_string");
    bind(lookup, f.newBool, "plist_new_bool");
    bind(lookup, f.newUint, "plist_new_uint");
    bind(lookup, f.newReal, "plist_new_real");
    bind(lookup, f.dictSetItem, "plist_dict_set_item");
    bind(lookup, f.arrayAppend, "plist_array_append_item");
    bind(lookup, f.startService, "lockdownd_start_service");
    bind(lookup, f.descriptorFree, "lockdownd_service_descriptor_free");
    bind(lookup, f.serviceNew, "property_list_service_client_new");
    bind(lookup, f.serviceFree, "property_list_service_client_free");
    bind(lookup, f.sendXml, "property_list_service_send_xml_plist");
    bind(lookup, f.sendBinary, "property_list_service_send_binary_plist");
    bind(lookup, f.receive, "property_list_service_receive_plist");
}

// Converts a property-list node into its QVariant form. Strings decode as UTF-8 with
// replacement characters. Integers are read as signed: the library keeps negative values in
// two's complement.
QVariant toVariant(const Functions& f, Plist node, int depth = 0) {
    if (!node || depth > maxPlistDepth)
        return {};
    switch (f.nodeType(node)) {
    case plistBoolean: {
        std::uint8_t value = 0;
        f.boolValue(node, &value);
        return QVariant(value != 0);
    }
    case plistUint: {
        std::uint64_t value = 0;
        f.uintValue(node, &value);
        return QVariant(qint64(value));
    }
    case plistReal: {
        double value = 0;
        f.realValue(node, &value);
        return QVariant(value);
    }
    case plistString:
    case plistKey: {
        std::uint64_t length = 0;
        const char* text = f.stringPtr(node, &length);
        if (!text)
            return {};
        return QVariant(QString::fromUtf8(text, qsizetype(length)));
    }
    case plistData: {
        std::uint64_t length = 0;
        const char* bytes = f.dataPtr(node, &length);
        return QVariant(bytes ? QByteArray(bytes, qsizetype(length)) : QByteArray());
    }
    case plistDate: {
        std::int32_t seconds = 0;
        std::int32_t micros = 0;
        f.dateValue(node, &seconds, &micros);
        const qint64 msecs = (qint64(seconds) + plistEpochOffset) * 1000 + micros / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
    }
    case plistArray: {
        QVariantList list;
        const std::uint32_t size = f.arraySize(node);
        for (std::uint32_t i = 0; i < size; ++i)
            list.append(toVariant(f, f.arrayItem(node, i), depth + 1));
        return QVariant(list);
    }
    case plistDict: {
        QVariantMap map;
        void* iterator = nullptr;
        f.dictNewIter(node, &iterator);
        if (!iterator)
            return QVariant(map);
        for (;;) {
            char* key = nullptr;
            Plist value = nullptr;
            f.dictNextItem(node, iterator, &key, &value);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), toVariant(f, value, depth + 1));
            std::free(key);
        }
        std::free(iterator);
        return QVariant(map);
    }
    default:
        return {};
    }
}

// Owns one property-list node built or received here.
struct PlistPtr {
    const Functions* f;
    Plist node;
    PlistPtr(const Functions& functions, Plist n) : f(&functions), node(n) {}
    PlistPtr(const PlistPtr&) = delete;
    PlistPtr& operator=(const PlistPtr&) = delete;
    ~PlistPtr() {
        if (node)
            f->plistFree(node);
    }
    Plist release() { return std::exchange(node, nullptr); }
};

// Builds a property-list node from the QVariant forms the messages use; none for other types.
Plist fromVariant(const Functions& f, const QVariant& value, int depth = 0) {
    if (depth > maxPlistDepth)
        return nullptr;
    switch (value.typeId()) {
    case QMetaType::QString:
        return f.newString(value.toString().toUtf8().constData());
    case QMetaType::Bool:
        return f.newBool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
        return f.newUint(std::uint64_t(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return f.newUint(value.toULongLong());
    case QMetaType::Double:
        return f.newReal(value.toDouble());
    case QMetaType::QVariantList: {
        PlistPtr array(f, f.newArray());
        for (const QVariant& item : value.toList()) {
            Plist child = fromVariant(f, item, depth + 1);
            if (!child)
                return nullptr;
            f.arrayAppend(array.node, child);
        }
        return array.release();
    }
    case QMetaType::QVariantMap: {
        PlistPtr dict(f, f.newDict());
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            Plist child = fromVariant(f, it.value(), depth + 1);
            if (!child)
                return nullptr;
            f.dictSetItem(dict.node, it.key().toUtf8().constData(), child);
        }
        return dict.release();
    }
    default:
        return nullptr;
    }
}

// One device between connect and disconnect: the device, its lockdown client and what the
// pairing record and session gave.
struct OpenDevice {
    const Functions* f = nullptr;
    Device device = nullptr;
    Lockdown client = nullptr;
    QByteArray hostId;
    char* sessionId = nullptr;

    OpenDevice(const Functions& functions) : f(&functions) {}
    OpenDevice(const OpenDevice&) = delete;
    OpenDevice& operator=(const OpenDevice&) = delete;
    ~OpenDevice() {
        std::free(sessionId);
        // Freeing the client closes a session still open and says goodbye to the device.
        if (client)
            f->lockdownFree(client);
        if (device)
            f->deviceFree(device);
    }
};

// What every entry of one table shares: the open library, its functions and the devices
// currently connected through it.
struct Library {
    std::shared_ptr<void> handle;
    Functions f;
    std::mutex mutex;
    std::map<MobileDeviceHandle, std::unique_ptr<OpenDevice>> open;

    // Runs `work` on the open device, or answers `closed` when it is not connected.
    template <typename Work, typename Result>
    Result withDevice(const MobileDeviceHandle& device, Result closed, Work work) {
        const std::lock_guard lock(mutex);
        const auto found = open.find(device);
        if (found == open.end())
            return closed;
        return work(*found->second);
    }
};

// The library allows one event subscription per process.
std::atomic<bool> subscribed{false};

struct Subscriber {
    std::shared_ptr<Library> library;
    MobileDeviceAPI::Notification notify;
};

void onEvent(const EventInfo* info, void* context) {
    if (!info || !context || !info->udid)
        return;
    const auto* subscriber = static_cast<const Subscriber*>(context);
    const MobileDeviceHandle handle{QString::fromUtf8(info->udid),
                                    info->connectionType == connectionNetwork};
    subscriber->notify(handle, unsigned(info->event));
}

MobileDeviceAPI::Subscription subscribe(const std::shared_ptr<Library>& library,
                                        MobileDeviceAPI::Notification notify) {
    if (subscribed.exchange(true))
        return nullptr;
    auto subscriber = std::make_unique<Subscriber>(Subscriber{library, std::move(notify)});
    if (library->f.eventSubscribe(&onEvent, subscriber.get()) != 0) {
        subscribed = false;
        return nullptr;
    }
    // Unsubscribing stops the library's event thread before the subscriber goes away.
    return std::shared_ptr<void>(subscriber.release(), [](void* pointer) {
        auto* owned = static_cast<Subscriber*>(pointer);
        owned->library->f.eventUnsubscribe();
        delete owned;
        subscribed = false;
    });
}

int connect(Library& library, const MobileDeviceHandle& handle) {
    auto device = std::make_unique<OpenDevice>(library.f);
    const QByteArray udid = handle.udid.toUtf8();
    if (library.f.deviceNew(&device->device, udid.constData(),
                            handle.network ? lookupNetwork : lookupUsbmux) != 0 ||
        !device->device)
        return -1;
    if (library.f.lockdownNew(device->device, &device->client, clientLabel) != 0 || !device->client)
        return -1;
    const std::lock_guard lock(library.mutex);
    library.open[handle] = std::move(device);
    return 0;
}

int disconnect(Library& library, const MobileDeviceHandle& handle) {
    std::unique_ptr<OpenDevice> closing;
    {
        const std::lock_guard lock(library.mutex);
        const auto found = library.open.find(handle);
        if (found == library.open.end())
            return -1;
        closing = std::move(found->second);
        library.open.erase(found);
    }
    return 0;
}

// Paired means the host keeps a pairing record for the device; its HostID opens sessions.
int isPaired(Library& library, const MobileDeviceHandle& handle) {
    return library.withDevice(handle, 0, [&](OpenDevice& device) {
        const Functions& f = library.f;
        char* data = nullptr;
        std::uint32_t size = 0;
        const QByteArray udid = handle.udid.toUtf8();
        if (f.readPairRecord(udid.constData(), &data, &size) != 0 || !data)
            return 0;
        Plist record = nullptr;
        f.fromMemory(data, size, &record);
        std::free(data);
        const PlistPtr owned(f, record);
        const QVariant hostId = toVariant(f, record ? f.dictItem(record, "HostID") : nullptr);
        if (hostId.typeId() != QMetaType::QString || hostId.toString().isEmpty())
            return 0;
        device.hostId = hostId.toString().toUtf8();
        return 1;
    });
}

int validatePairing(Library& library, const MobileDeviceHandle& handle) {
    return library.withDevice(handle, -1, [&](OpenDevice& device) {
        return library.f.validatePair(device.client, nullptr);
    });
}

int startSession(Library& library, const MobileDeviceHandle& handle) {
    return library.withDevice(handle, -1, [&](OpenDevice& device) {
        if (device.hostId.isEmpty())
            return -1;
        std::free(std::exchange(device.sessionId, nullptr));
        return library.f.startSession(device.client, device.hostId.constData(), &device.sessionId,
                                      nullptr);
    });
}

int stopSession(Library& library, const MobileDeviceHandle& handle) {
    return library.withDevice(handle, -1, [&](OpenDevice& device) {
        if (!device.sessionId)
            return -1;
        const int result = library.f.stopSession(device.client, device.sessionId);
        std::free(std::exchange(device.sessionId, nullptr));
        return result;
    });
}

QVariant copyValue(Library& library, const MobileDeviceHandle& handle, const QString& domain,
                   const QString& key) {
    return library.withDevice(handle, QVariant(), [&](OpenDevice& device) {
        const QByteArray domainBytes = domain.toUtf8();
        const QByteArray keyBytes = key.toUtf8();
        Plist value = nullptr;
        const int result =
            library.f.getValue(device.client, domain.isEmpty() ? nullptr : domainBytes.constData(),
                               keyBytes.constData(), &value);
        const PlistPtr owned(library.f, value);
        return result == 0 ? toVariant(library.f, value) : QVariant();
    });
}

// An open property-list service on a device; released when the last copy goes.
struct OpenService {
    std::shared_ptr<Library> library;
    PlistService client = nullptr;

    OpenService(std::shared_ptr<Library> owner, PlistService c)
        : library(std::move(owner)), client(c) {}
    OpenService(const OpenService&) = delete;
    OpenService& operator=(const OpenService&) = delete;
    ~OpenService() { close(); }
    void close() {
        if (client)
            library->f.serviceFree(std::exchange(client, nullptr));
    }
};

int startService(const std::shared_ptr<Library>& library, const MobileDeviceHandle& handle,
                 const QString& service, MobileDeviceAPI::ServiceConnection& connection) {
    return library->withDevice(handle, -1, [&](OpenDevice& device) {
        const Functions& f = library->f;
        ServiceDescriptor descriptor = nullptr;
        const QByteArray name = service.toUtf8();
        if (f.startService(device.client, name.constData(), &descriptor) != 0 || !descriptor) {
            if (descriptor)
                f.descriptorFree(descriptor);
            return -1;
        }
        PlistService client = nullptr;
        const int result = f.serviceNew(device.device, descriptor, &client);
        f.descriptorFree(descriptor);
        if (result != 0 || !client)
            return result != 0 ? result : -1;
        connection = std::make_shared<OpenService>(library, client);
        return 0;
    });
}

OpenService* serviceOf(const MobileDeviceAPI::ServiceConnection& connection) {
    return static_cast<OpenService*>(connection.get());
}

int sendMessage(const Library& library, const MobileDeviceAPI::ServiceConnection& connection,
                const QVariant& message, int format) {
    OpenService* service = serviceOf(connection);
    if (!service || !service->client)
        return -1;
    const PlistPtr node(library.f, fromVariant(library.f, message));
    if (!node.node)
        return -1;
    return format == MobileDeviceAPI::xmlFormat ? library.f.sendXml(service->client, node.node)
                                                : library.f.sendBinary(service->client, node.node);
}

int receiveMessage(const Library& library, const MobileDeviceAPI::ServiceConnection& connection,
                   QVariant& reply) {
    OpenService* service = serviceOf(connection);
    if (!service || !service->client)
        return -1;
    Plist node = nullptr;
    const int result = library.f.receive(service->client, &node);
    const PlistPtr owned(library.f, node);
    reply = toVariant(library.f, node);
    return result;
}

} // namespace

std::optional<MobileDeviceAPI> MobileDeviceAPI::resolve(const SymbolLookup& lookup,
                                                        std::shared_ptr<void> handle) {
    auto library = std::make_shared<Library>();
    library->handle = std::move(handle);
    if (!bindRequired(lookup, library->f))
        return std::nullopt;
    bindOptional(lookup, library->f);
    const Functions& f = library->f;

    MobileDeviceAPI api;
    api.subscribe = [library](Notification notify) {
        return platform::subscribe(library, std::move(notify));
    };
    api.connect = [library](const MobileDeviceHandle& h) { return platform::connect(*library, h); };
    api.disconnect = [library](const MobileDeviceHandle& h) {
        return platform::disconnect(*library, h);
    };
    api.isPaired = [library](const MobileDeviceHandle& h) {
        return platform::isPaired(*library, h);
    };
    api.validatePairing = [library](const MobileDeviceHandle& h) {
        return platform::validatePairing(*library, h);
    };
    api.startSession = [library](const MobileDeviceHandle& h) {
        return platform::startSession(*library, h);
    };
    api.stopSession = [library](const MobileDeviceHandle& h) {
        return platform::stopSession(*library, h);
    };
    api.interfaceType = [](const MobileDeviceHandle& h) {
        return h.network ? networkInterface : 1;
    };
    api.copyIdentifier = [](const MobileDeviceHandle& h) -> std::optional<QString> {
        if (h.udid.isEmpty())
            return std::nullopt;
        return h.udid;
    };
    api.copyValue = [library](const MobileDeviceHandle& h, const QString& domain,
                              const QString& key) {
        return platform::copyValue(*library, h, domain, key);
    };

    if (f.startService && f.descriptorFree && f.serviceNew && f.serviceFree)
        api.startService = [library](const MobileDeviceHandle& h, const QString& service,
                                     ServiceConnection& connection) {
            return platform::startService(library, h, service, connection);
        };
    if (f.sendXml && f.sendBinary && f.newDict && f.newArray && f.newString && f.newBool &&
        f.newUint && f.newReal && f.dictSetItem && f.arrayAppend)
        api.sendMessage = [library](const ServiceConnection& connection, const QVariant& message,
                                    int format) {
            return platform::sendMessage(*library, connection, message, format);
        };
    if (f.receive)
        api.receiveMessage = [library](const ServiceConnection& connection, QVariant& reply) {
            return platform::receiveMessage(*library, connection, reply);
        };
    if (f.serviceFree)
        api.invalidate = [](const ServiceConnection& connection) {
            if (OpenService* service = serviceOf(connection))
                service->close();
        };
    return api;
}

std::optional<MobileDeviceAPI> MobileDeviceAPI::load(const QStringList& libraryNames) {
    for (const QString& name : libraryNames) {
        // Kept loaded for the life of the process once opened: the library runs threads of its
        // own and registers handlers that must not outlive its code.
        void* opened =
            ::dlopen(name.toLocal8Bit().constData(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
        if (!opened)
            continue;
        std::shared_ptr<void> handle(opened, [](void* h) { ::dlclose(h); });
        return resolve([opened](const char* symbol) { return ::dlsym(opened, symbol); },
                       std::move(handle));
    }
    return std::nullopt;
}

std::optional<MobileDeviceAPI> MobileDeviceAPI::load() {
    return load({QStringLiteral("libimobiledevice-1.0.so.6"),
                 QStringLiteral("libimobiledevice.so.6"), QStringLiteral("libimobiledevice-1.0.so"),
                 QStringLiteral("libimobiledevice.so")});
}

} // namespace morvanex::platform
