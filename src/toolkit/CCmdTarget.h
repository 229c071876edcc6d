// The root of everything that has a message table (windows, the application).
#pragma once

#include "toolkit/MessageMap.h"

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // The entry for (message, code, id) in this class's table or a base's;
    // null when nobody lists it.
    const toolkit::MessageMapEntry* FindMessageEntry(UINT message, UINT code, UINT id) const;

protected:
    static const toolkit::MessageMap* GetThisMessageMap();
    virtual const toolkit::MessageMap* GetMessageMap() const;
};
