#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <utility>
#include <vector>

class QWidget;

namespace morvanex::ui {

class Card;

// A card's label/value rows, in order.
using RowTexts = std::vector<std::pair<QString, QString>>;

// Adds one stat row without a dot for each label and value, below what `card` holds; returns
// `card`.
Card* addStatRows(Card* card, const RowTexts& rows, Appearance appearance);

// A card holding only those rows.
Card* statRowsCard(const RowTexts& rows, Appearance appearance);

// Sets the values of the stat rows under `root` in place; false (changing nothing) unless they
// are the same rows with the same labels in the same order.
bool updateRowValues(QWidget* root, const RowTexts& rows);

} // namespace morvanex::ui
