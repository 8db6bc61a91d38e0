#include "ui/kit/StatRows.h"

#include "ui/kit/Card.h"
#include "ui/kit/StatRow.h"

#include <optional>

namespace morvanex::ui {

Card* addStatRows(Card* card, const RowTexts& rows, Appearance appearance) {
    for (const auto& [label, value] : rows)
        card->add(new StatRow(label, std::nullopt, new StatValue(value, appearance), appearance));
    return card;
}

Card* statRowsCard(const RowTexts& rows, Appearance appearance) {
    return addStatRows(new Card(5, appearance), rows, appearance);
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
