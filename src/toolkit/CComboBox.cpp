#include "toolkit/CComboBox.h"

#include <QComboBox>
#include <QLineEdit>

#include "toolkit/Properties.h"

namespace {

QComboBox* Combo(const CWnd& wnd) { return qobject_cast<QComboBox*>(wnd.GetWidget()); }

// The list order of a sorted Windows combo box: case-insensitive.
int SortedIndex(const QComboBox& combo, const QString& text) {
    int index = 0;
    while (index < combo.count() &&
           QString::compare(combo.itemText(index), text, Qt::CaseInsensitive) <= 0) {
        ++index;
    }
    return index;
}

}  // namespace

int CComboBox::AddString(LPCSTR text) {
    auto* combo = Combo(*this);
    if (combo == nullptr) return CB_ERR;
    const QString item = QString::fromUtf8(text ? text : "");
    const QString typed = combo->currentText();
    const int index = combo->property(toolkit::kSortedProperty).toBool() ? SortedIndex(*combo, item)
                                                                         : combo->count();
    const int selected = combo->currentIndex();
    combo->insertItem(index, item);
    // Adding to the list changes neither the selection nor the edit field.
    combo->setCurrentIndex(selected >= index && selected >= 0 ? selected + 1 : selected);
    if (combo->isEditable()) combo->setEditText(selected < 0 ? typed : combo->currentText());
    return index;
}

int CComboBox::GetCurSel() const {
    const auto* combo = Combo(*this);
    return combo ? combo->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int nSelect) {
    auto* combo = Combo(*this);
    if (combo == nullptr || nSelect >= combo->count() || nSelect < -1) return CB_ERR;
    combo->setCurrentIndex(nSelect);
    return nSelect;
}

void CComboBox::GetLBText(int nIndex, CString& text) const {
    const auto* combo = Combo(*this);
    if (combo == nullptr || nIndex < 0 || nIndex >= combo->count()) return;
    text = combo->itemText(nIndex).toStdString();
}

int CComboBox::GetCount() const {
    const auto* combo = Combo(*this);
    return combo ? combo->count() : CB_ERR;
}

BOOL CComboBox::SetCueBanner(LPCSTR text) {
    auto* combo = Combo(*this);
    if (combo == nullptr || combo->lineEdit() == nullptr) return FALSE;
    combo->lineEdit()->setPlaceholderText(QString::fromUtf8(text ? text : ""));
    return TRUE;
}

BOOL CComboBox::SetItemTip(int nIndex, LPCSTR text) {
    auto* combo = Combo(*this);
    if (combo == nullptr || nIndex < -1 || nIndex >= combo->count()) return FALSE;
    const QString tip = QString::fromUtf8(text ? text : "");
    if (nIndex == -1) {
        combo->setProperty(toolkit::kEmptyTipProperty, tip);
    } else {
        combo->setItemData(nIndex, tip, Qt::ToolTipRole);
    }
    if (nIndex == combo->currentIndex()) combo->setToolTip(tip);
    return TRUE;
}
