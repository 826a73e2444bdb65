#include "launcher/design.h"
#include "launcher/form_load.h"
#include "launcher/startup_arguments.h"
#include "tests/unit/fake_form3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace quben::testing {
namespace {

using Calls = std::vector<std::string>;

// The whole load sequence on a 1024 x 768 screen at 15 twips per pixel when a file is chosen, as
// the calls each step makes.
const std::vector<Calls> kChosenFileSteps = {
    {"Screen.Width", "Form3.SetWidth(15360)"},
    {"Screen.Height", "Form3.SetHeight(11520)"},
    {"Screen.Width", "Form3.Width", "Form3.SetLeft(0)"},
    {"Screen.Height", "Form3.Height", "Form3.SetTop(0)"},
    {"Label1.SetVisible(false)"},
    {"Screen.Width", "Picture1.SetLeft(1536)"},
    {"Screen.Height", "Picture2.SetTop(1152)"},
    {"Screen.Width", "Picture2.Width", "Picture2.SetLeft(7449)"},
    {"Screen.Height", "Picture2.Height", "Picture1.SetTop(7833)"},
    {"Form3.SetVisible(true)"},
    {"CommonDialog1.SetDialogTitle"},
    {"CommonDialog1.SetFlags(4112)"},
    {"CommonDialog1.SetFilter"},
    {"CommonDialog1.ShowOpen"},
    {"CommonDialog1.FileName"}, // the test: was a file chosen?
    {"CommonDialog1.FileName", "Label1.SetCaption"},
    {"Label1.SetVisible(false)"},
    {"StartWorkbook"},
};

std::string NameOf(const std::string& call) {
    return call.substr(0, call.find('('));
}

// The calls made when every call named `failing` fails: a step stops at its failing call and the
// sequence goes on with the next step.
Calls ExpectedCalls(const std::string& failing, const std::vector<Calls>& steps = kChosenFileSteps) {
    Calls calls;
    for (const Calls& step : steps) {
        for (const std::string& call : step) {
            calls.push_back(call);
            if (NameOf(call) == failing)
                break;
        }
    }
    return calls;
}

class FormLoadTest : public ::testing::Test {
protected:
    FormLoadTest() { form.dialog.userChoice = L"C:\\Mesures\\incertitude.xls"; }
    CallLog log;
    FakeForm3 form{log};
};

TEST_F(FormLoadTest, ChosenFileRunsEveryStepInOrderAndHandsOverToTheLaunch) {
    FormLoad(form);
    EXPECT_EQ(log.calls, ExpectedCalls("nothing fails"));
}

TEST_F(FormLoadTest, DialogGetsTheExactTitleFlagsAndFilter) {
    FormLoad(form);
    EXPECT_EQ(form.dialog.title, L"Calcul d'incertitude : ouvrir un fichier QUBen ...");
    EXPECT_EQ(form.dialog.title.size(), 50u);
    EXPECT_EQ(form.dialog.flags, 4112u);
    EXPECT_EQ(form.dialog.flags, 0x1000u | 0x10u);
    EXPECT_EQ(form.dialog.filter, L"Fichiers Excel (*.xls)|*.xls");
}

TEST_F(FormLoadTest, CancelUnloadsWithoutTouchingTheLabelOrTheLaunch) {
    form.dialog.userChoice.clear();
    FormLoad(form);
    const Calls tail(log.calls.end() - 3, log.calls.end());
    EXPECT_EQ(tail, (Calls{"CommonDialog1.ShowOpen", "CommonDialog1.FileName", "Form3.Unload"}));
    EXPECT_TRUE(form.label1.caption.empty());
}

TEST_F(FormLoadTest, WindowCoversTheScreenBeforeTheDialogOpens) {
    FormLoad(form);
    EXPECT_EQ(form.width, 15360.0f);
    EXPECT_EQ(form.height, 11520.0f);
    EXPECT_EQ(form.left, 0.0f);
    EXPECT_EQ(form.top, 0.0f);
    EXPECT_TRUE(form.visible);
    EXPECT_FALSE(form.label1.visible);
}

TEST_F(FormLoadTest, CentresOnTheSizeReadBackFromTheWindow) {
    // A platform that keeps the window 300 x 150 twips smaller than asked.
    form.adjustWidth = [](Twips w) { return w - 300; };
    form.adjustHeight = [](Twips h) { return h - 150; };
    FormLoad(form);
    EXPECT_EQ(form.left, 150.0f);
    EXPECT_EQ(form.top, 75.0f);
}

TEST_F(FormLoadTest, ReadsTheScreenAfreshAtEveryStep) {
    // The screen changes size between two steps (a display switched during start-up).
    int reads = 0;
    struct GrowingScreen : Screen {
        int& reads;
        explicit GrowingScreen(int& r) : reads(r) {}
        Twips Width() override { return 12000.0f + 1000.0f * static_cast<float>(reads++); }
        Twips Height() override { return 9000.0f; }
    };
    struct Form : FakeForm3 {
        GrowingScreen growing;
        Form(CallLog& log, int& reads) : FakeForm3(log), growing(reads) {}
        Screen& TheScreen() override { return growing; }
    } changing(log, reads);
    changing.dialog.userChoice.clear();
    FormLoad(changing);
    EXPECT_EQ(changing.width, 12000.0f);
    EXPECT_EQ(changing.left, (13000.0f - 12000.0f) / 2);
    EXPECT_EQ(changing.picture1.left, 1400.0f);
    EXPECT_EQ(changing.picture2.left, 15000.0f * 9 / 10 - 6375);
    EXPECT_EQ(reads, 4);
}

struct ScreenCase {
    const char* name;
    Twips width, height;
    Twips picture1Left, picture1Top, picture2Left, picture2Top;
};

class FormLoadLayoutTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(FormLoadLayoutTest, PicturesSitOneTenthInFromOppositeCorners) {
    const ScreenCase& screen = GetParam();
    CallLog log;
    FakeForm3 form(log);
    form.screen.width = screen.width;
    form.screen.height = screen.height;
    FormLoad(form);
    EXPECT_EQ(form.picture1.left, screen.picture1Left);
    EXPECT_EQ(form.picture1.top, screen.picture1Top);
    EXPECT_EQ(form.picture2.left, screen.picture2Left);
    EXPECT_EQ(form.picture2.top, screen.picture2Top);
    // The right edge of Picture2 and the bottom edge of Picture1 at nine tenths of the screen.
    EXPECT_FLOAT_EQ(form.picture2.left + design::kPictureWidth, screen.width * 0.9f);
    EXPECT_FLOAT_EQ(form.picture1.top + design::kPictureHeight, screen.height * 0.9f);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, FormLoadLayoutTest,
    ::testing::Values(ScreenCase{"Xga1024x768", 15360, 11520, 1536, 10368 - 2535, 13824 - 6375, 1152},
                      ScreenCase{"Svga800x600", 12000, 9000, 1200, 5565, 4425, 900},
                      // 1023 x 767 pixels: not a multiple of 10 twips, the fractions are kept.
                      ScreenCase{"Odd1023x767", 15345, 11505, 1534.5f, 7819.5f, 7435.5f, 1150.5f},
                      // Small enough for the two pictures to overlap.
                      ScreenCase{"Tiny640x400", 9600, 6000, 960, 2865, 2265, 600}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormLoadPaths, TheChosenPathReachesLabel1AndTheLaunchUnchanged) {
    const std::wstring paths[] = {
        L"C:\\Été données\\é.xls",
        L"\\\\serveur\\partage\\Métrologie 2026\\budget d'incertitude (v2).xls",
        L"C:\\a&b\\[x]\\~1\\fichier*.xls",
        L"C:\\" + std::wstring(32700, L'd') + L"\\x.xls",
    };
    for (const std::wstring& path : paths) {
        CallLog log;
        FakeForm3 form(log);
        form.dialog.userChoice = path;
        FormLoad(form);
        EXPECT_EQ(form.label1.caption, path);
        EXPECT_EQ(form.pathSeenByStartWorkbook, path);
    }
}

// Every step stands alone: when one fails, all the others still run, in the same order.
class FormLoadFailureTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FormLoadFailureTest, AFailingStepIsSkippedSilentlyAndTheRestStillRuns) {
    CallLog log;
    FakeForm3 form(log);
    form.dialog.userChoice = L"C:\\x.xls";
    log.failing.insert(GetParam());
    FormLoad(form);
    // Values may differ after a failure (see the cases below); the calls and their order may not.
    Calls names;
    for (const std::string& call : log.calls)
        names.push_back(NameOf(call));
    Calls expected;
    for (const std::string& call : ExpectedCalls(GetParam()))
        expected.push_back(NameOf(call));
    EXPECT_EQ(names, expected);
}

INSTANTIATE_TEST_SUITE_P(EachCall, FormLoadFailureTest,
                         ::testing::Values("Screen.Width", "Screen.Height", "Form3.SetWidth",
                                           "Form3.SetHeight", "Form3.Width", "Form3.Height", "Form3.SetLeft",
                                           "Form3.SetTop", "Label1.SetVisible", "Picture1.SetLeft",
                                           "Picture2.SetTop", "Picture2.Width", "Picture2.SetLeft",
                                           "Picture2.Height", "Picture1.SetTop", "Form3.SetVisible",
                                           "CommonDialog1.SetDialogTitle", "CommonDialog1.SetFlags",
                                           "CommonDialog1.SetFilter", "CommonDialog1.FileName",
                                           "Label1.SetCaption", "StartWorkbook"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '.');
                             return name;
                         });

