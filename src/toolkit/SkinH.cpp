#include "toolkit/SkinH.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace {

QPalette OstrelPalette() {
    QPalette palette;
    const QColor window(0xEE, 0xF2, 0xF7);
    const QColor accent(0x2F, 0x6F, 0xC0);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, QColor(0x1E, 0x27, 0x33));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, QColor(0x1E, 0x27, 0x33));
    palette.setColor(QPalette::Button, QColor(0xE1, 0xE8, 0xF1));
    palette.setColor(QPalette::ButtonText, QColor(0x1E, 0x27, 0x33));
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x9A, 0xA3, 0xAE));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x9A, 0xA3, 0xAE));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x9A, 0xA3, 0xAE));
    return palette;
}

}  // namespace

int SkinH_Attach() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
    if (auto* style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    QApplication::setPalette(OstrelPalette());
    return 0;
}
