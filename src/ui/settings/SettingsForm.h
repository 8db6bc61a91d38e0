#pragma once

#include "ui/kit/Palette.h"

#include <QFrame>
#include <QScrollArea>
#include <QString>

class QLabel;
class QVBoxLayout;

namespace morvanex::ui {

// Text in one of the palette's colours at a pixel size, word-wrapped when asked.
QLabel* formLabel(const QString& text, double pixelSize, Tint tint, Appearance appearance,
                  QWidget* parent = nullptr, bool wrap = false);

// One group of a pane's form: an optional header above a rounded card of rows (a hairline
// between rows), an optional footer below it in the hint style.
class FormSection : public QWidget {
    Q_OBJECT
public:
    FormSection(const QString& header, Appearance appearance, QWidget* parent = nullptr);

    // A row holding `content` across the card.
    QWidget* addRow(QWidget* content);
    // A row with `label` at the leading edge and `content` at the trailing edge.
    QWidget* addLabeledRow(const QString& label, QWidget* content);
    // Hint text under the card (11 points, secondary).
    QLabel* setFooter(const QString& text);

    QVBoxLayout* rows() const { return rows_; }
    Appearance appearance() const { return appearance_; }

private:
    Appearance appearance_;
    QFrame* card_;
    QVBoxLayout* rows_;
    QVBoxLayout* outer_;
    QLabel* footer_ = nullptr;
};

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
