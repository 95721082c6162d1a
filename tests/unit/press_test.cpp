// The press: which descendant of the error window gets the click, and what
// exactly it is sent.
#include "sim_fixture.h"

namespace {

using Calls = std::vector<std::string>;

const Calls kPressed(const std::string& button) {
    return {
        "SendMessageTimeoutA(" + button + ", WM_LBUTTONDOWN, 0, 0, SMTO_ABORTIFHUNG, 1000)",
        "SendMessageTimeoutA(" + button + ", WM_LBUTTONUP, 0, 0, SMTO_ABORTIFHUNG, 1000)",
        "SendMessageTimeoutA(" + button + ", BM_SETSTATE, 1, 0, SMTO_ABORTIFHUNG, 1000)",
    };
}

class PressTest : public SimTest {
protected:
    // One pass of the watch loop over the error window, as the launcher would
    // run it; returns the exit status if the launcher ended.
    std::optional<UINT> Pass() {
        return sim::RunProcess([this] { EnumChildWindows(error, PressContinueProc, 0); });
    }
    Calls Sends() { return sim::CallsTo({"SendMessageTimeoutA"}); }
    Calls Reads() { return sim::CallsTo({"GetWindowTextA"}); }

    void SetUp() override {
        SimTest::SetUp();
        error = sim::AddWindow("BF2 Error", nullptr, "error");
    }

    HWND error = nullptr;
};

TEST_F(PressTest, AButtonFirstGetsDownUpSetStateAndNothingElseIsRead) {
    sim::AddWindow("&Continue", error, "button");
    sim::AddWindow("&Quit", error);

    EXPECT_EQ(Pass(), std::nullopt);

    Calls expected = {"EnumChildWindows(error, proc, 0)", "SetLastError(0)",
                      "GetWindowTextA(button, 128) = 9"};
    for (const std::string& send : kPressed("button")) expected.push_back(send);
    EXPECT_EQ(d.calls, expected);
}

TEST_F(PressTest, OnlyTheFirstOfTwoExactButtonsIsPressed) {
    sim::AddWindow("OK", error);
    sim::AddWindow("&Continue", error, "first");
    sim::AddWindow("&Continue", error, "second");

    Pass();

    EXPECT_EQ(Sends(), kPressed("first"));
    EXPECT_EQ(Reads(), (Calls{"GetWindowTextA(OK, 128) = 2", "GetWindowTextA(first, 128) = 9"}));
}

TEST_F(PressTest, OnlyTheExactCaptionMatches) {
    const char* const nearMisses[] = {"&continue",  "&CONTINUE",  "Continue",
                                      "&Continue ", " &Continue", "&Continue...",
                                      "&Continu",   "&&Continue", "&Continue\t"};
    for (const char* text : nearMisses) sim::AddWindow(text, error);

    EXPECT_EQ(Pass(), std::nullopt);

    EXPECT_EQ(Sends(), Calls{});
    EXPECT_EQ(Reads().size(), std::size(nearMisses));  // every one was read
}

TEST_F(PressTest, TheButtonIsFoundAmongNestedDescendants) {
    const HWND panel = sim::AddWindow("panel", error);
    sim::AddWindow("Details", panel);
    const HWND inner = sim::AddWindow("inner", panel);
    sim::AddWindow("&Continue", inner, "nested");
    sim::AddWindow("&Continue", error, "later sibling");

    Pass();

    EXPECT_EQ(Sends(), kPressed("nested"));
}

TEST_F(PressTest, ALongTextIsReadCutAndCannotMatch) {
    sim::AddWindow("&Continue" + std::string(200, ' '), error, "long");

    Pass();

    EXPECT_EQ(Reads(), Calls{"GetWindowTextA(long, 128) = 127"});
    EXPECT_EQ(Sends(), Calls{});
}

TEST_F(PressTest, EmptyTextsAndVanishedWindowsAreSkipped) {
    sim::AddWindow("", error, "empty");
    const HWND gone = sim::AddWindow("label", error, "gone");
    sim::WindowOf(gone).readError = ERROR_INVALID_WINDOW_HANDLE;
    sim::AddWindow("&Continue", error, "button");
    // A code left pending by some earlier call must not make an empty text
    // look like a failed read.
    d.lastError = 5;

    EXPECT_EQ(Pass(), std::nullopt);

    EXPECT_EQ(Sends(), kPressed("button"));
    EXPECT_EQ(d.boxText, "");
}

TEST_F(PressTest, AWindowClosedDuringTheWalkEndsThePassQuietly) {
    for (int i = 0; i < 5; ++i) sim::AddWindow("label " + std::to_string(i), error);
    sim::AddWindow("&Continue", error, "button");
    int reads = 0;
    d.beforeRead = [&](HWND) {
        if (++reads == 2) sim::DestroyWindow(error);
    };

    EXPECT_EQ(Pass(), std::nullopt);

    EXPECT_EQ(Reads().size(), 6u);  // the rest fail as invalid handles
    EXPECT_EQ(Sends(), Calls{});
    EXPECT_EQ(sim::CallsTo({"MessageBoxA", "ExitProcess"}), Calls{});
}

TEST_F(PressTest, AnyOtherFailedReadIsReportedAndNothingIsPressed) {
    const HWND locked = sim::AddWindow("label", error, "locked");
    sim::WindowOf(locked).readError = 5;  // ERROR_ACCESS_DENIED
    sim::AddWindow("&Continue", error, "button");
    d.systemTexts[5] = "Access denied.\r\n";

    EXPECT_EQ(Pass(), 5u);

    EXPECT_EQ(d.boxText, "GetWindowText failed: Access denied.\r\n");
    EXPECT_EQ(d.boxCaption, "Failed.");
    EXPECT_EQ(Sends(), Calls{});
}

}  // namespace
