#include "platform/linux/NetInterfaceKindCache.h"

#include <QFile>
#include <cstring>
#include <dirent.h>
#include <memory>

namespace morvanex::platform {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// The names in a folder with their inode numbers; nothing on failure (an empty map).
std::map<QString, std::uint64_t> listWithInodes(const QString& path) {
    std::map<QString, std::uint64_t> names;
    const std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(path).constData()));
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        names.emplace(QFile::decodeName(entry->d_name), std::uint64_t(entry->d_ino));
    }
    return names;
}

} // namespace

InterfaceKindCache::InterfaceKindCache(Roots fileRoots) : roots(std::move(fileRoots)) {}

const std::map<QString, InterfaceKind>& InterfaceKindCache::kinds() {
    const auto listed = listWithInodes(roots.sys + QStringLiteral("/class/net"));
    bool changed = false;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (listed.count(it->first) == 0) {
            it = entries_.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    for (const auto& [name, inode] : listed) {
        const auto known = entries_.find(name);
        if (known != entries_.end() && known->second.inode == inode)
            continue;
        entries_[name] = Entry{inode, probeInterfaceKind(roots, name)};
        ++probes_;
        changed = true;
    }
    if (changed) {
        kinds_.clear();
        for (const auto& [name, entry] : entries_)
            if (entry.kind.exists)
                kinds_.emplace(name, entry.kind);
    }
    return kinds_;
}

std::map<QString, InterfaceKind> InterfaceKindCache::kindsWithState() {
    std::map<QString, InterfaceKind> withState = kinds();
    for (auto& [name, kind] : withState)
        readInterfaceState(roots, name, kind);
    return withState;
}

bool InterfaceKindCache::isUp(const QString& name) const {
    InterfaceKind kind;
    readInterfaceState(roots, name, kind);
    return kind.up;
}

} // namespace morvanex::platform
