#pragma once

#include "ui/kit/StatRow.h"
#include "ui/kit/TextLine.h"

#include <QCoreApplication>
#include <QStringList>
#include <QWidget>
#include <utility>
#include <vector>

// Reading what a panel shows, for the panel tests.
namespace morvanex::test {

// Every text line under `root`, in creation order.
inline QStringList texts(const QWidget* root) {
    QStringList all;
    if (!root)
        return all;
    for (const ui::TextLine* line : root->findChildren<ui::TextLine*>())
        all << line->fullText();
    return all;
}

// Each stat row under `root` as its label and its value texts joined by " ".
inline std::vector<std::pair<QString, QString>> rows(const QWidget* root) {
    std::vector<std::pair<QString, QString>> all;
    if (!root)
        return all;
    for (const ui::StatRow* row : root->findChildren<ui::StatRow*>()) {
        QStringList values;
        for (const ui::TextLine* line : row->findChildren<ui::TextLine*>())
            if (line != row->labelLine())
                values << line->fullText();
        all.emplace_back(row->labelLine()->fullText(), values.join(' '));
    }
    return all;
}

inline QStringList rowLabels(const QWidget* root) {
    QStringList labels;
    for (const auto& [label, value] : rows(root))
        labels << label;
    return labels;
}

// The value of the first row with this label; "<none>" when there is none.
inline QString rowValue(const QWidget* root, const QString& label) {
    for (const auto& [l, value] : rows(root))
        if (l == label)
            return value;
    return QStringLiteral("<none>");
}

// Lets replaced sections go.
inline void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace morvanex::test
