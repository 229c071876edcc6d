// The prompt dialog: a message and two buttons; the caller reads m_bConfirmed.
#pragma once

#include "toolkit/Toolkit.h"

class TipsDlg : public CDialog {
public:
    explicit TipsDlg(CString strMessage, CWnd* pParent = nullptr);
    ~TipsDlg() override = default;

    CString m_strText;           // shown by static 1011
    CString m_strMessage;        // the message given at construction
    BYTE m_bConfirmed;           // 1 after button 1010, 0 after 1008; else untouched
    CString m_strOkCaption;      // caption for 1010 when not empty
    CString m_strCancelCaption;  // caption for 1008 when not empty

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnConfirm();
    void OnDecline();

    DECLARE_MESSAGE_MAP()
};
