#include "ui/panels/LiveParts.h"

#include "ui/kit/PanelHeader.h"
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

} // namespace morvanex::ui
