#pragma once

#include "platform/RegularFile.h"

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace morvanex {

// The calendar files whose text was refused (see CalendarTextCheck.h), each with what it was
// when refused: a refresh reads such a file again only once it has changed. Not thread-safe: one
// fetch at a time uses it.
class CalendarRefusals {
public:
    // Why `path` was refused, when it is still the file it was then.
    std::optional<QString> stillRefused(const QString& path) const;
    void refuse(const QString& path, const platform::FileIdentity& identity, const QString& reason);
    void forget(const QString& path);
    // Forgets the files not in `paths`.
    void keepOnly(const QStringList& paths);
    bool empty() const { return refused_.empty(); }

private:
    struct Refusal {
        platform::FileIdentity identity;
        QString reason;
    };
    std::map<QString, Refusal> refused_;
};

} // namespace morvanex
