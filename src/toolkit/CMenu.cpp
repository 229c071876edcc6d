#include "toolkit/CMenu.h"

#include "res/Resources.h"

BOOL CMenu::LoadMenu(UINT id) {
    const auto* menu = res::FindMenu(id);
    if (menu == nullptr) return FALSE;
    m_items.clear();
    for (const auto& popup : menu->popups) {
        Item item;
        item.text = std::string(popup.text);
        item.flags = MF_POPUP;
        item.popup = std::make_unique<CMenu>();
        item.popup->m_pRoot = this;
        item.popup->m_bLoaded = true;
        for (const auto& entry : popup.items) {
            item.popup->m_items.push_back(
                {entry.id, std::string(entry.text), entry.flags, nullptr});
        }
        m_items.push_back(std::move(item));
    }
    m_bLoaded = true;
    Changed();
    return TRUE;
}

BOOL CMenu::DestroyMenu() {
    const BOOL had = m_bLoaded ? TRUE : FALSE;
    m_items.clear();
    m_bLoaded = false;
    Changed();
    return had;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, LPCSTR lpszNewItem) {
    Item item;
    item.flags = nFlags;
    if ((nFlags & MF_SEPARATOR) == 0) {
        item.id = nIDNewItem;
        item.text = lpszNewItem ? lpszNewItem : "";
    }
    m_items.push_back(std::move(item));
    m_bLoaded = true;
    Changed();
    return TRUE;
}

CMenu::Item* CMenu::FindById(UINT id) {
    for (auto& item : m_items) {
        if (item.popup) {
            if (auto* found = item.popup->FindById(id)) return found;
        } else if ((item.flags & MF_SEPARATOR) == 0 && item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
    Item* item = FindById(nIDEnableItem);
    if (item == nullptr) return 0xFFFFFFFF;
    const UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags =
        (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (nEnable & (MF_GRAYED | MF_DISABLED));
    Changed();
    return previous;
}

void CMenu::Changed() {
    if (m_pRoot) {
        m_pRoot->Changed();
    } else if (m_listener) {
        m_listener();
    }
}
