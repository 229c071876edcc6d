// The template font and the dialog base units derived from it (toolkit use).
#pragma once

#include <QFont>
#include <QRect>
#include <string_view>

namespace toolkit {

struct BaseUnits {
    int x;  // average width of A..Z a..z, as Windows rounds it
    int y;  // font height
};

// The font a template names when it is installed, else the CJK font the
// bootstrap installs, so that Chinese always renders. Sized in pixels at
// 96 dpi, as the templates were laid out.
QFont DialogFont(std::string_view family, int pointSize);
BaseUnits FontBaseUnits(const QFont& font);

// a * b / c rounded half away from zero, as Windows MulDiv.
int MulDiv(int a, int b, int c);
// x*bx/4, y*by/8 for position and size alike.
QRect DialogUnitsToPixels(const BaseUnits& units, int x, int y, int cx, int cy);

}  // namespace toolkit
