#include "toolkit/Icons.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "res/Resources.h"

HICON AfxLoadIcon(UINT id) { return res::FindIcon(id); }

namespace toolkit {

QPixmap IconPixmap(HICON icon, int size) {
    if (icon == nullptr || size <= 0) return {};
    QSvgRenderer renderer(QByteArray(icon->svg.data(), static_cast<qsizetype>(icon->svg.size())));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon ToQIcon(HICON icon) {
    QIcon result;
    if (icon == nullptr) return result;
    for (int size : icon->sizes) result.addPixmap(IconPixmap(icon, size));
    return result;
}

}  // namespace toolkit
