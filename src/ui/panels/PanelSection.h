#pragma once

#include <QWidget>
#include <optional>
#include <utility>

class QVBoxLayout;

namespace morvanex::ui {

// A fixed place in a panel's column whose content is replaced when what it shows changes.
// Empty, it is hidden and takes no room or spacing in the column.
class PanelSection : public QWidget {
public:
    explicit PanelSection(QWidget* parent = nullptr);

    // Replaces the content (the section takes ownership; null empties it). The old content
    // goes at the next turn of the event loop, so a click handler inside it may finish.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }

private:
    QVBoxLayout* column_;
    QWidget* content_ = nullptr;
};

// The last value a section was built from: a rebuild is due only when the new value differs,
// so what a view holds between ticks (a copy button's check mark, a running animation) stays.
template <typename Model> class LastBuilt {
public:
    // Remembers `model`; true when it differs from the last one (or there was none).
    bool changed(const Model& model) {
        if (last_ && *last_ == model)
            return false;
        last_ = model;
        return true;
    }
    void reset() { last_.reset(); }

private:
    std::optional<Model> last_;
};

} // namespace morvanex::ui
