// The toolkit-neutral installer interface: placement, dialog units, the
// renderer's geometry, the gauge, bitmaps and dialog templates.
#include "interpreter/ui/bitmap.h"
#include "interpreter/ui/display.h"
#include "interpreter/ui/json.h"
#include "interpreter/ui/template.h"
#include "interpreter/ui/transcript.h"
#include "interpreter/ui/transcriptview.h"
#include "tests/support/testing.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zrv::ui {
namespace {

std::vector<std::string> describeAll(const std::vector<DrawOp>& ops) {
    std::vector<std::string> out;
    for (const DrawOp& op : ops)
        out.push_back(describe(op));
    return out;
}

TEST(Placement, BuiltInDialogsFollowTheModesAndTheExplicitPosition) {
    Metrics m;
    Rect main = m.mainWindow(); // 800 x 600
    Rect dialog = Rect::sized(112, 107, 299, 159);
    Placement p; // 3, 3: centred over the main window
    EXPECT_EQ(PlaceDialog(dialog, p, main, 18), Rect::sized((800 - 300 - 1) / 2, (600 - 160 - 1) / 2, 299, 159));
    p.horizontal = 1;
    p.vertical = 2;
    Rect r = PlaceDialog(dialog, p, main, 18);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(600 - (r.top + r.height() + 1), 21); // 21 pixels above the bottom edge
    p = Placement{100, 50, 0, 0};
    EXPECT_EQ(PlaceDialog(dialog, p, main, 18).left, 100);
    EXPECT_EQ(PlaceDialog(dialog, p, main, 18).top, 50);
    p = Placement{-1, -1, 0, 1}; // unset: the template's own position
    EXPECT_EQ(PlaceDialog(dialog, p, main, 18), Rect::sized(112, 38, 299, 159));
    p = Placement{100, 50, 3, 3}; // centring ignores the explicit position
    EXPECT_EQ(PlaceDialog(dialog, p, main, 18).left, 249);
    p = Placement{0, 0, 2, 0};
    EXPECT_EQ(PlaceDialog(dialog, p, main, 18).left, 800 - 300 - 21);
}

TEST(Placement, WindowsOnTheScreenAndOverControls) {
    Rect w = Rect::sized(7, 9, 100, 40);
    EXPECT_EQ(PlaceOnScreen(w, 3, 3, 800, 600), Rect::sized(350, 280, 100, 40));
    EXPECT_EQ(PlaceOnScreen(w, 1, 2, 800, 600), Rect::sized(20, 540, 100, 40));
    EXPECT_EQ(PlaceOnScreen(w, 2, 1, 800, 600), Rect::sized(680, 20, 100, 40));
    EXPECT_EQ(PlaceOnScreen(w, 0, 0, 800, 600), w);
    EXPECT_EQ(PlaceWindow(w, 3, 3, 640, 480), Rect::sized(270, 220, 100, 40));
    EXPECT_EQ(AlignToControl(Rect{110, 220, 150, 240}, 100, 200), (Rect{10, 20, 50, 40}));
}

TEST(Metrics, DialogUnitsMapThroughTheFontsBaseUnits) {
    Metrics m;
    EXPECT_EQ(m.toPixelsX(4), 6);
    EXPECT_EQ(m.toPixelsY(8), 13);
    EXPECT_EQ(m.toPixels(Rect::sized(75, 55, 183, 98)), (Rect{113, 89, 387, 249})); // MulDiv rounds
    // The window adds the modal frame on each side and the caption bar.
    EXPECT_EQ(m.dialogWindow(Rect::sized(0, 0, 200, 80), 0, 18), Rect::sized(0, 18, 306, 130 + 6 + 18));
}

TEST(Renderer, GradientBandsRunFromFullBlueDown) {
    auto ops = Gradient(Rect{0, 0, 800, 582});
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops[0].rect, (Rect{0, 0, 800, 3})); // 582 / 256 + 1
    EXPECT_EQ(ops[0].colour, 0xFF0000u);
    EXPECT_EQ(ops[1].colour, 0xFE0000u);
    EXPECT_EQ(ops.back().rect.top, 582 / 3 * 3); // bands while y <= height
    EXPECT_EQ(ops.size(), 582u / 3 + 1);
    auto small = Gradient(Rect{0, 0, 10, 255});
    EXPECT_EQ(small.back().colour, 0u); // 256 one-pixel bands end at black
}

