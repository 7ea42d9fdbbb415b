// Draws the wizard's pictures at build time: the header picture (129), the
// start page's side picture (130), the inner pages' side picture (131), the
// progress dialog's picture (154) and the program icon (128) in four sizes.
// Usage: mirrex-draw-images [--windows] OUTPUT_DIR
// With --windows it writes the same pictures as the Windows resources take
// them: device-independent bitmaps in the colour depths the dialogs were
// designed for (129 with 16 colours, 130 and 131 with 256, 154 in true
// colour) and one icon file with all four sizes.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>
#include <algorithm>

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

bool WriteFile(const QDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
        return true;
    std::fprintf(stderr, "mirrex-draw-images: cannot write %s\n", qPrintable(dir.filePath(name)));
    return false;
}

void Put16(QByteArray& out, uint16_t value)
{
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>(value >> 8));
}

void Put32(QByteArray& out, uint32_t value)
{
    Put16(out, static_cast<uint16_t>(value & 0xffff));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

// BITMAPINFOHEADER; height doubled for an icon's colour and mask halves.
void PutInfoHeader(QByteArray& out, int width, int height, int bits, uint32_t imageSize, uint32_t colours)
{
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<uint16_t>(bits));
    Put32(out, 0);  // BI_RGB
    Put32(out, imageSize);
    Put32(out, 3780);  // 96 dots per inch
    Put32(out, 3780);
    Put32(out, colours);
    Put32(out, colours);
}

int RowBytes(int width, int bits)
{
    return (width * bits + 31) / 32 * 4;
}

// The pixel rows bottom-up, as a DIB stores them: palette indices for 4 and
// 8 bits, blue-green-red for 24 and blue-green-red-alpha for 32.
QByteArray DibRows(const QImage& image, int bits)
{
    const int stride = RowBytes(image.width(), bits);
    QByteArray rows(stride * image.height(), '\0');
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<uint8_t*>(rows.data()) + (image.height() - 1 - y) * stride;
        for (int x = 0; x < image.width(); ++x) {
            switch (bits) {
            case 4:
                row[x / 2] |= static_cast<uint8_t>(image.pixelIndex(x, y) << ((x % 2) ? 0 : 4));
                break;
            case 8: row[x] = static_cast<uint8_t>(image.pixelIndex(x, y)); break;
            default: {
                const QRgb pixel = image.pixel(x, y);
                uint8_t* p = row + x * (bits / 8);
                p[0] = static_cast<uint8_t>(qBlue(pixel));
                p[1] = static_cast<uint8_t>(qGreen(pixel));
                p[2] = static_cast<uint8_t>(qRed(pixel));
                if (bits == 32)
                    p[3] = static_cast<uint8_t>(qAlpha(pixel));
            }
            }
        }
    }
    return rows;
}

// A palette of at most count colours that fits the picture (median cut:
// the box of pixels with the widest spread of one colour component is split
// at its median until there are count boxes; each gives its mean colour).
QList<QRgb> MedianCutPalette(const QImage& image, int count)
{
    using Pixels = std::vector<QRgb>;
    std::vector<Pixels> boxes(1);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            boxes[0].push_back(image.pixel(x, y));
    auto component = [](QRgb pixel, int axis) { return axis == 0 ? qRed(pixel) : axis == 1 ? qGreen(pixel) : qBlue(pixel); };
    auto spread = [&](const Pixels& box, int* axis) {
        int best = -1;
        for (int a = 0; a < 3; ++a) {
            int low = 255, high = 0;
            for (QRgb pixel : box) {
                low = std::min(low, component(pixel, a));
                high = std::max(high, component(pixel, a));
            }
            if (high - low > best) {
                best = high - low;
                *axis = a;
            }
        }
        return best;
    };
    while (static_cast<int>(boxes.size()) < count) {
        int widest = -1, widestSpread = 0, axis = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            int a = 0;
            const int s = boxes[i].size() > 1 ? spread(boxes[i], &a) : 0;
            if (s > widestSpread) {
                widestSpread = s;
                widest = static_cast<int>(i);
                axis = a;
            }
        }
        if (widest < 0)
            break;  // every box holds a single colour
        Pixels& box = boxes[widest];
        std::stable_sort(box.begin(), box.end(),
                         [&](QRgb a, QRgb b) { return component(a, axis) < component(b, axis); });
        const auto middle = box.begin() + static_cast<std::ptrdiff_t>(box.size() / 2);
        Pixels upper(middle, box.end());
        box.erase(middle, box.end());
        boxes.push_back(std::move(upper));
    }
    QList<QRgb> palette;
    for (const Pixels& box : boxes) {
        long long sum[3] = {};
        for (QRgb pixel : box)
            for (int a = 0; a < 3; ++a)
                sum[a] += component(pixel, a);
        const long long n = static_cast<long long>(box.size());
        palette.append(qRgb(static_cast<int>((sum[0] + n / 2) / n), static_cast<int>((sum[1] + n / 2) / n),
                            static_cast<int>((sum[2] + n / 2) / n)));
    }
    return palette;
}

