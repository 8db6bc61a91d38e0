#include "ui/tray/StatusLabel.h"

#include <QStringList>

namespace morvanex::ui {

namespace {

struct Pieces {
    QStringList label;
    QStringList guide;

    void add(const QString& text, const std::optional<QString>& widthTemplate) {
        if (!text.isEmpty())
            label.append(text);
        const QString& reserve = widthTemplate ? *widthTemplate : text;
        if (!reserve.isEmpty())
            guide.append(reserve);
    }

    void operator()(const MenuBarText& part) { add(part.text, part.widthTemplate); }
    void operator()(const MenuBarStacked& part) {
        add(part.first, part.widthTemplate);
        add(part.second, part.widthTemplate);
    }
    void operator()(const auto&) {}
};

} // namespace

StatusLabel statusLabel(const std::vector<MenuBarPart>& parts) {
    Pieces pieces;
    for (const MenuBarPart& part : parts)
        std::visit(pieces, part);
    return {pieces.label.join(QLatin1Char(' ')), pieces.guide.join(QLatin1Char(' '))};
}

} // namespace morvanex::ui