class RendererTest : public ::testing::Test {
  protected:
    DisplayObject& object(ObjectKind kind) {
        DisplayObject* o = table.create("OBJ", kind);
        surface.objectName = "obj";
        return *o;
    }
    std::vector<std::string> render() {
        int error = 0;
        auto ops = RenderObject(table, surface, metrics, measurer, nullptr, error);
        EXPECT_EQ(error, 0);
        return describeAll(ops);
    }
    ControlRecord text(std::string t, std::uint32_t style, int shadow = 0) {
        ControlRecord c;
        c.type = ControlType::Text;
        c.text = std::move(t);
        c.x = 10;
        c.y = 20;
        c.fontHeight = -13; // 6 x 13 per character
        c.shadow = shadow;
        c.style = style;
        c.colour1 = 0xFFFFFF;
        c.colour2 = 0x000000;
        return c;
    }
    ObjectTable table;
    Surface surface;
    Metrics metrics;
    FixedMeasurer measurer;
};

TEST_F(RendererTest, TextBlocksFollowTheLayoutFlagsWithTheShadowCountedOnce) {
    surface.client = Rect{0, 0, 400, 300};
    DisplayObject& o = object(ObjectKind::Backdrop);
    o.controls.push_back(text("ABCD", Layout::Right, 2)); // 24 x 13 + shadow 2
    o.controls.push_back(text("AB\nABCDEF\n", Layout::Bottom | Layout::CentreH));
    o.controls.push_back(text("X", Layout::Frame | Layout::CentreV | Layout::Bold));
    o.controls.push_back(text("", 0)); // an empty text paints nothing
    auto ops = render();
    ASSERT_EQ(ops.size(), 5u);
    // The shadow ends one pixel left of the right edge.
    EXPECT_EQ(ops[0], "text 375,22,399,35 #000000 ABCD");
    EXPECT_EQ(ops[1], "text 373,20,397,33 #FFFFFF ABCD");
    // Three lines (the empty one measured as "W"), ending one pixel above the bottom.
    EXPECT_EQ(ops[2], "text 182,260,218,299 #FFFFFF AB\nABCDEF\n");
    EXPECT_EQ(ops[3], "frame 10,143,16,156 #FFFFFF");
    EXPECT_EQ(ops[4], "text 10,143,16,156 #FFFFFF X");
}

TEST_F(RendererTest, CueCardBordersAndColourBlocks) {
    surface.client = Rect{0, 0, 20, 10};
    DisplayObject& o = object(ObjectKind::CueCard);
    o.border = 1;
    ControlRecord block;
    block.type = ControlType::ColourBlock;
    block.width = 5;
    block.height = 3;
    block.colour1 = 0x0000FF;
    block.style = Layout::Right | Layout::Bottom;
    o.controls.push_back(block);
    auto ops = render();
    ASSERT_EQ(ops.size(), 6u);
    EXPECT_EQ(ops[0], "fill 0,0,20,10 #C0C0C0");
    // One black frame on the outermost pixels.
    EXPECT_EQ(ops[1], "fill 0,0,20,1 #000000");
    EXPECT_EQ(ops[3], "fill 19,0,20,10 #000000");
    EXPECT_EQ(ops[4], "fill 0,9,20,10 #000000");
    EXPECT_EQ(ops[5], "fill 14,6,19,9 #0000FF"); // client right - width - 1
    o.border = 2;
    ops = render();
    EXPECT_EQ(ops[1], "fill 3,3,17,4 #404040"); // inset by 3, dark on top
    EXPECT_EQ(ops[4], "fill 3,6,17,7 #FFFFFF");
    EXPECT_EQ(ops.size(), 1u + 8u + 1u);
    o.border = 3;
    EXPECT_EQ(render().size(), 1u + 5 * 4 + 1u);
}

TEST_F(RendererTest, DialogsMapDialogUnitsAndAMissingObjectPaintsNothing) {
    surface.client = Rect{0, 0, 300, 200};
    DisplayObject& o = object(ObjectKind::Dialog);
    ControlRecord block;
    block.type = ControlType::ColourBlock;
    block.x = 4;
    block.y = 8;
    block.width = 8;
    block.height = 16;
    block.colour1 = 0x00FF00;
    o.controls.push_back(block);
    auto ops = render();
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0], "fill 6,13,18,38 #00FF00"); // (4..11) x (8..23) dialog units, inclusive
    surface.objectName = "gone";
    int error = 0;
    EXPECT_TRUE(RenderObject(table, surface, metrics, measurer, nullptr, error).empty());
    EXPECT_EQ(error, 10060);
}

