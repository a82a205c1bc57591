// The screen, display objects and dialogs, run in scripts and answered headlessly.
#include "interpreter/actions/actions.h"
#include "interpreter/engine/errors.h"
#include "tests/support/script_test.h"

#include <gtest/gtest.h>

using namespace zrv;
using namespace zrv::engine;
using namespace zrv::testing;

namespace {

class Display : public ScriptTest {
  protected:
    void prepare(Engine& engine) override { actions::registerAll(engine); }
    // The transcript lines of one kind (and name, when given).
    std::vector<std::string> lines(const std::string& kind, const std::string& name = "") {
        std::vector<std::string> out;
        for (const std::string& l : ui->transcript())
            if (l.find("\"kind\":\"" + kind + "\"") != std::string::npos &&
                (name.empty() || l.find("\"name\":\"" + name + "\"") != std::string::npos))
                out.push_back(l);
        return out;
    }
    static bool has(const std::string& line, const std::string& part) { return line.find(part) != std::string::npos; }
    // A one-by-one 24-bit bitmap.
    void bitmap(const std::string& path) {
        std::string b = "BM";
        auto le = [&](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i)
                b += static_cast<char>(i < 4 ? v >> (8 * i) : 0);
        };
        le(58, 4), le(0, 4), le(54, 4);
        le(40, 4), le(1, 4), le(1, 4), le(1, 2), le(24, 2), le(0, 4), le(4, 4), le(0, 16);
        le(0x00FF00, 4);
        put(path, b);
    }
};

TEST_F(Display, ScreenCommandsAndTheirParameterKinds) {
    m->openWindow("Setup");
    EXPECT_EQ(run(crlf({"GETSCREENWIDTH(%W%)", "GETSCREENHEIGHT(%H%)", "HIDESETUP()", "HIDESETUP()",
                        "SHOWWAITMESSAGE(\"One|Two\")", "SHOWWAITMESSAGE(\"Three\")", "HIDEWAITMESSAGE()",
                        "HIDEWAITMESSAGE()", "TRAPERROR(1, 0)", "GETSCREENWIDTH(\"W\")", "SET %E1% = %ERROR%",
                        "TRAPERROR(1, 0)", "POSITIONDIALOG(%W%, 10)", "SET %E2% = %ERROR%", "TRAPERROR(1, 0)",
                        "CENTREDIALOG(1, %W%)", "SET %E3% = %ERROR%"})),
              0);
    EXPECT_EQ(var("W"), "800");
    EXPECT_EQ(var("H"), "600");
    EXPECT_FALSE(m->hasWindow("Setup"));
    auto hide = lines("hidesetup");
    ASSERT_EQ(hide.size(), 2u);
    EXPECT_TRUE(has(hide[0], "\"result\":1"));
    EXPECT_TRUE(has(hide[1], "\"result\":0"));
    auto wait = lines("waitmessage");
    ASSERT_EQ(wait.size(), 3u); // shown, replaced, hidden once
    EXPECT_TRUE(has(wait[0], "\"text\":\"One\\nTwo\""));
    EXPECT_TRUE(has(wait[0], "\"rect\":[202,243,598,356]")); // 260 x 55 units, centred on the screen
    EXPECT_TRUE(has(wait[1], "\"text\":\"Three\""));
    EXPECT_TRUE(has(wait[2], "\"shown\":false"));
    EXPECT_EQ(var("E1"), "22");
    EXPECT_EQ(var("E2"), "21");
    EXPECT_EQ(var("E3"), "21");
}

TEST_F(Display, BuiltInDialogsArePlacedByTheScriptsPlacement) {
    EXPECT_EQ(run(crlf({"DIALOGBOX(\"OKBOX\")", "CENTREDIALOG(1, 2)", "DIALOGBOX(\"OKBOX\")",
                        "POSITIONDIALOG(100, 50)", "CENTREDIALOG(0, 0)", "DIALOGBOX(\"OKBOX\")", "CENTREDIALOG()",
                        "DIALOGBOX(\"OKBOX\")"})),
              0);
    auto boxes = lines("dialog", "OKBOX");
    ASSERT_EQ(boxes.size(), 4u);
    // 200 x 81 units: a window of 306 x 156 pixels.
    EXPECT_TRUE(has(boxes[0], "\"rect\":[246,221,552,377]"));
    EXPECT_TRUE(has(boxes[1], "\"rect\":[20,422,326,578]")); // 600 - 157 - 21
    EXPECT_TRUE(has(boxes[2], "\"rect\":[100,50,406,206]"));
    EXPECT_TRUE(has(boxes[3], "\"rect\":[246,221,552,377]"));
}

