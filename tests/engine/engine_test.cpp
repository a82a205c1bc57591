// Scripts run through the interpreter on fresh machines, answered headlessly.
#include "interpreter/engine/errors.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/engine/script.h"
#include "interpreter/ui/headless/headless.h"
#include "tests/support/script_test.h"

using namespace zrv;
using namespace zrv::engine;
using namespace zrv::testing;

namespace {

using Script = ScriptTest;

struct SetCase {
    const char* line;
    const char* value; // of %A% afterwards
    int error;
};

void PrintTo(const SetCase& c, std::ostream* os) {
    *os << c.line;
}

class SetForms : public Script, public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetForms, StoreTheExpectedValue) {
    const SetCase& c = GetParam();
    int status = run(crlf({"SET %S% = \"Hello\"", "SET %N% = \" 1 2 \"", c.line}));
    EXPECT_EQ(status, c.error ? 2 : 0) << c.line;
    EXPECT_EQ(var("A"), c.value) << c.line;
    EXPECT_EQ(errors(), c.error ? std::vector<int>{c.error} : std::vector<int>{}) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, SetForms,
    ::testing::Values(
        SetCase{"SET %A% = \"x\"", "x", 0}, SetCase{"SET %A% = 1 + 2 + 3", "3", 0},
        SetCase{"SET %A% = 7 / 2", "3", 0}, SetCase{"SET %A% = 0 - 7 / 2", "4294967289", 0},
        SetCase{"SET %A% = \"abc\" + 1", "abc", kErrNumericParam},
        SetCase{"SET %A% = LEFT(\"Hello\", 9)", "Hello", 0},
        SetCase{"SET %A% = LEFT(\"Hello\", 255)", "", kErrSubscript},
        SetCase{"SET %A% = RIGHT(%S%, 3)", "llo", 0},
        SetCase{"SET %A% = MID(\"abcdef\", 2, 3)", "bcd", 0},
        SetCase{"SET %A% = MID(\"abcdef\", 0, 2)", "ab", 0},
        SetCase{"SET %A% = INSTR(1, \"a.b.c\", \".\")", "2", 0},
        SetCase{"SET %A% = INSTR(3, \"a.b.c\", \".\")", "4", 0},
        SetCase{"SET %A% = INSTR(9, \"abc\", \"a\")", "0", 0},
        SetCase{"SET %A% = INSTR(0, \"abc\", \"a\")", "", kErrSubscript},
        SetCase{"SET %A% = UCASE(\"mIx\")", "MIX", 0}, SetCase{"SET %A% = LCASE(%S%)", "hello", 0},
        SetCase{"SET %A% = LEN(%S%)", "5", 0}, SetCase{"SET %A% = NOT 0", "1", 0},
        SetCase{"SET %A% = NOT 7", "0", 0}, SetCase{"SET %A% = 6 AND 3", "2", 0},
        // The arithmetic step follows function operands too.
        SetCase{"SET %A% = NOT 0 + 5", "6", 0}, SetCase{"SET %A% = LEN(\"abc\") * 2", "6", 0},
        SetCase{"SET %A% = MID(\"123456\", 2, 3) - 200", "34", 0},
        SetCase{"SET %A% = LEFT(%S%, 2) + 1", "He", kErrNumericParam},
        SetCase{"SET %A% = LEN(\"abc\" * 2", "3", 0}, // no closing parenthesis: nothing follows
        SetCase{"SET %A% = 6 OR 3", "7", 0}, SetCase{"SET %A% = 6 XOR 3", "5", 0},
        SetCase{"SET %A% = %N% + 1", " 1 2 ", kErrNumericParam},
        SetCase{"SET %A% = 4 & 2", "4", kErrArithmeticOperator},
        SetCase{"SET %A% = 5 / 0", "5", kErrNumericParam},
        SetCase{"SET %A% = -2147483648 / -1", "2147483648", kErrNumericParam},
        SetCase{"SET %A% = 65536 * 65536", "0", 0},
        SetCase{"SET %A% = HELLO", "", kErrInvalidParameters},
        SetCase{"SET A = 1", "", kErrMissingVariable},
        SetCase{"SET %A% 1", "", kErrMissingVariable}, SetCase{"SET %A% = -5", "4294967291", 0},
        SetCase{"SET %A% = \"#NEXT# >\"", "#NEXT# >", 0}));

