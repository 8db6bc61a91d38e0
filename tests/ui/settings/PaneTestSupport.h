#pragma once

#include "support/HubFixture.h"
#include "ui/kit/PanelEnv.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

namespace morvanex::test {

// The environment a settings window hands its panes, over a fixture hub; links are recorded
// instead of started.
inline ui::PanelEnv paneEnv(HubFixture& fixture, ui::Appearance appearance = ui::Appearance::light,
                            std::vector<platform::SystemLink>* opened = nullptr) {
    ui::PanelEnv env;
    env.hub = fixture.hub.get();
    env.settings = &fixture.settings;
    env.appearance = appearance;
    env.openLink = [opened](platform::SystemLink link) {
        if (opened)
            opened->push_back(link);
    };
    return env;
}

// Lets forms replaced by a click go (they are deleted from the event loop).
inline void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <typename T> T* child(QWidget* root, const QString& name) {
    return root->findChild<T*>(name);
}

// The first button whose text is `text`.
inline QAbstractButton* buttonWithText(QWidget* root, const QString& text) {
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// Every text a widget tree shows, for "is it there" checks.
QStringList shownTexts(QWidget* root);

// Renders the pane at device-pixel ratio 2 into a PNG; the image, or a null one on failure.
QImage renderPane(QWidget* pane, const QSize& size, const QString& path);

} // namespace morvanex::test
