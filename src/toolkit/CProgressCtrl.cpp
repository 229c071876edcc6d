#include "toolkit/CProgressCtrl.h"

#include <QProgressBar>
#include <algorithm>

#include "toolkit/UiThread.h"

namespace {

QProgressBar* Bar(const CWnd& wnd) { return qobject_cast<QProgressBar*>(wnd.GetWidget()); }

}  // namespace

void CProgressCtrl::SetRange(short nLower, short nUpper) { SetRange32(nLower, nUpper); }

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
    toolkit::RunOnUiThread([&] {
        auto* bar = Bar(*this);
        if (bar == nullptr) return;
        // An empty or inverted range shows an empty bar, never a busy one.
        const int upper = std::max(nUpper, nLower + 1);
        const int pos = bar->value();
        bar->setRange(nLower, upper);
        bar->setValue(std::clamp(pos, nLower, upper));
    });
}

int CProgressCtrl::SetPos(int nPos) {
    int previous = 0;
    toolkit::RunOnUiThread([&] {
        auto* bar = Bar(*this);
        if (bar == nullptr) return;
        previous = bar->value();
        bar->setValue(std::clamp(nPos, bar->minimum(), bar->maximum()));
    });
    return previous;
}
