#include "launch/directory_search.h"
#include "launch/launch_platform.h"
#include "launch/start_workbook.h"
#include "platform/independent_steps.h"
#include "tests/unit/call_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>

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
    bool ReadOnlyChosen() override { return log.Record("Form3.ReadOnlyChosen"), readOnly; }
    int MsgBox(std::wstring_view prompt, std::uint32_t style, std::wstring_view title) override {
        log.Record("MsgBox", Utf8(prompt) + "|" + std::to_string(style) + "|" + Utf8(title));
        if (whileShown)
            whileShown();
        return answer;
    }
    void ShowWorking() override { log.Record("Form3.ShowWorking"); }
    void AllowAnyToFront() override { log.Record("Form3.AllowAnyToFront"); }
    void BringToFront(std::intptr_t window) override {
        log.Record("Form3.BringToFront", std::to_string(window));
    }
    void Minimise() override { log.Record("Form3.Minimise"); }
    void Unload(int exitCode) override { log.Record("Form3.Unload", std::to_string(exitCode)); }

    CallLog& log;
    std::wstring caption = L"C:\\Été données\\é.xls";
    int answer = 1;                   // IDOK
    std::function<void()> whileShown; // what happens while a box is up
    bool readOnly = false;            // the dialog's read-only box
};

class FakeFiles final : public DirectorySearch {
public:
    explicit FakeFiles(CallLog& log) : log(log) {}
    void ForEachMatch(std::wstring_view pattern, FunctionRef<bool(const DirectoryEntry&)> visit) override {
        log.Record("Files.Search", Utf8(pattern));
        if (present)
            visit({L"é.xls", file_attribute::kArchive});
    }
    CallLog& log;
    bool present = true;
};

class FakePlatform final : public LaunchPlatform {
public:
    explicit FakePlatform(CallLog& log) : log(log) {}
    std::wstring ShortPathName(std::wstring_view folder) override {
        return log.Record("Platform.ShortPathName", Utf8(folder)), shortFolder;
    }
    std::wstring SystemText(std::int32_t) override { return log.Record("Platform.SystemText"), systemText; }
    bool OpenElsewhere(std::wstring_view path) override {
        return log.Record("Platform.OpenElsewhere", Utf8(path)), openElsewhere;
    }
    int LocationZone(std::wstring_view path) override {
        return log.Record("Platform.LocationZone", Utf8(path)), locationZone;
    }
    std::optional<std::string> ReadDownloadMark(std::wstring_view path) override {
        return log.Record("Platform.ReadDownloadMark", Utf8(path)), mark;
    }
    void RemoveDownloadMark(std::wstring_view path) override {
        log.Record("Platform.RemoveDownloadMark", Utf8(path));
    }
    bool UnblockingForbidden() override { return log.Record("Platform.UnblockingForbidden"), forbidden; }
    std::optional<std::wstring> SpreadsheetVersion() override {
        return log.Record("Platform.SpreadsheetVersion"), version;
    }
    MacroPolicy ReadMacroPolicy(std::wstring_view read) override {
        return log.Record("Platform.ReadMacroPolicy", Utf8(read)), policy;
    }
    TrustedLocations ReadTrustedLocations(std::wstring_view read) override {
        return log.Record("Platform.ReadTrustedLocations", Utf8(read)), trusted;
    }
    std::wstring LongPathName(std::wstring_view path) override {
        return log.Record("Platform.LongPathName", Utf8(path)), std::wstring(path);
    }
    bool SameName(std::wstring_view a, std::wstring_view b) override { return a == b; }
    bool OnNetworkDrive(std::wstring_view path) override {
        return log.Record("Platform.OnNetworkDrive", Utf8(path)), false;
    }
    std::uint64_t ProcessClock() override { return log.Record("Platform.ProcessClock"), 42; }
    bool ApplicationRunningSince(std::uint64_t since) override {
        return log.Record("Platform.ApplicationRunningSince", std::to_string(since)), applicationRunning;
    }
    void WriteEvent(const LaunchEvent& event) override { events.push_back(event); }
    CallLog& log;
    TrustedLocations trusted;       // none
    bool applicationRunning = true; // a process of the application's created since the creation began
    std::optional<std::wstring> version = L"16.0"; // as the registration names it
    MacroPolicy policy;                            // nothing set
    std::vector<LaunchEvent> events;               // what the launch left in the log
    int locationZone = 0;                          // this computer
    std::optional<std::string> mark;               // none
    bool forbidden = false;
    std::wstring shortFolder = L"C:\\DOSSIE~1\\";
    std::wstring systemText = L"Accès refusé.\r\n";
    bool openElsewhere = false; // another process keeps the file from being opened for writing
};

// A clock that moves only when the launch pauses; `onPause` lets a test act meanwhile.
class FakeClock final : public BusyWait {
public:
    std::chrono::steady_clock::time_point Now() override { return now; }
    void Pause(std::chrono::milliseconds pause) override {
        now += pause;
        if (onPause)
            onPause();
    }
    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
    }
    const std::chrono::steady_clock::time_point start{std::chrono::hours(1)};
    std::chrono::steady_clock::time_point now = start;
    std::function<void()> onPause;
};

// The application refuses every call as busy until `until` on the fake clock, as long as the
// launch's policy makes it again.
struct FakeBusy {
    void Answer() {
        const std::int32_t status = RetryWhileBusy(
            *policy, [&] { return clock.now < until ? busy_status::kCallRejected : std::int32_t{0}; });
        if (status != 0)
            ThrowPlatformError(status);
    }
    void BusyFor(std::chrono::milliseconds spell) { until = clock.now + spell; }
    FakeClock& clock;
    BusyPolicy* policy = nullptr;
    std::chrono::steady_clock::time_point until{};
};

// Every call of the application's objects is recorded, then answered (or refused as busy).
struct FakeApplicationState {
    void Call(const std::string& name, const std::string& detail = {}) {
        log.Record(name, detail);
        if (const auto spell = busyFrom.extract(name))
            busy.BusyFor(spell.mapped());
        busy.Answer();
    }
    CallLog& log;
    FakeBusy busy;
    bool readOnly = false; // what Workbook.ReadOnly answers
    // The application turns busy, for a spell, when a call of this name comes (once each).
    std::map<std::string, std::chrono::milliseconds> busyFrom;
    bool visible = true;            // what Application.Visible answers
    bool visibleUnanswered = false; // or it fails to
};

class FakeApplication final : public SpreadsheetApplication {
public:
    explicit FakeApplication(FakeApplicationState& state) : state(state) {}
    std::wstring Version() override { return state.Call("Application.Version"), L"15.0"; }
    void SetAutomationSecurity(std::int32_t value) override {
        state.Call("Application.AutomationSecurity", std::to_string(value));
    }
    void SetDisplayAlerts(bool value) override {
        state.Call("Application.DisplayAlerts", value ? "true" : "false");
    }
    void SetVisible(bool value) override { state.Call("Application.Visible", value ? "true" : "false"); }
    bool Visible() override {
        state.Call("Application.Visible");
        if (state.visibleUnanswered)
            ThrowPlatformError(kStatusUnexpected);
        return state.visible;
    }
    std::unique_ptr<WorkbookCollection> Workbooks() override;
    std::intptr_t Hwnd() override { return state.Call("Application.Hwnd"), 0x1234; }
    void Quit() override { state.Call("Application.Quit"); }
    FakeApplicationState& state;
};

class FakeWorkbook final : public Workbook {
public:
    explicit FakeWorkbook(FakeApplicationState& state) : state(state) {}
    void RunAutoMacros(std::int32_t which) override {
        state.Call("Workbook.RunAutoMacros", std::to_string(which));
    }
    bool ReadOnly() override { return state.Call("Workbook.ReadOnly"), state.readOnly; }
    void Activate() override { state.Call("Workbook.Activate"); }
    std::unique_ptr<SpreadsheetApplication> Application() override {
        state.Call("Workbook.Application");
        return std::make_unique<FakeApplication>(state);
    }
    FakeApplicationState& state;
};

