#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace ravelin {

// The dialogs' face, which their templates' units are measured in: a 9-point
// proportional Japanese gothic (IPA P Gothic, else a similar face), the rest of
// base's attributes kept.
QFont DialogFont(const QFont& base);

// Positions from a dialog template in dialog units: one unit across is a quarter of
// the font's average character width, one unit down an eighth of its line height.
// The scale may be widened so that every caption fits where the template puts it,
// since the template was drawn for a different font than the one we run with.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    // Widens the scale, if need be, so that `pixels` fit into `units`.
    void FitWidth(int pixels, int units);
    void FitHeight(int pixels, int units);

    int X(int units) const;
    int Y(int units) const;
    QSize Size(int width, int height) const;

    // The rectangle of a control given in template units, relative to a parent whose
    // own top-left corner lies at `origin` (template units; (0, 0) for the dialog).
    QRect Rect(int x, int y, int width, int height, QPoint origin = {}) const;

  private:
    double m_sx = 1.5;
    double m_sy = 1.5;
};

} // namespace ravelin
