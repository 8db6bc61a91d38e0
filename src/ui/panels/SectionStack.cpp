#include "ui/panels/SectionStack.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "ui/kit/Card.h"
#include "ui/kit/HistoryGraph.h"

#include <QApplication>
#include <QBoxLayout>

namespace morvanex::ui {
namespace {

void retire(QWidget* widget) {
    widget->hide();
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

SectionStack::SectionStack(QWidget* panel) : panel_(panel), column_(new QVBoxLayout(panel)) {
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(8);
    column_->setAlignment(Qt::AlignTop);
}

void SectionStack::rebuild(const std::function<void()>& build) {
    ++rebuilds_;
    std::vector<QWidget*> old = std::move(sections_);
    sections_.clear();
    while (QLayoutItem* item = column_->takeAt(0))
        delete item;
    keptNow_.clear();
    build();
    for (QWidget* widget : old) {
        bool stays = false;
        for (const auto& [key, kept] : keptNow_)
            stays = stays || kept.parts.card == widget;
        if (!stays)
            retire(widget);
    }
    for (auto& [key, kept] : keptNow_) {
        kept.beforeBox->setVisible(kept.parts.before->count() > 0);
        kept.afterBox->setVisible(kept.parts.after->count() > 0);
    }
    kept_ = std::move(keptNow_);
    keptNow_.clear();
}

void SectionStack::follow(Hub& hub, AppSettings* settings, std::function<void()> build) {
    build_ = std::move(build);
    QObject::connect(&hub, &Hub::changed, panel_, [this] { refresh(); });
    if (settings)
        settings->addObserver(panel_, [this](const Config&, const Config&) { refresh(); });
    rebuild(build_);
}

void SectionStack::refresh() {
    // Rebuilding under an open menu would pull its row away while the user chooses.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    rebuild(build_);
}

void SectionStack::add(QWidget* section) {
    sections_.push_back(section);
    column_->addWidget(section);
}

SectionStack::GraphCard
SectionStack::graphCard(const QString& key, double spacing, Appearance appearance,
                        const std::function<HistoryGraph*(QWidget* parent)>& makeGraph) {
    auto found = kept_.find(key);
    Kept kept;
    if (found != kept_.end() && found->second.parts.card) {
        kept = found->second;
        kept_.erase(found);
        clearLayout(kept.parts.before);
        clearLayout(kept.parts.after);
    } else {
        auto* card = new Card(spacing, appearance, panel_);
        kept.beforeBox = new QWidget(card);
        kept.parts.before = box(kept.beforeBox);
        kept.parts.before->setSpacing(card->body()->spacing());
        card->add(kept.beforeBox);
        kept.parts.graph = makeGraph(card);
        card->add(kept.parts.graph);
        kept.afterBox = new QWidget(card);
        kept.parts.after = box(kept.afterBox);
        kept.parts.after->setSpacing(card->body()->spacing());
        card->add(kept.afterBox);
        kept.parts.card = card;
    }
    keptNow_[key] = kept;
    add(kept.parts.card);
    return kept.parts;
}

} // namespace morvanex::ui
