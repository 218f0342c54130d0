#pragma once
// States of the link that no exchange reaches quickly, set directly.
#include "link.h"

namespace porv::test {

struct LinkTestAccess {
    // The keep-alive count as if that many seconds had passed without a command.
    static void SetKeepAliveCount(Link &link, int seconds) { link.m_keepAliveCount = seconds; }
};

} // namespace porv::test