TEST_F(Display, ObjectDefinitionsAndTheirFaults) {
    std::vector<std::string> script = {
        "CREATEDIALOG(\"Opts\", \"A\", 1, 2, 3, 4)", "ENDOBJECT()",
        "CREATEDIALOG(\"OPTS\", \"B\", 1, 2, 3, 4)",
        "// a comment line is skipped",
        "CREATECONTROL(\"Button\", \"OK\", IDOK, 1, 1, 40, 14, 0)",
        "CREATECONTROL(\"listbox\", \"\", 7, 1, 20, 40, 40, 0, %L%)",
        "ADDLISTITEM(\"opts\", 7, \"one\")",
        "ENDOBJECT()",
        "ADDLISTITEM(\"opts\", 7, \"two\")", "ADDLISTITEM(\"opts\", 7, \"three\")",
        "SET %L% = \"TWO\"",
        "TRAPERROR(1, 0)", "CREATEBACKDROP(\"B1\")", "CREATECONTROL(\"slider\", \"\", 1, 0, 0, 0, 0, 0)",
        "SET %E1% = %ERROR%",
        "TRAPERROR(1, 0)", "CREATEBACKDROP(\"B2\")", "CREATECONTROL(\"button\", \"\", 1, 0, 0, 0, 0, 0)",
        "SET %E2% = %ERROR%",
        "CREATECUECARD(\"C1\", 1, 2, 3, 4)", "CREATECONTROL(\"groupbox\", \"G\", 1, 0, 0, 9, 9, 0)", "ENDOBJECT()",
        "TRAPERROR(1, 0)", "CREATECUECARD(\"C2\", 1, 2, 3, 4, 1)", "SETFOCUS(1)", "SET %E3% = %ERROR%",
        "TRAPERROR(1, 0)", "CREATEBACKDROP(\"B3\")", "CENTREDIALOG()", "SET %E4% = %ERROR%",
        "TRAPERROR(1, 0)", "CREATEBACKDROP(\"B4\")", "GOTO :X", "SET %E5% = %ERROR%",
        "TRAPERROR(1, 0)", "SETFOCUS(1)", "SET %E6% = %ERROR%",
        "TRAPERROR(1, 0)", "ADDLISTITEM(\"nothing\", 1, \"x\")", "SET %E7% = %ERROR%",
        "TRAPERROR(1, 0)", "CREATEDIALOG(\"D\", \"T\", 1, 2, \"3\", 4)", "SET %E8% = %ERROR%",
        "DIALOGBOX(\"OPTS\")",
        ":X"};
    EXPECT_EQ(run(crlf(script)), 0);
    EXPECT_EQ(var("E1"), "34");
    EXPECT_EQ(var("E2"), "58");
    EXPECT_EQ(var("E3"), "57");
    EXPECT_EQ(var("E4"), "57");
    EXPECT_EQ(var("E5"), "31");
    EXPECT_EQ(var("E6"), "65");
    EXPECT_EQ(var("E7"), "60");
    EXPECT_EQ(var("E8"), "21");
    const ui::ObjectTable& objects = ui->display().objects;
    ASSERT_NE(objects.find("opts"), nullptr);
    EXPECT_EQ(objects.find("opts")->caption, "B"); // the second definition replaced the first
    EXPECT_EQ(objects.find("opts")->controls.at(1).text, "one|two|three");
    EXPECT_EQ(objects.find("C1")->border, 0);
    EXPECT_EQ(objects.find("C1")->controls.size(), 1u);
    EXPECT_EQ(objects.find("C2")->border, 1);
    auto shown = lines("dialog", "OPTS");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(has(shown[0], "\"text\":\"one|two|three\",\"value\":\"two\"")) << shown[0];
}

TEST_F(Display, TheObjectTableHoldsThirtyObjects) {
    std::vector<std::string> script;
    for (int i = 1; i <= 31; ++i)
        script.insert(script.end(), {"CREATEBACKDROP(\"B" + std::to_string(i) + "\")", "ENDOBJECT()"});
    EXPECT_NE(run(crlf(script)), 0);
    EXPECT_EQ(errors(), std::vector<int>{kErrTooManyObjects});
    EXPECT_EQ(ui->display().objects.count(), 30);
}