TEST_F(FormLoadTest, AWidthThePlatformRefusedIsStillCentredOnWhatTheWindowHas) {
    log.failing.insert("Form3.SetWidth");
    FormLoad(form);
    EXPECT_EQ(form.width, 10755.0f);
    EXPECT_EQ(form.left, (15360.0f - 10755.0f) / 2);
    EXPECT_EQ(form.top, 0.0f);
}

TEST_F(FormLoadTest, AFailedWidthLeavesTheLeftAtItsDesignValueButTheRestLaidOut) {
    log.failing.insert("Form3.Width");
    FormLoad(form);
    EXPECT_EQ(form.left, -1.0f);
    EXPECT_EQ(form.top, 0.0f);
    EXPECT_EQ(form.picture1.left, 1536.0f);
}

TEST_F(FormLoadTest, ADialogThatCannotBeShownUnloadsTheLauncher) {
    log.failing.insert("CommonDialog1.ShowOpen");
    FormLoad(form);
    EXPECT_EQ(log.calls.back(), "Form3.Unload");
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "StartWorkbook"), 0);
}

TEST_F(FormLoadTest, AnUnreadableFileNameStillHandsOverWithTheEmptyDesignCaption) {
    log.failing.insert("CommonDialog1.FileName");
    FormLoad(form);
    EXPECT_EQ(log.calls.back(), "StartWorkbook");
    EXPECT_EQ(form.pathSeenByStartWorkbook, L"");
}

} // namespace
} // namespace quben::testing

