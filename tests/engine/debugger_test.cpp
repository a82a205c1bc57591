// The script debugger, driven through answer files as an unattended run is:
// where it stops, what it lists, and what its commands do to the run.
#include "interpreter/actions/actions.h"
#include "interpreter/ui/debugview.h"
#include "platform/profile/profile.h"
#include "tests/support/script_test.h"

#include <sstream>

using namespace zrv;
using namespace zrv::engine;
using namespace zrv::testing;

namespace {

class Debugging : public ScriptTest {
protected:
    void prepare(Engine& engine) override { actions::registerAll(engine); }
    int debug(const std::vector<std::string>& lines, const std::string& answers = "",
              const std::string& debugWord = "/DEBUG:C:\\T.DDB") {
        return run(crlf(lines), answers, "C:\\MAIN.SCR " + debugWord);
    }
    // The debugger's transcript lines.
    std::vector<std::string> stops() {
        std::vector<std::string> out;
        for (const std::string& l : ui->transcript())
            if (l.find("\"kind\":\"debug\"") != std::string::npos)
                out.push_back(l);
        return out;
    }
    static bool has(const std::string& line, const std::string& part) { return line.find(part) != std::string::npos; }
};

TEST_F(Debugging, StopsBeforeTheFirstStatementThenRunsToTheEnd) {
    EXPECT_EQ(debug({"", ":START", "SET %A% = 1", "SET %B% = 2"}), Interpreter::kEnded);
    auto s = stops();
    ASSERT_EQ(s.size(), 1u); // Run, and no breakpoint: never again
    EXPECT_TRUE(has(s[0], "\"line\":3")) << s[0];
    EXPECT_TRUE(has(s[0], "\"text\":\"SET %A% = 1\"")) << s[0];
    EXPECT_TRUE(has(s[0], "\"from\":\"default\""));
    EXPECT_EQ(var("B"), "2");
    // Without /DEBUG nothing stops.
    run(crlf({"SET %A% = 1"}));
    EXPECT_TRUE(stops().empty());
}

TEST_F(Debugging, BreakpointsAreKeysOfTheDebugFile) {
    // Pressed twice: no key left.
    debug({"SET %A% = 1", "SET %A% = 2", "SET %A% = 3"},
          R"({"kind":"debug","line":1,"steps":[{"command":"breakpoint","line":3},{"command":"breakpoint","line":3}],"result":"run"})");
    EXPECT_EQ(stops().size(), 1u);
    EXPECT_EQ(getPrivateProfileString(*m, "BreakPoints", "C:\\MAIN.SCR:3", "none", "C:\\T.DDB"), "none");
    // Once: the next run stops there too, and Clear All takes every one away.
    debug({"SET %A% = 1", "SET %A% = 2", "SET %A% = 3"},
          R"({"kind":"debug","line":1,"steps":[{"command":"breakpoint","line":3}],"result":"run"})");
    auto s = stops();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_TRUE(has(s[1], "\"line\":3"));
    EXPECT_EQ(var("A"), "3");
    EXPECT_EQ(getPrivateProfileString(*m, "BreakPoints", "C:\\MAIN.SCR:3", "", "C:\\T.DDB"), "1");
    debug({"SET %A% = 1", "SET %A% = 2", "SET %A% = 3"},
          R"({"kind":"debug","line":1,"steps":[{"command":"clearall"}],"result":"run"})");
    EXPECT_EQ(stops().size(), 1u);
    EXPECT_TRUE(getPrivateProfileKeys(*m, "BreakPoints", "C:\\T.DDB").empty());
}

TEST_F(Debugging, SetNextMovesTheStatementAboutToRun) {
    const std::vector<std::string> lines = {"SET %N% = 1", "SET %N% = %N% + 1", "SET %DONE% = 1"};
    debug(lines, R"({"kind":"debug","line":1,"result":"step"}
{"kind":"debug","line":2,"occurrence":1,"result":"step"}
{"kind":"debug","line":3,"occurrence":1,"steps":[{"command":"setnext","line":2}],"result":"step"})");
    EXPECT_EQ(var("N"), "3"); // line 2 ran twice
    EXPECT_EQ(var("DONE"), "1");
    auto s = stops();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_TRUE(has(s[2], "\"line\":2")) << s[2]; // where the stop ended
    // Past the end, onto a label or a blank line: refused, nothing moves.
    debug({"SET %N% = 1", ":L", "", "SET %N% = 2"},
          R"({"kind":"debug","line":1,"steps":[{"command":"setnext","line":9}],"result":"step"}
{"kind":"debug","line":4,"steps":[{"command":"setnext","line":2},{"command":"setnext","line":3}],"result":"run"})");
    s = stops();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_TRUE(has(s[0], "past the end")) << s[0];
    EXPECT_TRUE(has(s[1], "holds no statement")) << s[1];
    EXPECT_EQ(var("N"), "2");
    // An answer that moves back at every stop would loop: after so many stops, Run.
    debug({"SET %N% = 1", "SET %M% = 1"},
          R"({"kind":"debug","line":1,"result":"step"}
{"kind":"debug","line":2,"steps":[{"command":"setnext","line":1}],"result":"step"})");
    EXPECT_EQ(var("M"), "1");
    EXPECT_TRUE(has(stops().back(), "\"from\":\"repeated\""));
}

TEST_F(Debugging, CancelEndsTheRunBeforeTheStatement) {
    put("C:\\SRC.TXT", "data");
    EXPECT_EQ(debug({"SET %A% = 1", "COPYFILE(\"C:\\SRC.TXT\", \"C:\\DST.TXT\")", "SET %B% = 1"},
                    R"({"kind":"debug","line":1,"result":"step"}
{"kind":"debug","line":2,"result":"cancel"})"),
              Interpreter::kEnded);
    EXPECT_FALSE(m->exists("C:\\DST.TXT"));
    EXPECT_EQ(var("A"), "1");
    EXPECT_EQ(var("B"), "");
    EXPECT_TRUE(interp->engine().scripts().empty());
}

TEST_F(Debugging, ParametersAndVariablesAreListedWithoutTakingThem) {
    debug({"SET %A% = \"a b\"", "STRIP(%A%, \"B\", 7)", "SET %C% = %A%"},
          R"({"kind":"debug","line":1,"result":"step"}
{"kind":"debug","line":2,"result":"step"})");
    auto s = stops();
    ASSERT_GE(s.size(), 2u);
    EXPECT_TRUE(has(s[1], R"("parameters":["A = 'a b'","'B'","7"])")) << s[1];
    EXPECT_TRUE(has(s[1], R"("A = 'a b'")")) << s[1];
    EXPECT_TRUE(has(s[1], "\"variables\":[")) << s[1];
    // The statement ran with its parameters all there.
    EXPECT_EQ(errors(), std::vector<int>{});
}

TEST_F(Debugging, BreakpointsInCalledFilesAndBlocks) {
    put("C:\\SUB.SCR", crlf({"SET %S% = 1", "SET %S% = 2"}));
    put("C:\\SRC.TXT", "data");
    put("C:\\T.DDB", "[BreakPoints]\r\nC:\\SUB.SCR:2=1\r\nC:\\MAIN.SCR:4=1\r\n");
    debug({"CALL \"C:\\SUB.SCR\"", "SET %M% = 1", "COPYFILE(3)", "\"C:\\SRC.TXT\", \"C:\\DST.TXT\"", "ENDCOPYFILE()"},
          R"({"kind":"debug","name":"C:\\MAIN.SCR","line":4,"steps":[{"command":"setnext","line":2}],"result":"run"})");
    auto s = stops();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_TRUE(has(s[1], "\"name\":\"C:\\\\SUB.SCR\"") && has(s[1], "\"line\":2")) << s[1];
    EXPECT_TRUE(has(s[2], "\"line\":4") && has(s[2], "outside copy and object blocks")) << s[2];
    EXPECT_EQ(get("C:\\DST.TXT"), "data");
}

TEST_F(Debugging, TheDebugFileDefaultsToTheCurrentDirectory) {
    ASSERT_TRUE(m->createDirectory("C:\\WORK"));
    debug({"SET %A% = 1"}, R"({"kind":"debug","steps":[{"command":"breakpoint","line":1}],"result":"run"})",
          "/DIR:C:\\WORK /DEBUG");
    EXPECT_TRUE(m->exists("C:\\WORK\\SETUP.DDB"));
    EXPECT_FALSE(m->exists("C:\\WINDOWS\\SETUP.DDB"));
}

TEST_F(Debugging, ABadDebugFileHasNoBreakpointsAndTheRunGoesOn) {
    // Not INI at all, and keys of other files and of lines past the end: no breakpoints.
    put("C:\\T.DDB", std::string("\x00\xff[[[\r\n=\r\n[BreakPoints]\r\nC:\\OTHER.SCR:1=1\r\nC:\\MAIN.SCR:99=1\r\n", 61));
    EXPECT_EQ(debug({"SET %A% = 1", "SET %B% = 2"}), Interpreter::kEnded);
    EXPECT_EQ(stops().size(), 1u);
    EXPECT_EQ(var("B"), "2");
    // Read-only: what cannot be stored is said once in the trace, and the run goes on.
    enableTrace();
    ASSERT_TRUE(m->setAttributes("C:\\T.DDB", FileAttribute::ReadOnly));
    EXPECT_EQ(debug({"SET %A% = 1", "SET %B% = 2"},
                    R"({"kind":"debug","steps":[{"command":"breakpoint","line":2},{"command":"clearall"}],"result":"step"})"),
              Interpreter::kEnded);
    EXPECT_EQ(var("B"), "2");
    const std::string t = trace();
    const std::size_t first = t.find("Debug data file not written");
    EXPECT_NE(first, std::string::npos) << t;
    EXPECT_EQ(t.find("Debug data file not written", first + 1), std::string::npos);
}

TEST(DebugWindow, LayoutShareTheHeightBetweenTheLists) {
    for (auto [w, h] : {std::pair{540, 400}, std::pair{800, 600}, std::pair{300, 200}}) {
        ui::DebugLayout l = ui::layoutDebugWindow(w, h);
        const int a = (h - 112) / 2;
        EXPECT_EQ(l.frame, ui::Rect::sized(8, 8, w - 16, h - 53));
        EXPECT_EQ(l.scriptList, ui::Rect::sized(16, 36, w - 32, a));
        EXPECT_EQ(l.commandLabel.top, a + 44);
        EXPECT_EQ(l.commandList, ui::Rect::sized(16, a + 60, w - 32, a));
        EXPECT_EQ(l.buttons[5], (ui::Rect{458, h - 35, 538, h - 10}));
        EXPECT_EQ(l.buttons[2].left, 188);
    }
    ui::DebugView v;
    v.current = 2;
    v.source.breakpoint = [](std::uint32_t n) { return n == 3; };
    EXPECT_EQ(v.state(2), ui::DebugView::LineState::Current);
    EXPECT_EQ(v.state(3), ui::DebugView::LineState::Breakpoint);
    EXPECT_EQ(ui::DebugView::background(v.state(3)), 0xFF0000u);
    EXPECT_EQ(ui::DebugView::foreground(v.state(3)), 0xFFFFFFu);
    EXPECT_EQ(ui::DebugView::background(v.state(2)), 0xFFFF00u);
    EXPECT_EQ(ui::DebugView::background(v.state(1)), 0xFFFFFFu);
}

} // namespace

