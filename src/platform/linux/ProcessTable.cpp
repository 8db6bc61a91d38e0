#include "platform/linux/ProcessTable.h"

#include "platform/OpenFileLimit.h"
#include "platform/ParseNumber.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <span>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace morvanex::platform {
namespace {

constexpr std::size_t pathCapacity = 4096;
using PathBuffer = std::array<char, pathCapacity>;

// Owns one file descriptor.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd = std::exchange(other.fd, -1);
        }
        return *this;
    }
    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    void reset() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

private:
    int fd = -1;
};

struct DirectoryCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// "<root>/<pid>/<leaf>", zero-terminated, in the caller's buffer; false when it does not fit.
bool buildPath(PathBuffer& out, std::string_view root, std::int32_t pid, std::string_view leaf) {
    std::array<char, 16> digits{};
    const auto converted = std::to_chars(digits.data(), digits.data() + digits.size(), pid);
    const std::string_view number(digits.data(), std::size_t(converted.ptr - digits.data()));
    if (root.size() + number.size() + leaf.size() + 3 > out.size())
        return false;
    char* at = out.data();
    for (const std::string_view part :
         {root, std::string_view("/"), number, std::string_view("/"), leaf})
        at = std::copy(part.begin(), part.end(), at);
    *at = '\0';
    return true;
}

enum class Fit { whole, prefix };

Descriptor openRecord(const char* path) {
    return Descriptor(::open(path, O_RDONLY | O_CLOEXEC));
}

// Reads a record from its start in one read: procfs produces a whole record at once when the
// buffer is large enough, and again on every read from offset 0. With Fit::whole a record
// that fills the buffer counts as cut and fails.
std::optional<std::string_view> readRecord(const Descriptor& file, std::span<char> buffer,
                                           Fit fit = Fit::whole) {
    if (!file.valid())
        return std::nullopt;
    ssize_t length = 0;
    do {
        length = ::pread(file.get(), buffer.data(), buffer.size(), 0);
    } while (length < 0 && errno == EINTR);
    if (length < 0 || (fit == Fit::whole && std::size_t(length) >= buffer.size()))
        return std::nullopt;
    return std::string_view(buffer.data(), std::size_t(length));
}

std::optional<std::string_view> readRecord(const char* path, std::span<char> buffer, Fit fit) {
    return readRecord(openRecord(path), buffer, fit);
}

// Moves a descriptor to `lowest` or above; the original when that is not possible (too few
// descriptors left above it).
Descriptor placeAtOrAbove(Descriptor file, int lowest) {
    if (lowest <= 0 || file.get() >= lowest)
        return file;
    const int moved = ::fcntl(file.get(), F_DUPFD_CLOEXEC, lowest);
    return moved >= 0 ? Descriptor(moved) : std::move(file);
}

std::optional<std::int32_t> processId(std::string_view name) {
    const auto value = parseInteger<std::int32_t>(name);
    return value && *value > 0 ? value : std::nullopt;
}

// Processor ticks to nanoseconds without the rounding a floating factor would bring.
std::uint64_t ticksToNanos(std::uint64_t ticks) {
    const std::uint64_t hz = ProcessTable::ticksPerSecond();
    constexpr std::uint64_t nanosPerSecond = 1'000'000'000;
    return ticks / hz * nanosPerSecond + ticks % hz * nanosPerSecond / hz;
}

QByteArray bytes(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

} // namespace

KeptFilesPolicy keptFilesPolicy(std::optional<std::uint64_t> softLimit) {
    constexpr std::uint64_t selectRange = 1024; // FD_SETSIZE
    constexpr std::size_t fallbackLimit = 512;
    if (!softLimit || *softLimit == std::uint64_t(RLIM_INFINITY))
        return {fallbackLimit, 0};
    if (*softLimit >= 4 * selectRange)
        return {std::size_t(*softLimit / 4), int(selectRange)};
    return {std::size_t(std::min<std::uint64_t>(*softLimit / 4, fallbackLimit)), 0};
}

