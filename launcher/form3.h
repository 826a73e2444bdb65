#pragma once
// What the start-up sequence sees of the launcher window and its controls. Every member throws
// PlatformError when the platform refuses the call; positions and sizes are in twips, control
// positions relative to the window's client area.

#include "platform/twips.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quben {

class Screen {
public:
    virtual ~Screen() = default;
    // The whole of the window's monitor, task bar included.
    virtual Twips Width() = 0;
    virtual Twips Height() = 0;
};

class Placeable {
public:
    virtual ~Placeable() = default;
    virtual Twips Width() = 0;
    virtual Twips Height() = 0;
    virtual void SetLeft(Twips left) = 0;
    virtual void SetTop(Twips top) = 0;
    virtual void SetVisible(bool visible) = 0;
};

class Label : public Placeable {
public:
    virtual std::wstring Caption() = 0;
    virtual void SetCaption(std::wstring_view caption) = 0;
};

class CommonDialog {
public:
    virtual ~CommonDialog() = default;
    virtual void SetDialogTitle(std::wstring_view title) = 0;
    virtual void SetFlags(std::uint32_t flags) = 0;
    // "description|pattern" pairs, separated by vertical bars.
    virtual void SetFilter(std::wstring_view filter) = 0;
    // Runs the modal open-file dialog. Cancelling is not a failure: FileName stays empty.
    virtual void ShowOpen() = 0;
    virtual std::wstring FileName() = 0;
};

class Form3 : public Placeable {
public:
    virtual void SetWidth(Twips width) = 0;
    virtual void SetHeight(Twips height) = 0;

    virtual Screen& TheScreen() = 0;
    virtual Label& Label1() = 0;
    virtual Placeable& Picture1() = 0;
    virtual Placeable& Picture2() = 0;
    virtual CommonDialog& CommonDialog1() = 0;

    virtual void StartWorkbook() = 0;
    // What StartWorkbook does for a workbook that is not there: the one message, then Unload.
    virtual void ReportWorkbookAbsent() = 0;
    // Destroys the window; it is the only one, so the process ends.
    virtual void Unload() = 0;
};

} // namespace quben