TEST_F(Script, IfComparesNumbersBitsAndStrings) {
    enableTrace();
    int status =
        run(crlf({"SET %X% = \"abc\"", "IF 6 AND 2 == 2 SET %A% = 1",
                  "IF \"%X%\" == \"abc\" SET %B% = 1", "IF \"a\" < \"B\" SET %C% = 1",
                  "IF -1 < 0 SET %D% = 1", "IF 2 != 2 SET %E% = 1", "IF %X% == 1 GOTO :L"}));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(var("A"), "1");
    EXPECT_EQ(var("B"), "1");
    EXPECT_EQ(var("C"), "1");
    EXPECT_EQ(var("D"), "1");
    EXPECT_EQ(var("E"), "");
    EXPECT_EQ(errors(), std::vector<int>{kErrNumericParam});
    std::string t = trace();
    EXPECT_NE(t.find("Numeric Comparision\r\nPar1: 6  Par2: 2\r\nLogical op\r\nPar1: 2  Par2: "
                     "2\r\nResult: True\r\nIF Successful\r\n"),
              std::string::npos);
    EXPECT_NE(t.find("String Comparision\r\nPar1: 'abc'  Par2: 'abc'\r\nResult: True\r\n"),
              std::string::npos);
    EXPECT_NE(t.find("Result: False\r\nIF Unsuccessful\r\n"), std::string::npos);
}

TEST_F(Script, IfErrors) {
    struct {
        const char* line;
        int error;
    } cases[] = {{"IF 1 == 1", kErrInvalidCommand},
                 {"IF 1 = 1 GOTO :X", kErrComparisonOperator},
                 {"IF GOTO :X", kErrComparisonValue},
                 {"IF \"a\" == 1 GOTO :X", kErrStringParam}};
    for (auto c : cases) {
        run(crlf({c.line}));
        EXPECT_EQ(errors(), std::vector<int>{c.error}) << c.line;
    }
}

