// What the launcher learns from Windows about where a file comes from, with its own code: one
// line per path on the command line, the zone the security manager gives it ("error 0x…" when
// it gives none), then a last line "forbidden" or "allowed" for the organisation's unblocking rule.

#include "launch/win/attachment_policy.h"
#include "launch/win/location_zone.h"
#include "platform/platform_error.h"
#include "platform/win/com_apartment.h"

#include <cstdio>

namespace {

template <class Query> void Print(Query&& query) {
    try {
        std::printf("%d\n", static_cast<int>(query()));
    } catch (const quben::PlatformError& error) {
        std::printf("error 0x%08lX\n", static_cast<unsigned long>(error.status));
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const quben::win::ComApartment com;
    for (int i = 1; i < argc; ++i)
        Print([&] { return quben::win::LocationZone(argv[i]); });
    try {
        std::puts(quben::win::UnblockingForbidden() ? "forbidden" : "allowed");
    } catch (const quben::PlatformError& error) {
        std::printf("error 0x%08lX\n", static_cast<unsigned long>(error.status));
    }
    return 0;
}
