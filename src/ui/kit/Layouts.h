#pragma once

#include <QBoxLayout>
#include <QSpacerItem>

namespace morvanex::ui {

// A space that takes whatever width is left, but never less than `minimum`.
inline void addFlexibleSpace(QBoxLayout* layout, int minimum) {
    layout->addItem(new QSpacerItem(minimum, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
}

} // namespace morvanex::ui
