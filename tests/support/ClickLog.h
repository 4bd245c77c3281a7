#pragma once

// Records the names of the components whose notify events reach it: bind a menu item's
// OnClick (or any notify event) to Clicked.

#include "platform/rtl/Component.h"

#include <string>
#include <vector>

namespace testsupport {

class TClickLog : public rtl::TObject {
public:
    void Clicked(rtl::TObject* sender)
    {
        const auto* component = dynamic_cast<rtl::TComponent*>(sender);
        names.push_back(component ? component->GetName() : std::string("?"));
    }
    std::vector<std::string> names;
};

} // namespace testsupport
