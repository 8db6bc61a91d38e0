#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <atomic>
#include <cstdint>
#include <optional>
#include <set>
#include <span>

// Small readers for the text files of /proc and /sys.
namespace morvanex::platform::procfiles {

// The whole file (pseudo files report size 0, so it is read until end of file); nothing when
// it cannot be opened or read.
std::optional<QByteArray> read(const QString& path);

// The first line without its line end, trimmed; nothing when the file cannot be read.
std::optional<QByteArray> readLine(const QString& path);

// A file read on every tick whose failure is worth knowing. The failure is logged when it
// starts and again only after a good read in between, so a lasting one is said once. Kept in
// a static, one per file; safe from any thread.
class LoggedRead {
public:
    // `lost`: what goes missing while the file cannot be read ("processor use").
    explicit LoggedRead(const char* lost) : lost_(lost) {}
    LoggedRead(const LoggedRead&) = delete;
    LoggedRead& operator=(const LoggedRead&) = delete;

    // As read(path).
    std::optional<QByteArray> read(const QString& path);

private:
    const char* const lost_;
    std::atomic<bool> failing_ = false;
};

// Calls `visit` with each line of `text` (without its line end) until it returns false. Views
// into the text, no copies: some files read on every tick are long (the interrupt counts in
// /proc/stat run to thousands of numbers).
template <typename Visit> void forEachLine(QByteArrayView text, Visit&& visit) {
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        const QByteArrayView line = end < 0 ? text : text.first(end);
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        if (!visit(line))
            return;
    }
}

// The fields of a line separated by runs of blanks (spaces, tabs), as views into it: the first
// `fields.size()` are stored; the count returned is of all of them.
qsizetype splitFields(QByteArrayView line, std::span<QByteArrayView> fields);

// A whole number from a one-value file such as /sys/.../core_id.
std::optional<std::int64_t> readInteger(const QString& path);

// "Key:   value [kB]" lines (/proc/meminfo) or "key value" lines (/proc/vmstat): each key with
// its first number. Lines that do not parse are skipped.
QHash<QByteArray, std::uint64_t> keyValues(const QByteArray& text);

// A kernel CPU list such as "0-3,8,10-11"; nothing when it does not parse.
std::optional<std::set<int>> cpuList(const QByteArray& text);

} // namespace morvanex::platform::procfiles
