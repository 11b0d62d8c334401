#pragma once

#include "core/app/remote_command.h"
#include "core/document/transport.h"

#include <optional>
#include <string>

namespace cantelo {

// What the window does after a remote command, beyond what the transport already did.
enum class RemoteAction {
    None,
    OpenFile,   // open `path`, asking about unsaved changes first, and show it in the status bar
    ShowWindow, // bring the application window back, normal size, to the front
};

struct RemoteReply {
    int result = 0; // the answer to the sender
    RemoteAction action = RemoteAction::None;
    std::string path;
    TransportStop stopped; // the transport stop ran (buttons, take)
};

// Carries out a received command: "cnof" stops the transport and asks for the open, "cnps" plays
// unless the song already plays, "cnss" stops, "cnsw" asks for the window. A refused message or
// an unknown tag does nothing and is answered 0. User-interface thread.
RemoteReply answerRemoteCommand(Transport& transport, const RemoteMessage& message);

// Forwarded opens that arrive while a modal window of the editor shows wait here: opening one
// would show its own question or error on top, inside the first window's event loop, and a
// stream of them would nest loops until the stack runs out. Only the latest request is kept,
// since each would replace the song the one before it opened. User-interface thread.
class DeferredRemoteOpen {
public:
    // The path to open now, or nothing when `modalShowing`: then it waits, replacing any older
    // request. An open that goes ahead now drops an older waiting one.
    std::optional<std::string> arrive(std::string path, bool modalShowing);
    // The waiting request, taken out, once no modal window shows; nothing otherwise.
    std::optional<std::string> release(bool modalShowing);
    bool waiting() const { return m_path.has_value(); }

private:
    std::optional<std::string> m_path;
};

} // namespace cantelo
