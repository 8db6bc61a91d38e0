#include "ui/panels/LiveParts.h"

#include "ui/kit/PanelHeader.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/TextLine.h"

namespace morvanex::ui {

PanelHeader* makeHeader(const QString& icon, Tint tint, const QString& title,
                        const HeaderModel& model, Appearance appearance) {
    return new PanelHeader(icon, tint, title, model.subtitle, new HeroValue(model.hero, appearance),
                           appearance);
}

bool updateHeader(PanelHeader* header, const HeaderModel& model) {
    auto* hero = header->findChild<HeroValue*>();
    if (!hero || model.subtitle.has_value() != (header->subtitleLine() != nullptr))
        return false;
    if (model.subtitle)
        header->subtitleLine()->setFullText(*model.subtitle);
    hero->setContent(model.hero);
    return true;
}

bool updateRowValues(QWidget* root, const RowTexts& rows) {
    const QList<StatRow*> found = root->findChildren<StatRow*>();
    if (std::size_t(found.size()) != rows.size())
        return false;
    std::vector<StatValue*> values;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* value = found[qsizetype(i)]->findChild<StatValue*>();
        if (!value || found[qsizetype(i)]->labelLine()->fullText() != rows[i].first)
            return false;
        values.push_back(value);
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        values[i]->setFullText(rows[i].second);
    return true;
}

} // namespace morvanex::ui
