// Widgets for the controls of a dialog template (toolkit use).
#pragma once

#include "toolkit/DialogFont.h"
#include "toolkit/Types.h"

class QWidget;

namespace toolkit {

// Builds the widget for `control` inside `client`, placed by the base units.
// Every widget carries its id in its kIdProperty (Properties.h).
QWidget* CreateControl(const ControlTemplate& control, QWidget* client, const BaseUnits& units);

// The colour-request kind a control sends (CTLCOLOR_STATIC, CTLCOLOR_BTN ...).
UINT CtlColorKind(const ControlTemplate& control);

}  // namespace toolkit
