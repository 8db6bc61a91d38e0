#include "agents/McpText.h"

namespace morvanex::mcp {

QString text(const QString& value) {
    if (value.isValidUtf16())
        return value;
    QString repaired;
    repaired.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
            repaired.append(c);
            repaired.append(value.at(++i));
        } else if (c.isSurrogate()) {
            repaired.append(QChar::ReplacementCharacter);
        } else {
            repaired.append(c);
        }
    }
    return repaired;
}

QString decoded(const QByteArray& bytes) {
    return QString::fromUtf8(bytes);
}

} // namespace morvanex::mcp
