#include "launcher/form_load.h"

#include "launcher/design.h"
#include "launcher/form3.h"
#include "platform/independent_steps.h"

namespace quben {

void FormLoad(Form3& form3) noexcept {
    Screen& screen = form3.TheScreen();
    Label& label1 = form3.Label1();
    Placeable& picture1 = form3.Picture1();
    Placeable& picture2 = form3.Picture2();
    CommonDialog& dialog = form3.CommonDialog1();

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

    RunStep([&] { form3.SetVisible(true); });

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

} // namespace quben
