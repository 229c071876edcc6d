// A window or a control: text, enabled state, geometry, messages. Controls
// are CWnd objects attached to the widgets of a dialog (see CDialog).
#pragma once

#include "toolkit/CCmdTarget.h"
#include "toolkit/CString.h"

class QWidget;
class CDC;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override = default;

    HWND GetSafeHwnd() const { return m_pWidget; }
    int GetDlgCtrlID() const { return m_nID; }

    void SetWindowText(LPCSTR text);
    BOOL EnableWindow(BOOL bEnable = TRUE);  // TRUE when it was disabled before
    void GetClientRect(CRect* rect) const;

    // Handled on the user-interface thread; from any other thread the caller
    // waits until it has been handled, as with Windows SendMessage.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // A message box owned by this window; without a caption it shows the
    // program file's name. Returns IDOK.
    int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK);

    // Runs a message through the message table, then the default handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Toolkit use: binds this object to a widget (controls) and back.
    void Attach(QWidget* widget, int id);
    void Detach();
    QWidget* GetWidget() const { return m_pWidget; }

    // Default handlers, for handlers of derived classes to pass on to.
    void OnClose();
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

protected:
    // Everything the message table does not list.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A WM_COMMAND nobody listed.
    virtual void OnUnhandledCommand(UINT id);
    // What OnClose and OnSysCommand do when a handler passes the message on.
    virtual void DefaultClose();
    virtual void DefaultSysCommand(UINT nID, LPARAM lParam);

private:
    LRESULT Dispatch(const toolkit::MessageMapEntry& entry, WPARAM wParam, LPARAM lParam);

    QWidget* m_pWidget = nullptr;
    int m_nID = 0;
};
