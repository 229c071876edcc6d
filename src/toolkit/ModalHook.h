// Test hook: answers each modal window (dialog, message box, file dialog) as
// it opens, in the order the answers were queued, and can grab it to a PNG.
//
//   toolkit::ModalHook hook;
//   hook.Then([](toolkit::ModalWindow& w) { w.Click(1010); });
//   dlg.DoModal();
//
// Each window takes the next answer as it opens (one that ends by itself
// before its answer ran drops it). A window that opens with no answer queued
// is ended (as Cancel) and counted in Unanswered(), so a forgotten answer
// fails a test instead of hanging it. An answer that must wait for a worker
// uses ModalWindow::WaitFor. Lives on the user-interface thread, after the
// application.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/Types.h"

class QDialog;
class QWidget;
class CDialog;

namespace toolkit {

class ModalWindow {
public:
    ModalWindow(QDialog& dialog, CDialog* owner) : m_dialog(dialog), m_owner(owner) {}

    // The dialog object, or null for message boxes and file dialogs.
    CDialog* Dialog() const { return m_owner; }
    QDialog& Widget() const { return m_dialog; }
    bool IsOpen() const;
    bool IsMessageBox() const;
    bool IsFileDialog() const;

    std::string Caption() const;
    // A message box's text and its MB_ICON* type.
    std::string Text() const;
    UINT MessageType() const;
    // The text, enabled state, focus and rectangle (client pixels) of control `id`.
    std::string ControlText(int id) const;
    bool IsEnabled(int id) const;
    bool HasFocus(int id) const;
    CRect ControlRect(int id) const;

    // What a user does. Click presses button `id` (IDOK for a message box's
    // button) as a mouse click would; nothing happens when it is disabled.
    void Click(int id);
    void CloseBox();
    void Escape();
    void Enter();
    void AltF4();
    // Opens the system menu by Alt+Space and picks the item with `command`.
    void SysMenuCommand(UINT command);
    // Picks the menu-bar item with command id `command`.
    void MenuCommand(UINT command);
    // File dialogs: accept with this native path, or cancel.
    void ChooseFile(const std::string& nativePath);

    // Runs the event loop until `ready` holds (true) or the time is up
    // (false), serving the requests of worker threads meanwhile.
    static bool WaitFor(const std::function<bool()>& ready, int timeoutMs = 10000);

    // Saves the window with a drawn title bar (caption and close box) as PNG.
    bool Grab(const std::string& pngPath) const;
    // The same, with the tooltip of control `id` drawn where it opens when the
    // pointer rests on the control. False also when the control has none.
    bool GrabWithTip(int id, const std::string& pngPath) const;

private:
    QWidget* Control(int id) const;
    void Key(int key, int modifiers);

    QDialog& m_dialog;
    CDialog* m_owner;
};

class ModalHook {
public:
    using Answer = std::function<void(ModalWindow&)>;

    ModalHook();
    ~ModalHook();
    ModalHook(const ModalHook&) = delete;
    ModalHook& operator=(const ModalHook&) = delete;

    // Queues the answer for the next window that opens.
    ModalHook& Then(Answer answer);
    int Answered() const;
    int Unanswered() const;
    int Pending() const;

    class Agent;  // toolkit use

private:
    Agent* m_agent;  // owned by the application object, found there by the toolkit
};

}  // namespace toolkit
