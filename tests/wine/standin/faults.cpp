#include "faults.h"

#include "win_handles.h"

#include <cwchar>

namespace standin {

namespace {

std::wstring_view trim(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t'))
        text.remove_suffix(1);
    return text;
}

unsigned milliseconds(const wchar_t* variable) {
    return static_cast<unsigned>(wcstoul(environmentVariable(variable).c_str(), nullptr, 10));
}

} // namespace

MemberList MemberList::parse(std::wstring_view commaSeparated) {
    MemberList list;
    while (!commaSeparated.empty()) {
        size_t comma = commaSeparated.find(L',');
        std::wstring_view item = trim(commaSeparated.substr(0, comma));
        if (!item.empty())
            list.members_.emplace_back(item);
        if (comma == std::wstring_view::npos)
            break;
        commaSeparated.remove_prefix(comma + 1);
    }
    return list;
}

bool MemberList::contains(std::wstring_view member) const {
    for (const auto& candidate : members_)
        if (equalsIgnoreCase(candidate, member))
            return true;
    return false;
}

Faults Faults::fromEnvironment() {
    return {MemberList::parse(environmentVariable(L"STANDIN_FAIL")),
            MemberList::parse(environmentVariable(L"STANDIN_CRASH")),
            MemberList::parse(environmentVariable(L"STANDIN_BUSY")),
            MemberList::parse(environmentVariable(L"STANDIN_REFUSE")),
            MemberList::parse(environmentVariable(L"STANDIN_BLOCK")),
            milliseconds(L"STANDIN_BLOCK_MS"),
            milliseconds(L"STANDIN_BUSY_AFTER_VISIBLE_MS"),
            milliseconds(L"STANDIN_BUSY_FROM_START_MS"),
            environmentVariable(L"STANDIN_NO_ROT") == L"1",
            milliseconds(L"STANDIN_OPEN_MS"),
            environmentVariable(L"STANDIN_OPEN_READ_ONLY") == L"1",
            environmentVariable(L"STANDIN_HIDDEN") == L"1",
            milliseconds(L"STANDIN_REGISTER_AFTER_MS"),
            environmentVariable(L"STANDIN_START_UNFINISHED") == L"1"};
}

} // namespace standin
