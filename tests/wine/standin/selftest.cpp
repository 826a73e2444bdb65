// In-process checks of the stand-in's automation objects (run under Wine, no COM activation needed).
// Prints "N passed, N failed" and exits non-zero on any failure.
#include "application.h"
#include "busy_filter.h"
#include "class_factory.h"
#include "win_handles.h"
#include "workbook_file.h"

#include "platform/win/com_ptr.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace standin;
using quben::win::ComPtr;

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char* text, int line) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("FAIL selftest.cpp:%d: %s\n", line, text);
}

#define CHECK(condition) check((condition), #condition, __LINE__)

class FakeHost final : public Host {
public:
    FakeHost(const Journal& journal, Faults faults = {}) : Host(journal, std::move(faults)) {}
    void objectAcquired() override { ++references; }
    void objectReleased() override { --references; }
    void checkIdle() override { ++idleChecks; }
    void visibilityChanged(bool visible) override { visibility.push_back(visible); }
    void activeWorkbookChanged(std::wstring_view name) override { activeName = name; }
    void quitRequested() override { ++quits; }
    void crash(std::wstring_view member) override { crashed = member; }
    LONG windowHandle() const override { return 0x2A; }
    void noteForeground(std::wstring_view moment) const override { moments.emplace_back(moment); }

    long references = 0;
    mutable std::vector<std::wstring> moments;
    int idleChecks = 0;
    int quits = 0;
    std::vector<bool> visibility;
    std::wstring activeName;
    std::wstring crashed;
};

// Arguments in natural order; handed to Invoke reversed, as a real client does.
class Args {
public:
    Args() = default;
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;
    ~Args() {
        for (auto& v : natural_)
            VariantClear(&v);
    }
    Args& missing() {
        return add(VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; });
    }
    Args& i4(LONG n) {
        return add(VT_I4, [n](VARIANT& v) { v.lVal = n; });
    }
    Args& boolean(VARIANT_BOOL b) {
        return add(VT_BOOL, [b](VARIANT& v) { v.boolVal = b; });
    }
    Args& bstr(const wchar_t* s) {
        return add(VT_BSTR, [s](VARIANT& v) { v.bstrVal = SysAllocString(s); });
    }
    Args& object(IDispatch* d) {
        d->AddRef();
        return add(VT_DISPATCH, [d](VARIANT& v) { v.pdispVal = d; });
    }
    std::vector<VARIANT> reversed() const { return {natural_.rbegin(), natural_.rend()}; }

private:
    template <class Fill> Args& add(VARTYPE type, Fill fill) {
        VARIANT v;
        VariantInit(&v);
        v.vt = type;
        fill(v);
        natural_.push_back(v);
        return *this;
    }
    std::vector<VARIANT> natural_;
};

struct Outcome {
    HRESULT hr = E_UNEXPECTED;
    Variant result;
    UINT argErr = ~0u;
    SCODE scode = 0;
    std::wstring description;
};

DISPID idOf(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    object->GetIDsOfNames(IID_NULL, names, 1, 1033, &id);
    return id;
}

