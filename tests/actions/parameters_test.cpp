// Error reports name the parameter at fault, in every family of commands,
// inside blocks too (where the block's own statement, not the one that opened
// the block, is at fault).
#include "interpreter/actions/actions.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/keywords.h"
#include "tests/support/script_test.h"

#include <cstdlib>

using namespace zrv;
using namespace zrv::engine;
using namespace zrv::testing;

namespace {

struct Fault {
    std::vector<std::string> lines;
    int error;
    int parameter;
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.lines.back(); }

class ParameterNumbers : public ScriptTest, public ::testing::WithParamInterface<Fault> {
protected:
    void prepare(Engine& engine) override { actions::registerAll(engine); }
    // The parameter number the error report shows, or -1.
    int reportedParameter() {
        for (const std::string& line : ui->transcript()) {
            std::size_t at = line.find(", parameter ");
            if (line.find("\"kind\":\"error\"") != std::string::npos && at != std::string::npos)
                return std::atoi(line.c_str() + at + 12);
        }
        return -1;
    }
};

TEST_P(ParameterNumbers, NameTheOneAtFault) {
    const Fault& f = GetParam();
    run(crlf(f.lines));
    EXPECT_EQ(errors(), std::vector<int>{f.error});
    EXPECT_EQ(reportedParameter(), f.parameter);
}

const std::string kDialog = "CREATEDIALOG(\"D\", \"Caption\", 0, 0, 100, 100)";

INSTANTIATE_TEST_SUITE_P(
    Commands, ParameterNumbers,
    ::testing::Values(
        // Engine
        Fault{{"SET %A% = LEFT(\"abc\", \"x\")"}, kErrNumericParam, 4},
        Fault{{"SET %A% = MID(\"abc\", 1, 999)"}, kErrSubscript, 5},
        Fault{{"STRIP(%A%, 7, \" \")"}, kErrStringParam, 2},
        // Registry, profiles, files
        Fault{{"REGWRITESETTING(2, \"K\", 3, \"v\")"}, kErrStringParam, 3},
        Fault{{"REGWRITEINT(2, \"K\", \"N\", \"x\")"}, kErrNumericParam, 4},
        Fault{{"WRITEPRIVATEPROFILESTRING(\"S\", \"K\", 5, \"A.INI\")"}, kErrStringParam, 3},
        Fault{{"GETPRIVATEPROFILESTRING(\"S\", \"K\", \"D\", \"A.INI\", \"X\")"}, kErrMissingVariable, 5},
        Fault{{"RENAME(\"C:\\A\", 2)"}, kErrStringParam, 2},
        // Program Manager, programs, dates and streams, dialogs
        Fault{{"MAKEGROUP(1, 0)"}, kErrStringParam, 1},
        Fault{{"GETFILEDATE(\"C:\\A\", \"X\")"}, kErrMissingVariable, 2},
        Fault{{"SETFILEATTR(\"C:\\A\", \"x\", 0, 0, 0)"}, kErrNumericParam, 2},
        Fault{{"WRITELINE(1, 2)"}, kErrStringParam, 2},
        Fault{{"MESSAGEBOX(\"t\", 2, 0)"}, kErrStringParam, 2},
        Fault{{"SHOWWAITMESSAGE(3)"}, kErrStringParam, 1},
        // A copy block: its own lines' parameters
        Fault{{"COPYFILE(2)", "SETGAUGETEXT(\"a\", 2, \"b\")", "ENDCOPYFILE()"}, kErrStringParam, 2},
        Fault{{"COPYFILE(2)", "SETGAUGETEXT(\"a\", \"b\", 3)", "ENDCOPYFILE()"}, kErrStringParam, 3},
        // An object block: CREATECONTROL('s parameters, not CREATEDIALOG('s
        Fault{{kDialog, "CREATECONTROL(5, \"t\", 0, 1, 1, 10, 10, 0)", "ENDOBJECT()"}, kErrStringParam, 1},
        Fault{{kDialog, "CREATECONTROL(\"text\", \"t\", 0, \"x\", 1, 10, 10, 0)", "ENDOBJECT()"}, kErrNumericParam, 4},
        Fault{{kDialog, "CREATECONTROL(\"text\", \"t\", 0, 1, 1, 10, 10, \"s\")", "ENDOBJECT()"}, kErrNumericParam, 8},
        Fault{{kDialog, "CREATECONTROL(\"text\", \"t\", 0, 1, 1, 10, 10, 0, 9)", "ENDOBJECT()"}, kErrStringParam, 9},
        Fault{{kDialog, "CREATECONTROL(\"text\", \"t\", 0, 1, 1, 10, 10, 0, \"Arial\", 8, 0, 0, \"c\")",
               "ENDOBJECT()"},
              kErrNumericParam, 13},
        // The object statement's own
        Fault{{"CREATEDIALOG(\"D\", \"Caption\", 0, \"y\", 100, 100)"}, kErrNumericParam, 4}));

} // namespace

// Every statement and function with parentheses, at every count of
// parameters, alone and inside each kind of block: starting with texts everywhere, each kind error names a parameter; giving that
// parameter the kind asked for must move the report on. A report that names
// a parameter already of the kind asked for, or that stays where it was,
// blames the wrong parameter.
class EveryCommand : public ParameterNumbers {};

TEST_F(EveryCommand, KindErrorsNameAParameterOfTheWrongKind) {
    enum Kind { Text, Number, Variable };
    const char* forms[] = {"\"x\"", "1", "%V%"};
    const std::pair<std::string, std::string> blocks[] = {
        {"", ""}, {"COPYFILE(2)", "ENDCOPYFILE()"}, {kDialog, "ENDOBJECT()"}};
    int runs = 0;
    for (const auto& entry : kKeywords) {
        bool function = entry.kind == KeywordKind::Function;
        if ((entry.kind != KeywordKind::Statement && !function) || entry.text.back() != '(')
            continue;
        std::string name = (function ? "SET %A% = " : "") + std::string(entry.text);
        for (const auto& [open, close] : blocks)
        for (int n = 1; n <= 13; ++n) {
            std::vector<Kind> kinds(static_cast<std::size_t>(n), Text);
            std::pair<int, int> last{0, 0};
            for (int round = 0; round < 3 * n + 2; ++round) {
                std::string call = name;
                for (int k = 0; k < n; ++k)
                    call += std::string(k ? ", " : "") + forms[kinds[static_cast<std::size_t>(k)]];
                call += ")";
                std::vector<std::string> lines{"SET %V% = \"1\""};
                if (!open.empty())
                    lines.push_back(open);
                lines.push_back(call);
                if (!close.empty())
                    lines.push_back(close);
                run(crlf(lines));
                ++runs;
                auto e = errors();
                if (e.empty())
                    break;
                // A function's parameters count on from SET's variable and its "=".
                int error = e.front(), k = reportedParameter() - (function ? 2 : 0);
                if (error != kErrStringParam && error != kErrNumericParam && error != kErrMissingVariable)
                    break;
                if (k > n)
                    break; // a parameter that is missing
                ASSERT_GE(k, 1) << call;
                ASSERT_NE(std::make_pair(error, k), last) << call << ": the report did not move";
                last = {error, k};
                Kind& kind = kinds[static_cast<std::size_t>(k - 1)];
                Kind wanted = error == kErrStringParam ? Text : error == kErrNumericParam ? Number : Variable;
                ASSERT_NE(kind, wanted) << call << ": error " << error << " names parameter " << k;
                kind = wanted;
            }
        }
    }
    std::printf("%d calls tried\n", runs);
}
