#include "launch/directory_search.h"
#include "launch/start_workbook.h"
#include "tests/unit/call_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace quben::testing {
namespace {

using Calls = std::vector<std::string>;

std::string Utf8(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(std::char_traits<wchar_t>::to_int_type(c));
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

class FakeWindow final : public LaunchWindow {
public:
    explicit FakeWindow(CallLog& log) : log(log) {}
    std::wstring Label1Caption() override { return log.Record("Label1.Caption"), caption; }
    void MsgBox(std::wstring_view prompt, std::uint32_t buttons, std::wstring_view title) override {
        log.Record("MsgBox", Utf8(prompt) + "|" + std::to_string(buttons) + "|" + Utf8(title));
    }
    void AllowForegroundHandOff() override { log.Record("Form3.AllowForegroundHandOff"); }
    void Minimise() override { log.Record("Form3.Minimise"); }
    void BringToFront(std::intptr_t window) override {
        log.Record("Form3.BringToFront", std::to_string(window));
    }
    void Unload() override { log.Record("Form3.Unload"); }

    CallLog& log;
    std::wstring caption = L"C:\\Été données\\é.xls";
};

class FakeFiles final : public DirectorySearch {
public:
    explicit FakeFiles(CallLog& log) : log(log) {}
    void ForEachMatch(std::wstring_view pattern,
                      const std::function<bool(const DirectoryEntry&)>& visit) override {
        log.Record("Files.Search", Utf8(pattern));
        if (present)
            visit({L"é.xls", file_attribute::kArchive});
    }
    CallLog& log;
    bool present = true;
};

class FakeWorkbook final : public Workbook {
public:
    explicit FakeWorkbook(CallLog& log) : log(log) {}
    void RunAutoMacros(std::int32_t which) override {
        log.Record("Workbook.RunAutoMacros", std::to_string(which));
    }
    CallLog& log;
};

class FakeWorkbooks final : public WorkbookCollection {
public:
    explicit FakeWorkbooks(CallLog& log) : log(log) {}
    std::unique_ptr<Workbook> Open(std::wstring_view filename, std::wstring_view password) override {
        log.Record("Workbooks.Open", Utf8(filename) + "|" + Utf8(password));
        return std::make_unique<FakeWorkbook>(log);
    }
    CallLog& log;
};

class FakeApplication final : public SpreadsheetApplication {
public:
    explicit FakeApplication(CallLog& log) : log(log) {}
    void SetDisplayAlerts(bool value) override {
        log.Record("Application.DisplayAlerts", value ? "true" : "false");
    }
    void SetVisible(bool value) override { log.Record("Application.Visible", value ? "true" : "false"); }
    std::unique_ptr<WorkbookCollection> Workbooks() override {
        log.Record("Application.Workbooks");
        return std::make_unique<FakeWorkbooks>(log);
    }
    std::intptr_t Hwnd() override { return log.Record("Application.Hwnd"), 0x1234; }
    CallLog& log;
};

class FakeHost final : public SpreadsheetHost {
public:
    explicit FakeHost(CallLog& log) : log(log) {}
    std::unique_ptr<SpreadsheetApplication> CreateApplication() override {
        log.Record("Host.CreateApplication");
        return std::make_unique<FakeApplication>(log);
    }
    CallLog& log;
};

const std::string kPath = "C:\\Été données\\é.xls";

// The launch of a workbook that is there, as the calls each step makes.
const std::vector<Calls> kLaunchSteps = {
    {"Label1.Caption", "Files.Search(" + kPath + ")"}, // the test: is the workbook there?
    {"Form3.AllowForegroundHandOff"},
    {"Form3.Minimise"},
    {"Host.CreateApplication"},
    {"Application.DisplayAlerts(false)"},
    {"Application.Visible(true)"},
    {"Application.Workbooks", "Label1.Caption", "Workbooks.Open(" + kPath + "|vepal_kordinut!?)"},
    {"Workbook.RunAutoMacros(1)"},
    {"Application.DisplayAlerts(true)"},
    {"Application.Hwnd", "Form3.BringToFront(4660)"},
    {"Form3.Unload"},
};

std::string NameOf(const std::string& call) {
    return call.substr(0, call.find('('));
}

Calls Flatten(const std::vector<Calls>& steps) {
    Calls calls;
    for (const Calls& step : steps)
        calls.insert(calls.end(), step.begin(), step.end());
    return calls;
}

class StartWorkbookTest : public ::testing::Test {
protected:
    CallLog log;
    FakeWindow window{log};
    FakeFiles files{log};
    FakeHost host{log};
    WorkbookStarter starter{window, files, host};
};

TEST_F(StartWorkbookTest, PresentWorkbookIsOpenedInANewVisibleApplicationInOrder) {
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, Flatten(kLaunchSteps));
}

TEST_F(StartWorkbookTest, KeepsTheApplicationItStartedAfterwards) {
    starter.StartWorkbook();
    EXPECT_NE(starter.HostReference(), nullptr);
}

TEST_F(StartWorkbookTest, AbsentWorkbookGetsTheOneMessageThenUnloadsWithoutStartingAnything) {
    files.present = false;
    starter.StartWorkbook();
    EXPECT_EQ(
        log.calls,
        (Calls{"Label1.Caption", "Files.Search(" + kPath + ")",
               "MsgBox(Désolé , le fichier correspondant est absent du répertoire de travail .|0|quben)",
               "Form3.Unload"}));
    EXPECT_EQ(starter.HostReference(), nullptr);
}

TEST_F(StartWorkbookTest, MessageTextsAreExact) {
    EXPECT_EQ(kAbsentPrompt.size(), 71u);
    EXPECT_EQ(kWorkbookPassword.size(), 16u);
    EXPECT_EQ(kMessageTitle, L"quben");
    EXPECT_EQ(kMessageButtons, 0u);
    EXPECT_EQ(kXlAutoOpen, 1);
}

TEST_F(StartWorkbookTest, EmptyPathIsReportedAbsentWithoutSearching) {
    window.caption.clear();
    starter.StartWorkbook();
    EXPECT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(NameOf(log.calls[1]), "MsgBox");
}

TEST_F(StartWorkbookTest, AnUnreadablePathCountsAsPresentAndTheLaunchGoesOn) {
    log.failing.insert("Label1.Caption");
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, (Calls{"Label1.Caption", "Form3.AllowForegroundHandOff", "Form3.Minimise",
                                "Host.CreateApplication", "Application.DisplayAlerts(false)",
                                "Application.Visible(true)", "Application.Workbooks", "Label1.Caption",
                                "Application.DisplayAlerts(true)", "Application.Hwnd",
                                "Form3.BringToFront(4660)", "Form3.Unload"}));
}