class FakeWorkbooks final : public WorkbookCollection {
public:
    explicit FakeWorkbooks(FakeApplicationState& state) : state(state) {}
    std::unique_ptr<Workbook> Open(std::wstring_view filename, std::wstring_view password,
                                   bool readOnly) override {
        state.Call("Workbooks.Open", Utf8(filename) + "|" + Utf8(password) + (readOnly ? "|ReadOnly" : ""));
        return std::make_unique<FakeWorkbook>(state);
    }
    FakeApplicationState& state;
};

std::unique_ptr<WorkbookCollection> FakeApplication::Workbooks() {
    state.Call("Application.Workbooks");
    return std::make_unique<FakeWorkbooks>(state);
}

class FakeHost final : public SpreadsheetHost {
public:
    FakeHost(CallLog& log, FakeClock& clock) : state{log, {clock}, false, {}} {}
    std::unique_ptr<SpreadsheetApplication> CreateApplication(BusyPolicy& busy) override {
        state.log.Record("Host.CreateApplication");
        state.busy.policy = &busy;
        // An application that shows a window of its own before it registers: the creation
        // returns late, the launch's window answering meanwhile.
        for (auto elapsed = std::chrono::milliseconds(0); elapsed < createTakes; elapsed += kPendingPoll)
            busy.AwaitPending(elapsed);
        return createsNothing ? nullptr : std::make_unique<FakeApplication>(state);
    }
    std::unique_ptr<Workbook> FindOpenWorkbook(std::wstring_view path, BusyPolicy& busy) override {
        state.log.Record("Host.FindOpenWorkbook", Utf8(path));
        state.busy.policy = &busy;
        return alreadyOpen ? std::make_unique<FakeWorkbook>(state) : nullptr;
    }
    FakeApplicationState state;
    bool createsNothing = false;
    std::chrono::milliseconds createTakes{0};
    bool alreadyOpen = false; // in an application running on this desktop
};

const std::string kPath = "C:\\Été données\\é.xls";

// Each event's ending and the step the launch had reached.
using Logged = std::vector<std::pair<LaunchEnding, LaunchStep>>;
Logged LoggedOf(const std::vector<LaunchEvent>& events) {
    Logged logged;
    for (const LaunchEvent& event : events)
        logged.emplace_back(event.ending, event.step);
    return logged;
}
const std::string kOpen = "Workbooks.Open(" + kPath + "|vepal_kordinut!?)";
const std::string kFailureBox = "|327696|quben)"; // OK, error icon, set foreground, topmost
const std::string kAlertsOff = "Application.DisplayAlerts(false)";
const std::string kAlertsBack = "Application.DisplayAlerts(true)";
const std::string kByUi = "Application.AutomationSecurity(2)";
// The boxes' texts, each written once, cut only between phrases.
// clang-format off
const std::string kAbsentBox = "MsgBox(Désolé , le fichier correspondant est absent du répertoire de travail .|0|quben)";
const std::string kNotStarted = "MsgBox(Microsoft Excel n'a pas pu être démarré.\n\nAccès refusé.\n(code "; // then the status
const std::string kNotResponding = "MsgBox(Excel ne répond pas.\n\n"
                                   "Si Excel affiche une fenêtre, répondez-y, puis ouvrez de nouveau le classeur." + kFailureBox;
const std::string kNotOpened = "MsgBox(Le classeur n'a pas pu être ouvert dans Excel.\n\n" + kPath + "\n\nAccès refusé.\n(code ";
const std::string kRulesNotApplied = "MsgBox(Le classeur n'a pas pu être ouvert selon les règles de votre organisation pour les macros.\n\n"
                                     "Adressez-vous à votre service informatique." + kFailureBox;
const std::string kMacrosNotRun = "MsgBox(Les macros de ce classeur n'ont pas pu s'exécuter "
                                  "(règles de votre organisation, paramètres d'Excel, ou provenance du fichier).\n\n"
                                  "Le classeur reste ouvert dans Excel, mais ses calculs ne fonctionneront pas. "
                                  "Adressez-vous à votre service informatique." + kFailureBox;
// clang-format on

// The launch of a workbook that is there, as the calls each step makes.
const std::vector<Calls> kLaunchSteps = {
    {"Label1.Caption", "Files.Search(" + kPath + ")"}, // the test: is the workbook there?
    {"Label1.Caption"},                                // the name the application is given
    {"Platform.LocationZone(" + kPath + ")", "Platform.ReadDownloadMark(" + kPath + ")", // from where?
     "Platform.SpreadsheetVersion", "Platform.ReadMacroPolicy(16.0)"}, // the organisation's rules
    {"Host.FindOpenWorkbook(" + kPath + ")"},                          // is it open already?
    {"Form3.ShowWorking", "Form3.AllowAnyToFront"},
    {"Platform.ProcessClock", "Host.CreateApplication"},
    {"Application.DisplayAlerts(false)"},
    {"Application.Visible(true)"},
    {"Application.Hwnd", "Form3.BringToFront(4660)"}, // while the launcher is in front
    {"Form3.Minimise"},
    {"Form3.ReadOnlyChosen", "Platform.OpenElsewhere(" + kPath + ")"}, // does someone else have it?
    {"Application.Workbooks", kOpen},
    {"Workbook.RunAutoMacros(1)"},
    {"Application.DisplayAlerts(true)"}, // given back as the launch ends
    {"Form3.Unload(0)"},
};

Calls Flatten(const std::vector<Calls>& steps) {
    Calls calls;
    for (const Calls& step : steps)
        calls.insert(calls.end(), step.begin(), step.end());
    return calls;
}

// The first `count` steps of the launch.
Calls StepsUpTo(std::size_t count) {
    return Flatten({kLaunchSteps.begin(), kLaunchSteps.begin() + static_cast<std::ptrdiff_t>(count)});
}

// `calls` with `call` inserted after the first occurrence of `after`.
Calls With(Calls calls, const std::string& after, const std::string& call) {
    calls.insert(std::next(std::find(calls.begin(), calls.end(), after)), call);
    return calls;
}

Calls Then(Calls calls, std::initializer_list<std::string> more) {
    calls.insert(calls.end(), more);
    return calls;
}

class StartWorkbookTest : public ::testing::Test {
public:
    CallLog log;
    FakeWindow window{log};
    FakeFiles files{log};
    FakePlatform platform{log};
    FakeClock clock;
    FakeHost host{log, clock};
    WorkbookStarter starter{window, files, platform, host, clock};
};

TEST_F(StartWorkbookTest, PresentWorkbookIsOpenedInANewVisibleApplicationBroughtToTheFrontFirst) {
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, Flatten(kLaunchSteps));
    EXPECT_NE(starter.HostReference(), nullptr) << "the application started is kept";
    EXPECT_TRUE(platform.events.empty()) << "a launch that works leaves nothing in the log";
}

TEST_F(StartWorkbookTest, AbsentWorkbookGetsTheOneMessageThenUnloadsWithoutStartingAnything) {
    files.present = false;
    starter.StartWorkbook();
    EXPECT_EQ(log.calls,
              (Calls{"Label1.Caption", "Files.Search(" + kPath + ")", kAbsentBox, "Form3.Unload(0)"}));
    EXPECT_EQ(starter.HostReference(), nullptr);
    EXPECT_EQ(LoggedOf(platform.events), (Logged{{LaunchEnding::Absent, LaunchStep::Checking}}));
    EXPECT_EQ(platform.events[0].path, window.caption);
}

TEST_F(StartWorkbookTest, TextsAndConstantsAreExact) {
    EXPECT_EQ(kAbsentPrompt.size(), 71u);
    EXPECT_EQ(kWorkbookPassword.size(), 16u);
    EXPECT_EQ(kMessageTitle, L"quben");
    EXPECT_EQ(kMessageButtons, 0u);
    EXPECT_EQ(kFailureBoxStyle, 0x0u | 0x10u | 0x10000u | 0x40000u);
    EXPECT_EQ(kXlAutoOpen, 1);
    EXPECT_EQ(kExitDone, 0);
    EXPECT_EQ(kExitFailed, 1);
    EXPECT_EQ(kLookupLimit, std::chrono::seconds(5));
}

