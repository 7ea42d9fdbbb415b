#include "gui/qt/pages/DialogUnits.h"

#include <QApplication>
#include <QFontMetrics>

namespace {

// Rounded a · b / c, as the window system's MulDiv.
int MulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>((product + (product >= 0 ? c / 2 : -c / 2)) / c);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseWidth = (alphabet / 26 + 1) / 2;
    m_baseHeight = metrics.height();
}

int DialogUnits::X(int dlu) const
{
    return MulDiv(dlu, m_baseWidth, 4);
}

int DialogUnits::Y(int dlu) const
{
    return MulDiv(dlu, m_baseHeight, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const
{
    return QRect(X(x), Y(y), X(width), Y(height));
}

QFont DialogFont()
{
    // The templates ask for an 8-point sans serif.
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}
