// The Qt windows on the offscreen platform: pixels of the gradient, the gauge
// and cue-card borders, text placement, dialog positions, message box
// answers from clicks and keys, and a recorded session replayed headless.
#include "interpreter/actions/actions.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/headless/headless.h"
#include "interpreter/ui/qt/debugwindow.h"
#include "interpreter/ui/qt/qtui.h"
#include "interpreter/ui/qt/widgets.h"
#include "platform/machine/machine.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <set>
#include <sstream>

using namespace zrv;
using namespace zrv::ui;
using namespace zrv::ui::qt;

namespace {

QColor at(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

// The pixels a surface widget paints.
QImage paint(const std::vector<DrawOp>& ops, const Surface* surface, int width, int height) {
    SurfaceWidget w([&](const QRect&) { return ops; }, surface);
    w.resize(width, height);
    return w.grab().toImage();
}

// Acts on the modal windows as they come, one action per window.
class Person : public QObject {
public:
    std::vector<std::function<void(QWidget*)>> actions;
    void start() {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            // A window comes back after another closes; a new one may take a closed one's address.
            if (!w || m_next >= actions.size() || (w == m_last && w->property("seen").toBool()))
                return;
            m_last = w;
            w->setProperty("seen", true);
            // Later, so that a window the action opens runs its loop outside this timer's slot.
            QTimer::singleShot(0, w, [this, w, i = m_next++] { actions[i](w); });
        });
        timer->start(10);
    }
    std::size_t done() const { return m_next; }

private:
    QWidget* m_last = nullptr;
    std::size_t m_next = 0;
};

} // namespace

// A dialog on screen whose commands change nothing and are recorded in order.
struct RecordingDialog {
    struct Stay : DialogController {
        Outcome init(Dialog&) override { return Outcome::stay(); }
        Outcome command(Dialog&, int, Event) override { return Outcome::stay(); }
    } stay;
    Metrics metrics;
    QtMeasurer measurer;
    std::unique_ptr<DialogWindow> window;
    std::vector<int> commands;

    explicit RecordingDialog(Dialog& d) {
        d.window = metrics.dialogWindow(d.du, 0, 0);
        d.controller = &stay;
        window = std::make_unique<DialogWindow>(d, metrics, measurer, nullptr);
        window->onCommand = [this](int id, Event, const DialogItem*) { commands.push_back(id); };
        window->show();
    }
};

class QtWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gradientBands() {
        QImage image = paint(Gradient(Rect{0, 0, 800, 582}), nullptr, 800, 582);
        QCOMPARE(at(image, 10, 0), QColor(0, 0, 255));
        QCOMPARE(at(image, 10, 2), QColor(0, 0, 255)); // bands of 582 / 256 + 1 = 3 rows
        QCOMPARE(at(image, 10, 3), QColor(0, 0, 254));
        QCOMPARE(at(image, 799, 581), QColor(0, 0, 255 - 193));
    }

    void gaugeAtZeroQuarterAndFull() {
        Gauge g;
        GaugeWidget w(g);
        w.resize(200, 24);
        g.setRange(200);
        QImage zero = w.render();
        QCOMPARE(at(zero, 0, 0), QColor(255, 255, 255));
        QCOMPARE(countColour(zero, QColor(0, 0, 255)) > 0, true); // "0%" in blue over white
        g.setPosition(50);
        QImage quarter = w.render();
        QCOMPARE(at(quarter, 49, 0), QColor(0, 0, 255));
        QCOMPARE(at(quarter, 50, 0), QColor(255, 255, 255));
        g.setPosition(200);
        QImage full = w.render();
        QCOMPARE(at(full, 199, 0), QColor(0, 0, 255));
        QCOMPARE(countColour(full, QColor(255, 255, 255)) > 0, true); // "100%" in white over blue
        // With the text straddling the edge of the filled part, it shows in both colours.
        g.setPosition(100);
        QImage half = w.render();
        int left = 0, right = 0;
        for (int y = 0; y < half.height(); ++y)
            for (int x = 0; x < half.width(); ++x) {
                if (x < 100 && at(half, x, y) == QColor(255, 255, 255))
                    ++left;
                if (x >= 100 && at(half, x, y) == QColor(0, 0, 255))
                    ++right;
            }
        QVERIFY(left > 0 && right > 0);
        // The window: a one-pixel black border around the client.
        g.setPosition(0);
        QImage window = w.renderWindow();
        for (QPoint p : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 23), QPoint(199, 23), QPoint(100, 0), QPoint(0, 12)})
            QCOMPARE(at(window, p.x(), p.y()), QColor(0, 0, 0));
        QCOMPARE(at(window, 1, 1), QColor(255, 255, 255));
        QCOMPARE(at(window, 198, 22), QColor(255, 255, 255));
    }

    void cueCardBordersAndTextPlacement() {
        ObjectTable table;
        DisplayObject* card = table.create("CARD", ObjectKind::CueCard);
        card->border = 3;
        ControlRecord text;
        text.type = ControlType::Text;
        text.text = "Hi";
        text.font = "DejaVu Sans";
        text.fontHeight = -12;
        text.shadow = 2;
        text.colour1 = 0x0000FF; // red
        text.colour2 = 0x000000;
        text.style = Layout::Right | Layout::Bottom;
        card->controls.push_back(text);
        Surface s;
        s.objectName = "CARD";
        s.client = Rect{0, 0, 120, 60};
        QtMeasurer m;
        int error = 0;
        auto ops = RenderObject(table, s, Metrics{}, m, nullptr, error);
        QImage image = paint(ops, &s, 120, 60);
        QCOMPARE(at(image, 0, 0), QColor(64, 128, 128));
        QCOMPARE(at(image, 4, 30), QColor(64, 128, 128));
        QCOMPARE(at(image, 119, 30), QColor(255, 255, 255));
        QCOMPARE(at(image, 30, 59), QColor(255, 255, 255));
        QCOMPARE(at(image, 5, 30), QColor(192, 192, 192));
        // The text and its shadow lie in the block the layout flags put at the corner.
        const DrawOp& front = ops.back();
        QCOMPARE(front.rect.right + 2, 120 - 1);
        QCOMPARE(front.rect.bottom + 2, 60 - 1);
        int red = 0, outside = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x)
                if (at(image, x, y) == QColor(255, 0, 0)) {
                    ++red;
                    if (x < front.rect.left || x >= front.rect.right || y < front.rect.top || y >= front.rect.bottom)
                        ++outside;
                }
        QVERIFY(red > 0);
        QCOMPARE(outside, 0);
        // Each layout flag on its own puts the painted text inside the block it computed.
        for (std::uint32_t flag : {0u, Layout::Right, Layout::CentreH, Layout::Bottom, Layout::CentreV,
                                   Layout::Frame | Layout::Bold}) {
            card->controls[0].style = flag;
            card->border = 0;
            auto placed = RenderObject(table, s, Metrics{}, m, nullptr, error);
            QImage shown = paint(placed, &s, 120, 60);
            const DrawOp& text = placed.back();
            int inside = 0, astray = 0;
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 120; ++x)
                    if (at(shown, x, y) == QColor(255, 0, 0)) {
                        bool in = x >= text.rect.left && x < text.rect.right && y >= text.rect.top && y < text.rect.bottom;
                        bool frame = (flag & Layout::Frame) != 0;
                        (in || frame ? inside : astray)++;
                    }
            QVERIFY2(inside > 0 && astray == 0, qPrintable(QString::number(flag, 16)));
        }
    }

    void dialogsGoWhereThePlacementPutsThem() {
        Metrics metrics;
        QtMeasurer m;
        for (Placement p : {Placement{}, Placement{-1, -1, 1, 2}, Placement{100, 50, 0, 0}, Placement{0, 0, 2, 1}}) {
            Dialog d;
            d.du = Rect::sized(75, 55, 200, 81);
            d.window = PlaceDialog(metrics.dialogWindow(d.du, 0, metrics.captionHeight), p, metrics.mainWindow(),
                                   metrics.captionHeight);
            d.add(ItemClass::Button, 1, 0x50010001, Rect::sized(75, 60, 50, 14), "&Ok");
            DialogWindow w(d, metrics, m, nullptr);
            w.show();
            QCOMPARE(w.pos(), QPoint(d.window.left, d.window.top));
            QCOMPARE(w.widget(1)->geometry(), QRect(113, 98, 75, 22)); // (75, 60)-(125, 74) in dialog units
        }
    }

    // Items without an identifier (-1) are many in a dialog: each shows its own text.
    void everyItemWithoutAnIdentifierShowsItsText() {
        Metrics metrics;
        QtMeasurer m;
        Dialog d;
        d.du = Rect::sized(40, 30, 230, 157);
        d.window = metrics.dialogWindow(d.du, 0, 0);
        const QStringList lines = {"Setup", "Interpreter", "Version", "Re-made", "running"};
        for (int i = 0; i < lines.size(); ++i)
            d.add(ItemClass::Static, -1, 0x50000001, Rect::sized(10, 40 + 14 * i, 210, 10), lines[i].toStdString());
        d.add(ItemClass::Button, 1, 0x50010001, Rect::sized(90, 132, 50, 14), "&Ok");
        DialogWindow w(d, metrics, m, nullptr);
        QStringList shown;
        for (QLabel* l : w.findChildren<QLabel*>())
            shown << l->text();
        shown.sort();
        QStringList expected = lines;
        expected.sort();
        QCOMPARE(shown, expected);
    }

    // Dialogs and message boxes: a caption and a close button at most, the grey of the period.
    void dialogsHaveNoMinimiseOrMaximiseButtons() {
        Metrics metrics;
        QtMeasurer m;
        Dialog d;
        d.du = Rect::sized(40, 30, 100, 50);
        d.window = metrics.dialogWindow(d.du, 0, 0);
        DialogWindow dialog(d, metrics, m, nullptr);
        MessageBoxRequest r;
        r.text = "Hello";
        MessageBoxDialog box(r, nullptr);
        for (QWidget* w : {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(&box)}) {
            const Qt::WindowFlags f = w->windowFlags();
            QVERIFY(f.testFlag(Qt::CustomizeWindowHint));
            QVERIFY(!f.testFlag(Qt::WindowMinimizeButtonHint));
            QVERIFY(!f.testFlag(Qt::WindowMaximizeButtonHint));
            QCOMPARE(w->palette().color(QPalette::Window), QColor(192, 192, 192));
        }
    }

    // Enter presses the focused push button, as in Windows; elsewhere the default one.
    void enterPressesTheFocusedButton() {
        MessageBoxRequest yesNo;
        yesNo.text = "Install now?";
        yesNo.style = Mb::YesNo;
        MessageBoxDialog box(yesNo, nullptr);
        QTimer::singleShot(0, [&] {
            box.button(Id::No)->setFocus();
            QTest::keyClick(box.button(Id::No), Qt::Key_Return);
        });
        box.exec();
        QCOMPARE(box.result(), Id::No);

        Dialog d;
        d.du = Rect::sized(40, 30, 200, 60);
        d.defaultId = 1;
        d.add(ItemClass::Edit, 50, 0x50810080, Rect::sized(10, 10, 100, 12), "");
        d.add(ItemClass::Button, 1, 0x50010001, Rect::sized(10, 40, 50, 14), "&Continue");
        d.add(ItemClass::Button, 9, 0x50010000, Rect::sized(70, 40, 50, 14), "&Back");
        RecordingDialog shown(d);
        DialogWindow& w = *shown.window;
        const std::vector<int>& commands = shown.commands;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.widget(9)->setFocus();
        QTest::keyClick(w.widget(9), Qt::Key_Return);
        w.widget(50)->setFocus();
        QTest::keyClick(w.widget(50), Qt::Key_Return);
        QCOMPARE(commands, (std::vector<int>{9, 1}));
    }

    // Arrow keys in a group of auto radio buttons move the focus and check the
    // button they reach, wrapping round the group, and each move is a command
    // (a recording stores it); another group is not entered.
    void arrowKeysMoveAndCheckInARadioGroup() {
        Dialog d;
        d.du = Rect::sized(40, 30, 200, 100);
        const std::uint32_t radio = 0x50000009, group = 0x00020000;
        d.add(ItemClass::Button, 100, radio | group, Rect::sized(10, 10, 80, 10), "One").checked = true;
        d.add(ItemClass::Button, 101, radio, Rect::sized(10, 22, 80, 10), "Two");
        d.add(ItemClass::Button, 102, radio, Rect::sized(10, 34, 80, 10), "Three");
        d.add(ItemClass::Button, 200, radio | group, Rect::sized(100, 10, 80, 10), "Other");
        RecordingDialog shown(d);
        DialogWindow& w = *shown.window;
        const std::vector<int>& commands = shown.commands;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.widget(100)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), w.widget(101));
        QVERIFY(d.item(101)->checked && !d.item(100)->checked);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // wraps to the first
        QCOMPARE(QApplication::focusWidget(), w.widget(100));
        QVERIFY(d.item(100)->checked && !d.item(102)->checked);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // and back to the last
        QCOMPARE(QApplication::focusWidget(), w.widget(102));
        QCOMPARE(commands, (std::vector<int>{101, 102, 100, 102}));
        QVERIFY(!d.item(200)->checked);
    }

    // The wait window belongs to the main window, so it stays above the backdrop.
    void theWaitWindowIsOwnedByTheMainWindow() {
        auto ui = createQtUi(QtOptions{}).value();
        ui->createMainWindow("Setup");
        zrv::ui::Display& d = ui->display();
        d.wait.show(d.metrics, "Please wait", "Copying...");
        ui->changed(Ui::Window::Wait);
        QWidget* wait = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowTitle() == "Please wait" && w->isVisible())
                wait = w;
        QVERIFY(wait);
        QVERIFY(wait->parentWidget());
        QVERIFY(wait->isWindow());
        // And the period's look: the classic style, grey button faces.
        QCOMPARE(QApplication::style()->name().toLower(), QString("windows"));
        QCOMPARE(QApplication::palette().color(QPalette::Button), QColor(192, 192, 192));
        // The script sees the screen the windows show on, not machine.ini's.
        ui->setScreenSize(640, 480);
        QCOMPARE(ui->screenWidth(), QGuiApplication::primaryScreen()->geometry().width());
        ui->pinScreen(1024, 768);
        ui->setScreenSize(640, 480);
        QCOMPARE(ui->screenHeight(), 768);
        d.wait.shown = false;
        ui->changed(Ui::Window::Wait);
    }

    void messageBoxesAnswerClicksAndKeys() {
        MessageBoxRequest yesNo;
        yesNo.text = "Install now?";
        yesNo.style = Mb::YesNo | Mb::IconQuestion;
        {
            MessageBoxDialog box(yesNo, nullptr);
            QTimer::singleShot(0, [&] { QTest::mouseClick(box.button(Id::No), Qt::LeftButton); });
            box.exec();
            QCOMPARE(box.result(), Id::No);
        }
        {
            MessageBoxDialog box(yesNo, nullptr);
            QTimer::singleShot(0, [&] {
                QTest::keyClick(&box, Qt::Key_Escape); // no Cancel: Escape does nothing
                QTest::keyClick(&box, Qt::Key_Return);
            });
            box.exec();
            QCOMPARE(box.result(), Id::Yes);
        }
        MessageBoxRequest question = yesNo;
        question.style = Mb::OkCancel | Mb::DefButton2;
        {
            MessageBoxDialog box(question, nullptr);
            QTimer::singleShot(0, [&] { QTest::keyClick(&box, Qt::Key_Return); });
            box.exec();
            QCOMPARE(box.result(), Id::Cancel); // the second button is the default
        }
        {
            MessageBoxDialog box(question, nullptr);
            QTimer::singleShot(0, [&] { QTest::keyClick(&box, Qt::Key_Escape); });
            box.exec();
            QCOMPARE(box.result(), Id::Cancel);
        }
        question.style = Mb::AbortRetryIgnore;
        MessageBoxDialog box(question, nullptr);
        QVERIFY(box.button(Id::Abort) && box.button(Id::Retry) && box.button(Id::Ignore) && !box.button(Id::Ok));
    }

    void aRecordedSessionReplaysHeadless() {
        QTemporaryDir dir;
        std::filesystem::path root = dir.path().toStdString();
        std::string script = "SET %INSTALLPATH% = \"C:\\APP\"\r\n"
                             "DIALOGBOX(\"ASKPATH\")\r\n"
                             "SET %FIRST% = %ERROR%\r\n"
                             "SET %BUTTON2% = \"1\"\r\n"
                             "DIALOGBOX(\"CHECKBOX3\")\r\n"
                             "MESSAGEBOX(\"Copy now?\", \"Setup\", MB_YESNO, MB_ICONQUESTION)\r\n"
                             "SET %ANSWER% = %ERROR%\r\n"
                             "SET %DIR% = RIGHT(%INSTALLPATH%, 6)\r\n"
                             "MKDIR(\"C:%DIR%\")\r\n"
                             "WRITEPRIVATEPROFILESTRING(\"Setup\", \"Parts\", \"%BUTTON1%%BUTTON2%%BUTTON3%\", \"ACME.INI\")\r\n";
        auto runWith = [&](Ui& ui, const std::string& name) {
            auto m = Machine::open(root / name).value();
            std::ofstream(root / name / "drive_c" / "S.SCR", std::ios::binary) << script;
            engine::Interpreter interp(*m, ui);
            actions::registerAll(interp.engine());
            interp.run("C:\\S.SCR");
            auto& v = interp.engine().variables();
            auto ini = m->readFile("C:\\WINDOWS\\ACME.INI");
            return (m->isDirectory("C:\\TOOLS") ? std::string("dir|") : std::string("no dir|")) +
                   (ini ? *ini : std::string()) + "|" + v.GetVariable("INSTALLPATH") + "|" + v.GetVariable("FIRST") + "|" + v.GetVariable("BUTTON1") +
                   v.GetVariable("BUTTON2") + v.GetVariable("BUTTON3") + "|" + v.GetVariable("ANSWER");
        };
        Person person;
        auto edit = [](QWidget* w, const char* text) { w->findChild<QLineEdit*>("item50")->setText(text); };
        auto click = [](QWidget* w, const char* name) { QTest::mouseClick(w->findChild<QPushButton*>(name), Qt::LeftButton); };
        person.actions = {
            [&](QWidget* w) { edit(w, "APPS"), click(w, "item1"); },              // refused ...
            [&](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); },                // ... with a message box
            [&](QWidget* w) { edit(w, " D:\\TOOLS "), click(w, "item1"); },        // then a good path
            [&](QWidget* w) { QTest::mouseClick(w->findChild<QWidget*>("item232"), Qt::LeftButton, {}, QPoint(5, 5)),
                              click(w, "item1"); },
            [&](QWidget* w) { QTest::keyClick(w, Qt::Key_N); },                      // No, by its mnemonic
        };
        QtOptions options;
        options.record = root / "record.jsonl";
        auto ui = createQtUi(options).value();
        person.start();
        std::string live = runWith(*ui, "live");
        QCOMPARE(person.done(), person.actions.size());
        QCOMPARE(QString::fromStdString(live), QString("dir|[Setup]\r\nParts=011\r\n|D:\\TOOLS|1|011|7"));
        ui.reset();
        std::ifstream in(root / "record.jsonl");
        std::stringstream recorded;
        recorded << in.rdbuf();
        auto headless = HeadlessUi::fromText(recorded.str());
        QVERIFY2(bool(headless), recorded.str().c_str());
        QCOMPARE(QString::fromStdString(runWith(**headless, "replay")), QString::fromStdString(live));
    }

    void debugWindow() {
        DebugView view;
        view.title = "Debug - C:\\S.SCR";
        view.lines = 5;
        view.current = 2;
        std::set<std::uint32_t> breakpoints = {4};
        std::vector<Rect> moves;
        view.source.text = [](std::uint32_t n) { return "000" + std::to_string(n) + "  SET %A% = " + std::to_string(n); };
        view.source.breakpoint = [&](std::uint32_t n) { return breakpoints.count(n) > 0; };
        view.source.toggleBreakpoint = [&](std::uint32_t n) {
            if (!breakpoints.erase(n))
                breakpoints.insert(n);
        };
        view.source.commands = [] { return std::vector<std::string>{"Parameters", "  'x'", "Variables"}; };
        view.source.moved = [&](const Rect& r) { moves.push_back(r); };
        {
            DebugWindow w(view, Metrics{}, nullptr);
            QVERIFY(moves.empty()); // placing it at first is no move by a person
            w.resize(540, 400);
            w.show();
            QCoreApplication::processEvents();
            // Pixels of the current line (yellow) and of a breakpoint (red), at their left edge.
            QImage image = w.grab().toImage();
            QListView* list = w.scriptList();
            auto pixelOf = [&](int row) {
                QRect r = list->visualRect(list->model()->index(row, 0));
                QPoint p = list->viewport()->mapTo(&w, r.topLeft() + QPoint(1, r.height() / 2));
                return at(image, p.x(), p.y());
            };
            QCOMPARE(pixelOf(1), QColor(255, 255, 0));
            QCOMPARE(pixelOf(3), QColor(255, 0, 0));
            QCOMPARE(pixelOf(0), QColor(255, 255, 255));
            // Break Point toggles the caret line and the window stays; Step ends it.
            list->setCurrentIndex(list->model()->index(2, 0));
            QTest::mouseClick(w.button(kDebugBreakPoint), Qt::LeftButton);
            QVERIFY(breakpoints.count(3) && w.isVisible());
            w.move(100, 120);
            QCoreApplication::processEvents();
            QVERIFY(!moves.empty());
            QCOMPARE(moves.back().left, w.geometry().left());
            QTest::mouseClick(w.button(kDebugStep), Qt::LeftButton);
            QCOMPARE(w.result(), int(kDebugStep));
        }
        // The next window opens where the last one was.
        view.rect = moves.back();
        DebugWindow again(view, Metrics{}, nullptr);
        QCOMPARE(again.geometry().left(), moves.back().left);
        QCOMPARE(again.width(), moves.back().width());
        QTest::keyClick(&again, Qt::Key_F5);
        QCOMPARE(again.result(), int(kDebugRun));
    }

    void everyNamedIconIsThere() {
        QStringList names = {"FORM", "MDICHILD", "MDIPARNT", "MONITR01", "SETUP", "TRASH01", "TRASH02A", "TRASH02B",
                             "TRASH03", "TRASH04A", "TRASH04B", "DRIVE01", "DRIVE02"};
        for (auto [prefix, count] : std::vector<std::pair<const char*, int>>{
                 {"DISK", 15}, {"DISKS", 4}, {"KEY", 7}, {"KEYBRD", 3}, {"KEYS", 3}, {"MAC", 4}, {"MOUSE", 4}, {"PC", 4}})
            for (int i = 1; i <= count; ++i)
                names << QString("%1%2").arg(prefix).arg(i, 2, 10, QChar('0'));
        QCOMPARE(names.size(), 57);
        for (const QString& name : names) {
            QImage image = iconImage(name.toLower().toStdString()); // names ignore case
            QVERIFY2(image.size() == QSize(32, 32), qPrintable(name));
        }
        QCOMPARE(iconImage("#31234").size(), QSize(32, 32));
        QVERIFY(iconImage("DISK16").isNull());
        QVERIFY(iconImage("../DISK01").isNull());
    }

    void cancelStopsACopy() {
        QTemporaryDir dir;
        std::filesystem::path root = dir.path().toStdString();
        auto m = Machine::open(root / "m").value();
        std::string big(1 << 20, 'x');
        for (int i = 0; i < 5; ++i)
            std::ofstream(root / "m" / "drive_c" / ("F" + std::to_string(i) + ".DAT"), std::ios::binary) << big;
        std::ofstream(root / "m" / "drive_c" / "S.SCR", std::ios::binary)
            << "MKDIR(\"C:\\OUT\")\r\nCOPYFILE(5)\r\n\"C:\\F0.DAT\", \"C:\\OUT\\\"\r\n\"C:\\F1.DAT\", "
               "\"C:\\OUT\\\"\r\n\"C:\\F2.DAT\", \"C:\\OUT\\\"\r\nENDCOPYFILE()\r\nSET %AFTER% = 1\r\n"
               ":EXIT\r\n";
        QtOptions options;
        options.record = root / "record.jsonl";
        auto ui = createQtUi(options).value();
        engine::Interpreter interp(*m, *ui);
        actions::registerAll(interp.engine());
        // Cancel is pressed as soon as the dialog is there.
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = w->findChild<QPushButton*>("item2"); b && w->isVisible()) {
                    QCOMPARE(b->text(), QString("&Cancel"));
                    b->click();
                    press.stop();
                }
        });
        press.start(0);
        interp.run("C:\\S.SCR");
        QCOMPARE(QString::fromStdString(interp.engine().variables().GetVariable("AFTER")), QString()); // went to :EXIT
        QVERIFY(!m->exists("C:\\OUT\\F2.DAT"));
        ui.reset();
        std::ifstream in(root / "record.jsonl");
        std::string line;
        std::getline(in, line);
        QVERIFY2(line.rfind("{\"kind\":\"copy\",\"cancel\":", 0) == 0, line.c_str());
    }

private:
    static int countColour(const QImage& image, const QColor& c) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += at(image, x, y) == c;
        return n;
    }
};

QTEST_MAIN(QtWindows)
#include "qt_test.moc"
