#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::platform {

// Bytes a process caused to be fetched from or sent to storage since it started.
struct DiskBytes {
    std::uint64_t read = 0;
    std::uint64_t written = 0;

    bool operator==(const DiskBytes&) const = default;
};

// One process's cumulative resource usage at one moment.
struct ProcessUsage {
    std::uint64_t cpuNanos = 0; // user + system processor time, in nanoseconds
    // When the process started, in clock ticks after boot. Two readings of one process id
    // with different start times belong to two different processes (the id was reused).
    std::uint64_t startTime = 0;
    // Resident set size. The cheapest footprint Linux offers: it comes with the same record
    // as the processor times, where a proportional or private figure would need smaps.
    std::uint64_t residentBytes = 0;
    // Absent when the io record cannot be read: another user's process, or one that exited
    // between the two reads.
    std::optional<DiskBytes> disk;

    bool operator==(const ProcessUsage&) const = default;
};

// The fields of a /proc/<pid>/stat line that the process table uses, in the kernel's units.
struct StatFields {
    std::string_view shortName; // the command name between the parentheses
    std::uint64_t userTicks = 0;
    std::uint64_t systemTicks = 0;
    std::uint64_t startTicks = 0;
    std::uint64_t residentPages = 0;
};

// Parses a stat line. The command name may hold spaces and parentheses, so the fields start
// after the LAST ")". Nothing for a line without the fields.
std::optional<StatFields> parseStat(std::string_view line);

// Parses an io record ("read_bytes: N" and "write_bytes: N" lines). Nothing when either is
// missing or malformed.
std::optional<DiskBytes> parseIo(std::string_view text);

// The processes of the machine as procfs shows them under roots.proc, read straight from
// the kernel with open/read into stack buffers: the monitor reads every process on every
// tick, so that path allocates nothing.
//
// Opening and closing a procfs file costs more than reading it, so the table keeps the stat
// and io files of the processes it reads open between reads and reads them again from the
// start. A kept file stays bound to the process it was opened for: once that process has
// exited, reading fails, and the id is opened afresh (whichever process holds it now). How
// many files it keeps follows the soft open-file limit (see keptFilesPolicy), so the rest of
// the application keeps its descriptors, and low ones.
// How many files the process table may keep open, and the lowest descriptor it puts them at.
struct KeptFilesPolicy {
    std::size_t limit = 0;
    int lowestDescriptor = 0;

    bool operator==(const KeptFilesPolicy&) const = default;
};

// For a soft open-file limit of at least 4096 (raised at start on most machines): a quarter of
// it, kept at descriptor 1024 and above, so the first 1024 stay free for code written for
// select(). Below that: a quarter, at most 512 files, wherever the kernel puts them. Unknown
// or unlimited: 512.
KeptFilesPolicy keptFilesPolicy(std::optional<std::uint64_t> softLimit);

class ProcessTable {
public:
    // The kernel keeps this many bytes of a command name; longer names are cut.
    static constexpr int shortNameLimit = 15;

    // keptFilesLimit: the most files kept open; by default keptFilesPolicy of the soft
    // open-file limit at construction.
    explicit ProcessTable(const Roots& roots = Roots::system(),
                          std::optional<std::size_t> keptFilesLimit = std::nullopt);
    ~ProcessTable();
    ProcessTable(const ProcessTable&) = delete;
    ProcessTable& operator=(const ProcessTable&) = delete;

    // The process ids (numeric entries of the process folder) in the order the kernel lists
    // them; empty when the folder cannot be read. Each listing closes the files of processes
    // not read since the previous listing, and all of them when the folder is another one.
    std::vector<std::int32_t> pids();

    // Processor time, start time and resident size from stat, storage bytes from io.
    // Nothing when stat cannot be read or parsed (the process has gone).
    std::optional<ProcessUsage> usage(std::int32_t pid);

    // The kernel's command name (comm), at most shortNameLimit bytes; empty when unreadable.
    QByteArray shortName(std::int32_t pid) const;

    // The first word of the command line (argv[0]); empty for kernel threads and on error.
    QByteArray firstArgument(std::int32_t pid) const;

    // Where the executable lives (the exe link), without the " (deleted)" mark the kernel
    // appends once the file was removed or replaced; empty when unreadable.
    QByteArray executablePath(std::int32_t pid) const;

    // How many files the table keeps open now.
    std::size_t keptFiles() const;

    // Units of the raw records, for callers converting them.
    static std::uint64_t ticksPerSecond();
    static std::uint64_t pageSize();

private:
    struct KeptFiles;

    std::string proc; // roots.proc as file-system bytes
    std::unique_ptr<KeptFiles> kept;
};

} // namespace morvanex::platform
