// What the automation objects need from the process that hosts them.
#pragma once

#include "faults.h"
#include "journal.h"

#include <string_view>

namespace standin {

class Host {
public:
    Host(const Journal& journal, Faults faults) : journal_(journal), faults_(std::move(faults)) {}
    virtual ~Host() = default;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    const Journal& journal() const { return journal_; }
    const Faults& faults() const { return faults_; }

    // One count per reference held on any object and per LockServer(TRUE): the process may end at zero.
    virtual void objectAcquired() = 0;
    virtual void objectReleased() = 0;
    // Ends the process if nothing keeps it alive any more.
    virtual void checkIdle() = 0;
    virtual void visibilityChanged(bool visible) = 0;
    virtual void activeWorkbookChanged(std::wstring_view name) = 0;
    // The main window, as the application's Hwnd property reports it.
    virtual LONG windowHandle() const = 0;
    virtual void quitRequested() = 0;
    // Journals which window is in front at `moment`, and the state of the launcher's window.
    virtual void noteForeground(std::wstring_view /*moment*/) const {}
    // Does not return in the real server.
    virtual void crash(std::wstring_view member) = 0;

private:
    const Journal& journal_;
    Faults faults_;
};

} // namespace standin
