// A menu as data: pop-ups and items with command ids, enabled or grey. The
// window that shows it rebuilds its menu bar when an item changes.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "toolkit/CString.h"
#include "toolkit/Types.h"

class CMenu {
public:
    struct Item {
        UINT id = 0;
        CString text;
        UINT flags = MF_STRING;
        std::unique_ptr<CMenu> popup;
    };

    CMenu() = default;
    ~CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // Loads menu resource `id`, releasing what the object held.
    BOOL LoadMenu(UINT id);
    BOOL DestroyMenu();
    // An item of this menu: MF_STRING with a command id and text, or MF_SEPARATOR.
    BOOL AppendMenu(UINT nFlags, UINT nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
    // By command id (MF_BYCOMMAND), searching pop-ups too; MF_GRAYED or
    // MF_ENABLED. Returns the previous state, or 0xFFFFFFFF when absent.
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    bool IsLoaded() const { return m_bLoaded; }

    const std::vector<Item>& Items() const { return m_items; }
    // Toolkit use: told after any change of this menu or its pop-ups.
    void SetChangeListener(std::function<void()> listener) { m_listener = std::move(listener); }

private:
    Item* FindById(UINT id);
    void Changed();

    std::vector<Item> m_items;
    bool m_bLoaded = false;
    CMenu* m_pRoot = nullptr;  // pop-ups tell their menu bar
    std::function<void()> m_listener;
};
