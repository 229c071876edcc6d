// The Qt window behind a CDialog (toolkit use): a menu bar on top and the
// client area below, where the template's controls sit. Keys, the close box
// and painting are handed to the CDialog as the Windows dialog manager does.
#pragma once

#include <QDialog>

class CDialog;
class QMenuBar;

namespace toolkit {

class DialogWidget : public QDialog {
public:
    DialogWidget(CDialog& owner, QWidget* parent);

    QWidget* Client() const { return m_client; }
    void SetClientSize(const QSize& size);
    // Replaces the menu bar (null removes it) and lays the window out again.
    void SetMenuBar(QMenuBar* bar);

    void accept() override;
    void reject() override;
    // Alt+Space and Alt+F4 belong to the window, whichever control has the
    // focus (a focused button would take Alt+Space as a press).
    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Layout();
    bool EnterPressed();
    bool WindowKey(const QKeyEvent& event);

    CDialog& m_owner;
    QWidget* m_client;
    QMenuBar* m_menuBar = nullptr;
    QSize m_clientSize;
};

}  // namespace toolkit
