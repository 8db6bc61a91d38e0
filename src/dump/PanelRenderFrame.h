#pragma once

#include "ui/kit/Palette.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

// How the --dump mode pictures one dropdown panel: the panel 340 points wide at its natural
// height on a rounded card, with a margin of backdrop around it, at scale 2.
namespace morvanex::dump {

constexpr int panelWidth = 340;
constexpr int framePadding = 20;
constexpr double cardRadius = 14;
constexpr double renderScale = 2;

// The card behind the panel: grey 0.17 in dark, 0.96 in light.
QColor panelCardColor(ui::Appearance appearance);
// The margin around the card: a night blue in dark, a pale sky blue in light.
QColor panelBackdropColor(ui::Appearance appearance);

// The height `content` wants at the panel width: its height for that width where it has one,
// else its size hint's.
int naturalHeight(const QWidget& content);

// Takes `content` (no parent yet) into a frame that is never put on screen, lays it out at the
// panel width and its natural height, and draws frame and panel at scale 2: (340 + 40) × 2
// pixels wide. The content goes with the frame. A null image when no bitmap could be made.
QImage renderPanelFrame(QWidget* content, ui::Appearance appearance);

// Lets every widget under `root` take its final geometry now, without running the event loop:
// pending layout requests are handled and each layout is activated, parents first.
void settleLayouts(QWidget& root);

} // namespace morvanex::dump
