// Not a test program: compiled (syntax only) by the tests report_OverAlignedItem* in
// tests/report/CMakeLists.txt. GQ_PATH 0 makes an ordinary item and must compile; 1, 2 and 3
// make an item class that needs more than TItemArena::kAlignment with plain new, new in an
// arena and NewItem, and each must fail with the arena's message.

#include "report/RepComponent.h"

namespace gq::report
{

struct alignas(2 * TItemArena::kAlignment) TOverAligned : TRepComponent
{
    using TRepComponent::TRepComponent;
};

void Make([[maybe_unused]] TComponent* owner, [[maybe_unused]] TItemArena* arena)
{
#if GQ_PATH == 0
    delete new TRepComponent(owner);
    delete new (arena) TRepComponent(owner);
    delete NewItem<TRepComponent>(owner);
#elif GQ_PATH == 1
    delete new TOverAligned(owner);
#elif GQ_PATH == 2
    delete new (arena) TOverAligned(owner);
#elif GQ_PATH == 3
    delete NewItem<TOverAligned>(owner);
#endif
}

} // namespace gq::report
