#pragma once

#include "platform/Roots.h"
#include "platform/linux/SmcTransport.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <optional>

namespace morvanex::platform {

// The files of the applesmc driver's key interface: key_count, key_at_index (written to pick a
// key), and key_at_index_name, _type, _data_length and _data (the picked key's name, type,
// size and live value).
class ApplesmcPort {
public:
    virtual ~ApplesmcPort() = default;
    // The attribute file's whole contents (key_at_index_data is binary); nothing on failure.
    virtual std::optional<QByteArray> read(const QString& attribute) = 0;
    virtual bool write(const QString& attribute, const QByteArray& text) = 0;
};

// The driver's folder in sysfs.
class ApplesmcSysfsPort final : public ApplesmcPort {
public:
    explicit ApplesmcSysfsPort(QString folder) : folder_(std::move(folder)) {}
    std::optional<QByteArray> read(const QString& attribute) override;
    bool write(const QString& attribute, const QByteArray& text) override;

private:
    QString folder_;
};

// The driver's folder (roots.sys/devices/platform/applesmc.768) when the key interface is
// usable: key_count reads as a number and key_at_index can be written (the kernel lets only
// root write it; others get the driver's hwmon channels through SmcHwmonKeys instead).
std::optional<QString> findApplesmcKeyInterface(const Roots& roots);

// A real controller through the applesmc driver. The driver reaches keys by position only, so
// the transport learns each key's position as keys are listed, and walks the positions it has
// not seen yet when asked for a key it does not know. Picking a position and reading its files
// are separate steps: another process picking a position in between would be read instead (the
// driver offers nothing better; within this process the controller's lock serialises them).
class SmcApplesmcTransport final : public SmcTransport {
public:
    explicit SmcApplesmcTransport(std::unique_ptr<ApplesmcPort> port);

    int call(const SmcParam& request, SmcParam& reply) override;

private:
    std::optional<std::uint32_t> keyCount();
    bool select(std::uint32_t index);
    std::optional<QByteArray> text(const QString& attribute); // one line without its line end
    std::optional<std::uint32_t> nameAt(std::uint32_t index); // selects the index
    std::optional<std::uint32_t> indexOf(std::uint32_t code);

    std::unique_ptr<ApplesmcPort> port_;
    std::optional<std::uint32_t> keyCount_;
    QHash<std::uint32_t, std::uint32_t> indices_; // key code → position
    std::uint32_t walked_ = 0;                    // positions below this are all in indices_
};

} // namespace morvanex::platform
