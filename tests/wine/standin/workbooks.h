// Workbook and the Workbooks collection.
#pragma once

#include "dispatch_object.h"
#include "rot_registration.h"
#include "workbook_file.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace standin {

class Workbooks;

class Workbook final : public DispatchObject {
public:
    Workbook(Host& host, Workbooks& owner, WorkbookFile file);
    const std::wstring& fullName() const { return fullName_; }
    std::wstring name() const;
    bool readOnly() const { return readOnly_; }
    bool isOpen() const { return static_cast<bool>(file_); }

    // Lists the workbook in the Running Object Table, unless STANDIN_NO_ROT says this instance is
    // one the table does not show. Meanwhile its references keep nothing alive: the table keeps its
    // stub, and with it every reference COM took for clients, so no count can tell a client's hold.
    void registerRunning();
    bool isRegistered() const { return running_.registered(); }
    // Withdraws the table entry and lets go of the file. The object stays for clients that hold it.
    void close();

protected:
    HRESULT invokeMember(DISPID id, Call& call) override;

private:
    Workbooks& owner_;
    std::wstring fullName_;
    bool readOnly_;
    UniqueKernelHandle file_;
    RotRegistration running_;
};

class Workbooks final : public DispatchObject {
public:
    // `application` is what each workbook's Application property returns.
    Workbooks(Host& host, IDispatch& application);

    struct Opened {
        Workbook* workbook = nullptr; // null on failure
        std::wstring error;
    };
    // A user opening a file from the command line is not asked for the password.
    enum class PasswordPolicy { Check, Skip };
    // The workbook becomes the active one; reopening an open workbook activates it again.
    Opened open(std::wstring_view path, const std::optional<std::wstring>& password,
                PasswordPolicy policy = PasswordPolicy::Check);
    // Closes every workbook (Quit, the window closed, the process ending).
    void closeAll();
    void activate(Workbook& workbook);

    Workbook* active() const { return active_; }
    size_t count() const { return books_.size(); }
    IDispatch& application() const { return application_; }

protected:
    HRESULT invokeMember(DISPID id, Call& call) override;

private:
    HRESULT invokeOpen(Call& call);

    IDispatch& application_;
    std::vector<std::unique_ptr<Workbook>> books_;
    // Closed workbooks live on with the process, for clients that still hold them.
    std::vector<std::unique_ptr<Workbook>> closed_;
    Workbook* active_ = nullptr;
};

} // namespace standin