// The picture with at most 2^bits colours on a palette of its own; true
// colour stays as it is.
QImage Reduced(const QImage& image, int bits)
{
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    if (bits > 8)
        return opaque;
    return opaque.convertToFormat(QImage::Format_Indexed8, MedianCutPalette(opaque, 1 << bits),
                                  Qt::ThresholdDither | Qt::AvoidDither);
}

QByteArray BitmapFile(const QImage& picture, int bits)
{
    const QImage image = Reduced(picture, bits);
    const QByteArray rows = DibRows(image, bits);
    const uint32_t colours = bits <= 8 ? static_cast<uint32_t>(image.colorCount()) : 0;
    QByteArray out;
    const uint32_t pixelsAt = 14 + 40 + colours * 4;
    out.append("BM", 2);
    Put32(out, pixelsAt + static_cast<uint32_t>(rows.size()));
    Put32(out, 0);
    Put32(out, pixelsAt);
    PutInfoHeader(out, image.width(), image.height(), bits, static_cast<uint32_t>(rows.size()), colours);
    for (uint32_t i = 0; i < colours; ++i) {
        const QRgb colour = image.color(static_cast<int>(i));
        out.append(static_cast<char>(qBlue(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qRed(colour)));
        out.append('\0');
    }
    out.append(rows);
    return out;
}

// An icon entry as a DIB: 32-bit colour with alpha, then the AND mask
// (set where the picture is fully transparent).
QByteArray IconDib(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QByteArray colour = DibRows(image, 32);
    const int maskStride = RowBytes(image.width(), 1);
    QByteArray mask(maskStride * image.height(), '\0');
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                mask[(image.height() - 1 - y) * maskStride + x / 8] |= static_cast<char>(0x80 >> (x % 8));
    QByteArray out;
    PutInfoHeader(out, image.width(), image.height() * 2, 32, static_cast<uint32_t>(colour.size() + mask.size()), 0);
    out.append(colour);
    out.append(mask);
    return out;
}

QByteArray PngOf(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// An icon file: the small sizes as DIBs, 256 pixels as PNG, as the system
// takes them.
QByteArray IconFile(const QList<int>& sizes)
{
    QList<QByteArray> entries;
    for (int size : sizes)
        entries.append(size >= 256 ? PngOf(Icon(size)) : IconDib(Icon(size)));
    QByteArray out;
    Put16(out, 0);
    Put16(out, 1);  // an icon
    Put16(out, static_cast<uint16_t>(sizes.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        const int size = sizes[i];
        out.append(static_cast<char>(size >= 256 ? 0 : size));
        out.append(static_cast<char>(size >= 256 ? 0 : size));
        out.append('\0');  // no palette
        out.append('\0');
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, static_cast<uint32_t>(entries[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const QByteArray& entry : entries)
        out.append(entry);
    return out;
}

bool DrawPng(const QDir& dir)
{
    bool ok = Save(HeaderPicture(), dir, "129.png") && Save(SidePicture(164, 314, true), dir, "130.png") &&
              Save(SidePicture(164, 316, false), dir, "131.png") && Save(ProgressPicture(), dir, "154.png");
    for (int size : {16, 32, 48, 256})
        ok = ok && Save(Icon(size), dir, QString("128-%1.png").arg(size));
    return ok;
}

bool DrawWindows(const QDir& dir)
{
    return WriteFile(dir, "129.bmp", BitmapFile(HeaderPicture(), 4)) &&
           WriteFile(dir, "130.bmp", BitmapFile(SidePicture(164, 314, true), 8)) &&
           WriteFile(dir, "131.bmp", BitmapFile(SidePicture(164, 316, false), 8)) &&
           WriteFile(dir, "154.bmp", BitmapFile(ProgressPicture(), 24)) &&
           WriteFile(dir, "128.ico", IconFile({16, 32, 48, 256}));
}

}  // namespace

int main(int argc, char** argv)
{
    const bool windows = argc == 3 && std::strcmp(argv[1], "--windows") == 0;
    if (argc != 2 && !windows) {
        std::fprintf(stderr, "usage: mirrex-draw-images [--windows] OUTPUT_DIR\n");
        return 2;
    }
    const char* folder = argv[argc - 1];
    QDir dir(QString::fromLocal8Bit(folder));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "mirrex-draw-images: cannot create %s\n", folder);
        return 1;
    }
    return (windows ? DrawWindows(dir) : DrawPng(dir)) ? 0 : 1;
}
