#include "authoring/project/objectfile.h"

#include "tests/support/testing.h"

#include <gtest/gtest.h>

using namespace zrv;
using namespace zrv::authoring;

namespace {

IniDocument object(int type, int position, std::vector<ControlRecord> controls, int border = 0) {
    IniDocument doc;
    ObjectHeader h;
    h.name = "Obj";
    h.type = type;
    h.caption = "Title";
    h.position = position;
    h.border = border;
    h.x = 10, h.y = 20, h.width = 300, h.height = 200;
    writeHeader(doc, h);
    saveControls(doc, controls);
    return doc;
}

ControlRecord control(ControlType type) {
    ControlRecord c;
    c.type = static_cast<int>(type);
    c.caption = "Cap";
    c.x = 1, c.y = 2, c.width = 3, c.height = 4;
    c.font = "Arial";
    c.fontSize = 12, c.shadowOffset = 1, c.foreground = 255, c.shadowColour = 65280;
    c.variable = "%V%";
    c.id = "IDOK";
    c.icon = "SETUP";
    c.bitmap = "C:\\ART\\LOGO.BMP";
    c.editLength = 20;
    return c;
}

std::vector<std::string> render(const IniDocument& doc, bool forScript = true) {
    auto r = renderObject(doc, forScript);
    EXPECT_TRUE(r.ok());
    return r ? *r : std::vector<std::string>{};
}

TEST(ObjectFile, EachKindHasItsCreateLineAndEnd) {
    EXPECT_EQ(render(object(1, 3, {})),
              (std::vector<std::string>{"CreateBackdrop(\"Obj\")", "EndObject()", "", ""}));
    EXPECT_EQ(render(object(2, 1, {})),
              (std::vector<std::string>{"CreateDialog(\"Obj\",\"Title\",10,20,300,200)", "CentreDialog(3,0)",
                                        "EndObject()", "", ""}));
    EXPECT_EQ(render(object(3, 3, {}, 2))[0], "CreateCueCard(\"Obj\",10,20,300,200,2)");
    EXPECT_EQ(render(object(3, 3, {}))[1], "CentreDialog(3,3)");
    EXPECT_EQ(render(object(2, 2, {}))[1], "CentreDialog(0,3)");
    EXPECT_EQ(render(object(2, 0, {}))[1], "EndObject()");
    EXPECT_FALSE(renderObject(IniDocument{}, true).ok());
    EXPECT_FALSE(renderObject(object(4, 0, {}), true).ok());
}

TEST(ObjectFile, ControlLinesByTypeWithTheirStyles) {
    struct Case {
        ControlType type;
        std::string line;
    };
    const Case cases[] = {
        {ControlType::Text, "CreateControl(\"Text\",\"Cap\",IDOK,1,2,3,4,0,\"Arial\",12,1,255,65280)"},
        {ControlType::Edit, "CreateControl(\"Edit\",\"Cap\",IDOK,1,2,3,4,128,%V%,20)"},
        {ControlType::GroupBox, "CreateControl(\"GroupBox\",\"Cap\",IDOK,1,2,3,4,0)"},
        {ControlType::Icon, "CreateControl(\"Icon\",\"SETUP\",IDOK,1,2,3,4,0)"},
        {ControlType::Bitmap, "CreateControl(\"Bitmap\",\"%WindowsDirectory%TEMP\\LOGO.BMP\",IDOK,1,2,3,4,0)"},
        {ControlType::CheckBox, "CreateControl(\"CheckBox\",\"Cap\",IDOK,1,2,3,4,0,%V%)"},
        {ControlType::RadioButton, "CreateControl(\"RadioButton\",\"Cap\",IDOK,1,2,3,4,0,%V%)"},
        {ControlType::Button, "CreateControl(\"Button\",\"Cap\",IDOK,1,2,3,4,0)"},
        {ControlType::ColourBlock, "CreateControl(\"ColourBlock\",\"Cap\",IDOK,1,2,3,4,0,255)"},
        {ControlType::ListBox, "CreateControl(\"ListBox\",\"Cap\",IDOK,1,2,3,4,0,%V%)"},
        {ControlType::ComboBox, "CreateControl(\"ComboBox\",\"Cap\",IDOK,1,2,3,4,0,%V%,20)"},
        {ControlType::DropList, "CreateControl(\"DropList\",\"Cap\",IDOK,1,2,3,4,0,%V%)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render(object(2, 0, {control(c.type)}))[1], c.line);
    // The preview shows the bitmap where it is.
    EXPECT_EQ(render(object(2, 0, {control(ControlType::Bitmap)}), false)[1],
              "CreateControl(\"Bitmap\",\"C:\\ART\\LOGO.BMP\",IDOK,1,2,3,4,0)");

    ObjectHeader dialog;
    dialog.type = 2;
    ControlRecord edit = control(ControlType::Edit);
    edit.textCase = 2;
    edit.border = 1;
    EXPECT_NE(renderControl(dialog, edit, true).find(",8388752,"), std::string::npos); // 0x800090
    edit.textCase = 1;
    edit.border = 0;
    EXPECT_NE(renderControl(dialog, edit, true).find(",136,"), std::string::npos);
    ControlRecord text = control(ControlType::Text);
    text.bold = text.border = 1;
    EXPECT_NE(renderControl(dialog, text, true).find(",8388736,"), std::string::npos);
    ControlRecord list = control(ControlType::ListBox);
    list.sort = 1;
    EXPECT_NE(renderControl(dialog, list, true).find(",2,%V%"), std::string::npos);
    ControlRecord drop = control(ControlType::DropList);
    drop.sort = 1;
    EXPECT_NE(renderControl(dialog, drop, true).find(",256,%V%"), std::string::npos);
    // Layout bits go to bitmaps, and to every control of a backdrop.
    ObjectHeader backdrop;
    backdrop.type = 1;
    text = control(ControlType::Text);
    text.horizontal = 2, text.vertical = 1, text.tile = 1;
    EXPECT_NE(renderControl(backdrop, text, true).find(",1638400,"), std::string::npos); // 0x190000
    EXPECT_NE(renderControl(dialog, text, true).find(",0,\"Arial\""), std::string::npos);
    ControlRecord bitmap = control(ControlType::Bitmap);
    bitmap.horizontal = 1, bitmap.vertical = 2;
    EXPECT_NE(renderControl(dialog, bitmap, true).find(",393216)"), std::string::npos); // 0x60000
    // An empty ID would leave a missing parameter.
    ControlRecord button = control(ControlType::Button);
    button.id.clear();
    EXPECT_EQ(renderControl(dialog, button, true), "CreateControl(\"Button\",\"Cap\",0,1,2,3,4,0)");
}

TEST(ObjectFile, ControlsEndAtTheFirstGapAndSavingRenumbers) {
    IniDocument doc = object(2, 0, {control(ControlType::Text), control(ControlType::Button)});
    writeControl(doc, 4, control(ControlType::Edit));
    auto controls = readControls(doc);
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[1], control(ControlType::Button));
    saveControls(doc, controls);
    EXPECT_FALSE(doc.get("Controls", "Type4"));
    EXPECT_EQ(readControls(doc), controls);
    EXPECT_EQ(render(doc).size(), 2 + 1 + 3u);
    while (controls.size() < 99)
        ASSERT_FALSE(addControl(controls, control(ControlType::Text)));
    EXPECT_EQ(addControl(controls, control(ControlType::Text))->number, 10019);
    EXPECT_EQ(controls.size(), 99u);
}

TEST(ObjectFile, ReadingUsesDefaultsAndCutsTextsToTheirFields) {
    IniDocument doc = IniDocument::parse("[ObjectDef]\r\nName=" + std::string(50, 'N') +
                                         "\r\n[Controls]\r\nType1=0\r\nCoords1=5,6\r\nFont1=\r\nIcon1=DISKS01X\r\n"
                                         "Colour1=-1,4294967295\r\nCaption1=" + std::string(200, 'c') + "\r\n");
    ObjectHeader h = readHeader(doc);
    EXPECT_EQ(h.version, -1);
    EXPECT_EQ(h.name, std::string(40, 'N'));
    EXPECT_EQ(h.type, 1);
    EXPECT_EQ(h.caption, "DEFAULTCAPTION");
    EXPECT_EQ(readType(IniDocument{}), -1);
    ControlRecord c = readControl(doc, 1);
    EXPECT_EQ(c.x, 5);
    EXPECT_EQ(c.y, 6);
    EXPECT_EQ(c.width, 0); // fields a list lacks stay 0
    EXPECT_EQ(c.font, "");
    EXPECT_EQ(c.icon, "DISKS01X");
    EXPECT_EQ(c.caption.size(), 128u);
    EXPECT_EQ(c.foreground, -1);
    EXPECT_EQ(readControl(IniDocument{}, 1).font, "Times New Roman");
}

class ObjectFiles : public zrv::testing::MachineTest {
protected:
    void make(const std::string& path, const std::string& name, int version = 100) {
        IniDocument doc;
        ObjectHeader h;
        h.name = name;
        writeHeader(doc, h);
        if (version != 100)
            doc.set("ObjectDef", "Version", std::to_string(version));
        ASSERT_TRUE(storeObject(*m, path, doc).ok());
    }
};

TEST_F(ObjectFiles, ImportRefusesKnownPathsNamesAndA65thObject) {
    ProjectData p = newProjectData(0, "C:\\A.BKD");
    make("C:\\A.BKD", "Backdrop");
    make("C:\\B.DLG", "Dialog");
    make("C:\\C.DLG", "backdrop");
    EXPECT_EQ(importObject(*m, p, "c:\\a.bkd")->number, 10025);
    EXPECT_EQ(importObject(*m, p, "C:\\C.DLG")->number, 10016);
    ASSERT_FALSE(importObject(*m, p, "C:\\B.DLG"));
    EXPECT_EQ(p.objects.size(), 2u);
    for (int i = 2; i < 64; ++i) {
        const std::string path = "C:\\O" + std::to_string(i) + ".CUE";
        make(path, "Card" + std::to_string(i));
        ASSERT_FALSE(importObject(*m, p, path)) << i;
    }
    make("C:\\LAST.CUE", "Last");
    EXPECT_EQ(importObject(*m, p, "C:\\LAST.CUE")->number, 10017);
    EXPECT_EQ(p.objects.size(), 64u);
}

TEST_F(ObjectFiles, VersionsOtherThan100AreRefused) {
    make("C:\\OLD.DLG", "Old", 99);
    make("C:\\NEW.DLG", "New");
    EXPECT_EQ(checkObjectVersion(*m, "C:\\OLD.DLG")->number, 10021);
    EXPECT_EQ(checkObjectVersion(*m, "C:\\NONE.DLG")->number, 10021);
    EXPECT_FALSE(checkObjectVersion(*m, "C:\\NEW.DLG"));
}

TEST_F(ObjectFiles, TheDefaultBackdropIsWrittenOnceAndRenders) {
    ASSERT_TRUE(ensureDefaultBackdrop(*m, kDefaultBackdropPath).ok());
    const std::string first = get(std::string(kDefaultBackdropPath));
    auto lines = renderObject(loadObject(*m, kDefaultBackdropPath), true);
    ASSERT_TRUE(lines.ok());
    EXPECT_EQ((*lines)[0], "CreateBackdrop(\"DEFAULTBACKDROP\")");
    IniDocument changed = loadObject(*m, kDefaultBackdropPath);
    changed.set("ObjectDef", "Caption", "mine");
    ASSERT_TRUE(storeObject(*m, kDefaultBackdropPath, changed).ok());
    ASSERT_TRUE(ensureDefaultBackdrop(*m, kDefaultBackdropPath).ok());
    EXPECT_NE(get(std::string(kDefaultBackdropPath)), first); // an existing one is the author's
}

} // namespace
