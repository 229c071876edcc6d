// Running a Qt dialog modally, where the test hook can answer it (toolkit use).
#pragma once

class QDialog;
class CDialog;

namespace toolkit {

// Shows `dialog` and runs its nested event loop until it ends; the result
// code of QDialog::done. `owner` is the dialog object behind it, if any.
int ExecModal(QDialog& dialog, CDialog* owner);

}  // namespace toolkit
