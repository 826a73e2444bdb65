#include "platform/independent_steps.h"

namespace quben {

void TellDropped(const StepPlace& where) noexcept {
    if (droppedStepSink == nullptr)
        return;
    std::int32_t status = kStatusUnexpected;
    try {
        throw;
    } catch (const PlatformError& error) {
        status = error.status;
    } catch (...) {
    }
    droppedStepSink(where, status);
}

} // namespace quben
