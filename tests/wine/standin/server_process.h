// One stand-in process: its objects, class registrations, window and lifetime.
#pragma once

#include "busy_filter.h"
#include "host.h"
#include "main_window.h"
#include "win_handles.h"

#include <atomic>
#include <string_view>
#include <vector>

namespace standin {

enum class StartMode { Embedding, User };

class ServerProcess final : public Host {
public:
    ServerProcess(const Journal& journal, Faults faults, StartMode mode);

    // Runs the message loop until the process should end.
    int run(HINSTANCE instance, std::wstring_view workbookPath);

    void objectAcquired() override { ++references_; }
    void objectReleased() override;
    void checkIdle() override;
    void visibilityChanged(bool visible) override;
    void activeWorkbookChanged(std::wstring_view name) override;
    LONG windowHandle() const override;
    void quitRequested() override {
        quit_ = true;
        checkIdle();
    }
    void crash(std::wstring_view member) override;
    void noteForeground(std::wstring_view moment) const override;

private:
    void closeWindow();
    void end();

    StartMode mode_;
    std::atomic<long> references_{0};
    bool visible_ = false;
    bool ending_ = false;
    bool quit_ = false;
    // While it shows its start-up prompt: a close answers the prompt, and the start goes on.
    bool prompting_ = false;
    MainWindow* window_ = nullptr;
    BusyFilter busyFilter_;
    // Wine keeps the class registrations of a dead process and answers later activations with
    // RPC_S_SERVER_UNAVAILABLE; a deliberate crash withdraws them first, as Windows would on process death.
    std::vector<ClassRegistration*> registrations_;
};

} // namespace standin