TEST_F(Display, BackdropsAndCueCardsShowHideAndRepaint) {
    bitmap("C:\\DOT.BMP");
    std::vector<std::string> script = {
        "CREATEBACKDROP(\"Back\")",
        "CREATECONTROL(\"bitmap\", \"C:\\DOT.BMP\", 0, 5, 6, 0, 0, 0)",
        "CREATECONTROL(\"icon\", \"DISK01\", 0, 10, 10, 0, 0, 327680)", // right and bottom
        "CREATECONTROL(\"text\", \"#WHO#\", 3, 0, 0, 0, 0, 0, \"Arial\", -13, 0, 255, 0)",
        "ENDOBJECT()",
        "CREATECUECARD(\"Card\", 10, 20, 100, 50, 1)",
        "CENTREDIALOG(3, 0)",
        "ENDOBJECT()",
        "CREATEDIALOG(\"Dlg\", \"D\", 0, 0, 10, 10)", "ENDOBJECT()",
        "SET %WHO% = \"AB\"",
        "SHOWBACKDROP(\"Back\")",
        "SETCONTROLTEXT(\"Back\", 3, \"ABC\")",
        "SHOWCUECARD(\"Card\")", "SHOWCUECARD(\"Card\")",
        "TRAPERROR(1, 0)", "SHOWCUECARD(\"Dlg\")", "SET %E1% = %ERROR%",
        "TRAPERROR(1, 0)", "SHOWCUECARD(\"None\")", "SET %E2% = %ERROR%",
        "TRAPERROR(1, 0)", "SHOWBACKDROP(\"Dlg\")", "SET %E3% = %ERROR%",
        "TRAPERROR(1, 0)", "SHOWBACKDROP(\"None\")", "SET %E4% = %ERROR%",
        "DESTROYOBJECT(\"Card\")",
        "SHOWCUECARD(\"\")",
        "DESTROYOBJECT(\"Back\")",
        "DESTROYOBJECT(\"Never defined\")"};
    EXPECT_EQ(run(crlf(script)), 0);
    EXPECT_EQ(var("E1"), "56");
    EXPECT_EQ(var("E2"), "60");
    EXPECT_EQ(var("E3"), "54");
    EXPECT_EQ(var("E4"), "60");
    auto back = lines("backdrop");
    ASSERT_EQ(back.size(), 3u);
    EXPECT_TRUE(has(back[0], "\"bitmap 0 5,6,6,7\"")) << back[0];
    EXPECT_TRUE(has(back[0], "#0000FF AB\"")); // #NAME# expanded when painted
    EXPECT_TRUE(has(back[0], "{\"name\":\"DISK01\",\"x\":756,\"y\":539}")); // 800-10-34, 582-10-33
    EXPECT_TRUE(has(back[1], "#0000FF ABC\""));
    EXPECT_TRUE(has(back[2], "\"text\":\"hidden\""));
    EXPECT_FALSE(ui->display().main.visible);
    auto cards = lines("cuecard");
    ASSERT_EQ(cards.size(), 2u); // shown once, hidden with its object
    EXPECT_TRUE(has(cards[0], "\"rect\":[350,20,450,70]"));
    EXPECT_TRUE(has(cards[1], "hidden"));
    EXPECT_EQ(ui->display().objects.find("back"), nullptr);
}

TEST_F(Display, BitmapFaultsInDefinitionsAndDisplays) {
    bitmap("C:\\DOT.BMP");
    put("C:\\BAD.BMP", "not a bitmap at all");
    std::vector<std::string> script = {"TRAPERROR(1, 0)", "CREATEBACKDROP(\"Many\")"};
    for (int i = 0; i < 8; ++i)
        script.push_back("CREATECONTROL(\"bitmap\", \"C:\\DOT.BMP\", 0, 0, 0, 0, 0, 0)");
    script.insert(script.end(), {"CREATECONTROL(\"bitmap\", \"C:\\MISSING.BMP\", 0, 0, 0, 0, 0, 0)",
                                 "SET %E1% = %ERROR%", "ENDOBJECT()", "TRAPERROR(1, 0)", "SHOWBACKDROP(\"Many\")",
                                 "SET %E2% = %ERROR%", "CREATEBACKDROP(\"Bad\")",
                                 "CREATECONTROL(\"bitmap\", \"C:\\BAD.BMP\", 0, 0, 0, 0, 0, 0)", "ENDOBJECT()",
                                 "TRAPERROR(1, 0)", "SHOWBACKDROP(\"Bad\")", "SET %E3% = %ERROR%"});
    EXPECT_EQ(run(crlf(script)), 0);
    EXPECT_EQ(var("E1"), "62");
    EXPECT_EQ(var("E2"), "59");
    EXPECT_EQ(var("E3"), "53");
}

