#pragma once
// A record of the calls a fake receives, in order, with failures injected by call name.

#include "platform/platform_error.h"

#include <set>
#include <string>
#include <vector>

namespace quben::testing {

class CallLog {
public:
    // Records `name` (with `detail`, if any) and throws when that call is set to fail.
    void Record(const std::string& name, const std::string& detail = {}) {
        calls.push_back(detail.empty() ? name : name + "(" + detail + ")");
        if (failing.contains(name))
            ThrowPlatformError(failureStatus, failureDescription, failureSource);
    }

    std::vector<std::string> calls;
    std::set<std::string> failing;
    std::int32_t failureStatus = static_cast<std::int32_t>(0x80004005); // E_FAIL
    std::wstring failureDescription;                                    // none
    std::wstring failureSource;                                         // none
};

} // namespace quben::testing
