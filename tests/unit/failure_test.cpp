// The failure report: the box's text, caption and type, and the exit status.
#include "sim_fixture.h"

namespace {

using Calls = std::vector<std::string>;

class FailureTest : public SimTest {
protected:
    std::optional<UINT> Fail(DWORD code) {
        d.lastError = code;
        return sim::RunProcess([] { FailWithLastError("CreateProcess failed"); });
    }
};

TEST_F(FailureTest, ShowsTheCallAndTheSystemsTextThenExitsWithTheCode) {
    d.systemTexts[2] = "File not found.\r\n";

    EXPECT_EQ(Fail(2), 2u);

    const Calls expected = {
        "GetLastError()",
        "FormatMessageA(0x1000, null, 2, 0, buffer, 259, null)",
        "MessageBoxA(null, \"CreateProcess failed: File not found.\r\n\", \"Failed.\", 48)",
        "ExitProcess(2)",
    };
    EXPECT_EQ(d.calls, expected);
    EXPECT_TRUE(d.boxOwnerNull);
    EXPECT_EQ(d.boxType, MB_ICONWARNING);
}

TEST_F(FailureTest, WithoutASystemTextNothingFollowsTheColon) {
    EXPECT_EQ(Fail(0xE0001234u), 0xE0001234u);
    EXPECT_EQ(d.boxText, "CreateProcess failed: ");
}

TEST_F(FailureTest, ALongMessageIsCutTo259Characters) {
    d.systemTexts[87] = std::string(250, 'x');

    Fail(87);

    EXPECT_EQ(d.boxText, "CreateProcess failed: " + std::string(259 - 22, 'x'));
}

TEST_F(FailureTest, TheExitStatusIsTheCodeTakenBeforeTheBox) {
    d.systemTexts[2] = "File not found.\r\n";
    d.formatSetsError = 1813;
    d.messageBoxSetsError = 1400;

    EXPECT_EQ(Fail(2), 2u);
    EXPECT_EQ(d.boxText, "CreateProcess failed: File not found.\r\n");
}

TEST_F(FailureTest, NoPendingCodeStillExitsAsAFailure) {
    d.systemTexts[0] = "Success.\n";

    EXPECT_EQ(Fail(0), 1u);
    EXPECT_EQ(d.boxText, "CreateProcess failed: Success.\n");
}

TEST_F(FailureTest, AGameThatCannotStartIsNeverWatched) {
    d.createError = 193;  // ERROR_BAD_EXE_FORMAT
    d.systemTexts[193] = "Bad format.\r\n";

    EXPECT_EQ(RunWinMain("notes.txt"), 193u);

    EXPECT_EQ(d.boxText, "CreateProcess failed: Bad format.\r\n");
    EXPECT_EQ(sim::CallsTo({"WaitForSingleObject", "CloseHandle", "FindWindowA"}), Calls{});
}

}  // namespace
