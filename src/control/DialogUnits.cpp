#include "control/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

DialogUnits::DialogUnits(const QFont& font)
{
    // The average width is taken over the 52 Latin letters, rounded to whole pixels,
    // as the template's unit was defined.
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int avgWidth = std::max(1, (letters / 26 + 1) / 2);
    const int height = std::max(1, fm.height());
    m_sx = avgWidth / 4.0;
    m_sy = height / 8.0;
}

void DialogUnits::FitWidth(int pixels, int units)
{
    if (units > 0)
        m_sx = std::max(m_sx, static_cast<double>(pixels) / units);
}

void DialogUnits::FitHeight(int pixels, int units)
{
    if (units > 0)
        m_sy = std::max(m_sy, static_cast<double>(pixels) / units);
}

int DialogUnits::X(int units) const
{
    return static_cast<int>(std::lround(units * m_sx));
}

int DialogUnits::Y(int units) const
{
    return static_cast<int>(std::lround(units * m_sy));
}

QSize DialogUnits::Size(int width, int height) const
{
    return {X(width), Y(height)};
}

QRect DialogUnits::Rect(int x, int y, int width, int height, QPoint origin) const
{
    // Both edges are rounded from absolute template positions, so neighbouring
    // controls keep their gaps whatever the parent.
    const int left = X(x) - X(origin.x());
    const int top = Y(y) - Y(origin.y());
    const int right = X(x + width) - X(origin.x());
    const int bottom = Y(y + height) - Y(origin.y());
    return {left, top, right - left, bottom - top};
}
