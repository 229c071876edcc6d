// Text of a widget as the Windows control would hold it (toolkit use).
#pragma once

#include <string>

class QWidget;

namespace toolkit {

void SetWidgetText(QWidget& widget, const std::string& text);
std::string WidgetText(const QWidget& widget);

// "&Open" -> "Open", "&&" -> "&": how a static without SS_NOPREFIX shows its text.
std::string StripMnemonics(const std::string& text);

}  // namespace toolkit
