#pragma once
// Pictures compared as a person sees them rather than byte by byte: Qt's
// raster engine rounds a little differently from one processor to another,
// so the same drawing may come out one colour step apart in a pixel, and an
// image file's bytes (a PNG's compression, an indexed bitmap's palette
// order) may differ for the same picture.

#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

// A difference no one could see: every channel of every pixel, taken as the
// picture shows over a background (alpha premultiplied), within this many
// steps of 255.
constexpr int kUnseenDifference = 2;

// Every picture a file holds, in its order (an icon file holds one per
// size); none when the file cannot be read as an image.
std::vector<QImage> PicturesOf(const QString& path);

// Empty when the two sets look the same: as many pictures, each of the same
// size, every pixel within the tolerance. Otherwise what differs first.
QString PictureDifference(const std::vector<QImage>& drawn, const std::vector<QImage>& kept,
                          int tolerance = kUnseenDifference);

// The drawn folder against the kept one: the same file names, each file's
// pictures alike. One line for each file that differs.
QStringList FolderDifferences(const QString& drawnFolder, const QString& keptFolder);
