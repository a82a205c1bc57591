// Error reports name the parameter at fault, in every family of commands,
// inside blocks too (where the block's own statement, not the one that opened
// the block, is at fault).
#include "interpreter/actions/actions.h"
#include "interpreter/engine/errors.h"
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
