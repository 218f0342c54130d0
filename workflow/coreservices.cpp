#include "coreservices.h"

#include "unitinteraction.h"

namespace porv {

CoreServices::CoreServices(UnitInteraction &interaction) : m_interaction(interaction) {}

OperationHooks CoreServices::Hooks()
{
    return {[this](const StepProgress &p) { m_interaction.Progress(p); },
            [this] { return m_interaction.CancelRequested(); }};
}

} // namespace porv