void invoke(Outcome& out, IDispatch* object, const wchar_t* name, WORD flags, const Args& args = Args(),
            std::vector<DISPID> named = {}) {
    std::vector<VARIANT> rgvarg = args.reversed();
    DISPPARAMS params{rgvarg.data(), named.data(), static_cast<UINT>(rgvarg.size()),
                      static_cast<UINT>(named.size())};
    EXCEPINFO exception{};
    out.hr = object->Invoke(idOf(object, name), IID_NULL, 1036, flags, &params, out.result.get(), &exception,
                            &out.argErr);
    out.scode = exception.scode;
    if (exception.bstrDescription)
        out.description = exception.bstrDescription;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

void put(Outcome& out, IDispatch* object, const wchar_t* name, const Args& value) {
    invoke(out, object, name, DISPATCH_PROPERTYPUT, value, {DISPID_PROPERTYPUT});
}

std::wstring tempPath(const wchar_t* name) {
    wchar_t directory[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    return std::wstring(directory) + L"standin-selftest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           name;
}

std::string readAll(const std::wstring& path) {
    UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    return content;
}

void writeAll(const std::wstring& path, std::string_view content) {
    UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

// Workbook files and a directory, removed at the end.
struct Fixture {
    std::wstring plain = tempPath(L"plain.xlsx");
    std::wstring secret = tempPath(L"secret \u00e9.xlsx");
    std::wstring directory = tempPath(L"folder.xlsx");
    std::wstring journal = tempPath(L"journal.txt");
    Fixture() {
        writeAll(plain, "cells\n");
        writeAll(secret, "first line\r\npassword=S\xC3\xA9same\r\nlast\r\n");
        CreateDirectoryW(directory.c_str(), nullptr);
    }
    ~Fixture() {
        DeleteFileW(plain.c_str());
        DeleteFileW(secret.c_str());
        DeleteFileW(journal.c_str());
        RemoveDirectoryW(directory.c_str());
    }
};

void journalEncoding() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    CHECK(encodeArgument(v) == L"missing");
    v.scode = DISP_E_TYPEMISMATCH;
    CHECK(encodeArgument(v) == L"error:0x80020005");
    v.vt = VT_BOOL;
    v.boolVal = VARIANT_TRUE;
    CHECK(encodeArgument(v) == L"bool:true");
    v.boolVal = VARIANT_FALSE;
    CHECK(encodeArgument(v) == L"bool:false");
    v.boolVal = 1; // a client that wrote C's true instead of VARIANT_TRUE
    CHECK(encodeArgument(v) == L"bool:1");
    v.vt = VT_I4;
    v.lVal = -5;
    CHECK(encodeArgument(v) == L"i4:-5");
    v.vt = VT_I2;
    v.iVal = 7;
    CHECK(encodeArgument(v) == L"i2:7");
    v.vt = VT_R8;
    CHECK(encodeArgument(v) == L"vt5");
    v.vt = VT_BSTR;
    v.bstrVal = nullptr;
    CHECK(encodeArgument(v) == L"bstr:");
    CHECK(escapeField(L"a\tb\r\nc\\d") == L"a\\tb\\r\\nc\\\\d");
}

void journalLines(const Fixture& fixture) {
    Journal journal(fixture.journal);
    FakeHost host(journal);
    Application application(host);
    Outcome workbooks, opened;
    invoke(workbooks, &application, L"Workbooks", DISPATCH_PROPERTYGET);
    Args args;
    args.bstr(fixture.plain.c_str()).missing().boolean(VARIANT_TRUE);
    invoke(opened, workbooks.result->pdispVal, L"Open", DISPATCH_METHOD, args);
    std::string pid = std::to_string(GetCurrentProcessId());
    std::string expected =
        pid + "\tcall\tApplication.Workbooks\tget\tlcid=1036\n" + pid +
        "\tresult\tApplication.Workbooks\tok\n" + pid +
        "\tcall\tWorkbooks.Open\tmethod\tlcid=1036\tbstr:" + toUtf8(escapeField(fixture.plain)) +
        "\tmissing\tbool:true\n" + pid + "\tresult\tWorkbooks.Open\tok\n";
    CHECK(readAll(fixture.journal) == expected);
    DeleteFileW(fixture.journal.c_str());
}

void namesAndShape(const Journal& journal) {
    FakeHost host(journal);
    Application application(host);
    CHECK(idOf(&application, L"visible") == idOf(&application, L"VISIBLE"));
    CHECK(idOf(&application, L"Visible") != DISPID_UNKNOWN);
    CHECK(idOf(&application, L"Visibl") == DISPID_UNKNOWN);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Quit"), const_cast<LPOLESTR>(L"Force")};
    DISPID ids[2] = {0, 0};
    CHECK(application.GetIDsOfNames(IID_NULL, names, 2, 1033, ids) == DISP_E_UNKNOWNNAME);
    CHECK(ids[1] == DISPID_UNKNOWN);
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Calculate")};
    CHECK(application.GetIDsOfNames(IID_NULL, unknown, 1, 1033, ids) == DISP_E_UNKNOWNNAME);
    UINT count = 9;
    CHECK(application.GetTypeInfoCount(&count) == S_OK && count == 0);
    void* other = nullptr;
    CHECK(application.QueryInterface(IID_IClassFactory, &other) == E_NOINTERFACE && other == nullptr);

    Outcome noPutId, readOnly, tooMany, named;
    Args yes;
    yes.boolean(VARIANT_TRUE);
    invoke(noPutId, &application, L"Visible", DISPATCH_PROPERTYPUT, yes);
    CHECK(noPutId.hr == DISP_E_PARAMNOTFOUND);
    put(readOnly, &application, L"Workbooks", yes);
    CHECK(readOnly.hr == DISP_E_MEMBERNOTFOUND);
    invoke(tooMany, &application, L"Visible", DISPATCH_PROPERTYGET, yes);
    CHECK(tooMany.hr == DISP_E_BADPARAMCOUNT);
    invoke(named, &application, L"Quit", DISPATCH_METHOD, yes, {0});
    CHECK(named.hr == DISP_E_NONAMEDARGS);
    CHECK(application.visible() == false && host.quits == 0);
}

void applicationProperties(const Journal& journal) {
    FakeHost host(journal);
    Application application(host);
    Outcome visible, alerts, active, self;
    invoke(visible, &application, L"Visible", DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    CHECK(visible.hr == S_OK && visible.result->vt == VT_BOOL && visible.result->boolVal == VARIANT_FALSE);
    invoke(alerts, &application, L"DisplayAlerts", DISPATCH_PROPERTYGET);
    CHECK(alerts.result->vt == VT_BOOL && alerts.result->boolVal == VARIANT_TRUE);
    invoke(active, &application, L"ActiveWorkbook", DISPATCH_PROPERTYGET);
    CHECK(active.hr == S_OK && active.result->vt == VT_DISPATCH && active.result->pdispVal == nullptr);
    invoke(self, &application, L"Application", DISPATCH_PROPERTYGET);
    CHECK(self.result->vt == VT_DISPATCH && self.result->pdispVal == &application);

    Outcome show, showAgain, zero, mismatch, shown;
    Args yes, no, object;
    yes.boolean(VARIANT_TRUE);
    no.i4(0);
    object.object(&application);
    put(show, &application, L"Visible", yes);
    put(showAgain, &application, L"visible", yes);
    CHECK(show.hr == S_OK && showAgain.hr == S_OK);
    CHECK(host.visibility == std::vector<bool>{true});
    put(zero, &application, L"DisplayAlerts", no);
    Outcome alertsAfter;
    invoke(alertsAfter, &application, L"DisplayAlerts", DISPATCH_PROPERTYGET);
    CHECK(zero.hr == S_OK && alertsAfter.result->boolVal == VARIANT_FALSE);
    put(mismatch, &application, L"Visible", object);
    CHECK(mismatch.hr == DISP_E_TYPEMISMATCH && mismatch.argErr == 0);
    invoke(shown, &application, L"Visible", DISPATCH_PROPERTYGET);
    CHECK(shown.result->boolVal == VARIANT_TRUE);

    Outcome quit;
    invoke(quit, &application, L"Quit", DISPATCH_METHOD);
    CHECK(quit.hr == S_OK && host.quits == 1 && host.visibility == (std::vector<bool>{true, false}));
}

void openWorkbooks(const Fixture& fixture, const Journal& journal) {
    FakeHost host(journal);
    Application application(host);
    IDispatch* workbooks = &application.workbooks();
    auto openArgs = [](Args& args, const wchar_t* path, const wchar_t* password) {
        args.bstr(path);
        for (int i = 1; i < 15; ++i)
            if (i == 4 && password)
                args.bstr(password);
            else
                args.missing();
    };

    Outcome wrongCase, noPassword, missingFile, directory;
    Args a, b, c, d;
    openArgs(a, fixture.secret.c_str(), L"s\u00e9same");
    invoke(wrongCase, workbooks, L"Open", DISPATCH_METHOD, a);
    CHECK(wrongCase.hr == DISP_E_EXCEPTION && wrongCase.scode == kApplicationError);
    CHECK(!wrongCase.description.empty() && wrongCase.result->vt == VT_EMPTY);
    openArgs(b, fixture.secret.c_str(), nullptr);
    invoke(noPassword, workbooks, L"Open", DISPATCH_METHOD, b);
    CHECK(noPassword.hr == DISP_E_EXCEPTION);
    openArgs(c, tempPath(L"absent.xlsx").c_str(), nullptr);
    invoke(missingFile, workbooks, L"Open", DISPATCH_METHOD, c);
    CHECK(missingFile.hr == DISP_E_EXCEPTION && missingFile.scode == kApplicationError);
    openArgs(d, fixture.directory.c_str(), nullptr);
    invoke(directory, workbooks, L"Open", DISPATCH_METHOD, d);
    CHECK(directory.hr == DISP_E_EXCEPTION);
    CHECK(application.workbooks().count() == 0 && host.activeName.empty());

    // Another program holding the file open for writing must not stop the open, nor be disturbed.
    UniqueKernelHandle writer(CreateFileW(fixture.secret.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                          nullptr));
    CHECK(static_cast<bool>(writer));
    Outcome good, active, name, fullName, count;
    Args e;
    openArgs(e, fixture.secret.c_str(), L"S\u00e9same");
    invoke(good, workbooks, L"Open", DISPATCH_METHOD, e);
    CHECK(good.hr == S_OK && good.result->vt == VT_DISPATCH && good.result->pdispVal != nullptr);
    CHECK(readAll(fixture.secret) == "first line\r\npassword=S\xC3\xA9same\r\nlast\r\n");
    invoke(active, &application, L"ActiveWorkbook", DISPATCH_PROPERTYGET);
    CHECK(active.result->pdispVal == good.result->pdispVal);
    invoke(name, good.result->pdispVal, L"Name", DISPATCH_PROPERTYGET);
    CHECK(name.result->vt == VT_BSTR && std::wstring(name.result->bstrVal) == fileNamePart(fixture.secret));
    CHECK(host.activeName == fileNamePart(fixture.secret));
    invoke(fullName, good.result->pdispVal, L"FullName", DISPATCH_PROPERTYGET);
    CHECK(fullName.result->vt == VT_BSTR && equalsIgnoreCase(fullName.result->bstrVal, fixture.secret));
    invoke(count, workbooks, L"Count", DISPATCH_PROPERTYGET);
    CHECK(count.result->vt == VT_I4 && count.result->lVal == 1);

    Outcome plain;
    Args f;
    f.bstr(fixture.plain.c_str()).missing().missing().missing().bstr(L"unused");
    invoke(plain, workbooks, L"Open", DISPATCH_METHOD, f);
    CHECK(plain.hr == S_OK && host.activeName == fileNamePart(fixture.plain));

    // Opened while another program writes to it: read-only, silently; alone, read-write.
    Outcome heldElsewhere, alone;
    invoke(heldElsewhere, good.result->pdispVal, L"ReadOnly", DISPATCH_PROPERTYGET);
    CHECK(heldElsewhere.result->vt == VT_BOOL && heldElsewhere.result->boolVal == VARIANT_TRUE);
    invoke(alone, plain.result->pdispVal, L"readonly", DISPATCH_PROPERTYGET);
    CHECK(alone.result->vt == VT_BOOL && alone.result->boolVal == VARIANT_FALSE);
}

// How many entries of the Running Object Table are for `path`.
int runningEntries(const std::wstring& path) {
    ComPtr<IRunningObjectTable> table;
    ComPtr<IEnumMoniker> monikers;
    ComPtr<IMoniker> wanted, moniker;
    if (FAILED(GetRunningObjectTable(0, table.put())) || FAILED(table->EnumRunning(monikers.put())) ||
        FAILED(CreateFileMoniker(path.c_str(), wanted.put())))
        return -1;
    int count = 0;
    while (monikers->Next(1, moniker.put(), nullptr) == S_OK)
        count += wanted->IsEqual(moniker.get()) == S_OK ? 1 : 0;
    return count;
}

bool openForWriting(const std::wstring& path) {
    return static_cast<bool>(
        UniqueKernelHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr)));
}

void heldWorkbooksAndQuit(const Fixture& fixture, const Journal& journal) {
    ComApartment apartment(COINIT_APARTMENTTHREADED);
    FakeHost host(journal);
    Application application(host);
    auto opened = application.workbooks().open(fixture.plain, std::nullopt);
    auto other = application.workbooks().open(fixture.secret, std::nullopt, Workbooks::PasswordPolicy::Skip);
    auto again = application.workbooks().open(fixture.plain, std::nullopt);
    CHECK(opened.workbook != nullptr && again.workbook == opened.workbook);
    CHECK(application.workbooks().count() == 2 && !opened.workbook->readOnly());
    CHECK(runningEntries(fixture.plain) == 1 && runningEntries(fixture.secret) == 1);
    // The table's references are no client's.
    CHECK(opened.workbook->references() > 0 && host.references == 0);
    CHECK(!openForWriting(fixture.plain) && GetLastError() == ERROR_SHARING_VIOLATION);
    CHECK(readAll(fixture.plain) == "cells\n");

    Outcome activated, app;
    invoke(activated, other.workbook, L"Activate", DISPATCH_METHOD);
    CHECK(activated.hr == S_OK && application.workbooks().active() == other.workbook);
    CHECK(host.moments == std::vector<std::wstring>{L"activate"});
    invoke(app, other.workbook, L"Application", DISPATCH_PROPERTYGET);
    CHECK(app.result->vt == VT_DISPATCH && app.result->pdispVal == &application);

    // Quit closes every workbook: out of the table, files released, no window title left.
    Outcome quit;
    invoke(quit, &application, L"Quit", DISPATCH_METHOD);
    CHECK(quit.hr == S_OK && host.quits == 1 && application.workbooks().count() == 0);
    CHECK(runningEntries(fixture.plain) == 0 && runningEntries(fixture.secret) == 0);
    VariantClear(app.result.get());
    CHECK(opened.workbook->references() == 0);
    CHECK(host.references == 0 && host.activeName.empty());
    CHECK(openForWriting(fixture.plain));

    Faults elsewhere;
    elsewhere.noRot = true;
    FakeHost colleague(journal, std::move(elsewhere));
    Application remote(colleague);
    CHECK(remote.workbooks().open(fixture.plain, std::nullopt).workbook != nullptr);
    CHECK(runningEntries(fixture.plain) == 0 && !openForWriting(fixture.plain));
    remote.workbooks().closeAll();
}

void readOnlyAttribute(const Fixture& fixture, const Journal& journal) {
    FakeHost host(journal);
    Application application(host);
    // Wine lets root open a read-only file for writing: only the attribute can tell.
    SetFileAttributesW(fixture.plain.c_str(), FILE_ATTRIBUTE_READONLY);
    auto opened = application.workbooks().open(fixture.plain, std::nullopt);
    CHECK(opened.workbook != nullptr && opened.workbook->readOnly());
    application.workbooks().closeAll();
    SetFileAttributesW(fixture.plain.c_str(), FILE_ATTRIBUTE_NORMAL);
}

void busyRefusals(const Fixture& fixture) {
    DeleteFileW(fixture.journal.c_str());
    Journal journal(fixture.journal);
    BusyFilter filter(journal, [] { return std::wstring(L"launcher=minimised"); });
    INTERFACEINFO invoke{nullptr, IID_IDispatch, 6};
    INTERFACEINFO activation{nullptr, IID_IClassFactory, 3};
    CHECK(filter.HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, &invoke) == SERVERCALL_ISHANDLED);
    filter.busyFor(60'000);
    CHECK(filter.HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, &activation) == SERVERCALL_ISHANDLED);
    CHECK(filter.HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, &invoke) == SERVERCALL_REJECTED);
    std::string pid = std::to_string(GetCurrentProcessId());
    const std::string line = readAll(fixture.journal);
    CHECK(line.rfind(pid + "\trejected\t6\tlauncher=minimised\ttick=", 0) == 0 && line.back() == '\n');
    DeleteFileW(fixture.journal.c_str());
}

