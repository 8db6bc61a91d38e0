#pragma once

#include <functional>

namespace morvanex::ui {

// How the application shows itself. accessory: only the status items (how it starts); regular:
// the settings window is up as a normal window with the main menu as its menu bar.
enum class ActivationPolicy { accessory, regular };

// The one place that knows the current policy. Whoever shows the settings window makes it
// regular; closing that window, and the end of an update session without it, make it
// accessory. The application wires onChange to what each policy shows.
class ApplicationPolicy {
public:
    ActivationPolicy policy() const { return policy_; }
    // Calls onChange only when the policy really changes.
    void setPolicy(ActivationPolicy policy);
    // Brings the application's windows in front of other applications' (onActivate).
    void activate();

    std::function<void(ActivationPolicy policy)> onChange;
    std::function<void()> onActivate;

private:
    ActivationPolicy policy_ = ActivationPolicy::accessory;
};

} // namespace morvanex::ui
