#include "PictureComparison.h"

#include <QDir>
#include <QImageReader>

#include <cstdlib>

std::vector<QImage> PicturesOf(const QString& path)
{
    std::vector<QImage> pictures;
    QImageReader reader(path);
    do {
        QImage picture = reader.read();
        if (picture.isNull())
            break;
        pictures.push_back(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    } while (reader.jumpToNextImage());
    return pictures;
}

QString PictureDifference(const std::vector<QImage>& drawn, const std::vector<QImage>& kept, int tolerance)
{
    if (drawn.empty() || kept.empty())
        return QStringLiteral("no picture to compare");
    if (drawn.size() != kept.size())
        return QStringLiteral("%1 pictures drawn, %2 kept").arg(drawn.size()).arg(kept.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const QImage& a = drawn[i];
        const QImage& b = kept[i];
        if (a.size() != b.size()) {
            return QStringLiteral("picture %1 is %2x%3 drawn, %4x%5 kept")
                .arg(i + 1).arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height());
        }
        for (int y = 0; y < a.height(); ++y) {
            const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
            const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = rowA[x], q = rowB[x];
                const int worst = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                            std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
                if (worst > tolerance) {
                    return QStringLiteral("picture %1 (%2x%3), pixel %4,%5: #%6 drawn, #%7 kept")
                        .arg(i + 1).arg(a.width()).arg(a.height()).arg(x).arg(y)
                        .arg(p, 8, 16, QLatin1Char('0')).arg(q, 8, 16, QLatin1Char('0'));
                }
            }
        }
    }
    return {};
}

QStringList FolderDifferences(const QString& drawnFolder, const QString& keptFolder)
{
    const QStringList drawn = QDir(drawnFolder).entryList(QDir::Files, QDir::Name);
    const QStringList kept = QDir(keptFolder).entryList(QDir::Files, QDir::Name);
    QStringList differences;
    if (drawn != kept)
        differences << QStringLiteral("files drawn: %1; kept: %2").arg(drawn.join(' '), kept.join(' '));
    for (const QString& name : drawn) {
        if (!kept.contains(name))
            continue;
        const QString difference = PictureDifference(PicturesOf(QDir(drawnFolder).filePath(name)),
                                                     PicturesOf(QDir(keptFolder).filePath(name)));
        if (!difference.isEmpty())
            differences << name + QStringLiteral(" differs from the drawing program's: ") + difference;
    }
    return differences;
}
