#pragma once

#include "app/HotKeys.h"
#include "app/Hub.h"
#include "base/Config.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The live report of the --dump mode, assembled from a warmed-up hub.
namespace morvanex::dump {

// The combinations the probe tries: control-option-command C for the processor dropdown and
// command-space for settings, a pair the system or another program often holds already.
std::map<QString, HotKey> probeHotKeys();

// Registers the probe combinations on `center`, takes the "HotKeys  refused: [...]" line, then
// registers an empty table so that nothing stays grabbed. While registration is suspended
// only the table changes. The report's first line.
QString hotKeyProbe(HotKeyCenter& center);

// The report's lines from the insight to the threshold rules, in print order. `config` is the
// copy taken before the warm-up (its weather place, temperature unit and rules are used);
// `controllerOpen` tells whether the sensor controller's connection is open. Brings the sun
// and moon up to date for the weather's resolved place first; nothing else is changed.
QStringList reportLines(Hub& hub, const Config& config, bool controllerOpen, const QDateTime& now);

} // namespace morvanex::dump
