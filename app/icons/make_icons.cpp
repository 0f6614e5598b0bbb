// Draws the window's icons into the folder given as the only argument. Run once by hand
// (cmake --build <dir> --target zq_make_icons && <dir>/bin/zq_make_icons app/icons); the
// images are committed and compiled in through icons.qrc.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor kInk(40, 48, 64);
const QColor kRed(210, 40, 40);
const QColor kBlue(45, 110, 200);
const QColor kGreen(40, 150, 60);

using Drawing = std::function<void(QPainter&)>;

QImage draw(int width, int height, const Drawing& paint)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return image;
}

// A white sheet with the outline of a table: the common ground of the table tools.
void sheet(QPainter& p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3.5, 3.5, 25, 25), 2, 2);
}

void magnifier(QPainter& p, bool plus)
{
    p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QPointF(13, 13), 9.5, 9.5);
    p.setPen(QPen(plus ? kGreen : kRed, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
    if (plus)
        p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
}

void arrow(QPainter& p, bool up)
{
    QPainterPath path;
    const double tip = up ? 3 : 29, base = up ? 16 : 16, tail = up ? 29 : 3;
    path.moveTo(16, tip);
    path.lineTo(29, base);
    path.lineTo(21, base);
    path.lineTo(21, tail);
    path.lineTo(11, tail);
    path.lineTo(11, base);
    path.lineTo(3, base);
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kBlue);
    p.drawPath(path);
}

void cross(QPainter& p)
{
    p.setPen(QPen(kRed, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 17), QPointF(28, 28));
    p.drawLine(QPointF(28, 17), QPointF(17, 28));
}

void tableOutline(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(colour, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(7, 8, 18, 15));
}

void columnLine(QPainter& p, double x, const QColor& colour = kRed)
{
    p.setPen(QPen(colour, 2.5));
    p.drawLine(QPointF(x, 6), QPointF(x, 26));
}

void tableGrid(QPainter& p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 5.5, 22, 19));
    p.fillRect(QRectF(4.25, 6.25, 20.5, 4.5), QColor(150, 185, 230));
    p.drawLine(QPointF(3.5, 11), QPointF(25.5, 11));
    p.drawLine(QPointF(3.5, 17.5), QPointF(25.5, 17.5));
    p.drawLine(QPointF(11, 5.5), QPointF(11, 24.5));
    p.drawLine(QPointF(18, 5.5), QPointF(18, 24.5));
    p.setPen(QPen(kGreen, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(16, 22);
    tick.lineTo(21, 28);
    tick.lineTo(30, 15);
    p.drawPath(tick);
}

void folder(QPainter& p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(120, 160, 220));
    QPainterPath back;
    back.moveTo(3, 7);
    back.lineTo(12, 7);
    back.lineTo(14, 10);
    back.lineTo(27, 10);
    back.lineTo(27, 27);
    back.lineTo(3, 27);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(230, 230, 230));
    p.drawRect(QRectF(7, 5, 17, 15));
    p.setBrush(kBlue);
    QPainterPath front;
    front.moveTo(3, 27);
    front.lineTo(8, 15);
    front.lineTo(31, 15);
    front.lineTo(27, 27);
    front.closeSubpath();
    p.drawPath(front);
}

void about(QPainter& p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 9), 2.5, 2.5);
    p.drawRoundedRect(QRectF(13.5, 13, 5, 12), 1.5, 1.5);
}

void grayBackground(QPainter& p)
{
    QLinearGradient g(0, 0, 0, 137);
    g.setColorAt(0, QColor(236, 236, 236));
    g.setColorAt(1, QColor(196, 198, 202));
    p.fillRect(QRect(0, 0, 320, 137), g);
    p.setPen(QPen(QColor(180, 182, 186), 1));
    p.drawLine(10, 60, 310, 60);
}

bool save(const QDir& dir, const QString& name, const QImage& image)
{
    const QByteArray format = name.endsWith(".ico") ? "ico" : "png";
    QImageWriter writer(dir.filePath(name), format);
    if (writer.write(image))
        return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(writer.errorString()));
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zq_make_icons <folder>\n");
        return 1;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const struct {
        const char* name;
        Drawing paint;
    } icons[] = {
        {"folder_blue_open.png", folder},
        {"zoom_in.ico", [](QPainter& p) { magnifier(p, true); }},
        {"zoom_out.ico", [](QPainter& p) { magnifier(p, false); }},
        {"up.png", [](QPainter& p) { arrow(p, true); }},
        {"downa.png", [](QPainter& p) { arrow(p, false); }},
        {"rec321.png",
         [](QPainter& p) {
             sheet(p);
             tableOutline(p, kRed);
         }},
        {"line32.png",
         [](QPainter& p) {
             sheet(p);
             tableOutline(p, kInk);
             columnLine(p, 16);
         }},
        {"delrec.png",
         [](QPainter& p) {
             sheet(p);
             tableOutline(p, kInk);
             cross(p);
         }},
        {"delline.png",
         [](QPainter& p) {
             sheet(p);
             columnLine(p, 10, kInk);
             columnLine(p, 16, kBlue);
             cross(p);
         }},
        {"table_accept.png", tableGrid},
        {"table_accept.ico", tableGrid},
        {"about.png", about},
    };
    bool ok = true;
    for (const auto& icon : icons)
        ok = save(dir, icon.name, draw(32, 32, icon.paint)) && ok;
    ok = save(dir, "graybackgr.png", draw(320, 137, grayBackground)) && ok;
    // The program's icon for application menus, drawn large rather than scaled up.
    const auto large = [](QPainter& p) {
        p.scale(4, 4);
        tableGrid(p);
    };
    ok = save(dir, "zarnich-quorvel.png", draw(128, 128, large)) && ok;
    return ok ? 0 : 1;
}