TEST_F(StartWorkbookTest, ACreationRefusedAsBusyIsNotMadeAgain) {
    // Making it again could start a second application.
    log.failing.insert("Host.CreateApplication");
    log.failureStatus = static_cast<std::int32_t>(0x80010001); // RPC_E_CALL_REJECTED
    starter.StartWorkbook();
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "Host.CreateApplication"), 1);
}

TEST_F(StartWorkbookTest, MessageBoxThatCannotBeShownStillUnloads) {
    files.present = false;
    log.failing.insert("MsgBox");
    starter.StartWorkbook();
    EXPECT_EQ(log.calls.back(), "Form3.Unload");
}

TEST_F(StartWorkbookTest, ReportingAbsentShowsTheSameMessageWithoutSearchingOrStartingAnything) {
    starter.ReportAbsent();
    EXPECT_EQ(
        log.calls,
        (Calls{"MsgBox(Désolé , le fichier correspondant est absent du répertoire de travail .|0|quben)",
               "Form3.Unload"}));
    EXPECT_EQ(starter.HostReference(), nullptr);
}

TEST_F(StartWorkbookTest, OpenReadsThePathAgainFromTheLabel) {
    // The label changes between the test and the open call: the open gets the new text.
    struct ChangingWindow final : LaunchWindow {
        int reads = 0;
        std::wstring Label1Caption() override { return reads++ == 0 ? L"C:\\a.xls" : L"C:\\b.xls"; }
        void MsgBox(std::wstring_view, std::uint32_t, std::wstring_view) override {}
        void AllowForegroundHandOff() override {}
        void Minimise() override {}
        void BringToFront(std::intptr_t) override {}
        void Unload() override {}
    } changing;
    WorkbookStarter other(changing, files, host);
    other.StartWorkbook();
    EXPECT_NE(std::find(log.calls.begin(), log.calls.end(), "Workbooks.Open(C:\\b.xls|vepal_kordinut!?)"),
              log.calls.end());
}

