#include "workbooks.h"

#include "win_handles.h"
#include "workbook_file.h"

#include <array>

namespace standin {

namespace {

enum : DISPID {
    WorkbookName = 301,
    WorkbookFullName,
    WorkbookRunAutoMacros,
    WorkbookReadOnly,
    WorkbookActivate,
    WorkbookApplication
};
enum : DISPID { WorkbooksCount = 201, WorkbooksOpen };

constexpr MemberInfo kWorkbookMembers[] = {
    {L"Name", WorkbookName, MemberKind::ReadOnly},
    {L"FullName", WorkbookFullName, MemberKind::ReadOnly},
    {L"RunAutoMacros", WorkbookRunAutoMacros, MemberKind::Method, 1, 1},
    {L"ReadOnly", WorkbookReadOnly, MemberKind::ReadOnly},
    {L"Activate", WorkbookActivate, MemberKind::Method},
    {L"Application", WorkbookApplication, MemberKind::ReadOnly},
};

constexpr size_t kOpenFilename = 0;
// The application cannot open a file whose full path is longer than this.
constexpr size_t kMaxOpenPath = 218;
constexpr size_t kOpenPassword = 4;

// The type each positional argument of Open is coerced to, in parameter order:
// Filename, UpdateLinks, ReadOnly, Format, Password, WriteResPassword, IgnoreReadOnlyRecommended, Origin,
// Delimiter, Editable, Notify, Converter, AddToMru, Local, CorruptLoad.
constexpr std::array<VARTYPE, 15> kOpenArgumentTypes = {VT_BSTR, VT_I4,   VT_BOOL, VT_I4,   VT_BSTR,
                                                        VT_BSTR, VT_BOOL, VT_I4,   VT_BSTR, VT_BOOL,
                                                        VT_BOOL, VT_I4,   VT_BOOL, VT_BOOL, VT_I4};

constexpr MemberInfo kWorkbooksMembers[] = {
    {L"Count", WorkbooksCount, MemberKind::ReadOnly},
    {L"Open", WorkbooksOpen, MemberKind::Method, 1, static_cast<unsigned>(kOpenArgumentTypes.size())},
};

} // namespace

Workbook::Workbook(Host& host, Workbooks& owner, WorkbookFile file)
    : DispatchObject(host, L"Workbook", kWorkbookMembers), owner_(owner), fullName_(std::move(file.fullName)),
      readOnly_(file.readOnly || host.faults().openReadOnly), file_(std::move(file.handle)) {}

void Workbook::registerRunning() {
    if (host().faults().noRot || running_.registered())
        return;
    countReferences(false);
    running_ = RotRegistration(static_cast<IDispatch*>(this), fullName_);
    if (!running_.registered())
        countReferences(true);
}

void Workbook::close() {
    running_.revoke();
    // What COM still holds after the table let go is the clients'.
    countReferences(true);
    file_.reset();
}

std::wstring Workbook::name() const {
    return fileNamePart(fullName_);
}

HRESULT Workbook::invokeMember(DISPID id, Call& call) {
    switch (id) {
    case WorkbookName:
        call.returnString(name());
        return S_OK;
    case WorkbookFullName:
        call.returnString(fullName_);
        return S_OK;
    case WorkbookRunAutoMacros: {
        Variant which;
        // No macros in a stand-in workbook: accepting the argument is all there is to do.
        return call.coerce(0, VT_I4, which);
    }
    case WorkbookReadOnly:
        call.returnBool(readOnly_);
        return S_OK;
    case WorkbookActivate:
        host().noteForeground(L"activate");
        owner_.activate(*this);
        return S_OK;
    case WorkbookApplication:
        call.returnObject(&owner_.application());
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

Workbooks::Workbooks(Host& host, IDispatch& application)
    : DispatchObject(host, L"Workbooks", kWorkbooksMembers), application_(application) {}

void Workbooks::activate(Workbook& workbook) {
    active_ = &workbook;
    host().activeWorkbookChanged(workbook.name());
}

Workbooks::Opened Workbooks::open(std::wstring_view path, const std::optional<std::wstring>& password,
                                  PasswordPolicy policy) {
    if (path.size() > kMaxOpenPath)
        return {nullptr, L"Impossible de trouver « " + std::wstring(path) + L" ». Le chemin est trop long."};
    // Already open here: activated again, never opened nor registered twice.
    const std::wstring fullName = fullPathOf(path);
    for (auto& book : books_)
        if (equalsIgnoreCase(book->fullName(), fullName)) {
            activate(*book);
            return {book.get(), {}};
        }
    ReadOutcome read = openWorkbookFile(path);
    if (!read.file)
        return {nullptr, read.error};
    std::optional<std::string> required = requiredPassword(read.file->content);
    if (policy == PasswordPolicy::Check && required && (!password || toUtf8(*password) != *required))
        return {nullptr, L"Le mot de passe fourni pour « " + fileNamePart(read.file->fullName) +
                             L" » n'est pas correct. Vérifiez la casse des lettres."};
    books_.push_back(std::make_unique<Workbook>(host(), *this, std::move(*read.file)));
    books_.back()->registerRunning();
    activate(*books_.back());
    return {books_.back().get(), {}};
}

void Workbooks::closeAll() {
    for (auto& book : books_) {
        book->close();
        closed_.push_back(std::move(book));
    }
    books_.clear();
    if (active_ != nullptr) {
        active_ = nullptr;
        host().activeWorkbookChanged({});
    }
}

HRESULT Workbooks::invokeOpen(Call& call) {
    if (call.isMissing(kOpenFilename))
        return call.argumentError(kOpenFilename, DISP_E_PARAMNOTOPTIONAL);
    std::array<Variant, kOpenArgumentTypes.size()> values;
    for (size_t i = 0; i < call.count(); ++i)
        if (!call.isMissing(i))
            if (HRESULT hr = call.coerce(i, kOpenArgumentTypes[i], values[i]); FAILED(hr))
                return hr;

    const VARIANT& filename = *values[kOpenFilename];
    std::optional<std::wstring> password;
    if (!call.isMissing(kOpenPassword))
        password.emplace(values[kOpenPassword]->bstrVal, SysStringLen(values[kOpenPassword]->bstrVal));

    host().noteForeground(L"open");
    if (host().faults().openMs > 0)
        Sleep(host().faults().openMs);
    Opened opened = open(std::wstring_view(filename.bstrVal, SysStringLen(filename.bstrVal)), password);
    if (!opened.workbook)
        return call.raise(opened.error);
    call.returnObject(opened.workbook);
    return S_OK;
}

HRESULT Workbooks::invokeMember(DISPID id, Call& call) {
    switch (id) {
    case WorkbooksCount:
        call.returnLong(static_cast<LONG>(books_.size()));
        return S_OK;
    case WorkbooksOpen:
        return invokeOpen(call);
    }
    return DISP_E_MEMBERNOTFOUND;
}

} // namespace standin