TEST(Gauge, FilledWidthTextAndClamping) {
    Gauge g;
    EXPECT_EQ(g.text(), "");
    EXPECT_EQ(g.filled(200), 0);
    g.setRange(200);
    g.setPosition(50);
    EXPECT_EQ(g.text(), "25%");
    EXPECT_EQ(g.filled(199), 50); // columns 0..199
    g.setPosition(500);
    EXPECT_EQ(g.position, 200);
    EXPECT_EQ(g.filled(199), 199);
    g.setRange(100);
    EXPECT_EQ(g.position, 100);
    EXPECT_EQ(g.textColour(), 0x00FFFFu); // the inverse of blue
    EXPECT_EQ(g.textX(Rect{0, 0, 181, 16}, 20), 80);
}

TEST(WaitWindow, LinesAreCentredAsABlockAndEachInIt) {
    WaitWindow w;
    w.text = "AB\nABCD";
    FixedMeasurer m;
    auto ops = describeAll(w.paint(Rect{0, 0, 390, 89}, m));
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0], "fill 0,0,390,89 #C0C0C0");
    EXPECT_EQ(ops[1], "text 189,31,201,44 #000000 AB");
    EXPECT_EQ(ops[2], "text 183,44,207,57 #000000 ABCD");
}

// --- Bitmaps ---------------------------------------------------------------

std::string le32(std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string le16(std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); }

std::string bmp(int width, int height, int bits, std::uint32_t colours, std::uint32_t imageSize,
                const std::string& table, const std::string& pixels, std::uint32_t compression = 0,
                std::uint32_t offset = 0) {
    std::string info = le32(40) + le32(static_cast<std::uint32_t>(width)) + le32(static_cast<std::uint32_t>(height)) +
                       le16(1) + le16(static_cast<std::uint16_t>(bits)) + le32(compression) + le32(imageSize) +
                       le32(0) + le32(0) + le32(colours) + le32(0);
    std::string body = info + table + pixels;
    if (offset == 0)
        offset = static_cast<std::uint32_t>(14 + info.size() + table.size());
    return "BM" + le32(static_cast<std::uint32_t>(14 + body.size())) + le32(0) + le32(offset) + body;
}

class BitmapTest : public testing::MachineTest {};

TEST_F(BitmapTest, DefaultsForColourCountImageSizeAndPixelStart) {
    // 24 bits: no colour table, pixels right after the header; 2 x 1, row padded to 8.
    put("C:\\RGB.BMP", bmp(2, 1, 24, 0, 0, "", std::string("\x01\x02\x03\x04\x05\x06\0\0", 8)));
    Dib dib;
    ASSERT_EQ(LoadBitmapFile(*m, "C:\\RGB.BMP", dib), BitmapLoad::Loaded);
    EXPECT_EQ(dib.colourCount(), 0u);
    EXPECT_EQ(dib.pixelStart(), 40u);
    EXPECT_EQ(dib.imageSize(), 8u);
    Image image;
    ASSERT_TRUE(toImage(dib, image));
    EXPECT_EQ(image.at(0, 0), 0x030201u);
    EXPECT_EQ(image.at(1, 0), 0x060504u);

    // 8 bits, colours used 0: 256 entries; image size 0 computed: width 10, height 5 -> 60.
    std::string table;
    for (int i = 0; i < 256; ++i)
        table += std::string{static_cast<char>(i), 0, 0, 0};
    std::string rows;
    for (int y = 0; y < 5; ++y)
        rows += std::string{static_cast<char>(y), 1, 2, 3, 4, 5, 6, 7, 8, (char)255, 0, 0};
    put("C:\\P8.BMP", bmp(10, 5, 8, 0, 0, table, rows));
    ASSERT_EQ(LoadBitmapFile(*m, "C:\\P8.BMP", dib), BitmapLoad::Loaded);
    EXPECT_EQ(dib.coloursUsed(), 256u);
    EXPECT_EQ(dib.imageSize(), 60u);
    EXPECT_EQ(dib.pixelStart(), 40u + 1024u);
    EXPECT_EQ(dib.block.size(), 40u + 1024u + 60u);
    ASSERT_TRUE(toImage(dib, image));
    EXPECT_EQ(image.at(0, 4), 0x000000u); // the bottom row comes first in the file
    EXPECT_EQ(image.at(0, 0), 0x000004u);
    EXPECT_EQ(image.at(9, 2), 0x0000FFu);
}

