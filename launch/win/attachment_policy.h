#pragma once
// The organisation's rules for downloaded files (the Attachment Manager's policies).

namespace quben::win {

// True when policy takes unblocking away from users ("Masquer les mécanismes de suppression des
// informations de zone": HideZoneInfoOnProperties = 1, for the user or for the machine). Throws
// PlatformError when the policy is there but cannot be read.
bool UnblockingForbidden();

} // namespace quben::win
