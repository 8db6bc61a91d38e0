#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <optional>

namespace morvanex::ui {

class TextLine;

// The top line of every panel: a coloured icon tile, the title with an optional subtitle under
// it, and a trailing view (usually a HeroValue) held at the trailing edge.
class PanelHeader : public QWidget {
    Q_OBJECT
public:
    // The header takes ownership of `trailing` (may be null).
    PanelHeader(const QString& icon, Tint tint, const QString& title,
                const std::optional<QString>& subtitle, QWidget* trailing, Appearance appearance,
                QWidget* parent = nullptr);

    TextLine* titleLine() const { return title_; }
    TextLine* subtitleLine() const { return subtitle_; } // null without a subtitle

private:
    TextLine* title_ = nullptr;
    TextLine* subtitle_ = nullptr;
};

} // namespace morvanex::ui
