#pragma once

#include "platform/DesktopEntries.h"
#include "platform/Roots.h"

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex::ui {

// Small icons of running programs for the process rows and the force-quit question: the icon
// that the program's desktop entry names, looked up in the icon theme, else the theme's
// generic program icon ("application-x-executable"), else one drawn from our symbols, so a row
// never shows an empty square. Made once per process id as a 36 × 36 pixel image at device-pixel
// ratio 2 (18 × 18 points); the rows rebuilt on every tick ask again each time. Main thread
// only.
class AppIconCache {
public:
    static constexpr int side = 36;
    // More entries than this empty the cache before the next one is stored.
    static constexpr int limit = 400;

    explicit AppIconCache(platform::Roots roots = platform::Roots::system(),
                          QStringList dataFolders = platform::desktopDataFolders());

    static AppIconCache& shared();

    // The process's icon, its own or the generic one. A process id that a later program reuses
    // keeps the earlier icon until the cache empties.
    std::optional<QImage> icon(std::int32_t pid);

    int count() const { return int(cache_.size()); }

    // The program name a process is matched by: its executable's file name, else its short
    // command name; empty when the process cannot be read (it has exited).
    QString programName(std::int32_t pid) const;

    // An icon rendered into the cache's image size; nothing when it draws nothing.
    static std::optional<QImage> bitmap(const QIcon& icon);

    // The generic program icon drawn from our own symbols, for an icon theme without one.
    static QImage drawnGeneric();

private:
    QIcon iconNamed(const QString& name) const;
    const std::vector<platform::DesktopEntry>& entries();
    std::optional<QImage> generic();

    platform::Roots roots_;
    QStringList dataFolders_;
    QHash<std::int32_t, QImage> cache_;
    std::optional<std::vector<platform::DesktopEntry>> entries_;
    std::optional<std::optional<QImage>> generic_;
};

} // namespace morvanex::ui