void openArgumentChecks(const Fixture& fixture, const Journal& journal) {
    FakeHost host(journal);
    Application application(host);
    IDispatch* workbooks = &application.workbooks();
    Outcome none, sixteen, noFilename, badReadOnly;
    invoke(none, workbooks, L"Open", DISPATCH_METHOD);
    CHECK(none.hr == DISP_E_BADPARAMCOUNT);
    Args many;
    many.bstr(fixture.plain.c_str());
    for (int i = 1; i < 16; ++i)
        many.missing();
    invoke(sixteen, workbooks, L"Open", DISPATCH_METHOD, many);
    CHECK(sixteen.hr == DISP_E_BADPARAMCOUNT);
    Args absent;
    absent.missing().missing().missing().missing().bstr(L"pw");
    invoke(noFilename, workbooks, L"Open", DISPATCH_METHOD, absent);
    CHECK(noFilename.hr == DISP_E_PARAMNOTOPTIONAL && noFilename.argErr == 4);
    Args wrongType;
    wrongType.bstr(fixture.plain.c_str()).missing().object(&application);
    for (int i = 3; i < 15; ++i)
        wrongType.missing();
    invoke(badReadOnly, workbooks, L"Open", DISPATCH_METHOD, wrongType);
    CHECK(badReadOnly.hr == DISP_E_TYPEMISMATCH && badReadOnly.argErr == 12);
    CHECK(application.workbooks().count() == 0);

    Outcome opened, coerced, refused, missingWhich;
    Args plain;
    plain.bstr(fixture.plain.c_str());
    invoke(opened, workbooks, L"Open", DISPATCH_METHOD, plain);
    IDispatch* workbook = opened.result->pdispVal;
    Args text, notNumber;
    text.bstr(L"1");
    notNumber.bstr(L"abc");
    invoke(coerced, workbook, L"RunAutoMacros", DISPATCH_METHOD, text);
    CHECK(coerced.hr == S_OK);
    invoke(refused, workbook, L"RunAutoMacros", DISPATCH_METHOD, notNumber);
    CHECK(refused.hr == DISP_E_TYPEMISMATCH && refused.argErr == 0);
    invoke(missingWhich, workbook, L"RunAutoMacros", DISPATCH_METHOD);
    CHECK(missingWhich.hr == DISP_E_BADPARAMCOUNT);
}

