#pragma once

#include <QString>
#include <optional>

namespace morvanex {

// The marketing name of an iPhone, iPad or iPod touch model code ("iPhone15,2" gives
// "iPhone 14 Pro"); nothing for a code the table does not know.
std::optional<QString> deviceModelName(const QString& productType);

} // namespace morvanex
