#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace morvanex::ui {

class PanelDefaults;

// A flag that a view shows and changes but does not own: reading it, writing it, and hearing
// about changes made elsewhere (another view bound to the same stored key).
struct BoolBinding {
    std::function<bool()> get;
    std::function<void(bool)> set;
    // Calls `onChange` after each change, for as long as `context` lives.
    std::function<void(QObject* context, std::function<void()> onChange)> observe;

    // A flag kept in the stored panel state under `key` (absent: `fallback`).
    static BoolBinding stored(PanelDefaults& defaults, const QString& key, bool fallback = false);
    // A flag of its own, starting at `initial`, for views whose state is not kept.
    static BoolBinding local(bool initial = false);
};

} // namespace morvanex::ui