TEST_F(BitmapTest, PaletteFormatsTopDownRowsAndRunLengths) {
    std::string mono = std::string("\0\0\0\0", 4) + "\xff\xff\xff\0";
    put("C:\\M.BMP", bmp(3, -2, 1, 0, 0, mono, std::string("\xa0\0\0\0\x40\0\0\0", 8))); // top-down
    Dib dib;
    Image image;
    ASSERT_EQ(LoadBitmapFile(*m, "C:\\M.BMP", dib), BitmapLoad::Loaded);
    ASSERT_TRUE(toImage(dib, image));
    EXPECT_EQ(image.at(0, 0), 0xFFFFFFu);
    EXPECT_EQ(image.at(1, 0), 0u);
    EXPECT_EQ(image.at(1, 1), 0xFFFFFFu);

    std::string sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen += std::string{static_cast<char>(i * 16), 0, 0, 0};
    // RLE8 over a 256-colour table: a run of 3 of colour 2, an end of line, an
    // absolute run of 3, the end of the bitmap.
    std::string table;
    for (int i = 0; i < 256; ++i)
        table += std::string{static_cast<char>(i), 0, 0, 0};
    std::string rle("\x03\x02\x00\x00\x00\x03\x07\x08\x09\x00\x00\x01", 12);
    put("C:\\R.BMP", bmp(4, 2, 8, 0, static_cast<std::uint32_t>(rle.size()), table, rle, 1));
    ASSERT_EQ(LoadBitmapFile(*m, "C:\\R.BMP", dib), BitmapLoad::Loaded);
    ASSERT_TRUE(toImage(dib, image));
    EXPECT_EQ(image.at(0, 1), 2u);
    EXPECT_EQ(image.at(2, 1), 2u);
    EXPECT_EQ(image.at(3, 1), 0u);
    EXPECT_EQ(image.at(1, 0), 8u);
    // A run-length bitmap that claims a run past its data stops safely.
    std::string cut("\x00\x40\x01", 3);
    put("C:\\RC.BMP", bmp(4, 2, 8, 0, static_cast<std::uint32_t>(cut.size()), table, cut, 1));
    ASSERT_EQ(LoadBitmapFile(*m, "C:\\RC.BMP", dib), BitmapLoad::Loaded);
    EXPECT_FALSE(toImage(dib, image));
    (void)sixteen;
}

TEST_F(BitmapTest, RefusesWhatIsNotACompleteBitmapWithoutAllocatingItsClaims) {
    Dib dib;
    EXPECT_EQ(LoadBitmapFile(*m, "C:\\NONE.BMP", dib), BitmapLoad::NotFound);
    put("C:\\TEXT.BMP", "GIF89a and more bytes than a header needs............................");
    EXPECT_EQ(LoadBitmapFile(*m, "C:\\TEXT.BMP", dib), BitmapLoad::Invalid);
    std::string core = "BM" + le32(40) + le32(0) + le32(26) + le32(12) + le16(2) + le16(2) + le16(1) + le16(24) +
                       std::string(40, '\0');
    put("C:\\CORE.BMP", core);
    EXPECT_EQ(LoadBitmapFile(*m, "C:\\CORE.BMP", dib), BitmapLoad::Invalid);
    // Absurd sizes: a 4-gigabyte image, 2^31 colours, a pixel offset past the end.
    put("C:\\HUGE.BMP", bmp(60000, 60000, 24, 0, 0, "", "tiny"));
    EXPECT_EQ(LoadBitmapFile(*m, "C:\\HUGE.BMP", dib), BitmapLoad::Invalid);
    put("C:\\PAL.BMP", bmp(1, 1, 8, 0x80000000u, 4, "", "pixl"));
    EXPECT_EQ(LoadBitmapFile(*m, "C:\\PAL.BMP", dib), BitmapLoad::Invalid);
    put("C:\\OFF.BMP", bmp(1, 1, 24, 0, 4, "", "pixl", 0, 100000));
    EXPECT_EQ(LoadBitmapFile(*m, "C:\\OFF.BMP", dib), BitmapLoad::Invalid);
    // A colour table cut short.
    put("C:\\SHORT.BMP", bmp(1, 1, 8, 0, 4, std::string(100, 'x'), ""));
    EXPECT_EQ(LoadBitmapFile(*m, "C:\\SHORT.BMP", dib), BitmapLoad::Invalid);
    EXPECT_TRUE(dib.empty());
}