TEST_F(Display, UserDialogsLoadAndStoreTheirVariables) {
    enableTrace();
    bitmap("C:\\DOT.BMP");
    std::vector<std::string> define = {
        "CREATEDIALOG(\"Opts\", \"#WHO# Options\", 10, 10, 200, 150)",
        "CREATECONTROL(\"edit\", \"\", 50, 5, 5, 100, 12, 0, %NAME%, 5)",
        "CREATECONTROL(\"checkbox\", \"Extras\", 51, 5, 20, 100, 12, 0, %OPT1%)",
        "CREATECONTROL(\"listbox\", \"Typical|Compact|Custom\", 53, 5, 35, 100, 40, 0, %KIND%)",
        "CREATECONTROL(\"droplist\", \"p|q\", 55, 120, 35, 60, 40, 0, %DL%)",
        "CREATECONTROL(\"combobox\", \"x|y\", 56, 120, 5, 60, 40, 0, %CB%)",
        "CREATECONTROL(\"button\", \"Three\", IDBUTTON3, 5, 100, 40, 14, 0)",
        "CREATECONTROL(\"button\", \"Ten\", 10, 50, 100, 40, 14, 0)",
        "CREATECONTROL(\"bitmap\", \"C:\\DOT.BMP\", 0, 150, 100, 0, 0, 0)",
        "SETFOCUS(50)",
        "ENDOBJECT()",
        "SET %WHO% = \"My\"", "SET %OPT1% = \"1\"", "SET %KIND% = \"compact\"", "SET %NAME% = \"Old\""};
    std::vector<std::string> script = define;
    script.insert(script.end(), {"DIALOGBOX(\"opts\")", "SET %R1% = %ERROR%", "DIALOGBOX(\"opts\")",
                                 "SET %R2% = %ERROR%", "DIALOGBOX(\"opts\")", "SET %R3% = %ERROR%",
                                 "DIALOGBOX(\"opts\")", "SET %R4% = %ERROR%"});
    std::string answers =
        "{\"kind\":\"dialog\",\"name\":\"OPTS\",\"occurrence\":1,\"result\":\"IDCANCEL\","
        "\"controls\":{\"51\":\"0\"}}\n"
        "{\"kind\":\"dialog\",\"name\":\"OPTS\",\"occurrence\":2,\"controls\":{\"51\":\"0\",\"50\":\"Joe Bloggs\","
        "\"53\":\"CUSTOM\",\"55\":\"q\",\"56\":\"typed\"}}\n"
        "{\"kind\":\"dialog\",\"name\":\"OPTS\",\"occurrence\":3,\"result\":\"IDBUTTON3\"}\n"
        "{\"kind\":\"dialog\",\"name\":\"OPTS\",\"occurrence\":4,\"result\":10}\n";
    EXPECT_EQ(run(crlf(script), answers), 0);
    EXPECT_EQ(var("R1"), "2");
    EXPECT_EQ(var("R2"), "1");
    EXPECT_EQ(var("OPT1"), "0");
    EXPECT_EQ(var("NAME"), "Joe B"); // the edit's limit
    EXPECT_EQ(var("KIND"), "Custom");
    EXPECT_EQ(var("DL"), "q");
    EXPECT_EQ(var("CB"), "typed");
    EXPECT_EQ(var("R3"), "13");
    EXPECT_EQ(var("R4"), "2"); // button 10 does nothing; nobody is there to press another
    auto shown = lines("dialog", "OPTS");
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_TRUE(has(shown[0], "\"title\":\" Options\"")); // expanded when defined, before WHO was set
    EXPECT_TRUE(has(shown[0], "\"id\":53,\"rect\":[8,57,158,122],\"text\":\"Typical\\nCompact\\nCustom\",\"value\":\"Compact\""))
        << shown[0];
    EXPECT_TRUE(has(shown[0], "\"variables\":{}"));
    EXPECT_TRUE(has(shown[0], "\"ops\":[\"bitmap 0 225,163,226,164\"]"));
    EXPECT_TRUE(has(shown[3], "\"from\":\"refused\""));
    std::string t = trace();
    EXPECT_NE(t.find("Number of items: 7\r\n"), std::string::npos);
    EXPECT_NE(t.find("CUserDialog::DoModal()\r\nUserDlgWndProc\r\nWM_INITDIALOG 1\r\n"), std::string::npos);
    EXPECT_NE(t.find("OnInitDialog 19\r\n"), std::string::npos); // the focus control
    EXPECT_NE(t.find("WM_COMMAND IDOK\r\n"), std::string::npos);
    EXPECT_NE(t.find("WM_COMMAND Default\r\n"), std::string::npos);
    EXPECT_NE(t.find("CUserDialog::DoModal() complete.\r\n"), std::string::npos);
}

