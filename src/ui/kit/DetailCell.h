#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <optional>

namespace morvanex::ui {

class TextLine;

// A small grid cell: a grey label over its value; a missing value reads "—". It takes the
// width its row offers, so the cells of one grid row share it.
class DetailCell : public QWidget {
    Q_OBJECT
public:
    DetailCell(const QString& label, const std::optional<QString>& value, Appearance appearance,
               QWidget* parent = nullptr);

    // What the value line shows.
    static QString shown(const std::optional<QString>& value);

    // The value as shown ("—" when absent).
    QString valueText() const;

    TextLine* labelLine() const { return label_; }
    TextLine* valueLine() const { return value_; }

private:
    TextLine* label_ = nullptr;
    TextLine* value_ = nullptr;
};

} // namespace morvanex::ui
