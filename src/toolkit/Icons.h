// Icon resources: loading by id and rendering to Qt icons.
#pragma once

#include "toolkit/Types.h"

class QIcon;
class QPixmap;

// Icon resource `id`, or null when the program has none.
HICON AfxLoadIcon(UINT id);

namespace toolkit {

// Every size of the group, rendered from its SVG in 32-bit colour.
QIcon ToQIcon(HICON icon);
QPixmap IconPixmap(HICON icon, int size);

}  // namespace toolkit
