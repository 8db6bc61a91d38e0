#include "ui/panels/SectionStack.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "ui/kit/Card.h"
#include "ui/kit/HistoryGraph.h"

#include <QApplication>
#include <QBoxLayout>
#include <QLoggingCategory>
#include <algorithm>

Q_LOGGING_CATEGORY(lcSections, "morvanex.ui.sections")

namespace morvanex::ui {
namespace {

// Out of the tree at once, so a look at the panel finds only what it shows now; deleted once
// control is back in the event loop, as the click that led here may be running inside it.
void retire(QWidget* widget) {
    if (!widget)
        return;
    widget->hide();
    widget->setParent(nullptr);
    widget->deleteLater();
}

QVBoxLayout* box(QWidget* parent) {
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

} // namespace

void clearLayout(QVBoxLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget())
            retire(widget);
        delete item;
    }
}

SectionStack::SectionStack(QWidget* panel, int spacing)
    : panel_(panel), column_(new QVBoxLayout(panel)) {
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(spacing);
    column_->setAlignment(Qt::AlignTop);
}

void SectionStack::rebuild(const std::function<void()>& build) {
    placed_.clear();
    sections_.clear();
    build();
    for (auto it = slots_.begin(); it != slots_.end();) {
        if (std::find(placed_.begin(), placed_.end(), it->first) == placed_.end()) {
            retire(it->second.widget);
            it = slots_.erase(it);
        } else {
            ++it;
        }
    }
    placed_.clear();
    relayout();
}

void SectionStack::relayout() {
    // Only a changed sequence touches the column: an unchanged one costs no layout pass.
    std::vector<QWidget*> now;
    for (int i = 0; i < column_->count(); ++i)
        now.push_back(column_->itemAt(i)->widget());
    if (now == sections_)
        return;
    while (QLayoutItem* item = column_->takeAt(0))
        delete item;
    for (QWidget* widget : sections_)
        column_->addWidget(widget);
}

void SectionStack::follow(Hub& hub, AppSettings* settings, std::function<void()> build) {
    build_ = std::move(build);
    QObject::connect(&hub, &Hub::changed, panel_, [this] { refresh(); });
    if (settings)
        settings->addObserver(panel_, [this](const Config&, const Config&) { refresh(); });
    rebuild(build_);
}

void SectionStack::refresh() {
    // Replacing a section under an open menu would pull its row away while the user chooses.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    rebuild(build_);
}

SectionStack::Slot* SectionStack::placedSlot(const QString& key) {
    if (std::find(placed_.begin(), placed_.end(), key) != placed_.end()) {
        qCWarning(lcSections) << "section placed twice in one pass:" << key;
        return nullptr;
    }
    placed_.push_back(key);
    return &slots_[key];
}

QWidget* SectionStack::place(const QString& key, const ShownModel& model,
                             const std::function<QWidget*()>& make,
                             const std::function<bool(QWidget*)>& update) {
    Slot* slot = placedSlot(key);
    if (!slot) {
        QWidget* stray = make();
        retire(stray);
        return stray;
    }
    if (slot->made && !slot->isGraph && slot->model == model) {
        if (slot->widget)
            sections_.push_back(slot->widget);
        return slot->widget;
    }
    if (slot->widget && !slot->isGraph && update && slot->model.sameType(model) &&
        update(slot->widget)) {
        ++updates_;
    } else {
        retire(slot->widget);
        slot->widget = make();
        slot->isGraph = false;
        slot->made = true;
        ++builds_;
    }
    slot->model = model;
    // A maker may decline (a card with nothing to show): the place stays empty.
    if (slot->widget)
        sections_.push_back(slot->widget);
    return slot->widget;
}

SectionStack::GraphCard
SectionStack::placeGraph(const QString& key, double spacing, Appearance appearance,
                         const std::function<HistoryGraph*(QWidget* parent)>& makeGraph,
                         const ShownModel& model, const std::function<void(const GraphCard&)>& fill,
                         const std::function<bool(const GraphCard&)>& update) {
    Slot* slot = placedSlot(key);
    if (!slot)
        return {};
    if (!slot->widget || !slot->isGraph) {
        retire(slot->widget);
        auto* card = new Card(spacing, appearance, panel_);
        slot->beforeBox = new QWidget(card);
        slot->parts.before = box(slot->beforeBox);
        slot->parts.before->setSpacing(card->body()->spacing());
        card->add(slot->beforeBox);
        slot->parts.graph = makeGraph(card);
        card->add(slot->parts.graph);
        slot->afterBox = new QWidget(card);
        slot->parts.after = box(slot->afterBox);
        slot->parts.after->setSpacing(card->body()->spacing());
        card->add(slot->afterBox);
        slot->parts.card = card;
        slot->widget = card;
        slot->isGraph = true;
        slot->made = true;
        slot->model = ShownModel();
    }
    sections_.push_back(slot->widget);
    if (slot->model == model)
        return slot->parts;
    if (update && slot->model.sameType(model) && update(slot->parts)) {
        ++updates_;
    } else {
        clearLayout(slot->parts.before);
        clearLayout(slot->parts.after);
        fill(slot->parts);
        ++builds_;
    }
    slot->model = model;
    slot->beforeBox->setVisible(slot->parts.before->count() > 0);
    slot->afterBox->setVisible(slot->parts.after->count() > 0);
    return slot->parts;
}

} // namespace morvanex::ui
