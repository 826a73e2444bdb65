// Workbook and the Workbooks collection.
#pragma once

#include "dispatch_object.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace standin {

class Workbook final : public DispatchObject {
public:
    Workbook(Host& host, std::wstring fullName);
    const std::wstring& fullName() const { return fullName_; }
    std::wstring name() const;

protected:
    HRESULT invokeMember(DISPID id, Call& call) override;

private:
    std::wstring fullName_;
};

class Workbooks final : public DispatchObject {
public:
    explicit Workbooks(Host& host);

    struct Opened {
        Workbook* workbook = nullptr; // null on failure
        std::wstring error;
    };
    // A user opening a file from the command line is not asked for the password.
    enum class PasswordPolicy { Check, Skip };
    // The workbook becomes the active one; reopening an open workbook activates it again.
    Opened open(std::wstring_view path, const std::optional<std::wstring>& password,
                PasswordPolicy policy = PasswordPolicy::Check);

    Workbook* active() const { return active_; }
    size_t count() const { return books_.size(); }

protected:
    HRESULT invokeMember(DISPID id, Call& call) override;

private:
    HRESULT invokeOpen(Call& call);
    void activate(Workbook& workbook);

    std::vector<std::unique_ptr<Workbook>> books_;
    Workbook* active_ = nullptr;
};

} // namespace standin
