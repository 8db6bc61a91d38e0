#include "platform/linux/ProcFiles.h"

#include "platform/Log.h"
#include "platform/ParseNumber.h"

#include <QList>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace morvanex::platform::procfiles {
namespace {

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

// These files put the number first and may follow it with a unit or more text.
template <typename T> std::optional<T> number(QByteArrayView text) {
    return parseInteger<T>(text, NumberText::leading);
}

} // namespace

std::optional<QByteArray> read(const QString& path) {
    const Fd file{::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        return std::nullopt;
    QByteArray out;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return out;
        out.append(buffer, got);
    }
}

std::optional<QByteArray> LoggedRead::read(const QString& path) {
    auto text = procfiles::read(path);
    if (text)
        failing_ = false;
    else if (!failing_.exchange(true))
        qCWarning(log::platform, "%s cannot be read: no %s until it can", qUtf8Printable(path),
                  lost_);
    return text;
}

std::optional<QByteArray> readLine(const QString& path) {
    const auto text = read(path);
    if (!text)
        return std::nullopt;
    const qsizetype end = text->indexOf('\n');
    return (end < 0 ? *text : text->left(end)).trimmed();
}

std::optional<std::int64_t> readInteger(const QString& path) {
    const auto line = readLine(path);
    if (!line)
        return std::nullopt;
    return number<std::int64_t>(*line);
}

qsizetype splitFields(QByteArrayView line, std::span<QByteArrayView> fields) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    };
    qsizetype count = 0;
    qsizetype at = 0;
    while (at < line.size()) {
        while (at < line.size() && blank(line[at]))
            ++at;
        if (at == line.size())
            break;
        const qsizetype start = at;
        while (at < line.size() && !blank(line[at]))
            ++at;
        if (std::size_t(count) < fields.size())
            fields[std::size_t(count)] = line.sliced(start, at - start);
        ++count;
    }
    return count;
}

QHash<QByteArray, std::uint64_t> keyValues(const QByteArray& text) {
    QHash<QByteArray, std::uint64_t> values;
    forEachLine(text, [&](QByteArrayView line) {
        std::array<QByteArrayView, 2> fields;
        if (splitFields(line, fields) < 2)
            return true;
        QByteArrayView key = fields[0];
        if (key.endsWith(':'))
            key.chop(1);
        if (const auto value = number<std::uint64_t>(fields[1]))
            values.insert(key.toByteArray(), *value);
        return true;
    });
    return values;
}

std::optional<std::set<int>> cpuList(const QByteArray& text) {
    std::set<int> cpus;
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return cpus;
    for (const QByteArray& part : trimmed.split(',')) {
        const qsizetype dash = part.indexOf('-');
        const auto first = number<int>(dash < 0 ? part : part.left(dash));
        const auto last = dash < 0 ? first : number<int>(part.mid(dash + 1));
        if (!first || !last || *first < 0 || *last < *first || *last - *first > 65536)
            return std::nullopt;
        for (int cpu = *first; cpu <= *last; ++cpu)
            cpus.insert(cpu);
    }
    return cpus;
}

} // namespace morvanex::platform::procfiles