TEST_F(StartWorkbookTest, EmptyPathIsReportedAbsentWithoutSearching) {
    window.caption.clear();
    starter.StartWorkbook();
    EXPECT_EQ(log.calls.size(), 3u);
    EXPECT_TRUE(log.calls[1].starts_with("MsgBox("));
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
    EXPECT_EQ(log.calls.back(), "Form3.Unload(0)");
    log.calls.clear();
    files.present = true;
    log.failing.insert("Host.CreateApplication");
    starter.StartWorkbook();
    EXPECT_EQ(log.calls.back(), "Form3.Unload(1)");
}

TEST_F(StartWorkbookTest, ReportingAbsentShowsTheSameMessageWithoutSearchingOrStartingAnything) {
    starter.ReportAbsent();
    EXPECT_EQ(log.calls,
              (Calls{"Label1.Caption", // for the log
                     kAbsentBox, "Form3.Unload(0)"}));
    EXPECT_EQ(platform.events.at(0).path, window.caption);
    EXPECT_EQ(starter.HostReference(), nullptr);
}

// A close while the last box (the missing file, the read-only notice) is up is a close too: exit 1.
TEST_F(StartWorkbookTest, ACloseWhileTheLastBoxIsUpEndsWithExitCodeOne) {
    for (const bool absent : {true, false}) {
        log.calls.clear();
        WorkbookStarter once(window, files, platform, host, clock);
        files.present = !absent;
        platform.openElsewhere = !absent;
        host.state.readOnly = !absent;
        window.whileShown = [&] { once.Cancel(); };
        once.StartWorkbook();
        EXPECT_TRUE(log.calls.at(log.calls.size() - 2)
                        .starts_with(absent ? "MsgBox(Désolé" : "MsgBox(Ce classeur est déjà"));
        EXPECT_EQ(log.calls.back(), "Form3.Unload(1)") << absent;
    }
}

TEST_F(StartWorkbookTest, TheNameGivenToTheApplicationIsReadAgainFromTheLabel) {
    // The label changes between the test and the next read: the application gets the new text.
    struct ChangingWindow final : LaunchWindow {
        int reads = 0;
        std::wstring Label1Caption() override { return reads++ == 0 ? L"C:\\a.xls" : L"C:\\b.xls"; }
        bool ReadOnlyChosen() override { return false; }
        int MsgBox(std::wstring_view, std::uint32_t, std::wstring_view) override { return 1; }
        void ShowWorking() override {}
        void AllowAnyToFront() override {}
        void BringToFront(std::intptr_t) override {}
        void Minimise() override {}
        void Unload(int) override {}
    } changing;
    WorkbookStarter other(changing, files, platform, host, clock);
    other.StartWorkbook();
    EXPECT_NE(std::find(log.calls.begin(), log.calls.end(), "Workbooks.Open(C:\\b.xls|vepal_kordinut!?)"),
              log.calls.end());
}

// The application cannot be created: the "not started" message, and nothing else is asked of it.
TEST_F(StartWorkbookTest, NoApplicationGetsTheNotStartedMessageAndExitCodeOne) {
    log.failing.insert("Host.CreateApplication");
    const std::string notInstalled = "MsgBox(Microsoft Excel n'a pas pu être démarré.\n\nExcel ne semble pas "
                                     "être installé sur cet ordinateur.\n(code 0x";
    for (const char* code : {"80040154", "800401F3"}) { // not registered, unknown class name
        log.calls.clear();
        log.failureStatus = static_cast<std::int32_t>(std::stoul(code, nullptr, 16));
        starter.StartWorkbook();
        std::string message = notInstalled + code;
        message.append(")").append(kFailureBox);
        EXPECT_EQ(log.calls, Then(StepsUpTo(6), {message, "Form3.Unload(1)"}));
    }
    // Anything else is explained in the system's words.
    log.calls.clear();
    log.failureStatus = static_cast<std::int32_t>(0x80070005);
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, Then(StepsUpTo(6), {"Platform.SystemText", kNotStarted + "0x80070005)" + kFailureBox,
                                             "Form3.Unload(1)"}));
}

// Refused or left unfinished by an application that has started (a window of its own up): made
// once, and the box says it was started, not that it could not be.
// CO_E_SERVER_EXEC_FAILURE also says the process exited or crashed before it registered: "started"
// only while a process of the application's, created since the creation began, still runs.
TEST_F(StartWorkbookTest, ACreationTheStartedApplicationRefusedIsNotMadeTwiceAndSaysSo) {
    log.failing.insert("Host.CreateApplication");
    const std::string notReady = "MsgBox(Excel a été lancé mais ne répond pas encore.\n\nSi une "
                                 "fenêtre d'Excel est ouverte (activation, compte, démarrage sans "
                                 "échec), répondez-y, puis ouvrez de nouveau le classeur." +
                                 kFailureBox;
    const std::string notStarted = kNotStarted + "0x80080005)" + kFailureBox;
    const std::string asked = "Platform.ApplicationRunningSince(42)";
    const struct {
        std::uint32_t status;
        bool running;
        Calls box;
        LaunchEnding ending;
    } cases[] = {
        {0x80080005u, true, {asked, notReady}, LaunchEnding::NotReady},
        {0x80080005u, false, {asked, "Platform.SystemText", notStarted}, LaunchEnding::NotStarted},
        {0x80010001u, false, {notReady}, LaunchEnding::NotReady}, // refused: it is there
        {0x8001010Au, false, {notReady}, LaunchEnding::NotReady},
    };
    for (const auto& c : cases) {
        log.calls.clear();
        platform.events.clear();
        log.failureStatus = static_cast<std::int32_t>(c.status);
        platform.applicationRunning = c.running;
        WorkbookStarter once(window, files, platform, host, clock);
        once.StartWorkbook();
        Calls expected = StepsUpTo(6);
        expected.insert(expected.end(), c.box.begin(), c.box.end());
        EXPECT_EQ(log.calls, Then(expected, {"Form3.Unload(1)"})) << c.status;
        EXPECT_EQ(LoggedOf(platform.events), (Logged{{c.ending, LaunchStep::Creating}}));
        EXPECT_EQ(platform.events.at(0).error->status, static_cast<std::int32_t>(c.status));
    }
}

TEST_F(StartWorkbookTest, ACreationThatGivesNoApplicationIsANotStartedMessage) {
    host.createsNothing = true;
    starter.StartWorkbook();
    EXPECT_EQ(log.calls.back(), "Form3.Unload(1)");
    EXPECT_NE(log.calls.at(log.calls.size() - 2).find("(code 0x80004003)"), std::string::npos);
}

// Open fails, whatever the reason (a wrong password, the application gone): its alerts come back
// on, then the "not opened" message with the chosen path and the application's own explanation.
TEST_F(StartWorkbookTest, AWorkbookNotOpenedGetsTheNotOpenedMessageAfterTheAlertsComeBack) {
    log.failing.insert("Workbooks.Open");
    log.failureStatus = static_cast<std::int32_t>(0x800A03EC);
    log.failureDescription = L"Le mot de passe est incorrect. ";
    log.failureSource = L"Microsoft Excel";
    starter.StartWorkbook();
    const LaunchEvent& event = platform.events.at(0);
    EXPECT_EQ(LoggedOf(platform.events), (Logged{{LaunchEnding::NotOpened, LaunchStep::Opening}}));
    EXPECT_EQ(std::tie(event.error->status, event.error->description, event.error->source, event.exitCode),
              std::tuple(static_cast<std::int32_t>(0x800A03EC), L"Le mot de passe est incorrect. ",
                         L"Microsoft Excel", 1));
    EXPECT_TRUE(event.boxText.starts_with(L"Le classeur n'a pas pu être ouvert dans Excel."));
    const std::string message = "MsgBox(Le classeur n'a pas pu être ouvert dans Excel.\n\n" + kPath +
                                "\n\nLe mot de passe est incorrect.\n(code 0x800A03EC)" + kFailureBox;
    EXPECT_EQ(log.calls,
              Then(StepsUpTo(12), {"Application.DisplayAlerts(true)", message, "Form3.Unload(1)"}));

    // Without an explanation of the application's, the system's.
    log.calls.clear();
    log.failureStatus = static_cast<std::int32_t>(0x800706BA); // the application has gone
    log.failureDescription.clear();
    platform.systemText.clear(); // nor one of the system's: the code alone
    starter.StartWorkbook();
    EXPECT_EQ(log.calls.at(log.calls.size() - 2),
              "MsgBox(Le classeur n'a pas pu être ouvert dans Excel.\n\n" + kPath + "\n\n(code 0x800706BA)" +
                  kFailureBox);

    // A NUL in the application's text would end the box there, before the code and the advice.
    log.failureDescription = std::wstring(L"Mot de passe\0incorrect.\0", 24);
    starter.StartWorkbook();
    EXPECT_NE(log.calls.at(log.calls.size() - 2).find("Mot de passe incorrect.\n(code "), std::string::npos);
}

