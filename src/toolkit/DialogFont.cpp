#include "toolkit/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <cstdint>
#include <cstdlib>

namespace toolkit {
namespace {

constexpr const char* kCjkFallback = "WenQuanYi Micro Hei";

}  // namespace

QFont DialogFont(std::string_view family, int pointSize) {
    const QString wanted = QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size()));
    QFont font;
    if (QFontDatabase::hasFamily(wanted)) {
        font.setFamily(wanted);
    } else if (QFontDatabase::hasFamily(QString::fromLatin1(kCjkFallback))) {
        font.setFamily(QString::fromLatin1(kCjkFallback));
    }
    font.setPixelSize(MulDiv(pointSize, 96, 72));
    return font;
}

BaseUnits FontBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = std::llabs(c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (std::llabs(product) + half) / std::llabs(c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QRect DialogUnitsToPixels(const BaseUnits& units, int x, int y, int cx, int cy) {
    return {MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(cx, units.x, 4),
            MulDiv(cy, units.y, 8)};
}

}  // namespace toolkit