TEST_F(Display, UserDialogFaults) {
    bitmap("C:\\GONE.BMP");
    std::vector<std::string> script = {"CREATEDIALOG(\"Big\", \"T\", 0, 0, 10, 10)"};
    for (int i = 0; i < 99; ++i)
        script.push_back("CREATECONTROL(\"edit\", \"" + std::string(250, 'x') + "\", 1, 0, 0, 9, 9, 0)");
    script.insert(script.end(),
                  {"ENDOBJECT()", "TRAPERROR(1, 0)", "DIALOGBOX(\"Big\")", "SET %E1% = %ERROR%",
                   "CREATEDIALOG(\"Pic\", \"T\", 0, 0, 10, 10)",
                   "CREATECONTROL(\"bitmap\", \"C:\\GONE.BMP\", 0, 0, 0, 0, 0, 0)", "ENDOBJECT()",
                   "DELETE(\"C:\\GONE.BMP\")", "SET %ERROR% = \"unchanged\"", "TRAPERROR(1, 0)",
                   "DIALOGBOX(\"Pic\")", "SET %E2% = %ERROR%",
                   "CREATEDIALOG(\"Painted\", \"T\", 0, 0, 10, 10)",
                   "CREATECONTROL(\"colourblock\", \"\", 0, 0, 0, 4, 4, 0, 255)", "ENDOBJECT()",
                   "DIALOGBOX(\"Painted\")", "SET %E3% = %ERROR%",
                   // Thousands of list items: kept, but no template holds them.
                   "CREATEDIALOG(\"List\", \"T\", 0, 0, 10, 10)",
                   "CREATECONTROL(\"listbox\", \"\", 5, 0, 0, 9, 9, 0)", "ENDOBJECT()", "SET %I% = 0", ":MORE",
                   "ADDLISTITEM(\"List\", 5, \"Item number %I%\")", "SET %I% = %I% + 1",
                   "IF %I% < 3000 GOTO :MORE", "TRAPERROR(1, 0)", "DIALOGBOX(\"List\")", "SET %E4% = %ERROR%"});
    EXPECT_EQ(run(crlf(script)), 0);
    EXPECT_EQ(var("E1"), "36");
    EXPECT_EQ(var("E2"), "53");
    EXPECT_EQ(var("E3"), "1"); // no items, still shown and confirmed
    EXPECT_EQ(var("E4"), "36");
    const std::string& items = ui->display().objects.find("List")->controls[0].text;
    EXPECT_EQ(items.size(), 3000u * 12 + 10 + 90 * 2 + 900 * 3 + 2000 * 4 + 2999);
    EXPECT_EQ(items.rfind("Item number 0|Item number 1|", 0), 0u);
    auto boxes = lines("messagebox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(has(boxes[0], "\"text\":\"File Not Found!\""));
}

