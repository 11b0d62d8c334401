#pragma once

#include "core/app/remote_command.h"
#include "core/document/transport.h"

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

} // namespace cantelo
