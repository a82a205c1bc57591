// Draws the installer's own icons into PNG files: 32 x 32 pictures in the
// spirit of their names (disks, drives, keys, keyboards, computers, mice,
// monitors, windows, waste bins) and the application icon. The pictures are
// kept beside this file and built into the interpreter as resources;
// scripts/draw-icons runs this again after a change here.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cstdio>
#include <string>

namespace {

const std::array<QColor, 8> kHues = {QColor(0, 0, 128),  QColor(128, 0, 0),   QColor(0, 100, 0),   QColor(90, 90, 90),
                                     QColor(128, 0, 128), QColor(0, 110, 128), QColor(150, 90, 0), QColor(20, 20, 20)};

void floppy(QPainter& p, int x, int y, int size, const QColor& body, int number) {
    qreal s = size / 32.0;
    p.save();
    p.translate(x, y);
    p.scale(s, s);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(body);
    QPainterPath shape;
    shape.moveTo(3, 2);
    shape.lineTo(26, 2);
    shape.lineTo(29, 5);
    shape.lineTo(29, 29);
    shape.lineTo(3, 29);
    shape.closeSubpath();
    p.drawPath(shape);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(9, 2, 13, 9); // the shutter
    p.setBrush(body);
    p.drawRect(17, 4, 3, 5);
    p.setBrush(Qt::white);
    p.drawRect(6, 15, 20, 13); // the label
    if (number > 0) {
        p.setPen(Qt::black);
        QFont f("DejaVu Sans");
        f.setPixelSize(9);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(6, 16, 20, 12), Qt::AlignCenter, QString::number(number));
    }
    p.restore();
}

void screen(QPainter& p, const QRect& r, const QColor& glass) {
    p.setPen(Qt::black);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(r);
    p.setBrush(glass);
    p.drawRect(r.adjusted(3, 3, -3, -3));
}

void key(QPainter& p, int variant) {
    QColor metal = variant % 2 ? QColor(200, 170, 40) : QColor(170, 170, 180);
    p.save();
    p.translate(16, 16);
    p.rotate(-45 + 15 * (variant % 4));
    p.translate(-16, -16);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(metal);
    p.drawEllipse(3, 10, 11, 11);
    p.setBrush(Qt::white);
    p.drawEllipse(6, 13, 5, 5);
    p.setBrush(metal);
    p.drawRect(13, 14, 16, 3);
    for (int t = 0; t < 1 + variant % 3; ++t)
        p.drawRect(24 - 4 * t, 17, 2, 4);
    p.restore();
}

void keyboard(QPainter& p, int variant) {
    p.setPen(Qt::black);
    p.setBrush(variant == 2 ? QColor(230, 225, 210) : QColor(192, 192, 192));
    p.drawRect(1, 10, 29, 14);
    p.setBrush(Qt::white);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 7 - (row == 2 ? 2 : 0); ++col)
            p.drawRect(3 + col * 4 + (row == 2 ? 4 : 0), 12 + row * 4, 2, 2);
    if (variant == 1)
        p.drawRect(9, 20, 12, 2); // a space bar
}

void mouse(QPainter& p, int variant) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(240, 240, 240));
    p.drawRoundedRect(9, 8, 14, 21, 6, 6);
    p.drawLine(16, 8, 16, 15);
    p.drawLine(9, 15, 23, 15);
    p.setBrush(Qt::NoBrush);
    QPainterPath tail;
    tail.moveTo(16, 8);
    tail.cubicTo(16, 2, 24 + variant * 2, 6, 28, 1);
    p.drawPath(tail);
    if (variant >= 2) {
        p.setBrush(kHues[static_cast<std::size_t>(variant)]);
        p.drawRect(variant == 2 ? 10 : 17, 9, 5, 5); // a button pressed
    }
}

void computer(QPainter& p, int variant, bool mac) {
    if (mac) {
        p.setPen(Qt::black);
        p.setBrush(QColor(230, 225, 210));
        p.drawRect(7, 1, 18, 27);
        p.setBrush(variant % 2 ? QColor(0, 0, 128) : QColor(170, 200, 170));
        p.drawRect(10, 4, 12, 10);
        p.drawLine(12, 20, 20, 20);
        p.drawRect(6, 28, 20, 3);
        return;
    }
    screen(p, QRect(5, 1, 22, 17), variant % 2 ? QColor(0, 128, 128) : QColor(0, 0, 128));
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(2, 21, 28, 8);
    p.setBrush(Qt::black);
    p.drawRect(18, 24, 8, 1);
    if (variant >= 3) {
        p.setBrush(Qt::green);
        p.drawRect(5, 24, 2, 2);
    }
}

void bin(QPainter& p, bool full, bool lid, int variant) {
    p.setPen(Qt::black);
    p.setBrush(variant % 2 ? QColor(160, 160, 170) : QColor(120, 140, 120));
    QPolygon body({QPoint(7, 9), QPoint(25, 9), QPoint(23, 30), QPoint(9, 30)});
    p.drawPolygon(body);
    for (int x = 11; x <= 21; x += 5)
        p.drawLine(x, 12, x, 27);
    if (full) {
        p.setBrush(Qt::white);
        p.drawRect(10, 4, 6, 6);
        p.drawEllipse(15, 3, 8, 7);
    }
    if (lid) {
        p.setBrush(QColor(100, 100, 100));
        if (full)
            p.drawRect(4, 2, 24, 3);
        else
            p.drawRect(5, 6, 22, 3);
    }
}

