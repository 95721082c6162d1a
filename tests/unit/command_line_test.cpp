// The start-up's command-line rule: what the game gets of the launcher's own
// command line.
#include <cstring>
#include <memory>

#include "sim_fixture.h"

namespace {

struct TailCase {
    const char* name;
    std::string line;
    std::set<BYTE> leadBytes;
    std::string tail;
};

const TailCase kTailCases[] = {
    {"plain name", "qm2.exe game.exe -x", {}, "game.exe -x"},
    {"quoted name with blank", "\"C:\\Program Files\\qm2.exe\"   game.exe", {}, "game.exe"},
    {"quotes inside the name", "C:\\Pro\"gram Fi\"les\\qm2.exe game", {}, "game"},
    {"quote then more name", "\"qm2.exe\"game arg", {}, "arg"},
    {"unclosed quote swallows all", "\"C:\\a b\\qm2.exe game", {}, ""},
    {"tab and control bytes after the name", "qm2.exe\t\x01\x1f \x0b game", {}, "game"},
    {"tail kept byte for byte", "qm2.exe  \"a  b\"\tc   ", {}, "\"a  b\"\tc   "},
    {"name only", "qm2.exe", {}, ""},
    {"name and blanks only", "qm2.exe \t ", {}, ""},
    {"empty line", "", {}, ""},
    {"line starting with a blank", " game arg", {}, "game arg"},
    {"byte 0x80 and above is no blank", "C:\\caf\xe9\\\xa0\xff\\qm2.exe arg", {}, "arg"},
    {"bytes 0x7f and 0x21 are no blanks", "qm\x7f!2.exe arg", {}, "arg"},
    {"lead byte carries a quote", "C:\\\x81\"\\qm2.exe arg", {0x81}, "arg"},
    {"same bytes without lead byte", "C:\\\x81\"\\qm2.exe arg", {}, ""},
    {"lead byte carries a blank", "C:\\\x81 \\qm2.exe arg", {0x81}, "arg"},
    {"same bytes without lead byte", "C:\\\x81 \\qm2.exe arg", {}, "\\qm2.exe arg"},
    {"lead byte before the terminator", "qm2.exe\x81", {0x81}, ""},
    {"lead byte, trail, terminator", "qm2\x81\x40", {0x81}, ""},
    {"lead byte in the tail is the game's", "qm2.exe \x81 x", {0x81}, "\x81 x"},
};

void PrintTo(const TailCase& c, std::ostream* os) { *os << c.name; }

class TailTest : public SimTest, public ::testing::WithParamInterface<TailCase> {};

TEST_P(TailTest, DerivesTheGamesCommandLine) {
    const TailCase& c = GetParam();
    d.leadBytes = c.leadBytes;
    // An exactly sized heap copy, so that a read past the terminator is caught
    // by the address sanitizer.
    const size_t size = c.line.size() + 1;
    std::unique_ptr<char[]> line(new char[size]);
    std::memcpy(line.get(), c.line.c_str(), size);

    const char* tail = CommandLineTail(line.get());

    EXPECT_EQ(std::string(tail), c.tail);
    // The tail is the line's own end, not a copy.
    EXPECT_EQ(tail, line.get() + size - 1 - c.tail.size());
}

INSTANTIATE_TEST_SUITE_P(Rule, TailTest, ::testing::ValuesIn(kTailCases),
                         [](const ::testing::TestParamInfo<TailCase>& info) {
                             std::string name = std::to_string(info.index) + "_" + info.param.name;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

class StartupTest : public SimTest {};

TEST_F(StartupTest, RunsTheGameWithTheTailAndExitsWithWinMainsResult) {
    d.commandLine = "\"C:\\My Games\\qm2.exe\"  game.exe  \"x y\" ";
    d.timeoutsBeforeExit = 1;

    EXPECT_EQ(sim::RunProcess(WinMainCRTStartup), 0u);

    const auto starts = sim::CallsTo({"GetCommandLineA", "CreateProcessA", "ExitProcess"});
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0], "GetCommandLineA()");
    EXPECT_EQ(starts[1],
              "CreateProcessA(null, \"game.exe  \"x y\" \", null, null, 0, 0, null, null, "
              "startup{cb}, process{0})");
    EXPECT_EQ(starts[2], "ExitProcess(0)");
}

TEST_F(StartupTest, ExitsWithTheErrorCodeWhenTheGameCannotStart) {
    d.commandLine = "qm2.exe";
    d.createError = ERROR_FILE_NOT_FOUND;
    d.systemTexts[ERROR_FILE_NOT_FOUND] = "The system cannot find the file specified.\r\n";

    EXPECT_EQ(sim::RunProcess(WinMainCRTStartup), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sim::CallsTo({"CreateProcessA"}).at(0),
              "CreateProcessA(null, \"\", null, null, 0, 0, null, null, startup{cb}, "
              "process{0})");
    EXPECT_EQ(d.boxText, "CreateProcess failed: The system cannot find the file specified.\r\n");
}

}  // namespace