// --- Dialog templates --------------------------------------------------------

TEST(Template, AKnownDialogByteForByte) {
    DisplayObject o;
    o.kind = ObjectKind::Dialog;
    o.caption = "#T#";
    o.x = 1;
    o.y = 2;
    o.width = 30;
    o.height = 20;
    ControlRecord painted;
    painted.type = ControlType::Text;
    painted.text = "not an item";
    o.controls.push_back(painted);
    ControlRecord ok;
    ok.type = ControlType::Button;
    ok.id = 1;
    ok.x = 3;
    ok.y = 4;
    ok.width = 5;
    ok.height = 6;
    ok.style = 0x50010000;
    ok.text = "OK";
    o.controls.push_back(ok);
    std::vector<std::uint8_t> bytes;
    int items = 0;
    ASSERT_TRUE(BuildTemplate(o, [](const std::string& s) { return s == "#T#" ? std::string("Hi") : s; }, bytes, items));
    EXPECT_EQ(items, 1);
    std::vector<std::uint8_t> expected = {
        0xC0, 0x00, 0xC8, 0x80, 0, 0, 0, 0, 1, 0, 1, 0, 2, 0, 30, 0, 20, 0, 0, 0, 0, 0, // header
        'H', 0, 'i', 0, 0, 0, 8, 0};                                                  // title, points
    for (char c : std::string("MS Sans Serif"))
        expected.insert(expected.end(), {static_cast<std::uint8_t>(c), 0});
    expected.insert(expected.end(), {0, 0, 0, 0}); // terminator, then padding to 60
    expected.insert(expected.end(), {0x00, 0x00, 0x01, 0x50, 0, 0, 0, 0, 3, 0, 4, 0, 5, 0, 6, 0, 1, 0, 0xFF, 0xFF,
                                     0x80, 0x00, 'O', 0, 'K', 0, 0, 0, 0, 0});
    EXPECT_EQ(bytes, expected);
}

TEST(Template, NinetyNineLongControlsDoNotFit) {
    DisplayObject o;
    o.kind = ObjectKind::Dialog;
    for (int i = 0; i < 99; ++i) {
        ControlRecord c;
        c.type = ControlType::Edit;
        c.text = std::string(300, 'x');
        o.controls.push_back(c);
    }
    std::vector<std::uint8_t> bytes;
    int items = 0;
    EXPECT_FALSE(BuildTemplate(o, nullptr, bytes, items));
    EXPECT_LE(bytes.size(), kTemplateSize);
    o.controls.resize(15); // 15 x 626 bytes fit
    EXPECT_TRUE(BuildTemplate(o, nullptr, bytes, items));
}

TEST(ObjectTable, NamesIgnoreCaseAndThirtySlots) {
    ObjectTable t;
    ASSERT_NE(t.create("Opts", ObjectKind::Dialog), nullptr);
    ASSERT_NE(t.create("OPTS", ObjectKind::CueCard), nullptr);
    EXPECT_EQ(t.count(), 1);
    EXPECT_EQ(t.find("opts")->kind, ObjectKind::CueCard);
    for (int i = 1; i < ObjectTable::kSlots; ++i)
        ASSERT_NE(t.create("O" + std::to_string(i), ObjectKind::Backdrop), nullptr);
    EXPECT_EQ(t.create("ONE MORE", ObjectKind::Backdrop), nullptr);
    t.remove("O3");
    EXPECT_NE(t.create("ONE MORE", ObjectKind::Backdrop), nullptr);
}

} // namespace
} // namespace zrv::ui

