#include "ui/tray/ApplicationPolicy.h"

namespace morvanex::ui {

void ApplicationPolicy::setPolicy(ActivationPolicy policy) {
    if (policy == policy_)
        return;
    policy_ = policy;
    if (onChange)
        onChange(policy);
}

void ApplicationPolicy::activate() {
    if (onActivate)
        onActivate();
}

} // namespace morvanex::ui
