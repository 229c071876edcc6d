// Icon sizes of the desktop, as the Windows metrics give them.
#include <QApplication>
#include <QStyle>

#include "toolkit/Types.h"

int GetSystemMetrics(int nIndex) {
    const QStyle* style =
        qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
    switch (nIndex) {
        case SM_CXICON:
        case SM_CYICON:
            return style ? style->pixelMetric(QStyle::PM_LargeIconSize) : 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return style ? style->pixelMetric(QStyle::PM_SmallIconSize) : 16;
        default:
            return 0;
    }
}
