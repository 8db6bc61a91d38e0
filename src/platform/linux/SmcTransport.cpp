#include "platform/linux/SmcTransport.h"

#include "platform/linux/SmcApplesmcTransport.h"
#include "platform/linux/SmcHwmonKeys.h"
#include "platform/linux/SmcKeyTable.h"

namespace morvanex::platform {

std::unique_ptr<SmcTransport> openSmcTransport(const Roots& roots, const Clock& clock) {
    if (const auto folder = findApplesmcKeyInterface(roots))
        return std::make_unique<SmcApplesmcTransport>(std::make_unique<ApplesmcSysfsPort>(*folder));
    if (auto keys = hwmonKeyTable(roots, clock); !keys.empty())
        return std::make_unique<SmcKeyTableTransport>(std::move(keys));
    return nullptr;
}

} // namespace morvanex::platform
