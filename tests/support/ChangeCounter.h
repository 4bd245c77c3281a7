#pragma once

// Counts the change events of a value object: bind its change event to Changed.

#include "platform/rtl/Object.h"

namespace testsupport {

class TChangeCounter : public rtl::TObject {
public:
    void Changed(rtl::TObject* sender)
    {
        ++count;
        lastSender = sender;
    }
    int count = 0;
    rtl::TObject* lastSender = nullptr;
};

} // namespace testsupport