TEST_F(StartWorkbookTest, ALongPathGoesWithItsFolderShortAndTheMessagesShowItAsChosen) {
    const std::wstring folder = L"C:\\Dossier de mesures " + std::wstring(200, L'é') + L"\\";
    window.caption = folder + L"Incertitude étalonnage.xls";
    log.failing.insert("Workbooks.Open");
    starter.StartWorkbook();
    const std::string chosen = Utf8(window.caption);
    EXPECT_NE(std::find(log.calls.begin(), log.calls.end(), "Platform.ShortPathName(" + Utf8(folder) + ")"),
              log.calls.end());
    EXPECT_NE(std::find(log.calls.begin(), log.calls.end(),
                        "Workbooks.Open(C:\\DOSSIE~1\\Incertitude étalonnage.xls|vepal_kordinut!?)"),
              log.calls.end());
    EXPECT_NE(log.calls.at(log.calls.size() - 2).find("\n\n" + chosen + "\n\n"), std::string::npos);
}

TEST_F(StartWorkbookTest, APathTooLongEvenShortenedGetsTheTooLongMessageAndNoApplication) {
    window.caption = L"C:\\Mesures\\" + std::wstring(210, L'n') + L".xls";
    log.failing.insert("Platform.ShortPathName"); // no short names on this volume
    starter.StartWorkbook();
    EXPECT_EQ(
        log.calls,
        (Calls{"Label1.Caption", "Files.Search(" + Utf8(window.caption) + ")", "Label1.Caption",
               "Platform.ShortPathName(C:\\Mesures\\)",
               "MsgBox(Le chemin de ce classeur est trop long pour Excel (218 caractères au plus).\n\n" +
                   Utf8(window.caption) +
                   "\n\nDéplacez le classeur dans un dossier au chemin plus court, ou donnez-lui un nom "
                   "plus court, puis ouvrez-le de nouveau." +
                   kFailureBox,
               "Form3.Unload(1)"}));
    EXPECT_EQ(starter.HostReference(), nullptr);
}

// Each step stands alone: the failing one is skipped and every later step is still made,
// except those that need what the failed step would have produced. None of these is worth a
// message: the application has the workbook.
struct FailureCase {
    const char* failing;
    Calls expected;
};

class StartWorkbookFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(StartWorkbookFailureTest, AFailingStepIsSkippedSilently) {
    CallLog log;
    FakeWindow window(log);
    FakeFiles files(log);
    FakePlatform platform(log);
    FakeClock clock;
    FakeHost host(log, clock);
    WorkbookStarter starter(window, files, platform, host, clock);
    log.failing.insert(GetParam().failing);
    static std::vector<std::int32_t> traced; // what the live trace is told
    traced.clear();
    droppedStepSink = [](const StepPlace&, std::int32_t status) noexcept { traced.push_back(status); };
    starter.StartWorkbook();
    droppedStepSink = nullptr;
    EXPECT_EQ(log.calls, GetParam().expected);
    EXPECT_EQ(std::count(traced.begin(), traced.end(), log.failureStatus), std::ssize(traced));
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "Form3.Unload(0)"), 1);
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    EachStep, StartWorkbookFailureTest,
    ::testing::Values(
        // A search that fails answers "absent".
        FailureCase{"Files.Search",
                    {"Label1.Caption", "Files.Search(" + kPath + ")",
                     kAbsentBox,
                     "Form3.Unload(0)"}},
        FailureCase{"Form3.ShowWorking", Flatten(kLaunchSteps)},
        FailureCase{"Application.DisplayAlerts",
                    With(Flatten(kLaunchSteps), "Application.DisplayAlerts(true)",
                         "Application.DisplayAlerts(true)")},
        // A lookup that fails means "not open".
        FailureCase{"Host.FindOpenWorkbook", Flatten(kLaunchSteps)},
        FailureCase{"Form3.AllowAnyToFront", Flatten(kLaunchSteps)},
        FailureCase{"Platform.OpenElsewhere", Flatten(kLaunchSteps)},
        FailureCase{"Application.Hwnd", Without({"Form3.BringToFront(4660)"})},
        FailureCase{"Form3.BringToFront", Flatten(kLaunchSteps)},
        FailureCase{"Form3.Minimise", Flatten(kLaunchSteps)},
        // A policy that cannot be read is not set; a version the registration does not give, the
        // instance's own.
        FailureCase{"Platform.SpreadsheetVersion",
                    With(With(Without({"Platform.ReadMacroPolicy(16.0)"}), "Host.CreateApplication",
                              "Application.Version"),
                         "Application.Version", "Platform.ReadMacroPolicy(15.0)")},
        FailureCase{"Platform.ReadMacroPolicy", Flatten(kLaunchSteps)},
        FailureCase{"Form3.ReadOnlyChosen", Flatten(kLaunchSteps)},
        FailureCase{"Form3.Unload", Flatten(kLaunchSteps)}),
    [](const auto& info) {
        std::string name = info.param.failing;
        std::erase(name, '.');
        return name;
    });
// clang-format on

// A workbook downloaded from the Internet: its macros run only on the user's yes.
class DownloadedWorkbookTest : public StartWorkbookTest {
protected:
    DownloadedWorkbookTest() {
        platform.mark =
            "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://exemple.org/budget%20v2.xls?sig=a1b2\r\n";
    }
    // The question, with the "Provenance" line that names `source`, or none.
    static std::string Question(const std::string& source) {
        return "MsgBox(Ce classeur provient d'Internet.\n\nWindows l'a marqué comme téléchargé. "
               "Ses macros s'exécuteront dès son ouverture\u00A0: "
               "ne continuez que si vous avez confiance en sa provenance.\n\n" +
               (source.empty() ? "" : "Provenance\u00A0: " + source + "\n\n") +
               "Débloquer ce classeur et l'ouvrir\u00A0?|308|quben)"; // Yes and No (No the default), warning
                                                                      // icon
    }
    // Up to the question: the trusted locations (where none is asked), then "Débloquer"'s rule.
    const Calls asking =
        Then(StepsUpTo(3), {"Platform.ReadTrustedLocations(16.0)", "Platform.LongPathName(" + kPath + ")",
                            "Platform.OnNetworkDrive(" + kPath + ")", "Platform.UnblockingForbidden"});
    // The launch, unasked, once the trusted locations are read; the same where the application's
    // own rules decide.
    const Calls launched =
        With(With(With(Flatten(kLaunchSteps), "Platform.ReadMacroPolicy(16.0)",
                       "Platform.ReadTrustedLocations(16.0)"),
                  "Platform.ReadTrustedLocations(16.0)", "Platform.LongPathName(" + kPath + ")"),
             "Platform.LongPathName(" + kPath + ")", "Platform.OnNetworkDrive(" + kPath + ")");
    const Calls byUi = With(launched, "Host.CreateApplication", "Application.AutomationSecurity(2)");
    const std::string question = Question("https://exemple.org"); // the host alone, not what was fetched
    const std::string refusal =
        "MsgBox(Ce classeur provient d'Internet et votre organisation ne permet pas de le débloquer.\n\n"
        "Enregistrez-le dans un dossier approuvé par votre service informatique, ou adressez-vous à lui." +
        kFailureBox;
};

