#pragma once

#include <QString>

namespace morvanex::ui {

// Replaces the clipboard's contents with the text, as plain text.
void copyToClipboard(const QString& text);

} // namespace morvanex::ui
