// The check that the committed Windows pictures are still what the drawing
// program draws: it lets through what another processor's rounding makes of
// the same drawing, and catches a drawing changed without redrawing them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <iterator>

#include "PictureComparison.h"

namespace {

const QString kCommitted = QStringLiteral(MIRREX_COMMITTED_IMAGES);

class PictureComparison : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_work.isValid());
        ASSERT_EQ(QProcess::execute(QStringLiteral(MIRREX_DRAW_IMAGES), {"--windows", Drawn()}), 0);
        ASSERT_TRUE(QDir().mkpath(Kept()));
        for (const QString& name : QDir(kCommitted).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(QDir(kCommitted).filePath(name), QDir(Kept()).filePath(name)));
    }

    QString Drawn() const { return m_work.filePath("drawn"); }
    // A copy of the committed pictures, for a test to change.
    QString Kept() const { return m_work.filePath("kept"); }
    QString KeptFile(const QString& name) const { return QDir(Kept()).filePath(name); }

    // Replaces a kept bitmap with the picture as changed, in a file format
    // of Qt's own (other bytes for the same picture).
    void ReplaceKept(const QString& name, const QImage& picture)
    {
        ASSERT_TRUE(QFile::remove(KeptFile(name)));
        ASSERT_TRUE(picture.save(KeptFile(name), "BMP"));
    }

    int RunScript() const
    {
        return QProcess::execute(QStringLiteral(MIRREX_IMAGES_MATCH_SCRIPT),
                                 {QStringLiteral(MIRREX_DRAW_IMAGES), QStringLiteral(MIRREX_IMAGES_MATCH), Kept()});
    }

    QTemporaryDir m_work;
};

TEST_F(PictureComparison, TheCommittedPicturesAreWhatIsDrawnAndHoldEverySize)
{
    EXPECT_EQ(FolderDifferences(Drawn(), kCommitted), QStringList());
    const std::vector<QImage> icon = PicturesOf(QDir(kCommitted).filePath("128.ico"));
    const int sizes[] = {16, 32, 48, 256};
    ASSERT_EQ(icon.size(), std::size(sizes));
    for (std::size_t i = 0; i < icon.size(); ++i)
        EXPECT_EQ(icon[i].size(), QSize(sizes[i], sizes[i]));
    EXPECT_EQ(PicturesOf(QDir(kCommitted).filePath("130.bmp")).at(0).size(), QSize(164, 314));
}

// What a processor that rounds otherwise draws: a colour step off in a
// pixel of the 32-pixel icon and two in its 256-pixel one, and a bitmap
// written with other bytes for the same picture.
TEST_F(PictureComparison, AnotherProcessorsRoundingAndOtherBytesForTheSamePicturePass)
{
    std::vector<QImage> icon = PicturesOf(KeptFile("128.ico"));
    ASSERT_EQ(icon.size(), 4u);
    const std::vector<QImage> drawnIcon = PicturesOf(QDir(Drawn()).filePath("128.ico"));
    QRgb pixel = icon[1].pixel(16, 16);
    icon[1].setPixel(16, 16, qRgba(qRed(pixel) + (qRed(pixel) < 255 ? 1 : -1), qGreen(pixel), qBlue(pixel), qAlpha(pixel)));
    pixel = icon[3].pixel(128, 100);
    icon[3].setPixel(128, 100, qRgba(qRed(pixel), qGreen(pixel), qBlue(pixel) + (qBlue(pixel) < 254 ? 2 : -2), qAlpha(pixel)));
    EXPECT_EQ(PictureDifference(drawnIcon, icon), QString());

    ReplaceKept("131.bmp", PicturesOf(KeptFile("131.bmp")).at(0).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(FolderDifferences(Drawn(), Kept()), QStringList());
    EXPECT_EQ(RunScript(), 0);
}

// The test of the test: a drawing changed, in a way anyone sees or not, and
// the pictures not drawn again. The comparison names the file, and the
// check the test command runs fails.
TEST_F(PictureComparison, AChangedDrawingNotRedrawnFails)
{
    QImage side = PicturesOf(KeptFile("130.bmp")).at(0);
    for (int y = 40; y < 46; ++y)
        for (int x = 20; x < 26; ++x) {
            const QRgb pixel = side.pixel(x, y);
            side.setPixel(x, y, qRgb(qRed(pixel) ^ 0x40, qGreen(pixel), qBlue(pixel)));
        }
    ReplaceKept("130.bmp", side);
    const QStringList differences = FolderDifferences(Drawn(), Kept());
    ASSERT_EQ(differences.size(), 1);
    EXPECT_TRUE(differences[0].startsWith("130.bmp differs")) << differences[0].toStdString();
    EXPECT_NE(RunScript(), 0);

    // One step beyond what passes, in a single pixel.
    std::vector<QImage> icon = PicturesOf(QDir(Drawn()).filePath("128.ico"));
    const std::vector<QImage> drawnIcon = icon;
    const QRgb pixel = icon[1].pixel(16, 16);
    const int step = kUnseenDifference + 1;
    icon[1].setPixel(16, 16, qRgba(qRed(pixel), qGreen(pixel) + (qGreen(pixel) < 128 ? step : -step), qBlue(pixel), 255));
    EXPECT_FALSE(PictureDifference(drawnIcon, icon).isEmpty());
}

TEST_F(PictureComparison, AMissingSizeOrFileOrAPictureOfAnotherSizeFails)
{
    std::vector<QImage> icon = PicturesOf(KeptFile("128.ico"));
    const std::vector<QImage> full = icon;
    icon.pop_back();
    EXPECT_EQ(PictureDifference(full, icon), QStringLiteral("4 pictures drawn, 3 kept"));
    EXPECT_FALSE(PictureDifference(full, {}).isEmpty());

    ReplaceKept("129.bmp", PicturesOf(KeptFile("129.bmp")).at(0).copy(0, 0, 48, 49));
    ASSERT_TRUE(QFile::remove(KeptFile("154.bmp")));
    const QStringList differences = FolderDifferences(Drawn(), Kept());
    ASSERT_EQ(differences.size(), 2);
    EXPECT_TRUE(differences[0].startsWith("files drawn:")) << differences[0].toStdString();
    EXPECT_TRUE(differences[1].contains("129.bmp") && differences[1].contains("49x49 drawn, 48x49 kept"))
        << differences[1].toStdString();
}

}  // namespace