namespace quben::testing {
namespace {

const std::wstring kStartFolder = L"C:\\Démarrer dans\\";

class FakeArguments final : public StartupArguments {
public:
    explicit FakeArguments(CallLog& log) : log(log) {}
    std::optional<std::wstring> FirstArgument() override {
        return log.Record("Arguments.FirstArgument"), first;
    }
    // Stands for the platform's resolution against the folder the launcher was started in.
    std::wstring FullPath(std::wstring_view name) override {
        log.Record("Arguments.FullPath");
        return kStartFolder + std::wstring(name);
    }
    CallLog& log;
    std::optional<std::wstring> first;
};

// A workbook named on the command line: the same layout, no dialog, the full path handed on.
std::vector<Calls> NamedWorkbookSteps(const std::string& handOver) {
    std::vector<Calls> steps{{"Arguments.FirstArgument"}};
    steps.insert(steps.end(), kChosenFileSteps.begin(), kChosenFileSteps.begin() + 10);
    steps.push_back({"Arguments.FullPath", "Label1.SetCaption"});
    steps.push_back({"Label1.SetVisible(false)"});
    steps.push_back({handOver});
    return steps;
}

class NamedWorkbookTest : public ::testing::Test {
protected:
    void Load(std::optional<std::wstring> first) {
        arguments.first = std::move(first);
        FormLoad(form, arguments);
    }
    CallLog log;
    FakeForm3 form{log};
    FakeArguments arguments{log};
};

TEST_F(NamedWorkbookTest, WithoutAnArgumentTheDialogPathIsUnchanged) {
    form.dialog.userChoice = L"C:\\Mesures\\incertitude.xls";
    Load(std::nullopt);
    Calls expected{"Arguments.FirstArgument"};
    const Calls dialogCalls = ExpectedCalls("nothing fails");
    expected.insert(expected.end(), dialogCalls.begin(), dialogCalls.end());
    EXPECT_EQ(log.calls, expected);
}

TEST_F(NamedWorkbookTest, TheWindowIsLaidOutAsBeforeAndTheFullPathGoesToTheLaunchWithoutADialog) {
    Load(L"Été données\\budget d'incertitude (v2).xls");
    EXPECT_EQ(log.calls, ExpectedCalls("nothing fails", NamedWorkbookSteps("StartWorkbook")));
    EXPECT_EQ(form.pathSeenByStartWorkbook, kStartFolder + L"Été données\\budget d'incertitude (v2).xls");
    EXPECT_TRUE(form.visible);
    EXPECT_FALSE(form.label1.visible);
    EXPECT_EQ(form.picture2.left, 13824.0f - 6375);
}

TEST(NamedWorkbookPatterns, ANameWithWildcardsIsReportedAbsentAndNeverLaunched) {
    const std::pair<std::wstring, std::string> cases[] = {
        {L"C:\\Mesures\\*.xls", "ReportWorkbookAbsent"},
        {L"classeur?.xls", "ReportWorkbookAbsent"},
        {L"*", "ReportWorkbookAbsent"},
        {L"\\\\?\\C:\\Mesures\\classeur?.xls", "ReportWorkbookAbsent"},
        // The question mark of the extended-length prefix is no wildcard.
        {L"\\\\?\\C:\\Mesures\\classeur.xls", "StartWorkbook"},
        {L"C:\\a&b\\[x]\\~1\\#%.xls", "StartWorkbook"},
        // Wildcards too to the directory search, or no name at all.
        {L"C:\\Téléchargements\\<.xls", "ReportWorkbookAbsent"},
        {L"C:\\Mesures\\a>.xls", "ReportWorkbookAbsent"},
        {L"C:\\Mesures\\\"a.xls", "ReportWorkbookAbsent"},
        {L"C:\\Mesures\\a|b.xls", "ReportWorkbookAbsent"},
        {L"C:\\Mesures\\a\tb.xls", "ReportWorkbookAbsent"},
        // Read by Windows as another name without the extended-length prefix.
        {L"\\\\?\\C:\\Mesures\\classeur.xls.", "ReportWorkbookAbsent"},
        {L"\\\\?\\Volume{0b1e2c3d-0000-0000-0000-100000000000}\\a.xls", "ReportWorkbookAbsent"},
    };
    for (const auto& [name, handOver] : cases) {
        CallLog log;
        FakeForm3 form(log);
        FakeArguments arguments(log);
        arguments.first = name;
        FormLoad(form, arguments);
        EXPECT_EQ(log.calls, ExpectedCalls("nothing fails", NamedWorkbookSteps(handOver)))
            << std::string(name.begin(), name.end());
    }
}

TEST_F(NamedWorkbookTest, AnEmptyArgumentIsStillANamedWorkbook) {
    Load(L"");
    EXPECT_EQ(log.calls, ExpectedCalls("nothing fails", NamedWorkbookSteps("StartWorkbook")));
}

TEST_F(NamedWorkbookTest, AnUnreadableCommandLineCountsAsNoArgument) {
    log.failing.insert("Arguments.FirstArgument");
    form.dialog.userChoice.clear();
    Load(L"C:\\x.xls");
    EXPECT_EQ(log.calls.back(), "Form3.Unload");
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "CommonDialog1.ShowOpen"), 1);
}

