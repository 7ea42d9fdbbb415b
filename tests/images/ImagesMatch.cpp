// Compares a folder of freshly drawn pictures with the committed ones, as
// pictures. Usage: mirrex_images_match DRAWN_DIR COMMITTED_DIR
#include <QString>

#include <cstdio>

#include "PictureComparison.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: mirrex_images_match DRAWN_DIR COMMITTED_DIR\n");
        return 2;
    }
    const QStringList differences =
        FolderDifferences(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    for (const QString& difference : differences)
        std::fprintf(stderr, "%s\n", difference.toLocal8Bit().constData());
    if (!differences.isEmpty())
        std::fprintf(stderr, "run scripts/draw-windows-images after changing the drawings\n");
    return differences.isEmpty() ? 0 : 1;
}