TEST_F(DownloadedWorkbookTest, AYesUnblocksItThenTheLaunchGoesOn) {
    window.answer = 6; // IDYES
    starter.StartWorkbook();
    Calls expected = Then(asking, {question, "Platform.RemoveDownloadMark(" + kPath + ")"});
    const Calls rest = Flatten({kLaunchSteps.begin() + 3, kLaunchSteps.end()});
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(log.calls, expected);
    // The audit: the zone and what placed the workbook there, the site shown, the answer.
    const LaunchEvent& audit = platform.events.at(0);
    EXPECT_EQ(LoggedOf(platform.events), (Logged{{LaunchEnding::Answered, LaunchStep::Origin}}));
    EXPECT_EQ(std::tie(audit.zone, audit.zoneOrigin, audit.host, audit.yes, audit.markRemoved),
              std::tuple(3, ZoneOrigin::Mark, L"https://exemple.org", true, true));
}

TEST_F(DownloadedWorkbookTest, ALauncherClosedWhileTheQuestionIsUpGoesNoFurtherWhateverTheAnswer) {
    window.answer = 6;
    window.whileShown = [this] { starter.Cancel(); };
    starter.StartWorkbook();
    EXPECT_EQ(log.calls.back(), "Form3.Unload(1)");
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "Host.CreateApplication"), 0);
}

TEST_F(DownloadedWorkbookTest, ANoOrNoAnswerEndsWithoutTouchingTheFileOrStartingAnything) {
    window.answer = 7; // IDNO
    starter.StartWorkbook();
    const Calls asked = Then(asking, {question, "Form3.Unload(0)"});
    EXPECT_EQ(log.calls, asked);
    log.calls.clear();
    log.failing.insert("MsgBox"); // a question that cannot be asked
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, asked);
    EXPECT_EQ(starter.HostReference(), nullptr);
}

// Every answer to the question: only a yes the launch goes on with removes the mark (nothing is
// written on a cancelled launch), and every answer the user gave is audited.
TEST_F(DownloadedWorkbookTest, EachAnswerGivesItsRemovalsItsEventsAndItsExitCode) {
    using Answer = std::optional<bool>; // what the audit says; nothing: no audit
    const struct {
        const char* why;
        int answer;
        bool shown;
        bool closeWhileShown;
        int removals;
        std::vector<LaunchEnding> events;
        Answer audited;
        const char* unload;
    } cases[] = {
        {"yes", 6, true, false, 1, {LaunchEnding::Answered}, true, "Form3.Unload(0)"},
        {"no", 7, true, false, 0, {LaunchEnding::Answered}, false, "Form3.Unload(0)"},
        {"no answer", 0, false, false, 0, {}, std::nullopt, "Form3.Unload(0)"},
        {"yes then a close",
         6,
         true,
         true,
         0,
         {LaunchEnding::Answered, LaunchEnding::Closed},
         true,
         "Form3.Unload(1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        log.calls.clear();
        log.failing.clear();
        platform.events.clear();
        if (!c.shown)
            log.failing.insert("MsgBox");
        WorkbookStarter once(window, files, platform, host, clock);
        window.answer = c.answer;
        window.whileShown = [&] {
            if (c.closeWhileShown)
                once.Cancel();
        };
        once.StartWorkbook();
        EXPECT_EQ(
            std::count(log.calls.begin(), log.calls.end(), "Platform.RemoveDownloadMark(" + kPath + ")"),
            c.removals);
        std::vector<LaunchEnding> endings;
        for (const LaunchEvent& event : platform.events)
            endings.push_back(event.ending);
        EXPECT_EQ(endings, c.events);
        if (c.audited) {
            EXPECT_EQ(platform.events.at(0).yes, *c.audited);
        }
        EXPECT_EQ(log.calls.back(), c.unload);
    }
}

// The user's answer is the gate: a read-only file or share keeps its mark, and says nothing.
TEST_F(DownloadedWorkbookTest, AMarkThatCannotBeRemovedStillLaunchesSilently) {
    window.answer = 6;
    log.failing.insert("Platform.RemoveDownloadMark");
    log.failureStatus = static_cast<std::int32_t>(0x80070005);
    starter.StartWorkbook();
    EXPECT_EQ(std::count_if(log.calls.begin(), log.calls.end(),
                            [](const auto& c) { return c.starts_with("MsgBox"); }),
              1);
    EXPECT_EQ(log.calls.back(), "Form3.Unload(0)");
    EXPECT_NE(starter.HostReference(), nullptr);
    EXPECT_FALSE(platform.events.at(0).markRemoved);
}

TEST_F(DownloadedWorkbookTest, WhereTheOrganisationForbidsUnblockingItIsRefusedUnaskedAndUntouched) {
    platform.forbidden = true;
    window.answer = 6;
    starter.StartWorkbook();
    const Calls refused = Then(asking, {refusal, "Form3.Unload(1)"});
    EXPECT_EQ(log.calls, refused);
    // A rule that cannot be read is not assumed away, nor told as set.
    platform.forbidden = false;
    log.calls.clear();
    log.failing.insert("Platform.UnblockingForbidden");
    WorkbookStarter{window, files, platform, host, clock}.StartWorkbook(); // one launch per starter
    EXPECT_EQ(log.calls, refused);
    EXPECT_EQ(EventEntry(platform.events.back()).strings[9], std::wstring_view(L"illisible"));
    EXPECT_EQ(starter.HostReference(), nullptr);
}

// The organisation blocks the macros of files from the Internet: refused, naming its rule, with
// the way out users have (unblocking the file) unless the organisation hides that too; not in a
// trusted location, where Office ignores the mark.
TEST_F(DownloadedWorkbookTest, WhereTheOrganisationBlocksItsMacrosItIsRefusedUnaskedAndUntouched) {
    const std::wstring block = L"HKCU\\blockcontentexecutionfrominternet";
    platform.policy.blockFromInternet = PolicySetting{1, block};
    const std::string blocked =
        "MsgBox(Votre organisation bloque les macros des fichiers provenant d'Internet, et ce classeur en "
        "provient\u00A0: il n'a pas été ouvert.\n\nSi vous avez confiance en ce classeur, débloquez-le dans "
        "ses propriétés (case «\u00A0Débloquer\u00A0»), puis ouvrez-le de nouveau. Sinon, adressez-vous à "
        "votre service informatique." +
        kFailureBox;
    const Calls policyRead =
        Then(StepsUpTo(3), {"Platform.ReadTrustedLocations(16.0)", "Platform.LongPathName(" + kPath + ")",
                            "Platform.OnNetworkDrive(" + kPath + ")", "Platform.UnblockingForbidden"});
    const struct {
        bool hidden; // the Attachment Manager's policy
        std::string box;
        LaunchEnding ending;
        std::wstring named;
        bool unreadable = false; // that policy: not assumed away
    } cases[] = {{false, blocked, LaunchEnding::InternetMacrosBlocked, block},
                 {true, refusal, LaunchEnding::Forbidden, std::wstring(kHideZoneInfoPolicy)},
                 {false, refusal, LaunchEnding::Forbidden, std::wstring(kHideZoneInfoPolicy), true}};
    for (const auto& c : cases) {
        log.calls.clear();
        platform.events.clear();
        platform.forbidden = c.hidden;
        log.failing =
            c.unreadable ? std::set<std::string>{"Platform.UnblockingForbidden"} : std::set<std::string>{};
        WorkbookStarter{window, files, platform, host, clock}.StartWorkbook();
        EXPECT_EQ(log.calls, Then(policyRead, {c.box, "Form3.Unload(1)"}));
        ASSERT_EQ(LoggedOf(platform.events), (Logged{{c.ending, LaunchStep::Policy}}));
        EXPECT_EQ(platform.events[0].policy, c.named);
    }
    // In a trusted location, where Office ignores the mark: opened unasked, "Débloquer" hidden or
    // not, the mark left as it is.
    log.calls.clear();
    log.failing.clear();
    platform.trusted.policy.push_back({L"C:\\Été données", false});
    WorkbookStarter{window, files, platform, host, clock}.StartWorkbook();
    EXPECT_EQ(log.calls, launched);
}

TEST_F(DownloadedWorkbookTest, TheHigherOfTheLocationsZoneAndTheMarksWins) {
    window.answer = 7;
    struct Case {
        int location = 0;
        const char* mark = nullptr;
        std::optional<std::string> asked; // the question, or none
        bool byUi = false;
    };
    // A location in the Internet zone, marked or not, is the application's to judge, unasked.
    const Case cases[] = {
        {0, "[ZoneTransfer]\nZoneId=4\n", Question(""), false}, // restricted sites, no address
        {3, nullptr, std::nullopt, true},                       // no mark
        {3, "[ZoneTransfer]\nZoneId=1\nHostUrl=https://a.example/", std::nullopt, true}, // no download
        {4, "[ZoneTransfer]\nZoneId=3\nHostUrl=https://a.example/x", std::nullopt, true},
        {2, "[ZoneTransfer]\nZoneId=1\n", std::nullopt, false},
        {0, "[ZoneTransfer]\nZoneId=2\n", std::nullopt, false},
    };
    for (const Case& c : cases) {
        log.calls.clear();
        platform.locationZone = c.location;
        platform.mark = c.mark ? std::optional<std::string>(c.mark) : std::nullopt;
        starter.StartWorkbook();
        EXPECT_EQ(log.calls, c.asked  ? Then(asking, {*c.asked, "Form3.Unload(0)"})
                             : c.byUi ? byUi
                                      : Flatten(kLaunchSteps))
            << c.location << " " << (c.mark ? c.mark : "no mark");
    }
}

TEST_F(DownloadedWorkbookTest, AMarkThatCannotBeReadOrAZoneNotGivenIsTheInternet) {
    window.answer = 7;
    platform.mark.reset();
    for (const auto& [failing, expected] :
         {std::pair{"Platform.ReadDownloadMark", Then(asking, {Question(""), "Form3.Unload(0)"})},
          std::pair{"Platform.LocationZone", byUi}}) {
        log.calls.clear();
        log.failing = {failing};
        starter.StartWorkbook();
        EXPECT_EQ(log.calls, expected) << failing;
    }
}

// On the Internet only because of where it is: nothing to unblock, the application's own rules
// (its bar, its block) apply, unasked, whatever the policies about marks say.
TEST_F(DownloadedWorkbookTest, AShareOnTheInternetIsLeftToTheApplicationsRulesUnasked) {
    platform.locationZone = 3;
    platform.forbidden = true;
    platform.policy.blockFromInternet = PolicySetting{1, L"HKCU\\blockcontentexecutionfrominternet"};
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, byUi);
    EXPECT_TRUE(platform.events.empty());
}

