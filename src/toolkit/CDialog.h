// A modal dialog built from a dialog template (src/res). See Toolkit.h.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "toolkit/CMenu.h"
#include "toolkit/CWnd.h"
#include "toolkit/Types.h"

class CDataExchange;

namespace toolkit {
class DialogWidget;
}

class CDialog : public CWnd {
public:
    // `nIDTemplate` names the template; the owner defaults to none.
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Builds the window, runs WM_INITDIALOG (OnInitDialog), shows it and runs
    // its nested event loop until EndDialog; returns that code, -1 when the
    // template does not exist. The widgets are gone when it returns.
    virtual int DoModal();
    void EndDialog(int nResult);
    // Ends the modal windows opened above this one (dialogs, message boxes,
    // file dialogs, open menus), innermost first, as Cancel would: for a
    // program asked to end. All of them while this one is not showing yet.
    // How many modal windows it ended.
    int EndModalWindowsAbove();

    // Initialisation: the base runs the data exchange (push). Return TRUE to
    // let the toolkit put the focus on the first tab stop.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    // FALSE pushes the members into the controls, TRUE reads them back.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // The default accept and cancel commands (Enter, Escape, close box):
    // both end the dialog without touching the members.
    virtual void OnOK();
    virtual void OnCancel();

    // Controls by id: null when the window has no such control.
    CWnd* GetDlgItem(int nID);
    void SetDlgItemText(int nID, LPCSTR text);

    // The window's system menu (Alt+Space, right click in the client area);
    // its commands reach OnSysCommand. It starts with Move and Close.
    CMenu* GetSystemMenu(BOOL bRevert);
    // The menu bar: greying items of `pMenu` afterwards updates the bar.
    BOOL SetMenu(CMenu* pMenu);

    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    BOOL IsIconic() const;

    // Toolkit use: painting, colours, the system menu, key commands.
    void DispatchPaint();
    HBRUSH DispatchCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OpenSystemMenu(int x, int y);
    int DefaultCommandId() const;
    toolkit::DialogWidget* Window() const { return m_pWindow; }
    QWidget* ControlWidget(int nID) const;
    void BindControl(int nID, CWnd& control);

protected:
    // IDOK -> OnOK, IDCANCEL -> OnCancel.
    void OnUnhandledCommand(UINT id) override;
    // The close request takes the cancel path.
    void DefaultClose() override;
    // Close sends WM_CLOSE, Minimize minimises, SC_KEYMENU opens the system menu.
    void DefaultSysCommand(UINT nID, LPARAM lParam) override;

private:
    void Create();
    void Destroy();
    void FocusFirstTabStop();
    void ResetSystemMenu();
    void ApplyColours();
    void ConnectClicks(const res::ControlTemplate& control, QWidget* widget);
    void RebuildMenuBar();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    const res::DialogTemplate* m_pTemplate;
    toolkit::DialogWidget* m_pWindow = nullptr;
    bool m_bEnded = false;
    int m_nResult = 0;
    CMenu m_sysMenu;
    CMenu* m_pMenu = nullptr;
    HICON m_hBigIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    std::map<int, std::unique_ptr<CWnd>> m_tempControls;
    std::vector<CWnd*> m_boundControls;
    std::map<int, QWidget*> m_controlWidgets;
    std::vector<std::pair<const res::ControlTemplate*, QWidget*>> m_controls;
};
