// The launch and the watch loop: the calls of whole runs, compared as
// sequences, and the poll interval as the waits' time-outs.
#include <algorithm>

#include "sim_fixture.h"

namespace {

using Calls = std::vector<std::string>;

const char kStart[] =
    "CreateProcessA(null, \"game.exe -x\", null, null, 0, 0, null, null, startup{cb}, "
    "process{0})";
const char kLookUp[] = "FindWindowA(null, \"BF2 Error\") = ";

class WatchTest : public SimTest {};

TEST_F(WatchTest, TrimsStartsWatchesAndClosesInOrder) {
    d.timeoutsBeforeExit = 3;

    EXPECT_EQ(RunWinMain("game.exe -x"), std::nullopt);

    const Calls expected = {
        "SetProcessWorkingSetSize(self, ~0, ~0)",
        kStart,
        "WaitForSingleObject(process, 2)",
        std::string(kLookUp) + "null",
        "WaitForSingleObject(process, 4)",
        std::string(kLookUp) + "null",
        "WaitForSingleObject(process, 6)",
        std::string(kLookUp) + "null",
        "WaitForSingleObject(process, 8)",
        "CloseHandle(process)",
        "CloseHandle(thread)",
    };
    EXPECT_EQ(d.calls, expected);
}

TEST_F(WatchTest, AFailedWaitEndsTheWatchLikeTheGamesEnd) {
    d.timeoutsBeforeExit = 1;
    d.waitFails = true;

    EXPECT_EQ(RunWinMain("game.exe -x"), std::nullopt);  // WinMain returned 0

    const Calls expected = {
        "WaitForSingleObject(process, 2)",
        "WaitForSingleObject(process, 4)",
        "CloseHandle(process)",
        "CloseHandle(thread)",
    };
    EXPECT_EQ(sim::CallsTo({"WaitForSingleObject", "CloseHandle", "MessageBoxA"}), expected);
}

TEST_F(WatchTest, AGameThatEndsAtOnceIsNeverLookedFor) {
    EXPECT_EQ(RunWinMain("game.exe -x"), std::nullopt);
    EXPECT_EQ(sim::CallsTo({"FindWindowA", "EnumChildWindows"}), Calls{});
    EXPECT_EQ(d.waitTimeouts, std::vector<DWORD>{2});
}

TEST_F(WatchTest, PollGrowsByTwoUpToAHundredWithoutAnErrorWindow) {
    d.timeoutsBeforeExit = 60;
    RunWinMain("game.exe");

    std::vector<DWORD> expected;
    for (DWORD k = 1; k <= 61; ++k) expected.push_back(std::min<DWORD>(2 * k, 100));
    EXPECT_EQ(d.waitTimeouts, expected);
}

TEST_F(WatchTest, PollFallsBackToTwoAfterEveryPassThatFindsAnErrorWindow) {
    // The window shows for three passes; with a button, and without one.
    for (const bool withButton : {true, false}) {
        SCOPED_TRACE(withButton ? "with button" : "without button");
        sim::Reset();
        d.timeoutsBeforeExit = 10;
        HWND error = nullptr;
        d.beforeWait = [&](int wait) {
            if (wait == 5) {
                error = sim::AddWindow("BF2 Error");
                sim::AddWindow(withButton ? "&Continue" : "&Quit", error);
            }
            if (wait == 8) sim::DestroyWindow(error);
        };

        RunWinMain("game.exe");

        EXPECT_EQ(d.waitTimeouts, (std::vector<DWORD>{2, 4, 6, 8, 10, 12, 2, 2, 2, 4, 6}));
        EXPECT_EQ(sim::CallsTo({"EnumChildWindows"}).size(), 3u);
        EXPECT_EQ(sim::CallsTo({"SendMessageTimeoutA"}).size(), withButton ? 9u : 0u);
    }
}

TEST_F(WatchTest, AnErrorWindowThatStaysIsPressedInEveryPassEveryTwoMilliseconds) {
    d.timeoutsBeforeExit = 5;
    const HWND error = sim::AddWindow("BF2 Error", nullptr, "error");
    sim::AddWindow("&Continue", error, "button");

    RunWinMain("game.exe");

    EXPECT_EQ(d.waitTimeouts, (std::vector<DWORD>(6, 2)));
    EXPECT_EQ(sim::CallsTo({"EnumChildWindows"}), Calls(5, "EnumChildWindows(error, proc, 0)"));
    EXPECT_EQ(d.lastEnumProc, &PressContinueProc);
    EXPECT_EQ(sim::CallsTo({"SendMessageTimeoutA"}).size(), 15u);
}

TEST_F(WatchTest, TheErrorWindowIsFoundByItsTitleAlone) {
    d.timeoutsBeforeExit = 1;
    sim::AddWindow("BF2 Error (other)");
    const HWND error = sim::AddWindow("BF2 Error", nullptr, "error");
    sim::AddWindow("&Continue", error, "button");

    RunWinMain("game.exe");

    EXPECT_EQ(sim::CallsTo({"FindWindowA"}), Calls{std::string(kLookUp) + "error"});
    EXPECT_EQ(sim::CallsTo({"SendMessageTimeoutA"}).size(), 3u);
}

}  // namespace
