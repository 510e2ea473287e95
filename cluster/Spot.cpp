#include "Spot.h"

bool Spot::isComplete() const
{
    return !m_time.isEmpty() && !m_spotter.isEmpty() && !m_frequency.isEmpty()
           && !m_dxCall.isEmpty();
}
