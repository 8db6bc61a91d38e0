#include "platform/linux/SmcTransport.h"

#include "platform/linux/SmcApplesmcTransport.h"
#include "platform/linux/SmcHwmonKeys.h"
#include "platform/linux/SmcKeyTable.h"

#include <algorithm>
#include <cstring>

namespace morvanex::platform {

std::unique_ptr<SmcTransport> openSmcTransport(const Roots& roots, const Clock& clock) {
    if (const auto folder = findApplesmcKeyInterface(roots))
        return std::make_unique<SmcApplesmcTransport>(std::make_unique<ApplesmcSysfsPort>(*folder));
    if (auto keys = hwmonKeyTable(roots, clock); !keys.empty())
        return std::make_unique<SmcKeyTableTransport>(std::move(keys));
    return nullptr;
}

void fillReadReply(const SmcParam& request, const QByteArray& data, SmcParam& reply) {
    reply.key = request.key;
    reply.dataSize = request.dataSize;
    std::memcpy(reply.bytes, data.constData(),
                std::min<std::size_t>(
                    {std::size_t(data.size()), sizeof reply.bytes, std::size_t(request.dataSize)}));
    reply.result = 0;
}

} // namespace morvanex::platform
