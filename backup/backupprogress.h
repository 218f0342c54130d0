#pragma once
// How the whole-unit operations report while they run and how they are
// stopped: the step and, where it is known, how far it has come; and a
// request to stop, asked between two blocks (two records, two steps). A
// window shows the progress in one display and offers Cancel; a terminal
// program prints it.
#include <QString>

#include <functional>

namespace porv {

struct StepProgress {
    QString step;  // "Reading the phone list", "Writing the tags", ...
    int done = 0;  // records or blocks done so far
    int total = 0; // of how many; 0 when not known
};

using ProgressCallback = std::function<void(const StepProgress &)>;

struct OperationHooks {
    ProgressCallback progress;
    // True once the operation is to stop at the next pause between two blocks.
    std::function<bool()> cancelRequested;
};

// The running step of one operation, reported through its hooks.
class OperationSteps {
public:
    explicit OperationSteps(OperationHooks hooks) : m_hooks(std::move(hooks)) {}

    // A new step: reported at once, with its count unknown.
    void Begin(const QString &step)
    {
        m_step = step;
        Count(0, 0);
    }
    const QString &Step() const { return m_step; }
    void Count(int done, int total) const
    {
        if (m_hooks.progress)
            m_hooks.progress({m_step, done, total});
    }
    bool CancelRequested() const { return m_hooks.cancelRequested && m_hooks.cancelRequested(); }

private:
    OperationHooks m_hooks;
    QString m_step;
};

} // namespace porv
