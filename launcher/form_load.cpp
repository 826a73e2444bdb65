#include "launcher/form_load.h"

#include "launch/extended_length_path.h"
#include "launcher/design.h"
#include "launcher/form3.h"
#include "launcher/startup_arguments.h"
#include "platform/independent_steps.h"

#include <algorithm>
#include <optional>
#include <string>

namespace quben {
namespace {

// The layout both ways in share (the dialog, a workbook named on the command line), and the window shown.
void LayOutAndShow(Form3& form3) noexcept {
    LayOut(form3);
    RunStep([&] { form3.SetVisible(true); });
}

// A name of one file, read by Windows the same way everywhere. '*' and '?', and '<', '>' and '"',
// which the directory search takes as wildcards too, make it a pattern that may match many files or
// none; '|' and control characters are in no file's name; an extended-length name Windows would
// read as another once its prefix is gone, or a device's, is refused whole (FromExtendedLengthPath).
// The question mark of the prefix "\\?\" itself is no wildcard.
bool NamesOneFile(std::wstring_view name) {
    const std::optional<std::wstring> classic = FromExtendedLengthPath(name);
    return classic && std::none_of(classic->begin(), classic->end(), [](wchar_t c) {
               return c < L' ' || std::wstring_view(L"*?<>\"|").find(c) != std::wstring_view::npos;
           });
}

} // namespace

void LayOut(Form3& form3) noexcept {
    Screen& screen = form3.TheScreen();
    Label& label1 = form3.Label1();
    Placeable& picture1 = form3.Picture1();
    Placeable& picture2 = form3.Picture2();

    // Cover the screen; the size is read back before centring, so a size the platform adjusted
    // still ends up centred.
    RunStep([&] { form3.SetWidth(screen.Width()); });
    RunStep([&] { form3.SetHeight(screen.Height()); });
    RunStep([&] { form3.SetLeft((screen.Width() - form3.Width()) / 2); });
    RunStep([&] { form3.SetTop((screen.Height() - form3.Height()) / 2); });
    RunStep([&] { label1.SetVisible(false); });

    // The logos sit one tenth of the screen in from the upper right and the lower left corners.
    RunStep([&] { picture1.SetLeft(screen.Width() / 10); });
    RunStep([&] { picture2.SetTop(screen.Height() / 10); });
    RunStep([&] { picture2.SetLeft(screen.Width() * 9 / 10 - picture2.Width()); });
    RunStep([&] { picture1.SetTop(screen.Height() * 9 / 10 - picture2.Height()); });
}

void FormLoad(Form3& form3, StartupArguments& arguments) noexcept {
    // A command line that cannot be read counts as none: the launcher asks for the workbook.
    std::optional<std::wstring> workbook;
    RunStep([&] { workbook = arguments.FirstArgument(); });
    if (workbook)
        FormLoadNamed(form3, *workbook, arguments);
    else
        FormLoad(form3);
}

void FormLoad(Form3& form3) noexcept {
    Label& label1 = form3.Label1();
    CommonDialog& dialog = form3.CommonDialog1();

    LayOutAndShow(form3);

    RunStep([&] { dialog.SetDialogTitle(design::kDialogTitle); });
    RunStep([&] { dialog.SetFlags(design::kDialogFlags); });
    RunStep([&] { dialog.SetFilter(design::kDialogFilter); });
    RunStep([&] { dialog.ShowOpen(); });

    // A test that cannot be made counts as a chosen file: the launch then reports it absent.
    if (TestOr(true, [&] { return !dialog.FileName().empty(); })) {
        RunStep([&] { label1.SetCaption(dialog.FileName()); });
        RunStep([&] { label1.SetVisible(false); });
        RunStep([&] { form3.StartWorkbook(); });
    } else {
        RunStep([&] { form3.Unload(); });
    }
}

void FormLoadNamed(Form3& form3, std::wstring_view name, StartupArguments& arguments) noexcept {
    Label& label1 = form3.Label1();

    LayOutAndShow(form3);

    // A name that cannot be made full leaves the caption empty: the launch reports it absent.
    RunStep([&] { label1.SetCaption(arguments.FullPath(name)); });
    RunStep([&] { label1.SetVisible(false); });
    // A pattern is never handed on: the existence check would take it, and so would the
    // spreadsheet application.
    if (NamesOneFile(name))
        RunStep([&] { form3.StartWorkbook(); });
    else
        RunStep([&] { form3.ReportWorkbookAbsent(); });
}

} // namespace quben