void passwordLines() {
    CHECK(requiredPassword("a\r\npassword=x y\r\nb") == std::optional<std::string>("x y"));
    CHECK(requiredPassword("\xEF\xBB\xBFpassword=z") == std::optional<std::string>("z"));
    CHECK(requiredPassword("password=") == std::optional<std::string>(""));
    CHECK(!requiredPassword("Password=x\nmypassword=y\n"));
    CHECK(fileNamePart(L"C:\\a\\b c.xlsx") == L"b c.xlsx");
}

void globalObject(const Fixture& fixture, const Journal& journal) {
    FakeHost host(journal);
    Application application(host);
    Global global(host, application);
    Outcome app, before, after;
    invoke(app, &global, L"application", DISPATCH_PROPERTYGET);
    CHECK(app.result->vt == VT_DISPATCH && app.result->pdispVal == &application);
    invoke(before, &global, L"ActiveWorkbook", DISPATCH_PROPERTYGET);
    CHECK(before.result->vt == VT_DISPATCH && before.result->pdispVal == nullptr);
    Workbooks::Opened opened =
        application.workbooks().open(fixture.secret, std::nullopt, Workbooks::PasswordPolicy::Skip);
    CHECK(opened.workbook != nullptr);
    invoke(after, &global, L"ActiveWorkbook", DISPATCH_PROPERTYGET);
    CHECK(after.result->pdispVal == opened.workbook);
}

