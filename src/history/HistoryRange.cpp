#include "history/HistoryRange.h"

namespace morvanex {

HistoryRangeSource source(HistoryRange range) {
    switch (range) {
    case HistoryRange::live:
    case HistoryRange::hour:
        return {"raw", 10, 3600};
    case HistoryRange::day:
        return {"m1", 300, 86400};
    case HistoryRange::week:
        return {"m15", 1800, 604800};
    case HistoryRange::month:
        return {"m15", 3600, 2592000};
    }
    return {"raw", 10, 3600};
}

} // namespace morvanex
