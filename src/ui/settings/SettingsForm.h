#pragma once

#include "ui/kit/Palette.h"
#include "ui/settings/PaneForm.h"

#include <QFrame>
#include <QScrollArea>
#include <QString>

class QLabel;
class QVBoxLayout;

namespace morvanex::ui {

// Text in one of the palette's colours at a pixel size, word-wrapped when asked.
QLabel* formLabel(const QString& text, double pixelSize, Tint tint, Appearance appearance,
                  QWidget* parent = nullptr, bool wrap = false);

// A pane's body: sections stacked top to bottom in a vertically scrolling area on the window
// background, in the pane's appearance.
class SettingsForm : public QScrollArea {
    Q_OBJECT
public:
    explicit SettingsForm(Appearance appearance, QWidget* parent = nullptr);

    FormSection* addSection(const QString& header = {});
    // Any other block (a preview, a caption) between sections.
    void addWidget(QWidget* widget);
    void finish(); // closes the form with a stretch
    QVBoxLayout* body() const { return body_; }

private:
    Appearance appearance_;
    QVBoxLayout* body_;
};

} // namespace morvanex::ui
