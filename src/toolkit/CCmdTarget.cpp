#include "toolkit/CCmdTarget.h"

const toolkit::MessageMap* CCmdTarget::GetThisMessageMap() {
    static const toolkit::MessageMapEntry entries[] = {{0, 0, 0, toolkit::Handler{}}};
    static const toolkit::MessageMap map{nullptr, entries};
    return &map;
}

const toolkit::MessageMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const toolkit::MessageMapEntry* CCmdTarget::FindMessageEntry(UINT message, UINT code,
                                                             UINT id) const {
    for (const auto* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (const auto* entry = map->entries; entry->message != 0; ++entry) {
            if (entry->message != message) continue;
            if (message == WM_COMMAND && (entry->id != id || entry->code != code)) continue;
            return entry;
        }
    }
    return nullptr;
}
