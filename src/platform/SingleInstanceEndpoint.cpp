#include "platform/SingleInstanceEndpoint.h"

namespace morvanex::platform {

void SingleInstanceEndpoint::ShowSettings() {
    if (showSettings_)
        showSettings_();
}

} // namespace morvanex::platform
