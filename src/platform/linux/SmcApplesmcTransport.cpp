#include "platform/linux/SmcApplesmcTransport.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace morvanex::platform {

std::optional<QByteArray> ApplesmcSysfsPort::read(const QString& attribute) {
    return procfiles::read(folder_ + QLatin1Char('/') + attribute);
}

bool ApplesmcSysfsPort::write(const QString& attribute, const QByteArray& text) {
    QFile file(folder_ + QLatin1Char('/') + attribute);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    return file.write(text) == text.size();
}

std::optional<QString> findApplesmcKeyInterface(const Roots& roots) {
    const QString folder = roots.sys + QStringLiteral("/devices/platform/applesmc.768");
    const auto count = procfiles::readInteger(folder + QStringLiteral("/key_count"));
    if (!count || *count <= 0)
        return std::nullopt;
    const QByteArray index = (folder + QStringLiteral("/key_at_index")).toLocal8Bit();
    if (::access(index.constData(), W_OK) != 0)
        return std::nullopt;
    return folder;
}

SmcApplesmcTransport::SmcApplesmcTransport(std::unique_ptr<ApplesmcPort> port)
    : port_(std::move(port)) {}

std::optional<QByteArray> SmcApplesmcTransport::text(const QString& attribute) {
    auto value = port_->read(attribute);
    if (!value)
        return std::nullopt;
    // Only the line end goes: a type such as "ui8 " keeps its blank.
    if (value->endsWith('\n'))
        value->chop(1);
    return value;
}

std::optional<std::uint32_t> SmcApplesmcTransport::keyCount() {
    if (!keyCount_) {
        const auto value = text(QStringLiteral("key_count"));
        const auto count =
            value ? parseInteger<std::uint32_t>(*value, NumberText::trimmed) : std::nullopt;
        if (!count)
            return std::nullopt;
        keyCount_ = *count;
    }
    return keyCount_;
}

bool SmcApplesmcTransport::select(std::uint32_t index) {
    return port_->write(QStringLiteral("key_at_index"), QByteArray::number(index));
}

std::optional<std::uint32_t> SmcApplesmcTransport::nameAt(std::uint32_t index) {
    const auto count = keyCount();
    if (!count || index >= *count || !select(index))
        return std::nullopt;
    const auto name = text(QStringLiteral("key_at_index_name"));
    if (!name || name->size() != 4)
        return std::nullopt;
    const std::uint32_t code = smcFourCC(*name);
    indices_.insert(code, index);
    return code;
}

std::optional<std::uint32_t> SmcApplesmcTransport::indexOf(std::uint32_t code) {
    if (const auto found = indices_.constFind(code); found != indices_.constEnd())
        return *found;
    const auto count = keyCount();
    while (count && walked_ < *count) {
        const std::uint32_t index = walked_++;
        if (nameAt(index) == code)
            return index;
    }
    return std::nullopt;
}

int SmcApplesmcTransport::call(const SmcParam& request, SmcParam& reply) {
    reply = SmcParam{};
    reply.result = smcKeyNotFound;
    switch (request.command) {
    case smcKeyAtIndex:
        if (const auto code = nameAt(request.index)) {
            reply.key = *code;
            reply.result = 0;
        }
        return 0;
    case smcKeyInfo: {
        const auto index = indexOf(request.key);
        if (!index || !select(*index))
            return 0;
        const auto type = text(QStringLiteral("key_at_index_type"));
        const auto length = text(QStringLiteral("key_at_index_data_length"));
        const auto size =
            length ? parseInteger<std::uint32_t>(*length, NumberText::trimmed) : std::nullopt;
        if (!type || type->isEmpty() || type->size() > 4 || !size)
            return 0;
        reply.key = request.key;
        reply.dataSize = *size;
        reply.dataType = smcFourCC(type->leftJustified(4, ' '));
        reply.result = 0;
        return 0;
    }
    case smcReadBytes: {
        const auto index = indexOf(request.key);
        if (!index || !select(*index))
            return 0;
        const auto data = port_->read(QStringLiteral("key_at_index_data"));
        if (!data)
            return 0;
        fillReadReply(request, *data, reply);
        return 0;
    }
    default:
        return 0;
    }
}

} // namespace morvanex::platform
