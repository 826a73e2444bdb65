#include "report.h"

#include "window_query.h"

#include <cstdint>

namespace quben::driver {
namespace {

void WriteText(JsonWriter& json, HWND window) {
    if (auto text = Text(window))
        json.String(*text);
    else
        json.Null(); // did not answer within the timeout
}

void WriteOwner(JsonWriter& json, HWND window) {
    HWND owner = ::GetWindow(window, GW_OWNER);
    json.Key("owner");
    WriteHwnd(json, owner);
    json.Key("owner_class");
    if (owner != nullptr)
        json.String(ClassName(owner));
    else
        json.Null();
}

void WriteStyles(JsonWriter& json, HWND window) {
    json.Key("style").Int(static_cast<std::uint32_t>(::GetWindowLongPtrW(window, GWL_STYLE)));
    json.Key("exstyle").Int(static_cast<std::uint32_t>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
}

void WriteChild(JsonWriter& json, HWND child) {
    json.BeginObject().Key("hwnd");
    WriteHwnd(json, child);
    json.Key("id").Int(ControlId(child));
    json.Key("class").String(ClassName(child));
    WriteStyles(json, child);
    json.Key("text");
    WriteText(json, child);
    json.Key("visible").Bool(::IsWindowVisible(child));
    json.Key("rect");
    WriteRect(json, WindowRect(child));
    json.EndObject();
}

void WriteHelpButton(JsonWriter& json, HWND dialog) {
    HWND help = FindControl(dialog, kHelpButtonId);
    json.BeginObject().Key("present").Bool(help != nullptr);
    json.Key("visible").Bool(help != nullptr && ::IsWindowVisible(help));
    json.Key("text");
    if (help != nullptr)
        WriteText(json, help);
    else
        json.Null();
    json.EndObject();
}

void WriteStringArray(JsonWriter& json, const std::vector<std::wstring>& items) {
    json.BeginArray();
    for (const auto& item : items)
        json.String(item);
    json.EndArray();
}

bool IsStatic(HWND window) {
    return ::lstrcmpiW(ClassName(window).c_str(), L"Static") == 0;
}

// An icon is shown when a visible icon static (the usual id, or the icon style) holds one. Wine
// keeps its icon static visible, and empty, in a box without an icon.
bool ShowsIcon(HWND box) {
    for (HWND child : ChildrenInZOrder(box)) {
        if (!IsStatic(child) || !::IsWindowVisible(child))
            continue;
        auto style = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_STYLE));
        if (ControlId(child) != kMessageIconId && (style & SS_TYPEMASK) != SS_ICON)
            continue;
        if (SendWithTimeout(child, STM_GETICON, 0, 0).value_or(0) != 0)
            return true;
    }
    return false;
}

void WriteButtons(JsonWriter& json, HWND box) {
    json.BeginArray();
    for (HWND child : ChildrenInZOrder(box)) {
        if (::lstrcmpiW(ClassName(child).c_str(), L"Button") != 0 || !::IsWindowVisible(child))
            continue;
        json.BeginObject().Key("id").Int(ControlId(child)).Key("text");
        WriteText(json, child);
        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_STYLE));
        json.Key("default").Bool((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        json.EndObject();
    }
    json.EndArray();
}

void WriteMessageText(JsonWriter& json, HWND box) {
    if (auto text = MessageText(box))
        json.String(*text);
    else
        json.Null();
}

} // namespace

void WriteHwnd(JsonWriter& json, HWND window) {
    if (window == nullptr)
        json.Null();
    else
        json.Int(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
}

void WriteRect(JsonWriter& json, const RECT& rect) {
    json.BeginArray().Int(rect.left).Int(rect.top).Int(rect.right).Int(rect.bottom).EndArray();
}

void WriteForm(JsonWriter& json, HWND form) {
    if (form == nullptr) {
        json.Null();
        return;
    }
    json.BeginObject().Key("hwnd");
    WriteHwnd(json, form);
    json.Key("caption");
    WriteText(json, form);
    WriteStyles(json, form);
    json.Key("visible").Bool(::IsWindowVisible(form));
    json.Key("iconic").Bool(::IsIconic(form));
    json.Key("rect");
    WriteRect(json, WindowRect(form));
    json.Key("client_rect");
    WriteRect(json, ClientRect(form));
    json.Key("icon");
    if (auto icon = HasIcon(form))
        json.Bool(*icon);
    else
        json.Null();
    json.Key("children").BeginArray();
    for (HWND child : ChildrenInZOrder(form))
        WriteChild(json, child);
    json.EndArray().EndObject();
}

void WriteFileDialog(JsonWriter& json, HWND dialog) {
    json.BeginObject().Key("hwnd");
    WriteHwnd(json, dialog);
    json.Key("title");
    WriteText(json, dialog);
    json.Key("rect");
    WriteRect(json, WindowRect(dialog));
    WriteOwner(json, dialog);
    json.Key("help_button");
    WriteHelpButton(json, dialog);
    json.Key("filter_items");
    HWND types = FindControl(dialog, kFileTypeComboId);
    WriteStringArray(json, types != nullptr ? ComboItems(types) : std::vector<std::wstring>{});
    json.Key("file_name_box").Int(FileNameBoxId(dialog));
    json.EndObject();
}

void WriteMessageBoxFields(JsonWriter& json, HWND box) {
    json.Key("hwnd");
    WriteHwnd(json, box);
    json.Key("title");
    WriteText(json, box);
    json.Key("text");
    WriteMessageText(json, box);
    json.Key("buttons");
    WriteButtons(json, box);
    json.Key("icon").Bool(ShowsIcon(box));
    WriteStyles(json, box);
    WriteOwner(json, box);
}

void WriteWindowSummary(JsonWriter& json, HWND window) {
    json.BeginObject().Key("hwnd");
    WriteHwnd(json, window);
    json.Key("pid").Int(ProcessOf(window));
    json.Key("title");
    WriteText(json, window);
    json.Key("visible").Bool(::IsWindowVisible(window));
    json.Key("iconic").Bool(::IsIconic(window));
    json.Key("rect");
    WriteRect(json, WindowRect(window));
    json.EndObject();
}

} // namespace quben::driver
