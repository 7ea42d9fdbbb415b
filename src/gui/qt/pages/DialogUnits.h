#pragma once
// Dialog units converted to pixels the way the window system of the
// original layout does: x · average character width / 4 and
// y · character height / 8 of the dialog's font, so a layout keeps its
// proportions whatever font renders it.

#include <QFont>
#include <QRect>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int dlu) const;
    int Y(int dlu) const;
    QRect Rect(int x, int y, int width, int height) const;

    int BaseWidth() const { return m_baseWidth; }
    int BaseHeight() const { return m_baseHeight; }

private:
    int m_baseWidth;
    int m_baseHeight;
};

// The font every page and dialog of the program is laid out in.
QFont DialogFont();
