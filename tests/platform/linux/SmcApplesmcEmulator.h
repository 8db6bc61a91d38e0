#pragma once

// A stand-in for the applesmc driver's key interface, for tests: a key table (from a fixture's
// keys.txt: key, type and value bytes in hex, one key a line, in fixed columns because types
// such as "ui8 " end in a blank) served through key_count, key_at_index and the key_at_index_*
// files the way the driver serves them.

#include "platform/linux/SmcApplesmcTransport.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <map>
#include <memory>
#include <vector>

namespace morvanex::test {

struct ApplesmcKey {
    QByteArray name;
    QByteArray type;
    QByteArray value;
};

inline std::vector<ApplesmcKey> loadApplesmcKeys(const QString& path) {
    std::vector<ApplesmcKey> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.size() < 10)
            continue;
        keys.push_back({line.left(4), line.mid(5, 4), QByteArray::fromHex(line.mid(10).trimmed())});
    }
    return keys;
}

struct ApplesmcState {
    std::vector<ApplesmcKey> keys;
    std::size_t selected = 0;
    std::map<QString, int> reads; // by attribute
    int selections = 0;
    bool writable = true;
};

class ApplesmcEmulator final : public platform::ApplesmcPort {
public:
    explicit ApplesmcEmulator(std::shared_ptr<ApplesmcState> state) : state_(std::move(state)) {}

    std::optional<QByteArray> read(const QString& attribute) override {
        ++state_->reads[attribute];
        const auto& keys = state_->keys;
        if (attribute == QLatin1String("key_count"))
            return QByteArray::number(qulonglong(keys.size())) + '\n';
        if (attribute == QLatin1String("key_at_index"))
            return QByteArray::number(qulonglong(state_->selected)) + '\n';
        if (state_->selected >= keys.size())
            return std::nullopt;
        const ApplesmcKey& key = keys[state_->selected];
        if (attribute == QLatin1String("key_at_index_name"))
            return key.name + '\n';
        if (attribute == QLatin1String("key_at_index_type"))
            return key.type + '\n';
        if (attribute == QLatin1String("key_at_index_data_length"))
            return QByteArray::number(qsizetype(key.value.size())) + '\n';
        if (attribute == QLatin1String("key_at_index_data"))
            return key.value;
        return std::nullopt;
    }

    bool write(const QString& attribute, const QByteArray& text) override {
        if (attribute != QLatin1String("key_at_index") || !state_->writable)
            return false;
        bool ok = false;
        const qulonglong index = text.trimmed().toULongLong(&ok);
        if (!ok || index >= state_->keys.size())
            return false; // the driver answers EINVAL
        state_->selected = std::size_t(index);
        ++state_->selections;
        return true;
    }

private:
    std::shared_ptr<ApplesmcState> state_;
};

} // namespace morvanex::test
