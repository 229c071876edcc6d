// The removable drive chooser (template 129): offers the drive roots that the
// caller put in m_strDrives and hands back the one selected when OK is pressed.
#pragma once

#include <vector>

#include "toolkit/Toolkit.h"

class ChooseFlash : public CDialog {
public:
    static constexpr int kMaxDrives = 10;

    explicit ChooseFlash(CWnd* pParent = nullptr);
    ~ChooseFlash() override = default;

    CComboBox m_comboDrive;           // control 1009
    CString m_strDrives[kMaxDrives];  // drive roots to offer, filled by the caller
    int m_nDrives;                    // valid entries at the front of m_strDrives
    CString m_strSelected;            // written only by OK

    // Appends a drive root; false (and nothing stored) once the list is full.
    bool AddDrive(const CString& strDrive);
    // Walks a drive list as GetLogicalDriveStringsA gives it ("C:\" NUL "E:\"
    // NUL NUL) and offers its removable drives, upper-cased, drive A never.
    // Drives past the tenth are left out.
    void AddRemovableDrives(const char* pszDriveList);
    // The roots of every drive present, NUL-separated and ended by an empty
    // entry, in a buffer as large as the list needs.
    static std::vector<char> LogicalDriveStrings();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOk();
    void OnCancelButton();
    void ShowDriveDetails();

    DECLARE_MESSAGE_MAP()
};
