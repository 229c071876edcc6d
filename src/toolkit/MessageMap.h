// Message tables: each window class lists (message, control id, handler);
// whatever a class does not list goes to its base class's table and then to
// the toolkit's default handling.
//
//   class TipsDlg : public CDialog {
//       ...
//       DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(TipsDlg, CDialog)
//       ON_BN_CLICKED(1010, &TipsDlg::OnConfirm)
//   END_MESSAGE_MAP()
#pragma once

#include <variant>

#include "toolkit/Types.h"

class CCmdTarget;
class CWnd;
class CDC;

namespace toolkit {

using PlainHandler = void (CCmdTarget::*)();
using SysCommandHandler = void (CCmdTarget::*)(UINT, LPARAM);
using MessageHandler = LRESULT (CCmdTarget::*)(WPARAM, LPARAM);
using CtlColorHandler = HBRUSH (CCmdTarget::*)(CDC*, CWnd*, UINT);
using QueryIconHandler = HCURSOR (CCmdTarget::*)();
using Handler = std::variant<PlainHandler, SysCommandHandler, MessageHandler, CtlColorHandler,
                             QueryIconHandler>;

struct MessageMapEntry {
    UINT message;  // 0 ends the table
    UINT code;     // notification code of WM_COMMAND (BN_CLICKED)
    UINT id;       // control or command id of WM_COMMAND
    Handler handler;
};

struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;
};

inline const MessageMapEntry kMessageMapEnd{0, 0, 0, Handler{}};

template <class T>
MessageMapEntry MakeEntry(UINT message, UINT code, UINT id, void (T::*fn)()) {
    return {message, code, id, static_cast<PlainHandler>(fn)};
}
template <class T>
MessageMapEntry MakeEntry(UINT message, UINT code, UINT id, void (T::*fn)(UINT, LPARAM)) {
    return {message, code, id, static_cast<SysCommandHandler>(fn)};
}
template <class T>
MessageMapEntry MakeEntry(UINT message, UINT code, UINT id, LRESULT (T::*fn)(WPARAM, LPARAM)) {
    return {message, code, id, static_cast<MessageHandler>(fn)};
}
template <class T>
MessageMapEntry MakeEntry(UINT message, UINT code, UINT id, HBRUSH (T::*fn)(CDC*, CWnd*, UINT)) {
    return {message, code, id, static_cast<CtlColorHandler>(fn)};
}
template <class T>
MessageMapEntry MakeEntry(UINT message, UINT code, UINT id, HCURSOR (T::*fn)()) {
    return {message, code, id, static_cast<QueryIconHandler>(fn)};
}

}  // namespace toolkit

#define DECLARE_MESSAGE_MAP()                                \
protected:                                                   \
    static const ::toolkit::MessageMap* GetThisMessageMap(); \
    const ::toolkit::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                   \
    const ::toolkit::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const ::toolkit::MessageMap* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                             \
        using TheBaseClass = baseClass;                                                          \
        static const ::toolkit::MessageMapEntry entries[] = {
// clang-format off
#define END_MESSAGE_MAP()                                                             \
        ::toolkit::kMessageMapEnd};                                                   \
        static const ::toolkit::MessageMap map{TheBaseClass::GetThisMessageMap(), entries}; \
        return &map;                                                                  \
    }
// clang-format on

#define ON_BN_CLICKED(id, fn) ::toolkit::MakeEntry(WM_COMMAND, BN_CLICKED, (id), fn),
#define ON_COMMAND(id, fn) ::toolkit::MakeEntry(WM_COMMAND, BN_CLICKED, (id), fn),
#define ON_MESSAGE(message, fn) ::toolkit::MakeEntry((message), 0, 0, fn),
#define ON_WM_CLOSE() ::toolkit::MakeEntry(WM_CLOSE, 0, 0, &ThisClass::OnClose),
#define ON_WM_SYSCOMMAND() ::toolkit::MakeEntry(WM_SYSCOMMAND, 0, 0, &ThisClass::OnSysCommand),
#define ON_WM_PAINT() ::toolkit::MakeEntry(WM_PAINT, 0, 0, &ThisClass::OnPaint),
#define ON_WM_QUERYDRAGICON() \
    ::toolkit::MakeEntry(WM_QUERYDRAGICON, 0, 0, &ThisClass::OnQueryDragIcon),
#define ON_WM_CTLCOLOR() ::toolkit::MakeEntry(WM_CTLCOLOR, 0, 0, &ThisClass::OnCtlColor),