namespace {

// What the writer writes, the reader reads back: members in order, texts whole.
TEST(JsonWriter, WritesWhatTheReaderReadsBack) {
    const std::string awkward = "quote \" slash \\ tab \t line\r\n bell \x07 caf\xc3\xa9";
    std::string text = zrv::ui::transcriptLine("box", "", awkward, "t")
                           .number("result", -2)
                           .flag("shown", false)
                           .json("rect", zrv::ui::JsonWriter::array().number(1).text("x").str())
                           .json("empty", zrv::ui::JsonWriter::object().str())
                           .str();
    zrv::ui::Json j;
    std::string error;
    ASSERT_TRUE(zrv::ui::parseJson(text, j, error)) << error << "\n" << text;
    ASSERT_EQ(j.keys, (std::vector<std::string>{"kind", "name", "title", "text", "result", "shown", "rect", "empty"}));
    EXPECT_EQ(j.get("title")->text, awkward);
    EXPECT_EQ(j.get("result")->number, -2);
    EXPECT_EQ(j.get("shown")->type, zrv::ui::Json::Type::Bool);
    EXPECT_EQ(j.get("rect")->items.size(), 2u);
    EXPECT_EQ(j.get("empty")->type, zrv::ui::Json::Type::Object);
}

} // namespace

namespace {

using namespace zrv::ui;

// A transcript read as sentences: the button that ended a dialog by its
// caption, who answered, failed copies, lines that are not JSON.
TEST(TranscriptView, EachLineBecomesASentence) {
    const char* text =
        R"({"kind":"dialog","name":"WELCOME","title":"Setup","text":"","controls":[{"type":"button","id":2,"text":"E&xit"},{"type":"button","id":1,"text":"&Continue"}],"result":1,"answer":"IDOK","from":"default"})" "\n"
        R"({"kind":"messagebox","name":"","title":"Setup","text":"Create a group?\nIt holds icons.","result":7,"answer":"IDNO","from":"answers"})" "\n"
        R"({"kind":"transfer","name":"","title":"","text":"A:\\X","source":"A:\\X","target":"C:\\X","result":3})" "\n"
        "\n"
        "not json\n"
        R"({"kind":"warning","name":"","title":"","text":"C:\\LF.SCR has lines that end with LF alone"})" "\n"
        R"({"kind":"copydialog","name":"close","title":"","text":"50%","result":0})";
    EXPECT_EQ(describeTranscript(text),
              (std::vector<std::string>{"WELCOME dialog: Continue (default button)",
                                        "Message box \"Create a group? ...\": No (answer file)",
                                        "Copying A:\\X to C:\\X failed (status 3)",
                                        "(line 5 is not a transcript line: " + [] {
                                            Json j;
                                            std::string e;
                                            (void)parseJson("not json", j, e);
                                            return e;
                                        }() + ")",
                                        "Warning: C:\\LF.SCR has lines that end with LF alone",
                                        "Copy dialog closed at 50%"}));
}

} // namespace

namespace {

// A run's transcript goes to its file only: a run copying many files keeps
// none of its lines in memory, and makes no line nobody reads; a transcript
// kept for reading back holds them all.
TEST(Transcript, LinesGoWhereTheyAreRead) {
    zrv::ui::Transcript nowhere;
    for (int i = 0; i < 3; ++i)
        nowhere.transfer("A:\\X", "C:\\X", 0);
    nowhere.record(R"({"kind":"warning"})");
    EXPECT_TRUE(nowhere.lines().empty());

    zrv::testing::TempDir dir;
    zrv::ui::Transcript toFile;
    ASSERT_TRUE(toFile.open(dir.path() / "t.jsonl"));
    toFile.transfer("A:\\X", "C:\\X", 3);
    EXPECT_TRUE(toFile.lines().empty());
    EXPECT_EQ(zrv::testing::readHost(dir.path() / "t.jsonl"),
              R"({"kind":"transfer","name":"","title":"","text":"A:\\X","source":"A:\\X","target":"C:\\X","result":3})"
              "\n");

    zrv::ui::Transcript kept;
    kept.keepLines();
    kept.transfer("A:\\X", "C:\\X", 0);
    kept.record(R"({"kind":"warning"})");
    ASSERT_EQ(kept.lines().size(), 2u);
    EXPECT_NE(kept.lines()[0].find("\"kind\":\"transfer\""), std::string::npos);
}

} // namespace
