#include "gui/app/command_dispatcher.h"

#include <cstddef>
#include <utility>

namespace cantelo {

namespace {

std::size_t slotOf(CommandId id) {
    return static_cast<std::size_t>(id);
}

} // namespace

void CommandDispatcher::setHandler(CommandId id, Handler handler) {
    m_handlers.at(slotOf(id)) = std::move(handler);
}

bool CommandDispatcher::hasHandler(CommandId id) const {
    return static_cast<bool>(m_handlers.at(slotOf(id)));
}

bool CommandDispatcher::trigger(CommandId id) {
    const Handler& slot = m_handlers.at(slotOf(id));
    if (!slot) return false;
    // A copy, so a handler that replaces itself (or closes the window) runs to its end.
    const Handler handler = slot;
    handler();
    return true;
}

} // namespace cantelo
