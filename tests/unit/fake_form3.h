#pragma once
// An in-memory launcher window that records every call made to it and its controls.

#include "launcher/form3.h"
#include "tests/unit/call_log.h"

#include <functional>
#include <sstream>

namespace quben::testing {

inline std::string Num(float value) {
    std::ostringstream text;
    text.precision(9);
    text << value;
    return text.str();
}

template <class Interface> class FakeBox : public Interface {
public:
    FakeBox(CallLog& log, std::string name, Twips width, Twips height)
        : log(log), name(std::move(name)), width(width), height(height) {}

    Twips Width() override { return log.Record(name + ".Width"), width; }
    Twips Height() override { return log.Record(name + ".Height"), height; }
    void SetLeft(Twips value) override { log.Record(name + ".SetLeft", Num(value)), left = value; }
    void SetTop(Twips value) override { log.Record(name + ".SetTop", Num(value)), top = value; }
    void SetVisible(bool value) override {
        log.Record(name + ".SetVisible", value ? "true" : "false"), visible = value;
    }

    CallLog& log;
    std::string name;
    Twips width, height;
    Twips left = -1, top = -1;
    bool visible = true;
};

class FakeScreen final : public Screen {
public:
    explicit FakeScreen(CallLog& log) : log(log) {}
    Twips Width() override { return log.Record("Screen.Width"), width; }
    Twips Height() override { return log.Record("Screen.Height"), height; }

    CallLog& log;
    Twips width = 15360;
    Twips height = 11520;
};

class FakeLabel final : public FakeBox<Label> {
public:
    using FakeBox::FakeBox;
    std::wstring Caption() override { return log.Record(name + ".Caption"), caption; }
    void SetCaption(std::wstring_view value) override { log.Record(name + ".SetCaption"), caption = value; }
    std::wstring caption;
};

class FakeCommonDialog final : public CommonDialog {
public:
    explicit FakeCommonDialog(CallLog& log) : log(log) {}
    void SetDialogTitle(std::wstring_view value) override {
        log.Record("CommonDialog1.SetDialogTitle"), title = value;
    }
    void SetFlags(std::uint32_t value) override {
        log.Record("CommonDialog1.SetFlags", std::to_string(value)), flags = value;
    }
    void SetFilter(std::wstring_view value) override {
        log.Record("CommonDialog1.SetFilter"), filter = value;
    }
    void ShowOpen() override {
        log.Record("CommonDialog1.ShowOpen");
        fileName = userChoice;
    }
    std::wstring FileName() override { return log.Record("CommonDialog1.FileName"), fileName; }

    CallLog& log;
    std::wstring title, filter, fileName;
    std::uint32_t flags = 0;
    std::wstring userChoice; // what the user picks; empty means Cancel
};

class FakeForm3 : public FakeBox<Form3> {
public:
    explicit FakeForm3(CallLog& log) : FakeBox(log, "Form3", 10755, 8190) {}

    void SetWidth(Twips value) override {
        log.Record("Form3.SetWidth", Num(value)), width = adjustWidth(value);
    }
    void SetHeight(Twips value) override {
        log.Record("Form3.SetHeight", Num(value)), height = adjustHeight(value);
    }
    Screen& TheScreen() override { return screen; }
    Label& Label1() override { return label1; }
    Placeable& Picture1() override { return picture1; }
    Placeable& Picture2() override { return picture2; }
    CommonDialog& CommonDialog1() override { return dialog; }
    void StartWorkbook() override {
        log.Record("StartWorkbook");
        pathSeenByStartWorkbook = label1.caption;
    }
    void ReportWorkbookAbsent() override { log.Record("ReportWorkbookAbsent"); }
    void Unload() override { log.Record("Form3.Unload"); }

    // What the platform makes of a requested size.
    std::function<Twips(Twips)> adjustWidth = [](Twips w) { return w; };
    std::function<Twips(Twips)> adjustHeight = [](Twips h) { return h; };

    FakeScreen screen{log};
    FakeLabel label1{log, "Label1", 135, 360};
    FakeBox<Placeable> picture1{log, "Picture1", 6375, 2535};
    FakeBox<Placeable> picture2{log, "Picture2", 6375, 2535};
    FakeCommonDialog dialog{log};
    std::wstring pathSeenByStartWorkbook;
};

} // namespace quben::testing