namespace {

// The terminal form: what a person at a terminal reads and types.
TEST_F(Debugging, OnATerminal) {
    put("C:\\MAIN.SCR", crlf({"SET %A% = 1", "SET %B% = 2", "SET %C% = 3", "SET %D% = 4"}));
    std::istringstream in("s\nb 4\nb 9\np A\n\nn 1\nn 2\nl 2\nx\nr\ns\nq\n");
    std::ostringstream out;
    ui = std::move(ui::HeadlessUi::fromText("").value());
    ui->debugOnTerminal(in, out, false);
    interp = std::make_unique<Interpreter>(*m, *ui);
    prepare(interp->engine());
    EXPECT_EQ(interp->run("C:\\MAIN.SCR /DEBUG:C:\\T.DDB"), Interpreter::kEnded);
    const std::string screen = out.str();
    for (const char* seen : {"Debug - C:\\MAIN.SCR   line 1 of 4\n=> 0001  SET %A% = 1\n",
                             "debug> b 4\nbreakpoint set at line 4\n", "no such line (1 to 4)",
                             "debug> p A\n  A = '1'\ndebug> \n  A = '1'\n", // Enter repeats
                             "=> 0001  SET %A% = 1", "unknown command 'x'", "*> 0004  SET %D% = 4"})
        EXPECT_NE(screen.find(seen), std::string::npos) << seen << "\n---\n" << screen;
    // n 1 then n 2 moved the next statement back to line 2; r ran it and C;
    // at the breakpoint, s ran D, and the end of the script came before q.
    EXPECT_EQ(var("B"), "2");
    EXPECT_EQ(var("D"), "4");
    auto s = stops();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_TRUE(has(s[2], "\"from\":\"terminal\"") && has(s[2], "\"line\":4")) << s[2];
}

} // namespace