TEST_F(NamedWorkbookTest, ANameThatCannotBeMadeFullLeavesTheCaptionEmptyForTheLaunchToReport) {
    log.failing.insert("Arguments.FullPath");
    Load(L"C:\\x.xls");
    EXPECT_EQ(log.calls, ExpectedCalls("Arguments.FullPath", NamedWorkbookSteps("StartWorkbook")));
    EXPECT_EQ(form.pathSeenByStartWorkbook, L"");
}

TEST(NamedWorkbookFailures, EveryOtherFailingStepIsSkippedSilently) {
    for (const char* failing :
         {"Screen.Width", "Form3.SetVisible", "Label1.SetCaption", "Label1.SetVisible", "StartWorkbook"}) {
        CallLog log;
        FakeForm3 form(log);
        FakeArguments arguments(log);
        arguments.first = L"C:\\x.xls";
        log.failing.insert(failing);
        FormLoad(form, arguments);
        Calls names;
        for (const std::string& call : log.calls)
            names.push_back(NameOf(call));
        Calls expected;
        for (const std::string& call : ExpectedCalls(failing, NamedWorkbookSteps("StartWorkbook")))
            expected.push_back(NameOf(call));
        EXPECT_EQ(names, expected) << failing;
    }
}

} // namespace
} // namespace quben::testing
