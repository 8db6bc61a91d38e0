#pragma once

#include "ui/kit/Palette.h"

#include <QFont>
#include <QScrollArea>
#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QVBoxLayout;

namespace morvanex {
struct Config;
class AppSettings;
} // namespace morvanex

// The grouped form every settings pane is made of: sections stacked down a scrolling column,
// each with an optional header above, its rows on a rounded fill with hairlines between them,
// and an optional footer below.
namespace morvanex::ui {

// Text in the pinned font at a size in points, in a named colour. Wrapping texts take the
// width they are given and grow in height.
QLabel* formText(const QString& text, double pixelSize, Tint tint, Appearance appearance,
                 QFont::Weight weight = QFont::Normal, bool wrap = false);

// The window's colours for the stock controls (fields, buttons, switches, pickers) in the
// appearance, set on `widget` and inherited by its children.
void applyFormPalette(QWidget* widget, Appearance appearance);

class FormSection : public QWidget {
    Q_OBJECT
public:
    FormSection(const QString& header, Appearance appearance, QWidget* parent = nullptr);

    // Adds a row below the others; the section owns it. Returns the row's frame.
    QWidget* addRow(QWidget* content);
    // A title at the leading edge and `trailing` (owned) at the trailing edge.
    QWidget* addLabeledRow(const QString& label, QWidget* trailing);
    // The small secondary text under the fill (replaces an earlier one).
    QLabel* setFooter(const QString& text);

    int rowCount() const;
    QLabel* header() const { return header_; }
    QLabel* footer() const { return footer_; }
    Appearance appearance() const { return appearance_; }

private:
    class Box;
    Appearance appearance_;
    QLabel* header_ = nullptr;
    QLabel* footer_ = nullptr;
    Box* box_ = nullptr;
    QVBoxLayout* column_ = nullptr;
};

class PaneForm : public QScrollArea {
    Q_OBJECT
public:
    explicit PaneForm(Appearance appearance, QWidget* parent = nullptr);

    FormSection* addSection(const QString& header = {});
    // A part that builds its own sections (owned), below the others.
    void addWidget(QWidget* part);
    Appearance appearance() const { return appearance_; }

private:
    Appearance appearance_;
    QVBoxLayout* sections_ = nullptr;
};

// A holder that shows one form at a time: each rebuild puts a fresh form in place of the old
// one, which leaves the tree at once and is deleted from the event loop (a control of the old
// form may be the one whose signal asked for the rebuild).
class FormHost : public QWidget {
    Q_OBJECT
public:
    FormHost(Appearance appearance, QWidget* parent = nullptr);

    // A new, empty form in place of the current one; keeps the scroll position.
    PaneForm* replaceForm();
    PaneForm* form() const { return form_; }
    Appearance appearance() const { return appearance_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Appearance appearance_;
    PaneForm* form_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
};

// A form host filling the whole of `pane`: how every pane holds its form.
FormHost* fillWithFormHost(QWidget* pane, Appearance appearance);

// A pane's settings edits and the rebuilds they cause: a form host filling `pane` that is rebuilt
// after every change of the settings, except the pane's own edits made without a redraw (a field
// being typed in keeps its focus).
class PaneEditor {
public:
    PaneEditor(QWidget* pane, AppSettings& settings, Appearance appearance,
               std::function<void()> rebuild);

    // Writes the whole record through the settings holder; redraws the pane only when asked.
    void edit(const std::function<void(Config&)>& change, bool redraw);
    FormHost* host() const { return host_; }

private:
    AppSettings& settings_;
    FormHost* host_;
    bool quiet_ = false;
};

} // namespace morvanex::ui