void window(QPainter& p, const QRect& r) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(r.x(), r.y(), r.width(), 4);
}

// The number in a name after its prefix ("02" of TRASH02A).
int number(const QString& name, int from) {
    int n = 0;
    for (int i = from; i < name.size() && name[i].isDigit(); ++i)
        n = n * 10 + name[i].digitValue();
    return n;
}

QImage draw(const QString& name) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    bool known = true;
    if (name.startsWith("DISKS")) {
        int n = number(name, 5);
        for (int i = 0; i < 2 + n % 2; ++i)
            floppy(p, 2 + 5 * i, 6 - 3 * i, 24, kHues[static_cast<std::size_t>((n + i) % 8)], 0);
    } else if (name.startsWith("DISK")) {
        int n = number(name, 4);
        floppy(p, 0, 0, 32, kHues[static_cast<std::size_t>(n % 8)], n);
    } else if (name.startsWith("DRIVE")) {
        p.setPen(Qt::black);
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(1, 9, 30, 14);
        p.setBrush(Qt::black);
        p.drawRect(6, 14, 20, 2);
        p.setBrush(Qt::green);
        p.drawRect(25, 19, 3, 2);
        if (number(name, 5) == 2) {
            p.setBrush(QColor(220, 220, 240));
            p.drawEllipse(8, 1, 16, 16);
            p.setBrush(Qt::white);
            p.drawEllipse(14, 7, 4, 4);
        }
    } else if (name == "FORM") {
        window(p, QRect(2, 3, 27, 25));
        p.setBrush(Qt::white);
        for (int r = 0; r < 3; ++r) {
            p.drawLine(5, 12 + 5 * r, 11, 12 + 5 * r);
            p.drawRect(13, 10 + 5 * r, 13, 3);
        }
    } else if (name.startsWith("KEYBRD")) {
        keyboard(p, number(name, 6));
    } else if (name.startsWith("KEYS")) {
        int n = number(name, 4);
        key(p, n);
        p.translate(3, 5);
        key(p, n + 1);
    } else if (name.startsWith("KEY")) {
        key(p, number(name, 3));
    } else if (name.startsWith("MAC")) {
        computer(p, number(name, 3), true);
    } else if (name == "MDICHILD") {
        window(p, QRect(6, 8, 20, 16));
    } else if (name == "MDIPARNT") {
        window(p, QRect(1, 2, 30, 28));
        window(p, QRect(4, 9, 14, 11));
        window(p, QRect(12, 15, 15, 12));
    } else if (name.startsWith("MONITR")) {
        screen(p, QRect(3, 2, 26, 21), QColor(0, 128, 128));
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(11, 23, 10, 3);
        p.drawRect(7, 26, 18, 3);
    } else if (name.startsWith("MOUSE")) {
        mouse(p, number(name, 5));
    } else if (name.startsWith("PC")) {
        computer(p, number(name, 2), false);
    } else if (name.startsWith("TRASH")) {
        int n = number(name, 5);
        bool b = name.endsWith('B');
        bin(p, n >= 3 || b, n == 2 || n == 4, n);
    } else if (name == "SETUP" || name == "#31234") {
        computer(p, 1, false);
        floppy(p, 14, 12, 18, QColor(0, 0, 128), 0);
        if (name == "#31234") {
            p.setPen(QPen(QColor(200, 0, 0), 2));
            p.drawLine(4, 30, 12, 22);
            p.drawLine(12, 22, 12, 27);
            p.drawLine(12, 22, 7, 22);
        }
    } else {
        known = false;
    }
    p.end();
    return known ? image : QImage();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zrv_draw_icons FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList names = {"FORM", "MDICHILD", "MDIPARNT", "MONITR01", "SETUP", "TRASH01", "TRASH02A", "TRASH02B",
                         "TRASH03", "TRASH04A", "TRASH04B", "DRIVE01", "DRIVE02"};
    auto series = [&](const char* prefix, int count) {
        for (int i = 1; i <= count; ++i)
            names << QString("%1%2").arg(prefix).arg(i, 2, 10, QChar('0'));
    };
    series("DISK", 15);
    series("DISKS", 4);
    series("KEY", 7);
    series("KEYBRD", 3);
    series("KEYS", 3);
    series("MAC", 4);
    series("MOUSE", 4);
    series("PC", 4);
    int written = 0;
    for (const QString& name : names)
        written += draw(name).save(QString("%1/%2.png").arg(argv[1], name));
    written += draw("#31234").save(QString("%1/APPLICATION.png").arg(argv[1]));
    std::printf("%d icons written to %s\n", written, argv[1]);
    return written == names.size() + 1 ? 0 : 1;
}
