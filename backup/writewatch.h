#pragma once
// A unit that falls silent in the middle of a write: three writes in a row
// that got no answer at all (not even a refusal) end the operation, instead
// of every remaining write running out its wait.
#include "link.h"

namespace porv {

class WriteWatch {
public:
    static constexpr int kUnansweredWrites = 3;

    explicit WriteWatch(Link &link) : m_link(link) {}

    // Before a write: what arrives from now on is its answer.
    void Before() { m_link.ClearDataSeen(); }
    // After it: `writes` commands went out for it (a verified block write
    // sends up to four).
    void After(int writes = 1)
    {
        if (m_link.DataSeen())
            m_unanswered = 0;
        else
            m_unanswered += writes;
    }
    bool Silent() const { return m_unanswered >= kUnansweredWrites; }

private:
    Link &m_link;
    int m_unanswered = 0;
};

} // namespace porv
