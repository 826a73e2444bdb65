#include "platform/win/debug_output_trace.h"

#include "platform/independent_steps.h"
#include "platform/number_text.h"
#include "platform/win/system_text.h"

#include <windows.h>

#include <string_view>

namespace quben::win {
namespace {

// "quben::WorkbookStarter::Launch" out of the compiler's full signature
// "void quben::WorkbookStarter::Launch(const std::wstring&, const std::wstring&)".
std::string_view ShortName(std::string_view signature) {
    signature = signature.substr(0, signature.find('('));
    const auto space = signature.rfind(' ');
    return space == std::string_view::npos ? signature : signature.substr(space + 1);
}

// One line, written into a fixed buffer: a trace allocates nothing and cannot fail.
class TraceLine {
public:
    void Put(wchar_t c) {
        if (length_ + 2 < kCapacity) // room for the line break and the terminator
            text_[length_++] = c;
    }
    void Put(std::string_view ascii) {
        for (const char c : ascii)
            Put(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    void Put(const wchar_t* text) {
        while (*text != L'\0')
            Put(*text++);
    }
    // The system's text for the status, when it has one, without its own line break.
    void PutSystemText(std::int32_t status) {
        if (length_ + 3 >= kCapacity) // room for the blank, the line break and the terminator
            return;
        if (const std::size_t added = SystemTextInto(status, text_ + length_ + 1, kCapacity - 3 - length_)) {
            text_[length_] = L' ';
            length_ += 1 + added;
        }
    }
    void Write() {
        text_[length_++] = L'\n';
        text_[length_] = L'\0';
        ::OutputDebugStringW(text_);
    }

private:
    static constexpr std::size_t kCapacity = 512;
    wchar_t text_[kCapacity]{};
    std::size_t length_ = 0;
};

void WriteDroppedStep(const StepPlace& where, std::int32_t status) noexcept {
    TraceLine line;
    line.Put("quben: ");
    line.Put(ShortName(where.function_name()));
    line.Put(L':');
    NumberText number;
    line.Put(DecimalText(where.line(), number));
    line.Put(L' ');
    line.Put(HexText(static_cast<std::uint32_t>(status), number));
    line.PutSystemText(status);
    line.Write();
}

} // namespace

void TraceDroppedStepsToDebugOutput() noexcept {
    droppedStepSink = WriteDroppedStep;
}

} // namespace quben::win