// Without a workbook collection the workbook cannot be opened either.
TEST_F(StartWorkbookTest, NoWorkbookCollectionIsAWorkbookNotOpened) {
    log.failing.insert("Application.Workbooks");
    starter.StartWorkbook();
    EXPECT_EQ(log.calls.at(log.calls.size() - 4), "Application.DisplayAlerts(true)");
    EXPECT_TRUE(log.calls.at(log.calls.size() - 2).starts_with("MsgBox(Le classeur n'a pas pu être ouvert"));
    EXPECT_EQ(log.calls.back(), "Form3.Unload(1)");
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), kOpen), 0);
}

// A busy application, a launcher closed halfway: the launch's limit, its long spells and its cancel.
class LaunchLifeTest : public StartWorkbookTest {
public:
    using ms = std::chrono::milliseconds;
    void CancelAt(ms when) {
        clock.onPause = [this, when] {
            if (clock.Elapsed() >= when)
                starter.Cancel();
        };
    }
};

TEST_F(LaunchLifeTest, TheLimitIsOneForTheWholeLaunchNotOnePerCall) {
    host.state.busyFrom = {{"Application.DisplayAlerts", ms(70'000)}, {"Workbooks.Open", ms(70'000)}};
    starter.StartWorkbook();
    // 70 s of refusals, then 50 s more at Open: the limit is reached and Open is not reported as
    // refused by the application.
    EXPECT_EQ(log.calls, Then(With(StepsUpTo(12), kAlertsOff, "Form3.Minimise"),
                              {"Application.DisplayAlerts(true)", kNotResponding,
                               "Application.DisplayAlerts(true)", "Form3.Unload(1)"}));
    EXPECT_EQ(clock.Elapsed(), kLaunchBusyLimit + kEndingGrace);
}

TEST_F(LaunchLifeTest, AnApplicationBusyPastTheLimitBeforeItIsShownIsToldToQuitOnceAndReported) {
    host.state.busyFrom = {{"Application.DisplayAlerts", ms(1'000'000)}};
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, Then(With(StepsUpTo(7), kAlertsOff, "Form3.Minimise"),
                              {"Application.Quit", kNotResponding, "Form3.Unload(1)"}));
    EXPECT_EQ(clock.Elapsed(), kLaunchBusyLimit);
    EXPECT_EQ(starter.HostReference(), nullptr) << "released";
}

TEST_F(LaunchLifeTest, AVisibleThatFailsQuitsTheInstanceAndSaysItDidNotStart) {
    log.failing.insert("Application.Visible");
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, Then(StepsUpTo(8), {"Application.Quit", "Platform.SystemText",
                                             kNotStarted + "0x80004005)" + kFailureBox, "Form3.Unload(1)"}));
    EXPECT_EQ(starter.HostReference(), nullptr);
}

