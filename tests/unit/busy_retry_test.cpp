#include "launch/launch_wait.h"
#include "platform/busy_retry.h"

#include <gtest/gtest.h>

#include <vector>

namespace quben::testing {
namespace {

using std::chrono::milliseconds;

constexpr auto kOk = static_cast<std::int32_t>(0);

class FakeClock final : public BusyWait {
public:
    std::chrono::steady_clock::time_point Now() override { return now; }
    void Pause(milliseconds pause) override {
        pauses.push_back(pause);
        now += pause;
    }
    milliseconds Elapsed() const { return std::chrono::duration_cast<milliseconds>(now - start); }

    const std::chrono::steady_clock::time_point start{std::chrono::hours(1)};
    std::chrono::steady_clock::time_point now = start;
    std::vector<milliseconds> pauses;
};

// A call answering `status` for its first `refusals` attempts, then `final`.
struct ScriptedCall {
    std::int32_t status = kOk;
    int refusals = 0;
    std::int32_t final = kOk;
    int attempts = 0;
    std::int32_t operator()() { return attempts++ < refusals ? status : final; }
};

class BusyRetryTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(BusyRetryTest, ABusyRefusalIsRetriedEveryPauseUntilTheCallGoesThrough) {
    FakeClock clock;
    LaunchWait wait(clock, nullptr);
    ScriptedCall call{GetParam(), 5};
    EXPECT_EQ(RetryWhileBusy(wait, std::ref(call)), kOk);
    EXPECT_EQ(call.attempts, 6);
    EXPECT_EQ(clock.pauses, std::vector<milliseconds>(5, kBusyRetryPause));
}

TEST_P(BusyRetryTest, AfterTheLimitTheRefusalIsTheAnswer) {
    FakeClock clock;
    LaunchWait wait(clock, nullptr);
    ScriptedCall call{GetParam(), 1'000'000};
    EXPECT_EQ(RetryWhileBusy(wait, std::ref(call)), GetParam());
    EXPECT_EQ(clock.Elapsed(), kLaunchBusyLimit);
    EXPECT_EQ(call.attempts, kLaunchBusyLimit / kBusyRetryPause + 1);
    EXPECT_TRUE(wait.GaveUp());
}

TEST_P(BusyRetryTest, ACallAcceptedAtTheLimitGoesOnAndTheNextRefusalIsFinal) {
    FakeClock clock;
    LaunchWait wait(clock, nullptr);
    ScriptedCall atTheLimit{GetParam(), static_cast<int>(kLaunchBusyLimit / kBusyRetryPause)};
    EXPECT_EQ(RetryWhileBusy(wait, std::ref(atTheLimit)), kOk);
    EXPECT_FALSE(wait.GaveUp());
    ScriptedCall next{GetParam(), 1'000'000};
    EXPECT_EQ(RetryWhileBusy(wait, std::ref(next)), GetParam());
    EXPECT_EQ(next.attempts, 1);
    EXPECT_TRUE(wait.GaveUp());
}

INSTANTIATE_TEST_SUITE_P(EachBusyAnswer, BusyRetryTest,
                         ::testing::Values(static_cast<std::int32_t>(0x80010001),   // call rejected
                                           static_cast<std::int32_t>(0x8001010A),   // retry later
                                           static_cast<std::int32_t>(0x800AC472))); // application busy

TEST(BusyRetry, PausesStayWithinAQuarterSecondAndTheLastOneEndsOnTheLimit) {
    EXPECT_GE(kBusyRetryPause, milliseconds(100));
    EXPECT_LE(kBusyRetryPause, milliseconds(250));
    FakeClock clock;
    LaunchWait wait(clock, nullptr);
    int attempts = 0;
    RetryWhileBusy(wait, [&] {
        // A slow server: each refusal itself takes 70 ms.
        ++attempts;
        clock.now += milliseconds(70);
        return static_cast<std::int32_t>(0x80010001);
    });
    EXPECT_LE(clock.pauses.back(), kBusyRetryPause);
    // Only the pauses count against the limit; the slow refusals themselves come on top.
    EXPECT_EQ(attempts, kLaunchBusyLimit / kBusyRetryPause + 1);
    EXPECT_EQ(clock.Elapsed(), kLaunchBusyLimit + attempts * milliseconds(70));
}

TEST(BusyRetry, EveryOtherAnswerIsFinalAtOnce) {
    for (auto status : {kOk, static_cast<std::int32_t>(0x80004005), // E_FAIL
                        static_cast<std::int32_t>(0x80020009),      // DISP_E_EXCEPTION
                        static_cast<std::int32_t>(0x80010108),      // RPC_E_DISCONNECTED
                        static_cast<std::int32_t>(0x800706BA),      // server unavailable
                        static_cast<std::int32_t>(0x800AC471)}) {   // next to the busy code
        FakeClock clock;
        LaunchWait wait(clock, nullptr);
        ScriptedCall call{status, 1'000'000};
        EXPECT_EQ(RetryWhileBusy(wait, std::ref(call)), status);
        EXPECT_EQ(call.attempts, 1) << std::hex << status;
        EXPECT_TRUE(clock.pauses.empty());
    }
}

// What the launch gives back as it ends (the application's alerts) is waited for with what is left
// of the limit, but no more than a second after a close or once the limit is used up.
TEST(BusyRetry, TheEndingWaitsWhatIsLeftOfTheLimitOrOneSecondAfterACloseOrTheLimit) {
    struct Case {
        milliseconds refusedBefore;
        bool closed;
        milliseconds endingWait;
        milliseconds closedDuring = std::chrono::hours(1); // into the ending's wait
    } const cases[] = {
        {milliseconds(0), true, kEndingGrace},
        {milliseconds(119'800), false, kEndingGrace},
        {kLaunchBusyLimit, false, kEndingGrace},
        {milliseconds(60'000), false, milliseconds(60'000)},
        {milliseconds(60'000), false, milliseconds(5'000) + kEndingGrace, milliseconds(5'000)},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        LaunchWait wait(clock, nullptr);
        ScriptedCall before{static_cast<std::int32_t>(0x80010001),
                            static_cast<int>(c.refusedBefore / kBusyRetryPause)};
        RetryWhileBusy(wait, std::ref(before));
        if (c.closed)
            wait.Cancel();
        wait.Ending();
        const auto endingStart = clock.now;
        auto alertsBack = [&] {
            if (!wait.Cancelled() && clock.now - endingStart >= c.closedDuring)
                wait.Cancel();
            return static_cast<std::int32_t>(0x80010001);
        };
        RetryWhileBusy(wait, alertsBack);
        EXPECT_EQ(clock.now - endingStart, c.endingWait) << c.refusedBefore.count() << " " << c.closed;
    }
}

TEST(BusyRetry, AFailureAfterABusySpellEndsTheRetries) {
    FakeClock clock;
    LaunchWait wait(clock, nullptr);
    ScriptedCall call{static_cast<std::int32_t>(0x8001010A), 2, static_cast<std::int32_t>(0x80020009)};
    EXPECT_EQ(RetryWhileBusy(wait, std::ref(call)), static_cast<std::int32_t>(0x80020009));
    EXPECT_EQ(call.attempts, 3);
}

} // namespace
} // namespace quben::testing
