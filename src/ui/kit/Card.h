#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <optional>

class QVBoxLayout;

namespace morvanex::ui {

class TextLine;

// A section of a panel: its children stacked at the leading edge on a faint rounded fill that
// spans the panel's width. No border, no shadow.
class Card : public QWidget {
    Q_OBJECT
public:
    Card(double spacing, Appearance appearance, QWidget* parent = nullptr);

    // Adds a child below the others; the card takes ownership.
    void add(QWidget* child);
    QVBoxLayout* body() const { return body_; }

    static constexpr double cornerRadius = 10;
    static constexpr double fillOpacity = 0.05;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* body_;
    Appearance appearance_;
};

// The first line of a card: a small grey title, an optional accessory right after it, and an
// optional trailing text at the far edge.
class CardHeader : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of `accessory` (may be null).
    CardHeader(const QString& title, const std::optional<QString>& trailing, QWidget* accessory,
               Appearance appearance, QWidget* parent = nullptr);

    TextLine* titleLine() const { return title_; }
    TextLine* trailingLine() const { return trailing_; } // null without a trailing text

private:
    TextLine* title_ = nullptr;
    TextLine* trailing_ = nullptr;
};

} // namespace morvanex::ui