TEST_F(Script, LabelsAndGoto) {
    int status =
        run(crlf({"GOTO :TWICE", ":START SET %A% = 1", "SET %B% = 1", "EXIT", ":TWICE",
                  "SET %C% = \"first\"", "GOTO :start", ":TWICE", "SET %C% = \"second\""}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(var("A"), ""); // a label line does nothing, whatever follows it
    EXPECT_EQ(var("B"), "1");
    EXPECT_EQ(var("C"), "first");         // the first of two equal labels wins
    run(crlf({"GOTO :lower", ":lower"})); // GOTO looks for :LOWER
    EXPECT_EQ(errors(), std::vector<int>{kErrLabelNotFound});
    run(crlf({"GOTO \"x\""}));
    EXPECT_EQ(errors(), std::vector<int>{kErrInvalidLabel});
}

TEST_F(Script, CallExitAndScriptFile) {
    put("C:\\SUB.SCR", crlf({"SET %INSUB% = %SCRIPTFILE%", "EXIT", "SET %NEVER% = 1"}));
    put("C:\\PART2.TXT", crlf({"SET %TXT% = %SCRIPTFILE%"}));
    int status = run(crlf({"CALL \"SUB\"", "SET %BACK% = %SCRIPTFILE%", "CALL \"PART2.TXT\"",
                           "SET %AFTER% = %SCRIPTFILE%"}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(var("INSUB"), "C:\\SUB.SCR");
    EXPECT_EQ(var("NEVER"), "");
    EXPECT_EQ(var("BACK"), "C:\\MAIN.SCR");
    EXPECT_EQ(var("TXT"), "C:\\PART2.TXT");
    EXPECT_EQ(var("AFTER"), "C:\\PART2.TXT"); // the end of a called file leaves SCRIPTFILE alone
}

TEST_F(Script, SixFilesNestAndTheSeventhFails) {
    put("C:\\NEST.SCR", crlf({"SET %N% = %N% + 1", "CALL \"NEST\""}));
    int status = run(crlf({"TRAPERROR(1, 0)", "SET %N% = 1", "CALL \"NEST\"", "SET %DONE% = 1"}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(var("N"), "6");
    EXPECT_EQ(var("ERROR"), "30");
    EXPECT_EQ(var("DONE"), "1");
}

TEST_F(Script, TrapErrorShowsOrHides) {
    run(crlf({"TRAPERROR(1, 0)", "CALL \"MISSING\"", "SET %E1% = %ERROR%", "TRAPERROR(1, 1)",
              "GOTO :NONE", "SET %E2% = %ERROR%", "TRAPERROR(0, 0)", "GOTO :NONE",
              "SET %NEVER% = 1"}));
    EXPECT_EQ(var("E1"), "29");
    EXPECT_EQ(var("E2"), "5");
    EXPECT_EQ(var("NEVER"), "");
    EXPECT_EQ(errors(), std::vector<int>{kErrLabelNotFound});
}

TEST_F(Script, SkipAndStop) {
    EXPECT_EQ(
        run(crlf({"SKIP(2)", "SET %A% = 1", "SET %B% = 1", "SET %C% = 1", "STOP", "SET %D% = 1"})),
        0);
    EXPECT_EQ(var("A") + var("B") + var("C") + var("D"), "1");
    put("C:\\TAIL.SCR", crlf({"SKIP(5)", "SET %T% = 1"}));
    EXPECT_EQ(run(crlf({"CALL \"TAIL\"", "SET %AFTER% = 1"})), 0);
    EXPECT_EQ(var("T"), "");
    EXPECT_EQ(var("AFTER"), "1");
}

TEST_F(Script, NumericParametersFromVariables) {
    struct {
        const char* value;
        int error;
        const char* skipped;
    } cases[] = {{" 1 2 ", 0, "12"},
                 {"12x", kErrNumericParam, ""},
                 {"-12", 0, "-12"},
                 {"-1x", kErrNumericParam, ""}};
    for (auto c : cases) {
        run(crlf({std::string("SET %V% = \"") + c.value + "\"", "TRAPERROR(%V%, 0)"}));
        EXPECT_EQ(errors(), c.error ? std::vector<int>{c.error} : std::vector<int>{}) << c.value;
    }
}

TEST_F(Script, StripReplaceAddChar) {
    run(crlf({"SET %A% = \"ab  \"", "STRIP(%A%, \" \")", "SET %Z% = \"0042\"",
              "STRIP(%Z%, \"0\", \"L\")", "SET %R% = \"xabab\"", "STRIP(%R%, \"ab\", \"R\")",
              "SET %P% = \"a-b-c\"", "REPLACE(%P%, \"-\", \"+\")", "SET %D% = \"C:\\APP\"",
              "ADDCHAR(%D%, \"\\\")", "ADDCHAR(%D%, \"\\\")", "STRIP(\"x\", \"y\")"}));
    EXPECT_EQ(var("A"), "ab");
    EXPECT_EQ(var("Z"), "42");
    EXPECT_EQ(var("R"), "x");
    EXPECT_EQ(var("P"), "a+b+c");
    EXPECT_EQ(var("D"), "C:\\APP\\");
    EXPECT_EQ(errors(), std::vector<int>{kErrMissingVariable});
}

TEST_F(Script, ErrorReportsFillTheirPlaceholders) {
    run(crlf({"SET %A% = 1", "MESSAGEBOX(\"t\", \"c\", %A%, 0)"}));
    ASSERT_FALSE(ui->transcript().empty());
    std::string last = ui->transcript().back();
    EXPECT_NE(last.find("\"text\":\"Error 21 in line 2 of c:\\\\main.scr, parameter "
                        "3:\\n\\nInvalid numeric parameter\\n\\n"
                        "MESSAGEBOX(\\\"t\\\", \\\"c\\\", %A%, 0)\""),
              std::string::npos)
        << last;
}

TEST_F(Script, MessageBoxesTakeTheirAnswers) {
    std::string answers =
        "{\"kind\":\"messagebox\",\"text\":\"*overwrite*\",\"occurrence\":2,\"result\":\"IDNO\"}\n"
        "# a comment\n"
        "{\"kind\":\"messagebox\",\"title\":\"Pick\",\"result\":2}\n";
    run(crlf({"MESSAGEBOX(\"Overwrite one?\", \"Q\", MB_YESNO, MB_ICONQUESTION)",
              "SET %A% = %ERROR%",
              "MESSAGEBOX(\"Overwrite two?\", \"Q\", MB_YESNO, MB_ICONQUESTION)",
              "SET %B% = %ERROR%", "MESSAGEBOX(\"Anything\", \"Pick\", MB_OKCANCEL, 0)",
              "SET %C% = %ERROR%", "MESSAGEBOX(\"Default two\", \"x\", 260, 0)",
              "SET %D% = %ERROR%"}),
        answers);
    EXPECT_EQ(var("A"), "6");
    EXPECT_EQ(var("B"), "7");
    EXPECT_EQ(var("C"), "2");
    EXPECT_EQ(var("D"), "7"); // MB_YESNO with the second button as default
    EXPECT_FALSE(ui::HeadlessUi::fromText("{\"result\":\"IDMAYBE\"}").ok());
    EXPECT_FALSE(ui::HeadlessUi::fromText("not json").ok());
}

TEST_F(Script, CheckLabelAsksUntilTheDiskIsThere) {
    TempDir floppy;
    MachineOptions o;
    o.drives.push_back(*DriveMapping::parse("A=" + floppy.path().string() + ",label=DISK1"));
    open(o);
    run(crlf({"CHECKLABEL(\"A\", \"disk1\", \"Insert disk 1\")", "SET %ONE% = %ERROR%",
              "CHECKLABEL(\"A\", \"DISK2\", \"Insert disk 2\")", "SET %TWO% = %ERROR%"}));
    EXPECT_EQ(var("ONE"), "1");
    EXPECT_EQ(var("TWO"), "2");
    ASSERT_EQ(ui->transcript().size(), 1u);
    EXPECT_NE(ui->transcript()[0].find("\"kind\":\"prompt\""), std::string::npos);
    // Even an answer file that always says OK cannot keep the run asking forever.
    run(crlf({"CHECKLABEL(\"A\", \"DISK2\", \"Insert disk 2\")", "SET %TWO% = %ERROR%"}),
        "{\"kind\":\"prompt\",\"result\":\"IDOK\"}");
    EXPECT_EQ(var("TWO"), "2");
    EXPECT_EQ(ui->transcript().size(),
              static_cast<std::size_t>(ui::HeadlessUi::kPromptRepeats + 1));
}

TEST_F(Script, PredefinedVariablesAndStartUp) {
    ASSERT_TRUE(m->createDirectory("C:\\SRC").ok());
    put("C:\\SRC\\MAIN.SCR", crlf({"SET %X% = 1"}));
    EXPECT_EQ(run("", "", "MAIN.SCR /DIR:c:\\src\\ extra words"), 0);
    EXPECT_EQ(var("PARAMETERS"), "extra words");
    EXPECT_EQ(var("CURRENTDIRECTORY"), "C:\\SRC\\");
    EXPECT_EQ(var("CURRENTDRIVE"), "C:");
    EXPECT_EQ(var("WINDOWSDIRECTORY"), "C:\\WINDOWS\\");
    EXPECT_EQ(var("SYSTEMDIRECTORY"), "C:\\WINDOWS\\SYSTEM\\");
    EXPECT_EQ(var("SCRIPTFILE"), "C:\\SRC\\MAIN.SCR");
    EXPECT_EQ(var("ERROR"), "0");
    EXPECT_EQ(var("CAPTION"), "Setup");
    EXPECT_EQ(var("DAOPATH"), "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\");
    EXPECT_TRUE(m->isDirectory("C:\\Program Files\\Common Files\\Microsoft Shared\\DAO"));
}

TEST_F(Script, AMissingMainScriptIsReportedInShortForm) {
    ui = std::move(ui::HeadlessUi::fromText("").value());
    interp = std::make_unique<Interpreter>(*m, *ui);
    EXPECT_EQ(interp->run("NOSUCH"), Interpreter::kNoScript);
    ASSERT_EQ(ui->transcript().size(), 1u);
    EXPECT_NE(ui->transcript()[0].find(
                  "\"text\":\"Error 52: Unable to find or open script file:\\n\\nNOSUCH\""),
              std::string::npos)
        << ui->transcript()[0];
}

TEST(CommandLineWords, SplitAsTheLauncherExpects) {
    struct {
        const char* line;
        bool window;
        const char* script;
        const char* dir;
        const char* debug;
        const char* params;
    } cases[] = {
        {"", false, "SETUP.SCR", "", "", ""},
        {"SETUP.SCR /DIR:A:\\ extra words", false, "SETUP.SCR", "A:\\", "", "extra words"},
        {"MAIN /DEBUG", false, "MAIN", "", "SETUP.DDB", ""},
        {"MAIN /DEBUG:MY.DDB", false, "MAIN", "", "MY.DDB", ""},
        {"MAIN C:\\SRC /DEBUG P1 P2", true, "MAIN", "C:\\SRC", "SETUP.DDB", "P1 P2"},
        {"MAIN C:\\SRC /DEBUG P1 P2", false, "MAIN", "", "SETUP.DDB", "/DEBUG P1 P2"},
    };
    for (auto c : cases) {
        CommandLine cl = splitCommandLine(c.line, c.window);
        EXPECT_EQ(cl.script, c.script) << c.line;
        EXPECT_EQ(cl.directory, c.dir) << c.line;
        EXPECT_EQ(cl.breakpoints, c.debug) << c.line;
        EXPECT_EQ(cl.parameters, c.params) << c.line;
    }
}

// ---------------------------------------------------------------------------
// Script files

TEST_F(Script, ScrambledAndPlainFilesBehaveTheSame) {
    std::string text = crlf({"SET %A% = \"plain text\"", ":HERE", "SET %B% = 2", "GOTO :NOPE"});
    std::string scrambled = text;
    scramble(scrambled);
    put("C:\\ENC.SCR", std::string("\x00\x40\x00\x00", 4) + scrambled);
    run(crlf({"CALL \"ENC\""}));
    EXPECT_EQ(var("A"), "plain text");
    EXPECT_EQ(var("B"), "2");
    ASSERT_FALSE(ui->transcript().empty());
    EXPECT_NE(ui->transcript().back().find("line 4 of c:\\\\enc.scr"), std::string::npos);
    // Its own inverse on every byte but NUL, which becomes TAB (kept as it is).
    for (int b = 1; b < 256; ++b)
        EXPECT_EQ(scrambleByte(scrambleByte(static_cast<unsigned char>(b))), b);
    EXPECT_EQ(scrambleByte(' '), 0xE9);
    EXPECT_EQ(scrambleByte(':'), 0xCF);
}

TEST_F(Script, LinesEndOnlyAtCrLf) {
    EXPECT_EQ(run("SET %A% = \"x\nSET B = 2\"\r\nSET %C% = 3"), 0);
    EXPECT_EQ(var("A"), "x\nSET B = 2"); // a lone LF is part of the line
    EXPECT_EQ(var("B"), "");
    EXPECT_EQ(var("C"), "3"); // no final CR LF: the last line still counts
}

TEST_F(Script, LabelIndexEntries) {
    TraceLog log(*m);
    ScriptStack stack(*m, log);
    put("C:\\L.SCR", crlf({"   :DONE  // end", ":TAB\tx", "x", ":DONE"}));
    ASSERT_EQ(stack.OpenScript("C:\\L"), 0);
    ASSERT_EQ(stack.labels().size(), 3u);
    EXPECT_EQ(stack.labels()[0].text, ":DONE");
    EXPECT_EQ(stack.labels()[0].line, 1u);
    EXPECT_EQ(stack.labels()[1].text, ":TAB\tx");
    EXPECT_EQ(stack.FindLabel(":TAB"), kErrLabelNotFound);
    ASSERT_EQ(stack.FindLabel(":DONE"), 0);
    ASSERT_EQ(stack.ReadNextLine(), 0);
    EXPECT_EQ(stack.currentLine(), "   :DONE  // end");
    EXPECT_EQ(stack.CurrentLineNumber(), 1u);
    EXPECT_NE(stack.dump().find("    1: Label ':DONE'  LineNo 1  FilePos 0\n"), std::string::npos);
}

TEST_F(Script, LabelIndexOverflowAndManyLabels) {
    std::string many;
    for (int i = 0; i < 4000; ++i)
        many += ":L" + std::to_string(i) + "\r\n";
    EXPECT_EQ(run("GOTO :L3999\r\n" + many + "SET %END% = 1\r\n"), 0);
    EXPECT_EQ(var("END"), "1");
    // Ten thousand labels do not fit the 65,535-byte index of the main file.
    std::string tooMany;
    for (int i = 0; i < 10000; ++i)
        tooMany += ":L" + std::to_string(i) + "\r\n";
    EXPECT_EQ(run(tooMany), Interpreter::kNoScript);
    EXPECT_EQ(errors(), std::vector<int>{kErrLabelStackFull});
    // In a called file the error can be trapped.
    put("C:\\FULL.SCR", tooMany);
    run(crlf({"TRAPERROR(1, 0)", "CALL \"FULL\""}));
    EXPECT_EQ(var("ERROR"), "51");
}

TEST_F(Script, TheDebuggerListsLinesFromTheLineOffsetFile) {
    TraceLog log(*m);
    ScriptStack stack(*m, log);
    stack.setDebugging(true);
    put("C:\\A.SCR", crlf({"first", "second", "third"}));
    put("C:\\B.SCR", crlf({"b one", "b two"}));
    ASSERT_EQ(stack.OpenScript("C:\\A"), 0);
    auto temps = [&] {
        auto found = m->findFiles("C:\\WINDOWS\\*.TMP");
        return found ? found->size() : 0u;
    };
    EXPECT_EQ(temps(), 1u);
    EXPECT_EQ(stack.ListLine(2), "0002  second");
    ASSERT_EQ(stack.OpenScript("C:\\B"), 0);
    EXPECT_EQ(stack.ListLine(2), "0002  b two");
    stack.CloseScript();
    EXPECT_EQ(stack.ListLine(3), "0003  third");
    stack.CloseAllScripts();
    EXPECT_EQ(temps(), 0u);
}

TEST_F(Script, SetLanguageChangesCaptions) {
    run(crlf({"SET %A% = \"x\"", "SETLANGUAGE(\"german\")",
              "MESSAGEBOX(\"#CONTINUE#\", \"t\", MB_OK, 0)", "SETLANGUAGE(\"ENGLISH\")"}));
    ASSERT_EQ(ui->transcript().size(), 2u);
    EXPECT_NE(ui->transcript()[0].find("\"text\":\"&Weiter\""), std::string::npos);
    EXPECT_EQ(errors(), std::vector<int>{kErrUnsupportedLanguage});
}

TEST(NtMachine, SystemDirectoryIsTheSixteenBitOneWhenItHoldsFiles) {
    TempDir dir;
    MachineOptions o;
    o.profile = MachineProfile::NT4;
    auto m = Machine::open(dir.path() / "m", o);
    ASSERT_TRUE(m.ok());
    writeHost(dir.path() / "m" / "drive_c" / "MAIN.SCR", "SET %X% = 1\r\n");
    auto ui = std::move(ui::HeadlessUi::fromText("").value());
    {
        Interpreter interp(**m, *ui);
        ASSERT_EQ(interp.run("C:\\MAIN.SCR"), 0);
        EXPECT_EQ(interp.engine().variables().GetVariable("SYSTEMDIRECTORY"),
                  "C:\\WINNT\\SYSTEM32\\");
    }
    writeHost(dir.path() / "m" / "drive_c" / "WINNT" / "SYSTEM" / "OLD.DRV", "x");
    Interpreter interp(**m, *ui);
    ASSERT_EQ(interp.run("C:\\MAIN.SCR"), 0);
    EXPECT_EQ(interp.engine().variables().GetVariable("SYSTEMDIRECTORY"), "C:\\WINNT\\SYSTEM\\");
    EXPECT_EQ(interp.engine().variables().GetVariable("SYSTEM32DIRECTORY"),
              "C:\\WINNT\\SYSTEM32\\");
}

TEST_F(Script, ATenMegabyteLineIsCutNotRead) {
    std::string huge(10 * 1024 * 1024, 'x');
    EXPECT_EQ(run("SET %A% = 1\r\n" + huge + "\r\nSET %B% = 2\r\n"), 2);
    EXPECT_EQ(var("A"), "1");
    EXPECT_EQ(errors(), std::vector<int>{kErrInvalidCommand});
}

TEST_F(Script, OverlongLinesAreCut) {
    std::string longLine =
        "SET %A% = \"" + std::string(280, 'x') + "\"" + std::string(5000, ' ') + "junk";
    EXPECT_EQ(run(longLine + "\r\nSET %B% = 1\r\n"), 0);
    EXPECT_EQ(var("A").size(), 280u);
    EXPECT_EQ(var("B"), "1");
}

TEST_F(Script, BinaryGarbageEndsWithAnError) {
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 7919) & 0xFF);
    int status = run(junk);
    EXPECT_TRUE(status == 0 || status == 2);
}

} // namespace
