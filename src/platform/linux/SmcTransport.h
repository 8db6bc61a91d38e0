#pragma once

#include "platform/Clock.h"
#include "platform/Roots.h"
#include "platform/linux/SmcParam.h"

#include <QByteArray>
#include <memory>

namespace morvanex::platform {

// The exchange with a System Management Controller: one request record in, one reply record
// out, like the user client's struct method. Implementations answer command 5 (read the key's
// bytes, request `key` and `dataSize`), 8 (the key at request `index`) and 9 (the key's size and
// type); any other command fails. Callers hold the controller's one lock around every call, so
// implementations keep state without a lock of their own.
class SmcTransport {
public:
    virtual ~SmcTransport() = default;

    // 0 when the exchange took place, with `reply` filled; its `result` byte tells whether the
    // controller answered (0) or refused (non-zero). Any other return value: no exchange.
    virtual int call(const SmcParam& request, SmcParam& reply) = 0;
};

// The machine's controller, in order of preference:
//   1. the applesmc driver's key interface (a real controller on an Intel Mac running Linux),
//      when its index file can be written (root);
//   2. a key table built from the hardware monitors in /sys/class/hwmon and, where readable,
//      the RAPL energy counters in /sys/class/powercap (SmcHwmonKeys.h);
//   3. nothing: the controller stays closed.
// The reply to a read: the key's bytes, cut to the requested size and the record's room.
void fillReadReply(const SmcParam& request, const QByteArray& data, SmcParam& reply);

std::unique_ptr<SmcTransport> openSmcTransport(const Roots& roots = Roots::system(),
                                               const Clock& clock = Clock::system());

} // namespace morvanex::platform