TEST_F(Display, BuiltInDialogsTheirTextsAndResults) {
    std::string answers =
        "{\"kind\":\"dialog\",\"name\":\"WELCOME\",\"steps\":[{\"id\":10}],\"result\":\"IDCANCEL\"}\n"
        "{\"kind\":\"dialog\",\"name\":\"PUSHB3\",\"result\":\"IDBUTTON2\"}\n"
        "{\"kind\":\"dialog\",\"name\":\"DEINSTALL\",\"result\":12}\n"
        "{\"kind\":\"dialog\",\"name\":\"CHECKBOX3\",\"controls\":{\"232\":\"1\"}}\n"
        "{\"kind\":\"dialog\",\"name\":\"INPUTBOX2\",\"variables\":{\"EF_2\":\"second\"}}\n";
    EXPECT_EQ(run(crlf({"SET %CAPTION% = \"Acme\"", "SET %MESSAGE1% = \"Hello\"", "DIALOGBOX(\"welcome\")",
                        "SET %R1% = %ERROR%", "DIALOGBOX(\"PUSHB3\")", "SET %R2% = %ERROR%", "DIALOGBOX(\"DEINSTALL\")",
                        "SET %R3% = %ERROR%", "DIALOGBOX(\"DEINSTALL\")", "SET %R4% = %ERROR%",
                        "SET %BUTTON1% = \"1\"", "SET %BUTTON2% = \"10\"", "SET %BUTTON3% = \"0\"",
                        "DIALOGBOX(\"CHECKBOX3\")", "SET %RADIOBUTTON% = \"9\"", "DIALOGBOX(\"RADIOB4\")",
                        "SET %EF_1% = \"first\"", "DIALOGBOX(\"INPUTBOX2\")", "TRAPERROR(1, 0)",
                        "DIALOGBOX(\"OPTIONS\")", "SET %E1% = %ERROR%"}),
                  answers),
              0);
    EXPECT_EQ(var("R1"), "2");
    EXPECT_EQ(var("R2"), "12");
    EXPECT_EQ(var("R3"), "12");
    EXPECT_EQ(var("R4"), "12"); // every showing answered by the same line
    auto welcome = lines("dialog", "WELCOME");
    ASSERT_EQ(welcome.size(), 1u);
    EXPECT_TRUE(has(welcome[0], "\"title\":\"Acme\""));
    EXPECT_TRUE(has(welcome[0], "\"id\":200,\"rect\":[66,23,255,62],\"text\":\"Hello\""));
    EXPECT_TRUE(has(welcome[0], "\"text\":\"&Continue\""));
    EXPECT_TRUE(has(welcome[0], "\"text\":\"E&xit\""));
    auto about = lines("dialog", "ABOUT");
    ASSERT_EQ(about.size(), 1u); // opened by the About button, changing nothing
    EXPECT_TRUE(has(about[0], "\"title\":\"About Setup\""));
    EXPECT_TRUE(has(about[0], "\"text\":\"Application Installation Script Interpreter\""));
    auto check = lines("dialog", "CHECKBOX3");
    ASSERT_EQ(check.size(), 1u);
    EXPECT_TRUE(has(check[0], "\"variables\":{\"BUTTON1\":\"1\",\"BUTTON2\":\"1\",\"BUTTON3\":\"1\"}")) << check[0];
    EXPECT_EQ(var("BUTTON2"), "1");
    auto radio = lines("dialog", "RADIOB4");
    ASSERT_EQ(radio.size(), 1u);
    EXPECT_EQ(var("RADIOBUTTON"), "4");
    EXPECT_EQ(var("EF_1"), "first");
    EXPECT_EQ(var("EF_2"), "second");
    EXPECT_EQ(var("E1"), "13");
}