void faultInjection(const Fixture& fixture) {
    MemberList list = MemberList::parse(L" Workbooks.Open ,Application.Visible,,");
    CHECK(list.contains(L"workbooks.open") && list.contains(L"Application.Visible"));
    CHECK(!list.contains(L"Workbooks") && !list.contains(L""));

    Journal journal(fixture.journal);
    FakeHost host(journal, {MemberList::parse(L"Application.Visible,Application.Create,Workbook.ReadOnly"),
                            MemberList::parse(L"Workbook.Name"), MemberList::parse(L"Application.Hwnd")});
    Application application(host);
    Outcome failedPut, crashed;
    Args yes;
    yes.boolean(VARIANT_TRUE);
    put(failedPut, &application, L"Visible", yes);
    CHECK(failedPut.hr == DISP_E_EXCEPTION && failedPut.scode == kApplicationError);
    CHECK(application.visible() == false && host.visibility.empty());
    auto opened = application.workbooks().open(fixture.plain, std::nullopt);
    Outcome readOnly;
    invoke(readOnly, opened.workbook, L"ReadOnly", DISPATCH_PROPERTYGET);
    CHECK(readOnly.hr == DISP_E_EXCEPTION && readOnly.scode == kApplicationError);
    invoke(crashed, opened.workbook, L"Name", DISPATCH_PROPERTYGET);
    CHECK(host.crashed == L"Workbook.Name");
    // A busy member refuses its first calls as the application's own exception, then answers.
    for (unsigned i = 0; i <= kBusyAnswers; ++i) {
        Outcome hwnd;
        invoke(hwnd, &application, L"Hwnd", DISPATCH_PROPERTYGET);
        CHECK(i < kBusyAnswers ? hwnd.hr == DISP_E_EXCEPTION && hwnd.scode == kApplicationBusy
                               : hwnd.hr == S_OK && hwnd.result->vt == VT_I4 && hwnd.result->lVal == 0x2A);
    }

    ClassFactory failing(host, L"Application", application);
    ClassFactory working(host, L"Global", application);
    void* object = nullptr;
    CHECK(failing.CreateInstance(nullptr, IID_IDispatch, &object) == E_FAIL && object == nullptr);
    CHECK(host.idleChecks == 1);
    long before = host.references;
    CHECK(working.CreateInstance(nullptr, IID_IDispatch, &object) == S_OK && object == &application);
    CHECK(host.references == before + 1);
    application.Release();
    CHECK(working.CreateInstance(&application, IID_IUnknown, &object) == CLASS_E_NOAGGREGATION);
    working.LockServer(TRUE);
    CHECK(host.references == before + 1);
    working.LockServer(FALSE);
    CHECK(host.references == before);

    std::string pid = std::to_string(GetCurrentProcessId());
    std::string text = readAll(fixture.journal);
    CHECK(text.find(pid + "\tresult\tApplication.Visible\tfail 0x80020009\n") != std::string::npos);
    CHECK(text.find(pid + "\tcall\tWorkbook.Name\tget\tlcid=1036\n") != std::string::npos);
    CHECK(text.find(pid + "\tcreate\tApplication\n" + pid +
                    "\tresult\tApplication.Create\tfail 0x80004005\n") != std::string::npos);
    DeleteFileW(fixture.journal.c_str());
}

void referenceCounting(const Journal& journal) {
    FakeHost host(journal);
    Application application(host);
    Outcome workbooks;
    invoke(workbooks, &application, L"Workbooks", DISPATCH_PROPERTYGET);
    CHECK(host.references == 1);
    VariantClear(workbooks.result.get());
    CHECK(host.references == 0);
}

} // namespace

int wmain() {
    Fixture fixture;
    Journal journal(fixture.journal);
    journalEncoding();
    journalLines(fixture);
    namesAndShape(journal);
    applicationProperties(journal);
    openWorkbooks(fixture, journal);
    openArgumentChecks(fixture, journal);
    passwordLines();
    globalObject(fixture, journal);
    faultInjection(fixture);
    heldWorkbooksAndQuit(fixture, journal);
    readOnlyAttribute(fixture, journal);
    busyRefusals(fixture);
    referenceCounting(journal);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
