#include "coreservices.h"

#include "unitinteraction.h"

namespace porv {

CoreServices::CoreServices(UnitInteraction &interaction, int memoryLimit)
    : m_interaction(interaction), m_memoryLimit(memoryLimit)
{
}

OperationHooks CoreServices::Hooks()
{
    return {[this](const StepProgress &p) {
                m_step = p.step;
                m_interaction.Progress(p);
            },
            [this] { return m_interaction.CancelRequested(); }};
}

void CoreServices::ShowTransferProgress(int done, int total) { m_interaction.Progress({m_step, done, total}); }

} // namespace porv
