// Failure injection: members listed in STANDIN_FAIL fail, members in STANDIN_CRASH kill the process,
// members in STANDIN_BUSY answer "busy" to their first calls, and STANDIN_BUSY_AFTER_VISIBLE_MS
// makes the whole application refuse automation calls for that long once it has been shown.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace standin {

class MemberList {
public:
    // "Workbooks.Open, Application.Create" (spaces around names are ignored).
    static MemberList parse(std::wstring_view commaSeparated);
    bool contains(std::wstring_view member) const; // case-insensitive

private:
    std::vector<std::wstring> members_;
};

struct Faults {
    MemberList fail;
    MemberList crash;
    MemberList busy;
    unsigned busyAfterVisibleMs = 0;

    static Faults fromEnvironment();
};

} // namespace standin