TEST_F(LaunchLifeTest, OnlyALongSpellOfRefusalsMinimisesTheLauncherBeforeTheHandOver) {
    host.state.busyFrom = {{"Application.DisplayAlerts", ms(8'000)}};
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, With(Flatten(kLaunchSteps), kAlertsOff, "Form3.Minimise"));
    log.calls.clear();
    WorkbookStarter another(window, files, platform, host, clock);
    host.state.busyFrom = {{"Application.DisplayAlerts", ms(4'800)}}; // the usual start-up
    another.StartWorkbook();
    EXPECT_EQ(log.calls, Flatten(kLaunchSteps));
}

TEST_F(LaunchLifeTest, BeforeTheLaunchAClosingWindowSimplyCloses) {
    EXPECT_FALSE(starter.Cancel());
}

// Alerts the ending could not give back (refused past the limit): once more after the box, and the
// log hears of a second failure; an application free again by then takes them, and nothing more is
// logged.
TEST_F(LaunchLifeTest, AlertsNotGivenBackAreTriedOnceMoreAfterTheBoxThenLogged) {
    for (const bool freeByThen : {false, true}) {
        log.calls.clear();
        platform.events.clear();
        WorkbookStarter another(window, files, platform, host, clock);
        host.state.busyFrom = {{"Application.DisplayAlerts", ms(70'000)}, {"Workbooks.Open", ms(70'000)}};
        window.whileShown = [&] {
            if (freeByThen)
                host.state.busy.until = clock.now;
        };
        another.StartWorkbook();
        EXPECT_EQ(Calls(log.calls.end() - 4, log.calls.end()),
                  (Calls{"Application.DisplayAlerts(true)", kNotResponding, "Application.DisplayAlerts(true)",
                         "Form3.Unload(1)"}));
        Logged expected{{LaunchEnding::NotResponding, LaunchStep::Opening}};
        if (!freeByThen)
            expected.emplace_back(LaunchEnding::AlertsOff, LaunchStep::Opening);
        EXPECT_EQ(LoggedOf(platform.events), expected);
        EXPECT_EQ(platform.events.back().error->status, busy_status::kCallRejected);
    }
}

// Once the session's end is told, the process may be ended at any moment: the event is written at
// once, and only once.
TEST_F(LaunchLifeTest, TheSessionsEndIsLoggedAsItIsToldAndOnce) {
    clock.onPause = [&] {
        if (log.calls.back() == kOpen && platform.events.empty()) {
            starter.Cancel(CancelReason::SessionEnded);
            EXPECT_EQ(LoggedOf(platform.events), (Logged{{LaunchEnding::SessionEnded, LaunchStep::Opening}}));
        }
    };
    host.state.busyFrom = {{"Workbooks.Open", ms(1'000)}};
    starter.StartWorkbook();
    EXPECT_EQ(LoggedOf(platform.events), (Logged{{LaunchEnding::SessionEnded, LaunchStep::Opening}}));
}

// Every way a launch under way can end: the instance it created gets its alerts back once it has
// been shown, is told to quit when it never was; a close shows nothing and exits with 1; the limit
// ends only on a call refused at the limit.
struct Ending {
    const char* why;
    std::function<void(LaunchLifeTest&)> arrange;
    Calls expected;
    Logged events;                                            // left in the log
    std::chrono::milliseconds longest{std::chrono::hours(1)}; // by the fake clock
    bool namesRule = true; // an event about the macro rules names the setting behind it
};

class LaunchEndingTest : public LaunchLifeTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(LaunchEndingTest, GivesTheApplicationBackAndSaysWhatHappened) {
    GetParam().arrange(*this);
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, GetParam().expected);
    EXPECT_EQ(LoggedOf(platform.events), GetParam().events);
    for (const LaunchEvent& event : platform.events) {
        if (RowOf(event.ending).inserts == Inserts::WithPolicy) {
            EXPECT_EQ(!event.policy.empty(), GetParam().namesRule) << event.policy;
        }
    }
    EXPECT_LE(clock.Elapsed(), GetParam().longest);
}

void PrintTo(const Ending& ending, std::ostream* out) {
    *out << ending.why;
}

using ms = std::chrono::milliseconds;

INSTANTIATE_TEST_SUITE_P(
    EachEnding, LaunchEndingTest,
    ::testing::Values(
        Ending{"a close while the instance is created",
               [](auto& t) {
                   t.host.createTakes = ms(3'000);
                   t.CancelAt(ms(1'000));
               },
               Then(StepsUpTo(6), {"Application.Quit", "Form3.Unload(1)"}),
               {{LaunchEnding::Closed, LaunchStep::Creating}}},
        Ending{"a creation that takes long steps aside", [](auto& t) { t.host.createTakes = ms(8'000); },
               With(Flatten(kLaunchSteps), "Host.CreateApplication", "Form3.Minimise"), Logged()},
        Ending{"a creation that takes a few seconds", [](auto& t) { t.host.createTakes = ms(4'900); },
               Flatten(kLaunchSteps), Logged()},
        Ending{"a close before the instance is shown",
               [](auto& t) {
                   t.host.state.busyFrom = {{"Application.DisplayAlerts", ms(60'000)}};
                   t.CancelAt(ms(1'000));
               },
               Then(StepsUpTo(7), {"Application.Quit", "Form3.Unload(1)"}),
               {{LaunchEnding::Closed, LaunchStep::Showing}}},
        Ending{"the limit before the instance is shown",
               [](auto& t) {
                   t.host.state.busyFrom = {{"Application.DisplayAlerts", ms(1'000'000)}};
               },
               Then(With(StepsUpTo(7), kAlertsOff, "Form3.Minimise"),
                    {"Application.Quit", kNotResponding, "Form3.Unload(1)"}),
               {{LaunchEnding::NotResponding, LaunchStep::Showing}},
               kLaunchBusyLimit},
        Ending{"a close once the instance is shown",
               [](auto& t) {
                   t.host.state.busyFrom = {{"Application.Hwnd", ms(60'000)}};
                   t.CancelAt(ms(3'000));
               },
               Then(StepsUpTo(8),
                    {"Application.Hwnd", "Form3.Minimise", kAlertsBack, kAlertsBack, "Form3.Unload(1)"}),
               {{LaunchEnding::Closed, LaunchStep::Showing}, {LaunchEnding::AlertsOff, LaunchStep::Showing}},
               ms(3'000) + kBusyRetryPause + kEndingGrace},
        Ending{"a close while Open is refused",
               [](auto& t) {
                   t.host.state.busyFrom = {{"Workbooks.Open", ms(60'000)}};
                   t.CancelAt(ms(1'000));
               },
               Then(StepsUpTo(12), {kAlertsBack, kAlertsBack, "Form3.Unload(1)"}),
               {{LaunchEnding::Closed, LaunchStep::Opening}, {LaunchEnding::AlertsOff, LaunchStep::Opening}},
               ms(1'000) + kBusyRetryPause + kEndingGrace},
        Ending{"a close during an Open the application accepted",
               [](auto& t) {
                   t.clock.onPause = [&t] {
                       if (t.log.calls.back() == kOpen)
                           t.starter.Cancel(CancelReason::SessionEnded);
                   };
               },
               Then(StepsUpTo(12), {kAlertsBack, "Form3.Unload(1)"}),
               {{LaunchEnding::SessionEnded, LaunchStep::Opening}}},
        Ending{"an Escape held back during the macros comes once they have run",
               [](auto& t) {
                   t.clock.onPause = [&t] {
                       if (t.log.calls.back() == "Workbook.RunAutoMacros(1)")
                           t.starter.Cancel();
                   };
               },
               Flatten(kLaunchSteps), Logged()},
        Ending{"a call accepted at the limit goes on",
               [](auto& t) {
                   t.host.state.busyFrom = {{"Application.DisplayAlerts", kLaunchBusyLimit}};
               },
               With(Flatten(kLaunchSteps), kAlertsOff, "Form3.Minimise"), Logged()},
        Ending{"a refusal once the limit is used up",
               [](auto& t) {
                   t.host.state.busyFrom = {{"Application.DisplayAlerts", kLaunchBusyLimit},
                                            {"Workbooks.Open", ms(1)}};
               },
               Then(With(StepsUpTo(12), kAlertsOff, "Form3.Minimise"),
                    {kAlertsBack, kNotResponding, "Form3.Unload(1)"}),
               {{LaunchEnding::NotResponding, LaunchStep::Opening}}},
        Ending{"refusals apart do not add up to a long spell",
               [](auto& t) {
                   t.host.state.busyFrom = {{"Application.DisplayAlerts", ms(3'000)},
                                            {"Application.Visible", ms(3'000)}};
               },
               Flatten(kLaunchSteps), Logged()},
        Ending{"Windows closes the launcher during Open",
               [](auto& t) {
                   t.clock.onPause = [&t] {
                       if (t.log.calls.back() == kOpen)
                           t.starter.Cancel(CancelReason::ClosedByWindows);
                   };
               },
               Then(StepsUpTo(12), {kAlertsBack, "Form3.Unload(1)"}),
               {{LaunchEnding::ClosedByWindows, LaunchStep::Opening}}},
        Ending{"alerts are given back once more without waiting",
               [](auto& t) {
                   t.log.failing = {"Workbooks.Open", "Application.DisplayAlerts"};
                   t.window.whileShown = [&t] {
                       t.log.failing.erase("Application.DisplayAlerts");
                       t.host.state.busy.until = t.clock.now + ms(60'000);
                   };
               },
               Then(StepsUpTo(12), {kAlertsBack, "Platform.SystemText", kNotOpened + "0x80004005)" + kFailureBox,
                                    kAlertsBack, "Form3.Unload(1)"}),
               {{LaunchEnding::NotOpened, LaunchStep::Opening}, {LaunchEnding::AlertsOff, LaunchStep::Opening}},
               ms(0)},
        Ending{"an application gone leaves no alerts to warn of",
               [](auto& t) {
                   t.log.failing = {"Workbooks.Open", "Application.DisplayAlerts"};
                   t.log.failureStatus = static_cast<std::int32_t>(0x800706BA); // RPC_S_SERVER_UNAVAILABLE
               },
               Then(StepsUpTo(12), {kAlertsBack, "Platform.SystemText", kNotOpened + "0x800706BA)" + kFailureBox,
                                    "Form3.Unload(1)"}),
               {{LaunchEnding::NotOpened, LaunchStep::Opening}}},
        // Where the Trust Center decides: its rules not applied end the launch unseen; macros it kept
        // off are told, the workbook left open.
        Ending{"the application not told to apply the organisation's rules",
               [](auto& t) {
                   t.platform.policy.vbaWarnings = PolicySetting{3, L"VBAWarnings"};
                   t.log.failing = {"Application.AutomationSecurity"};
               },
               Then(StepsUpTo(6), {kByUi, "Application.Quit", kRulesNotApplied, "Form3.Unload(1)"}),
               {{LaunchEnding::MacroRulesNotApplied, LaunchStep::Policy}}},
        Ending{"an instance never shown is told once to quit and the box comes at once",
               [](auto& t) {
                   t.platform.policy.vbaWarnings = PolicySetting{3, L"VBAWarnings"};
                   t.log.failing = {"Application.AutomationSecurity"};
                   t.host.state.busyFrom = {{"Application.Quit", ms(60'000)}};
               },
               Then(StepsUpTo(6), {kByUi, "Application.Quit", kRulesNotApplied, "Form3.Unload(1)"}),
               {{LaunchEnding::MacroRulesNotApplied, LaunchStep::Policy}},
               ms(0)},
        Ending{"macros the application kept off",
               [](auto& t) {
                   t.platform.policy.vbaWarnings = PolicySetting{3, L"VBAWarnings"};
                   t.log.failing = {"Workbook.RunAutoMacros"};
               },
               Then(With(StepsUpTo(13), "Host.CreateApplication", kByUi),
                    {kAlertsBack, kMacrosNotRun, "Form3.Unload(1)"}),
               {{LaunchEnding::MacrosNotRun, LaunchStep::Macros}}},
        Ending{"macros that did not run where no rule is set",
               [](auto& t) { t.log.failing = {"Workbook.RunAutoMacros"}; },
               Then(StepsUpTo(13), {kAlertsBack, kMacrosNotRun, "Form3.Unload(1)"}),
               {{LaunchEnding::MacrosNotRun, LaunchStep::Macros}},
               std::chrono::hours(1),
               false}),
    [](const auto& info) { // the case, in words: "a close ..." is ACloseWhile...
        std::string name;
        for (const char* c = info.param.why; *c != '\0'; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += name.empty() || c[-1] == ' ' ? static_cast<char>(std::toupper(*c)) : *c;
        return name;
    });

// A workbook that an application on this desktop already has open.
TEST_F(StartWorkbookTest, AWorkbookAlreadyOpenIsBroughtForwardAndNothingRunsAgain) {
    host.alreadyOpen = true;
    starter.StartWorkbook();
    EXPECT_EQ(log.calls,
              Then(StepsUpTo(4), {"Workbook.Application", "Application.Visible", "Application.Hwnd",
                                  "Form3.BringToFront(4660)", "Workbook.Activate", "Form3.Unload(0)"}));
    EXPECT_EQ(starter.HostReference(), nullptr) << "no instance created";
    // Its application out of reach: the usual launch.
    log.calls.clear();
    log.failing.insert("Workbook.Application");
    starter.StartWorkbook();
    EXPECT_EQ(log.calls,
              With(Flatten(kLaunchSteps), "Host.FindOpenWorkbook(" + kPath + ")", "Workbook.Application"));
    // Held by an application nobody can see (left by another program's automation), or that
    // cannot say whether it can be seen: the usual launch, as if it were not open.
    for (const bool unanswered : {false, true}) {
        log.calls.clear();
        log.failing.clear();
        host.state.visible = unanswered;
        host.state.visibleUnanswered = unanswered;
        starter.StartWorkbook();
        EXPECT_EQ(log.calls, With(With(Flatten(kLaunchSteps), "Host.FindOpenWorkbook(" + kPath + ")",
                                       "Workbook.Application"),
                                  "Workbook.Application", "Application.Visible"));
    }
}

// Read-only because another process kept the file from being written just before Open: a notice.
// Read-only for any other reason (no write right, a read-only file, a write-reservation password):
// nothing to say.
TEST_F(StartWorkbookTest, OnlyAWorkbookHeldByAnotherProcessGetsTheReadOnlyNotice) {
    const std::string notice = "MsgBox(Ce classeur est déjà ouvert par quelqu'un d'autre\u00A0: Excel l'a "
                               "ouvert en lecture seule.\n\nVos modifications devront être "
                               "enregistrées sous un autre nom.|327744|quben)"; // OK, information
    const Calls opened = StepsUpTo(kLaunchSteps.size() - 2);
    struct Case {
        bool openElsewhere;
        bool readOnly;
        Calls tail;
    } const cases[] = {
        {true, true, {"Workbook.ReadOnly", "Application.DisplayAlerts(true)", notice, "Form3.Unload(0)"}},
        {true, false, {"Workbook.ReadOnly", "Application.DisplayAlerts(true)", "Form3.Unload(0)"}},
        {false, true, {"Application.DisplayAlerts(true)", "Form3.Unload(0)"}},
    };
    for (const Case& c : cases) {
        log.calls.clear();
        platform.openElsewhere = c.openElsewhere;
        host.state.readOnly = c.readOnly;
        starter.StartWorkbook();
        Calls expected = opened;
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(log.calls, expected) << c.openElsewhere << c.readOnly;
    }
}

// The organisation's macro rules: a refusal creates nothing (or quits the instance created only to
// learn its version); signatures by the Trust Center's rule are set before anything else.
TEST_F(StartWorkbookTest, TheOrganisationsMacroRulesAreAppliedBeforeTheApplicationDoesAnything) {
    const std::string refusal =
        "MsgBox(Votre organisation a désactivé les macros d'Excel sur ce poste. Ce classeur a "
        "besoin de ses macros\u00A0: il n'a pas été ouvert.\n\nAdressez-vous à votre service "
        "informatique." +
        kFailureBox;
    platform.policy.vbaWarnings = PolicySetting{4, L"HKLM\\VBAWarnings"};
    starter.StartWorkbook();
    const Calls trustedAsked{"Platform.ReadTrustedLocations(16.0)", "Platform.LongPathName(" + kPath + ")",
                             "Platform.OnNetworkDrive(" + kPath + ")"};
    Calls expected = StepsUpTo(3);
    expected.insert(expected.end(), trustedAsked.begin(), trustedAsked.end());
    EXPECT_EQ(log.calls, Then(expected, {refusal, "Form3.Unload(1)"}));
    ASSERT_EQ(LoggedOf(platform.events), (Logged{{LaunchEnding::MacrosDisabled, LaunchStep::Policy}}));
    EXPECT_EQ(std::tie(platform.events[0].policy, platform.events[0].policyValue),
              std::tie(platform.policy.vbaWarnings->name, platform.policy.vbaWarnings->value));

    // Signatures by the Trust Center's rule: set right after the creation, before anything else.
    log.calls.clear();
    platform.events.clear();
    platform.policy.vbaWarnings->value = 3;
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, With(Flatten(kLaunchSteps), "Host.CreateApplication", kByUi));
    EXPECT_TRUE(platform.events.empty());

    // Without a registered version: the instance's own, asked first; refused, it is told to quit.
    platform.version.reset();
    const Calls unversioned = Without({"Platform.ReadMacroPolicy(16.0)"});
    const Calls learnt = With(With(unversioned, "Host.CreateApplication", "Application.Version"),
                              "Application.Version", "Platform.ReadMacroPolicy(15.0)");
    log.calls.clear();
    starter.StartWorkbook();
    EXPECT_EQ(log.calls, With(learnt, "Platform.ReadMacroPolicy(15.0)", kByUi));
    log.calls.clear();
    platform.policy.vbaWarnings->value = 4;
    WorkbookStarter{window, files, platform, host, clock}.StartWorkbook(); // one launch per starter
    const auto created = std::find(learnt.begin(), learnt.end(), "Platform.ReadMacroPolicy(15.0)") + 1;
    EXPECT_EQ(log.calls, Then(Calls(learnt.begin(), created),
                              {"Platform.ReadTrustedLocations(15.0)", "Platform.LongPathName(" + kPath + ")",
                               "Platform.OnNetworkDrive(" + kPath + ")", "Application.Quit", refusal,
                               "Form3.Unload(1)"}));
}

TEST_F(StartWorkbookTest, AReadOnlyOpenTheUserAskedForGoesToOpenAndGetsNoNotice) {
    window.readOnly = true;
    platform.openElsewhere = true;
    host.state.readOnly = true;
    starter.StartWorkbook();
    Calls expected = Flatten(kLaunchSteps);
    std::erase(expected, "Platform.OpenElsewhere(" + kPath + ")");
    std::replace(expected.begin(), expected.end(), kOpen,
                 "Workbooks.Open(" + kPath + "|vepal_kordinut!?|ReadOnly)");
    EXPECT_EQ(log.calls, expected);
}

} // namespace
} // namespace quben::testing
