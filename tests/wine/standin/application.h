// The Application object and the per-process Global object that leads to it.
#pragma once

#include "dispatch_object.h"
#include "workbooks.h"

namespace standin {

class Application final : public DispatchObject {
public:
    explicit Application(Host& host);

    Workbooks& workbooks() { return workbooks_; }
    bool visible() const { return visible_; }
    // Tells the host only on a real change, so the journal shows each show/hide once.
    void setVisible(bool visible);

protected:
    HRESULT invokeMember(DISPID id, Call& call) override;

private:
    HRESULT property(Call& call, bool& value);

    bool visible_ = false;
    bool displayAlerts_ = true;
    LONG automationSecurity_ = 1; // msoAutomationSecurityLow, as automation starts it
    Workbooks workbooks_;
};

class Global final : public DispatchObject {
public:
    Global(Host& host, Application& application);

protected:
    HRESULT invokeMember(DISPID id, Call& call) override;

private:
    Application& application_;
};

} // namespace standin