TEST_F(Display, AskPathValidatesTheEntry) {
    std::string answers =
        "{\"kind\":\"dialog\",\"name\":\"ASKPATH\",\"occurrence\":1,\"controls\":{\"50\":\"  D:\\\\APPS\\\\TOOL  \"}}\n"
        "{\"kind\":\"dialog\",\"name\":\"ASKPATH\",\"occurrence\":2,\"controls\":{\"50\":\"APPS\"}}\n"
        "{\"kind\":\"dialog\",\"name\":\"ASKPATH\",\"occurrence\":3,\"controls\":{\"50\":\"1:\\\\X\"}}\n"
        "{\"kind\":\"dialog\",\"name\":\"ASKPATH\",\"occurrence\":4,\"controls\":{\"50\":\"D:APPS\"}}\n"
        "{\"kind\":\"dialog\",\"name\":\"ASKPATH\",\"occurrence\":5,\"result\":\"IDBACK\"}\n"
        "{\"kind\":\"dialog\",\"name\":\"ASKPATH\",\"occurrence\":6,\"result\":16}\n"
        "{\"kind\":\"dialog\",\"name\":\"ASKPATH\",\"occurrence\":7,\"steps\":[{\"id\":16}]}\n"
        "{\"kind\":\"dialog\",\"name\":\"BROWSE\",\"occurrence\":2,\"steps\":["
        "{\"id\":251,\"value\":\"[-c-]\",\"event\":\"select\"},"
        "{\"id\":250,\"value\":\"[apps]\",\"event\":\"double\"},"
        "{\"id\":250,\"value\":\"[TOOL]\",\"event\":\"double\"}],\"result\":\"IDOK\"}\n";
    ASSERT_TRUE(m->createDirectory("C:\\APPS"));
    ASSERT_TRUE(m->createDirectory("C:\\APPS\\TOOL"));
    EXPECT_EQ(run(crlf({"SET %CAPTION% = \"Acme\"", "DIALOGBOX(\"ASKPATH\")", "SET %R1% = %ERROR%", "SET %P1% = %INSTALLPATH%", "SET %D1% = %INSTALLDRIVE%",
                        "DIALOGBOX(\"ASKPATH\")", "SET %R2% = %ERROR%", "DIALOGBOX(\"ASKPATH\")",
                        "DIALOGBOX(\"ASKPATH\")", "DIALOGBOX(\"ASKPATH\")", "SET %R5% = %ERROR%",
                        "DIALOGBOX(\"ASKPATH\")", "DIALOGBOX(\"ASKPATH\")", "SET %R7% = %ERROR%"}),
                  answers),
              0);
    EXPECT_EQ(var("R1"), "1");
    EXPECT_EQ(var("P1"), "D:\\APPS\\TOOL");
    EXPECT_EQ(var("D1"), "D:");
    EXPECT_EQ(var("R2"), "2");
    EXPECT_EQ(var("R5"), "9");
    auto boxes = lines("messagebox");
    ASSERT_EQ(boxes.size(), 3u); // APPS, 1:\X and D:APPS refused
    EXPECT_TRUE(has(boxes[0], "\"title\":\"Acme\",\"text\":\"Invalid path name entered\""));
    EXPECT_TRUE(has(boxes[0], "\"icon\":\"MB_ICONEXCLAMATION\""));
    // Browse opens the directory browser at the root of the Windows drive.
    auto browse = lines("dialog", "BROWSE");
    ASSERT_EQ(browse.size(), 2u);
    EXPECT_TRUE(has(browse[0], "\"id\":213,\"rect\":[12,26,261,39],\"text\":\"C:\\\\\"")) << browse[0];
    EXPECT_TRUE(has(browse[0], "\"text\":\"\",\"value\":\"[APPS]\"")) << browse[0];
    EXPECT_TRUE(has(browse[0], "\"value\":\"[-c-]\""));
    EXPECT_TRUE(has(lines("dialog", "ASKPATH")[5], "\"id\":50,\"rect\":[105,68,330,88],\"text\":\"C:\\\\\""));
    // Driven through its lists, the browser gives the folder it ended in.
    EXPECT_EQ(var("R7"), "1");
    EXPECT_EQ(var("INSTALLPATH"), "C:\\APPS\\TOOL");
    browse = lines("dialog", "BROWSE");
    ASSERT_EQ(browse.size(), 2u);
    EXPECT_TRUE(has(browse[1], "\"text\":\"C:\\\\APPS\\\\TOOL\"")) << browse[1];
    EXPECT_TRUE(has(browse[1], "\"value\":\"[..]\""));
    EXPECT_EQ(m->currentDirectory(), "C:\\"); // as it was before browsing
}

TEST_F(Display, ScriptObjectsTakePrecedenceOverBuiltInNames) {
    EXPECT_EQ(run(crlf({"CREATEDIALOG(\"OkBox\", \"Mine\", 0, 0, 50, 20)", "ENDOBJECT()", "DIALOGBOX(\"OKBOX\")",
                        "CREATEBACKDROP(\"OKBOX\")", "ENDOBJECT()", "TRAPERROR(1, 0)", "DIALOGBOX(\"okbox\")",
                        "SET %E1% = %ERROR%"})),
              0);
    auto shown = lines("dialog", "OKBOX");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(has(shown[0], "\"title\":\"Mine\""));
    EXPECT_EQ(var("E1"), "55");
}

} // namespace
