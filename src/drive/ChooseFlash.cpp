#include "drive/ChooseFlash.h"

#include <cctype>

#include "drive/DriveDetails.h"

ChooseFlash::ChooseFlash(CWnd* pParent) : CDialog(IDD_CHOOSEFLASH, pParent), m_nDrives(0) {}

bool ChooseFlash::AddDrive(const CString& strDrive) {
    if (m_nDrives < 0 || m_nDrives >= kMaxDrives) return false;
    m_strDrives[m_nDrives] = strDrive;
    ++m_nDrives;
    return true;
}

void ChooseFlash::AddRemovableDrives(const char* pszDriveList) {
    const char* p = pszDriveList;
    while (p[0] != '\0' && p[1] != '\0') {
        CString strDrive;
        for (; *p != '\0'; ++p) {
            strDrive += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        }
        // Drive A is a floppy on the machines this comes from: asking its type
        // would spin it up, and it is never the stick.
        if (strDrive[0] != 'A' && GetDriveTypeA(strDrive.GetString()) == DRIVE_REMOVABLE) {
            AddDrive(strDrive);
        }
        ++p;
    }
}

std::vector<char> ChooseFlash::LogicalDriveStrings() {
    // Ask for the size first; a drive that appears between the two calls makes
    // the list longer, so ask again until it fits.
    DWORD nNeeded = GetLogicalDriveStringsA(0, nullptr);
    for (;;) {
        std::vector<char> buffer(static_cast<std::size_t>(nNeeded) + 2, '\0');
        const DWORD nLength =
            GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (nLength < buffer.size()) return buffer;
        nNeeded = nLength;
    }
}

void ChooseFlash::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_COMBO_DRIVE, m_comboDrive);
}

BEGIN_MESSAGE_MAP(ChooseFlash, CDialog)
ON_BN_CLICKED(IDC_CHOOSE_OK, &ChooseFlash::OnOk)
ON_BN_CLICKED(IDC_DECLINE, &ChooseFlash::OnCancelButton)
END_MESSAGE_MAP()

BOOL ChooseFlash::OnInitDialog() {
    CDialog::OnInitDialog();
    // The count is the caller's to set; never read past the array.
    const int count = m_nDrives < kMaxDrives ? m_nDrives : kMaxDrives;
    for (int i = 0; i < count; ++i) m_comboDrive.AddString(m_strDrives[i].GetString());
    m_comboDrive.SetCurSel(0);
    ShowDriveDetails();
    return TRUE;  // the focus goes to OK
}

// Two sticks look alike as letters: each entry tells its label, size and
// mount point; an empty list says where to look.
void ChooseFlash::ShowDriveDetails() {
    const int count = m_comboDrive.GetCount();
    if (count <= 0) {
        m_comboDrive.SetCueBanner(drive::kNoRemovableDrive);
        m_comboDrive.SetItemTip(-1, drive::NoRemovableDriveHint().c_str());
        return;
    }
    for (int i = 0; i < count; ++i) {
        CString strDrive;
        m_comboDrive.GetLBText(i, strDrive);
        m_comboDrive.SetItemTip(i, drive::DriveDetails(strDrive.GetString()).c_str());
    }
}

// Only a selected list entry counts; text typed into the field does not.
void ChooseFlash::OnOk() {
    const int nIndex = m_comboDrive.GetCurSel();
    if (nIndex >= 0) m_comboDrive.GetLBText(nIndex, m_strSelected);
    EndDialog(0);
}

void ChooseFlash::OnCancelButton() { EndDialog(0); }
