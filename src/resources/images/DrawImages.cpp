// Draws the wizard's pictures at build time: the header picture (129), the
// start page's side picture (130), the inner pages' side picture (131), the
// progress dialog's picture (154) and the program icon (128) in four sizes.
// Usage: mirrex-draw-images OUTPUT_DIR

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kNavy(0x1f, 0x3a, 0x5f);
const QColor kSteel(0x4a, 0x6f, 0x96);
const QColor kMist(0xdc, 0xe6, 0xf0);
const QColor kPanel(0xf4, 0xf7, 0xfa);
const QColor kSignal(0x3c, 0xb3, 0x71);
const QColor kAmber(0xe8, 0xa3, 0x3d);

QImage Blank(int w, int h, QColor fill = Qt::transparent)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// A controller seen from the front: housing, display, two lamps, terminals.
void DrawController(QPainter& p, const QRectF& r, bool lit)
{
    const qreal u = r.width() / 10.0;
    p.setPen(QPen(kNavy, qMax(1.0, u * 0.35)));
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, kPanel);
    body.setColorAt(1, kMist);
    p.setBrush(body);
    p.drawRoundedRect(r, u * 0.8, u * 0.8);

    const QRectF display(r.left() + u * 1.2, r.top() + u * 1.4, r.width() - u * 2.4, r.height() * 0.28);
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawRoundedRect(display, u * 0.4, u * 0.4);
    p.setBrush(lit ? kSignal : kSteel);
    const qreal bar = display.height() / 5;
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(display.left() + u * 0.6, display.top() + bar * (1 + i * 1.2),
                          display.width() * (0.8 - 0.2 * i), bar * 0.6));

    const qreal lampY = display.bottom() + u * 1.2;
    p.setBrush(lit ? kSignal : kSteel);
    p.drawEllipse(QPointF(r.left() + u * 2, lampY), u * 0.55, u * 0.55);
    p.setBrush(kAmber);
    p.drawEllipse(QPointF(r.left() + u * 3.6, lampY), u * 0.55, u * 0.55);

    p.setBrush(kSteel);
    const qreal termTop = r.bottom() - u * 1.6;
    for (int i = 0; i < 6; ++i)
        p.drawRect(QRectF(r.left() + u * (1.2 + i * 1.3), termTop, u * 0.8, u * 0.8));
}

// A right-pointing arrow that stands for copying a configuration.
void DrawArrow(QPainter& p, const QPointF& from, const QPointF& to, qreal width, QColor colour)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    const QPointF head = to - QPointF(width * 1.6, 0);
    p.drawLine(from, head);
    QPainterPath tip;
    tip.moveTo(to);
    tip.lineTo(head + QPointF(0, -width * 1.4));
    tip.lineTo(head + QPointF(0, width * 1.4));
    tip.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(tip);
}

// The serial line: a dashed signal trace between two points.
void DrawLine(QPainter& p, const QPointF& from, const QPointF& to, qreal width)
{
    QPen pen(kSteel, width);
    pen.setDashPattern({3, 2});
    p.setPen(pen);
    p.drawLine(from, to);
}

QImage SidePicture(int w, int h, bool exterior)
{
    QImage image = Blank(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, exterior ? kNavy : kSteel);
    sky.setColorAt(1, exterior ? kSteel : kMist);
    p.fillRect(image.rect(), sky);

    // A faint engineering grid.
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (int x = 8; x < w; x += 16)
        p.drawLine(x, 0, x, h);
    for (int y = 8; y < h; y += 16)
        p.drawLine(0, y, w, y);

    // The master device above, the copies below, joined by the line.
    const QRectF master(w * 0.28, h * 0.10, w * 0.44, w * 0.56);
    DrawController(p, master, true);
    for (int i = 0; i < 3; ++i) {
        const QRectF copy(w * (0.08 + i * 0.30), h * 0.62, w * 0.24, w * 0.31);
        DrawLine(p, QPointF(master.center().x(), master.bottom()),
                 QPointF(copy.center().x(), copy.top()), 1.5);
        DrawController(p, copy, i == 0);
    }
    DrawArrow(p, QPointF(w * 0.18, h * 0.47), QPointF(w * 0.82, h * 0.47), 4, kAmber);
    return image;
}

QImage HeaderPicture()
{
    QImage image = Blank(49, 49, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawController(p, QRectF(4, 3, 26, 32), true);
    DrawController(p, QRectF(25, 16, 20, 26), false);
    DrawArrow(p, QPointF(6, 44), QPointF(44, 44), 2.5, kAmber);
    return image;
}

QImage ProgressPicture()
{
    QImage image = Blank(61, 90);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, 90);
    back.setColorAt(0, kSteel);
    back.setColorAt(1, kNavy);
    p.fillRect(image.rect(), back);

    // A file page with folded corner, above a device, data flowing between.
    QPainterPath sheet;
    sheet.moveTo(14, 8);
    sheet.lineTo(38, 8);
    sheet.lineTo(47, 17);
    sheet.lineTo(47, 40);
    sheet.lineTo(14, 40);
    sheet.closeSubpath();
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kPanel);
    p.drawPath(sheet);
    p.setPen(QPen(kSteel, 2));
    for (int y = 22; y <= 34; y += 6)
        p.drawLine(19, y, 42, y);
    DrawController(p, QRectF(14, 56, 33, 28), true);
    DrawLine(p, QPointF(30.5, 41), QPointF(30.5, 55), 2);
    return image;
}

QImage Icon(int size)
{
    QImage image = Blank(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient back(0, 0, 0, s);
    back.setColorAt(0, kSteel);
    back.setColorAt(1, kNavy);
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    if (size <= 16) {
        // Too small for a device: two blocks and the arrow between them.
        p.setBrush(kPanel);
        p.drawRect(QRectF(2, 4, 4, 8));
        p.drawRect(QRectF(10, 4, 4, 8));
        DrawArrow(p, QPointF(5.5, 8), QPointF(10.5, 8), 1.5, kAmber);
        return image;
    }
    DrawController(p, QRectF(s * 0.08, s * 0.16, s * 0.36, s * 0.52), true);
    DrawController(p, QRectF(s * 0.56, s * 0.32, s * 0.36, s * 0.52), false);
    DrawArrow(p, QPointF(s * 0.22, s * 0.82), QPointF(s * 0.80, s * 0.82), qMax(1.5, s * 0.06), kAmber);
    return image;
}

bool Save(const QImage& image, const QDir& dir, const QString& name)
{
    if (image.save(dir.filePath(name), "PNG"))
        return true;
    std::fprintf(stderr, "mirrex-draw-images: cannot write %s\n", qPrintable(dir.filePath(name)));
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mirrex-draw-images OUTPUT_DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "mirrex-draw-images: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = Save(HeaderPicture(), dir, "129.png") && Save(SidePicture(164, 314, true), dir, "130.png") &&
              Save(SidePicture(164, 316, false), dir, "131.png") && Save(ProgressPicture(), dir, "154.png");
    for (int size : {16, 32, 48, 256})
        ok = ok && Save(Icon(size), dir, QString("128-%1.png").arg(size));
    return ok ? 0 : 1;
}