std::optional<StatFields> parseStat(std::string_view line) {
    const auto open = line.find('(');
    const auto close = line.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    StatFields fields;
    fields.shortName = line.substr(open + 1, close - open - 1);

    // Fields after the name are numbered from 3 (the state); the ones wanted here are 14
    // (user ticks), 15 (system ticks), 22 (start time) and 24 (resident pages).
    std::string_view rest = line.substr(close + 1);
    int field = 2;
    int found = 0;
    while (found < 4) {
        const auto begin = rest.find_first_not_of(" \n");
        if (begin == std::string_view::npos)
            return std::nullopt;
        rest.remove_prefix(begin);
        const auto end = std::min(rest.find_first_of(" \n"), rest.size());
        const std::string_view token = rest.substr(0, end);
        rest.remove_prefix(end);
        ++field;
        std::uint64_t* target = field == 14   ? &fields.userTicks
                                : field == 15 ? &fields.systemTicks
                                : field == 22 ? &fields.startTicks
                                : field == 24 ? &fields.residentPages
                                              : nullptr;
        if (!target)
            continue;
        const auto value = parseInteger<std::uint64_t>(token);
        if (!value)
            return std::nullopt;
        *target = *value;
        ++found;
    }
    return fields;
}

std::optional<DiskBytes> parseIo(std::string_view text) {
    std::optional<std::uint64_t> read;
    std::optional<std::uint64_t> written;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, colon);
        std::string_view value = line.substr(colon + 1);
        value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
        if (key == "read_bytes")
            read = parseInteger<std::uint64_t>(value);
        else if (key == "write_bytes")
            written = parseInteger<std::uint64_t>(value);
    }
    if (!read || !written)
        return std::nullopt;
    return DiskBytes{*read, *written};
}

// The stat and io files kept open per process id, and which ids the last sample read.
struct ProcessTable::KeptFiles {
    struct Files {
        Descriptor stat;
        Descriptor io;
        std::uint64_t round = 0; // the listing round in which the files were last read
        // The round in which the io record could not be opened: another user's process (its io
        // record is refused to us), or a kernel without per-process storage accounting.
        std::optional<std::uint64_t> ioRefused;
    };
    using Entries = std::unordered_map<std::int32_t, Files>;

    Entries entries;
    std::size_t open = 0;
    std::size_t limit = 0;
    int lowestDescriptor = 0;
    std::uint64_t round = 0;
    std::optional<std::pair<dev_t, ino_t>> folder; // identity of the listed process folder

    bool mayKeep() const { return open < limit; }

    // Whether to try opening a process's io record now. One that could not be opened is tried
    // again only after a while, not on every sample: half of a desktop's processes belong to
    // other users, and the refusal does not change while the process lives, unless it gives
    // up its privileges.
    bool mayTryIo(const Files& kept) const {
        constexpr std::uint64_t retryRounds = 30;
        return !kept.ioRefused || round - *kept.ioRefused >= retryRounds;
    }

    void keep(Descriptor& slot, Descriptor file) {
        slot = placeAtOrAbove(std::move(file), lowestDescriptor);
        ++open;
    }

    void close(Descriptor& slot) {
        if (slot.valid()) {
            slot.reset();
            --open;
        }
    }

    Entries::iterator forget(Entries::iterator entry) {
        close(entry->second.stat);
        close(entry->second.io);
        return entries.erase(entry);
    }

    // Closes the files of ids the last round did not read, and starts a new round.
    void sweep() {
        for (auto entry = entries.begin(); entry != entries.end();)
            entry = entry->second.round == round ? std::next(entry) : forget(entry);
        ++round;
    }

    void clear() {
        for (auto entry = entries.begin(); entry != entries.end();)
            entry = forget(entry);
    }
};

ProcessTable::ProcessTable(const Roots& roots, std::optional<std::size_t> keptFilesLimit)
    : proc(roots.proc.toStdString()), kept(std::make_unique<KeptFiles>()) {
    if (keptFilesLimit) {
        kept->limit = *keptFilesLimit;
    } else {
        const auto limits = openFileLimits();
        const KeptFilesPolicy policy =
            keptFilesPolicy(limits ? std::optional(limits->soft) : std::nullopt);
        kept->limit = policy.limit;
        kept->lowestDescriptor = policy.lowestDescriptor;
    }
}

ProcessTable::~ProcessTable() = default;

std::size_t ProcessTable::keptFiles() const {
    return kept->open;
}

std::vector<std::int32_t> ProcessTable::pids() {
    std::vector<std::int32_t> result;
    const std::unique_ptr<DIR, DirectoryCloser> dir(::opendir(proc.c_str()));
    if (!dir)
        return result;
    // Kept files belong to one process folder; another one (a new mount, another tree)
    // starts afresh.
    struct stat info {};
    if (::fstat(::dirfd(dir.get()), &info) == 0) {
        const std::pair identity{info.st_dev, info.st_ino};
        if (kept->folder != identity)
            kept->clear();
        kept->folder = identity;
    }
    kept->sweep();
    result.reserve(512);
    while (const dirent* entry = ::readdir(dir.get()))
        if (const auto pid = processId(entry->d_name))
            result.push_back(*pid);
    return result;
}

