#pragma once

#include "ui/kit/Palette.h"
#include "ui/kit/TextLine.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <utility>

namespace morvanex::ui {

class Dot;

// One label/value line of a card: an optional colour dot, the grey label, and the value view
// at the trailing edge. At least 19 high.
class StatRow : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of `value` (may be null).
    StatRow(const QString& label, std::optional<Tint> dotColor, QWidget* value,
            Appearance appearance, QWidget* parent = nullptr);

    TextLine* labelLine() const { return label_; }
    Dot* dot() const { return dot_; } // null without a colour

    static constexpr int minimumHeight = 19;

    // Widths for the label and the value when both do not fit in `available`: the narrower
    // one keeps its width when that is at most half, the other one takes the rest; otherwise
    // each gets half. Both whole when they fit.
    static std::pair<int, int> share(int available, int label, int value);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void fit();

    TextLine* label_ = nullptr;
    Dot* dot_ = nullptr;
    QWidget* value_ = nullptr;
    bool fitting_ = false;
};

// A row's value text: medium weight, shortened in the middle when it does not fit (an address
// keeps its beginning and its end), and selectable so it can be copied.
class StatValue : public TextLine {
    Q_OBJECT
public:
    StatValue(const QString& text, Appearance appearance, QWidget* parent = nullptr);
};

} // namespace morvanex::ui
