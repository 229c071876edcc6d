#include "toolkit/WidgetText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

#include "toolkit/Properties.h"

namespace toolkit {
namespace {

constexpr const char* kRawText = "ostrelRawText";

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::string StripMnemonics(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        else if (text[i] == '&')
            continue;
        shown += text[i];
    }
    return shown;
}

void SetWidgetText(QWidget& widget, const std::string& text) {
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        label->setProperty(kRawText, Q(text));
        const bool noPrefix = label->property(kNoPrefixProperty).toBool();
        label->setText(Q(noPrefix ? text : StripMnemonics(text)));
    } else if (auto* edit = qobject_cast<QLineEdit*>(&widget)) {
        edit->setText(Q(text));
        edit->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        button->setText(Q(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(&widget)) {
        group->setTitle(Q(text));
    } else if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        combo->setEditText(Q(text));
    } else if (widget.isWindow()) {
        widget.setWindowTitle(Q(text));
    }
}

std::string WidgetText(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        return label->property(kRawText).toString().toStdString();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget))
        return edit->text().toStdString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        return button->text().toStdString();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget)) {
        return group->title().toStdString();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        return combo->currentText().toStdString();
    }
    return widget.windowTitle().toStdString();
}

}  // namespace toolkit