std::optional<ProcessUsage> ProcessTable::usage(std::int32_t pid) {
    std::array<char, 4096> buffer;
    PathBuffer path;
    KeptFiles& files = *kept;

    // A kept stat file that no longer reads belonged to a process that has exited; whatever
    // holds the id now is opened afresh, and the old process's io file goes with it.
    auto entry = files.entries.find(pid);
    std::optional<std::string_view> line;
    if (entry != files.entries.end()) {
        line = readRecord(entry->second.stat, buffer);
        if (!line)
            entry = files.forget(entry);
    }
    if (!line) {
        if (!buildPath(path, proc, pid, "stat"))
            return std::nullopt;
        Descriptor file = openRecord(path.data());
        line = readRecord(file, buffer);
        if (!line)
            return std::nullopt;
        if (files.mayKeep()) {
            entry = files.entries.try_emplace(pid).first;
            files.keep(entry->second.stat, std::move(file));
        }
    }
    const auto stat = parseStat(*line);
    if (!stat)
        return std::nullopt;

    ProcessUsage usage;
    usage.cpuNanos = ticksToNanos(stat->userTicks + stat->systemTicks);
    usage.startTime = stat->startTicks;
    usage.residentBytes = stat->residentPages * pageSize();

    // The stat record has been consumed, so its buffer takes the io record.
    KeptFiles::Files* held = nullptr;
    if (entry != files.entries.end()) {
        entry->second.round = files.round;
        held = &entry->second;
    }
    std::optional<std::string_view> io;
    if (held && held->io.valid()) {
        io = readRecord(held->io, buffer);
        if (!io)
            files.close(held->io);
    }
    if (!io && (!held || files.mayTryIo(*held)) && buildPath(path, proc, pid, "io")) {
        Descriptor file = openRecord(path.data());
        if (held)
            held->ioRefused =
                file.valid() ? std::nullopt : std::optional<std::uint64_t>(files.round);
        io = readRecord(file, buffer);
        if (io && held && files.mayKeep())
            files.keep(held->io, std::move(file));
    }
    if (io)
        usage.disk = parseIo(*io);
    return usage;
}

QByteArray ProcessTable::shortName(std::int32_t pid) const {
    PathBuffer path;
    std::array<char, 256> buffer;
    if (!buildPath(path, proc, pid, "comm"))
        return {};
    auto text = readRecord(path.data(), buffer, Fit::whole);
    if (!text)
        return {};
    if (text->ends_with('\n'))
        text->remove_suffix(1);
    return bytes(*text);
}

QByteArray ProcessTable::firstArgument(std::int32_t pid) const {
    PathBuffer path;
    std::array<char, 4096> buffer;
    if (!buildPath(path, proc, pid, "cmdline"))
        return {};
    const auto text = readRecord(path.data(), buffer, Fit::prefix);
    if (!text)
        return {};
    const auto end = text->find('\0');
    // Without a terminating zero in a full buffer, argv[0] is longer than the buffer.
    if (end == std::string_view::npos && text->size() == buffer.size())
        return {};
    return bytes(text->substr(0, end));
}

QByteArray ProcessTable::executablePath(std::int32_t pid) const {
    PathBuffer path;
    std::array<char, 4096> target;
    if (!buildPath(path, proc, pid, "exe"))
        return {};
    const ssize_t length = ::readlink(path.data(), target.data(), target.size());
    if (length <= 0 || std::size_t(length) >= target.size())
        return {};
    std::string_view text(target.data(), std::size_t(length));
    constexpr std::string_view deleted = " (deleted)";
    if (text.ends_with(deleted))
        text.remove_suffix(deleted.size());
    return bytes(text);
}

std::uint64_t ProcessTable::ticksPerSecond() {
    static const std::uint64_t value = [] {
        const long hz = ::sysconf(_SC_CLK_TCK);
        return hz > 0 ? std::uint64_t(hz) : std::uint64_t(100);
    }();
    return value;
}

std::uint64_t ProcessTable::pageSize() {
    static const std::uint64_t value = [] {
        const long size = ::sysconf(_SC_PAGESIZE);
        return size > 0 ? std::uint64_t(size) : std::uint64_t(4096);
    }();
    return value;
}

} // namespace morvanex::platform
