#include "services/CalendarRefusals.h"

#include <QSet>

namespace morvanex {

std::optional<QString> CalendarRefusals::stillRefused(const QString& path) const {
    const auto found = refused_.find(path);
    if (found == refused_.end())
        return std::nullopt;
    if (platform::regularFileIdentity(path) != found->second.identity)
        return std::nullopt;
    return found->second.reason;
}

void CalendarRefusals::refuse(const QString& path, const platform::FileIdentity& identity,
                              const QString& reason) {
    refused_[path] = {identity, reason};
}

void CalendarRefusals::forget(const QString& path) {
    refused_.erase(path);
}

void CalendarRefusals::keepOnly(const QStringList& paths) {
    if (refused_.empty())
        return;
    const QSet<QString> kept(paths.begin(), paths.end());
    std::erase_if(refused_, [&](const auto& entry) { return !kept.contains(entry.first); });
}

} // namespace morvanex