// Each step stands alone: the failing one is skipped and every later step is still made,
// except those that need what the failed step would have produced.
struct FailureCase {
    const char* failing;
    Calls expected;
};

class StartWorkbookFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(StartWorkbookFailureTest, AFailingStepIsSkippedSilently) {
    CallLog log;
    FakeWindow window(log);
    FakeFiles files(log);
    FakeHost host(log);
    WorkbookStarter starter(window, files, host);
    log.failing.insert(GetParam().failing);
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, GetParam().expected);
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "Form3.Unload"), 1);
}

// The launch with the last occurrence of each call in `dropped` left out.
Calls Without(std::initializer_list<std::string> dropped) {
    Calls calls = Flatten(kLaunchSteps);
    for (const std::string& call : dropped)
        calls.erase(std::prev(std::find(calls.rbegin(), calls.rend(), call).base()));
    return calls;
}

void PrintTo(const FailureCase& failure, std::ostream* out) {
    *out << failure.failing;
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StartWorkbookFailureTest,
    ::testing::Values(
        // A search that fails answers "absent".
        FailureCase{"Files.Search",
                    {"Label1.Caption", "Files.Search(" + kPath + ")",
                     "MsgBox(Désolé , le fichier correspondant est absent du répertoire de travail "
                     ".|0|quben)",
                     "Form3.Unload"}},
        FailureCase{"Form3.AllowForegroundHandOff", Flatten(kLaunchSteps)},
        FailureCase{"Form3.Minimise", Flatten(kLaunchSteps)},
        // No application: every step that goes through it fails, the window still unloads.
        FailureCase{"Host.CreateApplication",
                    {"Label1.Caption", "Files.Search(" + kPath + ")", "Form3.AllowForegroundHandOff",
                     "Form3.Minimise", "Host.CreateApplication", "Form3.Unload"}},
        FailureCase{"Application.DisplayAlerts", Flatten(kLaunchSteps)},
        FailureCase{"Application.Visible", Flatten(kLaunchSteps)},
        // No workbook collection or no workbook: nothing else's macros are ever run, and the
        // alerts still come back on.
        FailureCase{"Application.Workbooks",
                    Without({"Label1.Caption", "Workbooks.Open(" + kPath + "|vepal_kordinut!?)",
                             "Workbook.RunAutoMacros(1)"})},
        FailureCase{"Workbooks.Open", Without({"Workbook.RunAutoMacros(1)"})},
        FailureCase{"Workbook.RunAutoMacros", Flatten(kLaunchSteps)},
        FailureCase{"Application.Hwnd", Without({"Form3.BringToFront(4660)"})},
        FailureCase{"Form3.BringToFront", Flatten(kLaunchSteps)},
        FailureCase{"Form3.Unload", Flatten(kLaunchSteps)}),
    [](const auto& info) {
        std::string name = info.param.failing;
        std::erase(name, '.');
        return name;
    });

} // namespace
} // namespace quben::testing
