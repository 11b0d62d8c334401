#pragma once

#include "core/app/command_table.h"

#include <array>
#include <functional>

namespace cantelo {

// Who carries out each command: one handler per CommandId, set by whoever owns the behaviour
// (the editor session, the window itself). The window's menus, tool buttons and shortcuts all
// end in trigger(). User-interface thread only.
class CommandDispatcher {
public:
    using Handler = std::function<void()>;

    // Replaces the command's handler; an empty handler removes it.
    void setHandler(CommandId id, Handler handler);
    void removeHandler(CommandId id) { setHandler(id, {}); }
    bool hasHandler(CommandId id) const;
    // Runs the command's handler; false when it has none. The handler may replace or remove
    // handlers, its own included.
    bool trigger(CommandId id);

private:
    std::array<Handler, kCommandCount> m_handlers;
};

} // namespace cantelo
