#pragma once

#include "platform/win/unique_handle.h"

namespace quben::win {

// Fills the shell's system image list on a worker thread while the launcher window is being
// created and shown. The open-file dialog needs that list for its "Look in" box and file list,
// and building it (the default icons read from shell32.dll) is the largest part of the dialog's
// own start-up; done here in parallel, the dialog finds the icons ready. Nothing is shown, and a
// failure only means the dialog builds the list itself, as it would anyway.
class ShellIconPrefetch {
public:
    ShellIconPrefetch();
    ShellIconPrefetch(const ShellIconPrefetch&) = delete;
    ShellIconPrefetch& operator=(const ShellIconPrefetch&) = delete;
    // Waits for the worker, so that the process does not end while it is inside the shell.
    ~ShellIconPrefetch();

private:
    UniqueKernelHandle thread_;
};

} // namespace quben::win
