#include "base/ShownText.h"

namespace morvanex {

QString shownText(const QString& text, qsizetype limit) {
    if (text.size() <= limit)
        return text;
    qsizetype cut = limit;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

} // namespace morvanex
