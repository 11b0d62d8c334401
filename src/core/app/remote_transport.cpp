#include "core/app/remote_transport.h"

#include <utility>

namespace cantelo {

RemoteReply answerRemoteCommand(Transport& transport, const RemoteMessage& message) {
    RemoteReply reply;
    reply.result = remoteCommandResult(message);
    if (reply.result == 0) return reply;
    switch (message.tag) {
    case kTagOpenFile:
        // Stopped before the question about unsaved changes, as the open itself would: the
        // answer may take the user a while.
        reply.stopped = transport.stop();
        // The text stops at its first NUL; a sender's stray bytes after it are not a path.
        reply.path = message.text.substr(0, message.text.find('\0'));
        if (!reply.path.empty()) reply.action = RemoteAction::OpenFile;
        break;
    case kTagPlay:
        transport.play();
        break;
    case kTagStop:
        reply.stopped = transport.stop();
        break;
    case kTagShowWindow:
        reply.action = RemoteAction::ShowWindow;
        break;
    default:
        break;
    }
    return reply;
}

std::optional<std::string> DeferredRemoteOpen::arrive(std::string path, bool modalShowing) {
    if (modalShowing) {
        m_path = std::move(path);
        return std::nullopt;
    }
    m_path.reset();
    return path;
}

std::optional<std::string> DeferredRemoteOpen::release(bool modalShowing) {
    if (modalShowing || !m_path) return std::nullopt;
    return std::exchange(m_path, std::nullopt);
}

} // namespace cantelo
