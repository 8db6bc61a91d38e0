#pragma once

#include "ui/kit/BoolBinding.h"
#include "ui/kit/Palette.h"
#include "ui/kit/PreviewOverrides.h"

#include <QString>
#include <QWidget>
#include <optional>

class QVariantAnimation;

namespace morvanex::ui {

class SymbolIcon;
class TextLine;

// A section that opens and closes: a header line with the title, a summary while closed and a
// chevron that turns down while open, and the content below it while open. The open flag
// belongs to the caller (usually a stored panel key); a render can force every section open
// without touching the stored flag.
class DisclosureRow : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of `content`.
    DisclosureRow(const QString& title, const std::optional<QString>& summary, bool prominent,
                  bool separated, BoolBinding isExpanded, QWidget* content,
                  const PreviewOverrides& overrides, Appearance appearance,
                  QWidget* parent = nullptr);

    // Whether the section shows its content: the caller's flag, or forced open by a render.
    static bool expanded(bool isExpanded, const PreviewOverrides& overrides) {
        return isExpanded || overrides.expandDisclosures;
    }

    bool isExpanded() const;
    // Flips the caller's flag, as a click on the header does.
    void toggle();

    QWidget* header() const { return header_; }
    QWidget* content() const { return content_; }
    TextLine* summaryLine() const { return summary_; } // null without a summary
    SymbolIcon* chevron() const { return chevron_; }

    static constexpr int animationMs = 150;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sync(bool animated);

    BoolBinding binding_;
    PreviewOverrides overrides_;
    Appearance appearance_;
    bool prominent_;
    QWidget* header_ = nullptr;
    QWidget* content_ = nullptr;
    TextLine* summary_ = nullptr;
    SymbolIcon* chevron_ = nullptr;
    QVariantAnimation* turn_ = nullptr;
};

} // namespace morvanex::ui
