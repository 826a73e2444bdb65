#include "launcher/dialog_filter.h"

namespace quben {

std::wstring ToPlatformFilter(std::wstring_view filter) {
    if (filter.ends_with(L'|'))
        filter.remove_suffix(1);
    std::wstring list(filter);
    for (wchar_t& c : list) {
        if (c == L'|')
            c = L'\0';
    }
    list.append(2, L'\0');
    return list;
}

} // namespace quben
