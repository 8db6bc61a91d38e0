#include "platform/linux/MountTable.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QList>

namespace morvanex::platform {
namespace {

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

QStringList options(const QByteArray& field) {
    QStringList list;
    for (const QByteArray& option : field.split(','))
        if (!option.isEmpty())
            list.append(unescapeMountField(option));
    return list;
}

std::optional<MountEntry> parseLine(const QByteArray& line) {
    // id parent major:minor root mount-point options [optional fields...] - type source super
    const QList<QByteArray> fields = line.split(' ');
    const qsizetype separator = fields.indexOf(QByteArrayLiteral("-"), 6);
    if (fields.size() < 7 || separator < 0 || fields.size() < separator + 3)
        return std::nullopt;
    MountEntry entry;
    const auto id = parseInteger<int>(fields[0]);
    const auto parent = parseInteger<int>(fields[1]);
    const qsizetype colon = fields[2].indexOf(':');
    if (!id || !parent || colon < 0)
        return std::nullopt;
    const auto major = parseInteger<std::uint32_t>(fields[2].left(colon));
    const auto minor = parseInteger<std::uint32_t>(fields[2].mid(colon + 1));
    if (!major || !minor)
        return std::nullopt;
    entry.id = *id;
    entry.parentId = *parent;
    entry.major = *major;
    entry.minor = *minor;
    entry.root = unescapeMountField(fields[3]);
    entry.mountPoint = unescapeMountField(fields[4]);
    entry.mountOptions = options(fields[5]);
    entry.fsType = unescapeMountField(fields[separator + 1]);
    entry.source = unescapeMountField(fields[separator + 2]);
    if (fields.size() > separator + 3)
        entry.superOptions = options(fields[separator + 3]);
    if (entry.mountPoint.isEmpty() || entry.fsType.isEmpty())
        return std::nullopt;
    return entry;
}

} // namespace

QString unescapeMountField(const QByteArray& field) {
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 0xFF) {
                bytes.append(char(value));
                i += 3;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return QString::fromUtf8(bytes);
}

std::vector<MountEntry> parseMountInfo(const QByteArray& text) {
    std::vector<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        if (const auto entry = parseLine(line.trimmed()))
            entries.push_back(*entry);
    }
    return entries;
}

std::optional<std::vector<MountEntry>> readMountTable(const Roots& roots) {
    static procfiles::LoggedRead file("volume list");
    const auto text = file.read(roots.proc + QStringLiteral("/self/mountinfo"));
    if (!text)
        return std::nullopt;
    return parseMountInfo(*text);
}

} // namespace morvanex::platform
