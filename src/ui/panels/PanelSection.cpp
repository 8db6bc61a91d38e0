#include "ui/panels/PanelSection.h"

#include <QBoxLayout>

namespace morvanex::ui {

PanelSection::PanelSection(QWidget* parent) : QWidget(parent), column_(new QVBoxLayout(this)) {
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    setVisible(false);
}

void PanelSection::setContent(QWidget* content) {
    if (content_) {
        column_->removeWidget(content_);
        // Out of the tree at once, so a look at the panel finds only the new content.
        content_->hide();
        content_->setParent(nullptr);
        content_->deleteLater();
    }
    content_ = content;
    if (content_)
        column_->addWidget(content_);
    setVisible(content_ != nullptr);
}

} // namespace morvanex::ui
