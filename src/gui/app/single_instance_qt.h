#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

class QLocalSocket;

namespace cantelo {

// One editor per user: the first start listens on a local socket that only its user can reach;
// later starts find it there and hand their file to it. GUI thread only.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `serverName` is a socket path or a bare name (placed in the temporary folder).
    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // This user's socket: "cantelo-edit-<uid>" in the user's runtime folder.
    static QString defaultServerName();

    enum class Role { Primary, Secondary };

    // Primary: this process is the editor and now listens (a socket left by a crashed editor is
    // removed and taken over). Secondary: another editor answers on the socket. When the socket
    // can be neither taken nor reached the process still runs as Primary, without a server: two
    // editors then run, as they may when started at the same moment.
    Role claim();
    bool isListening() const { return m_server.isListening(); }
    int connectionCount() const { return static_cast<int>(m_connections.size()); }
    const QString& serverName() const { return m_name; }

    // Secondary: sends one command and waits up to `timeoutMs` for its answer. The answer, or -1
    // when the editor could not be reached or did not answer in time.
    int send(std::uint32_t tag, const QByteArray& data, int timeoutMs = 10000);

    // Secondary: "cnsw" then "cnof", each with `path` made absolute (the running editor has its
    // own working folder) and its NUL. False when the editor could not be reached.
    bool forwardFile(const QString& path);

    // At most this many senders are served at once; a new one takes the place of the one that
    // has waited longest, so idle connections can never shut a second start out.
    static constexpr int kMaxConnections = 8;
    // Primary: a connection that has not sent a whole message within `timeout` (from its start
    // or its last message) is dropped.
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }

signals:
    // A command the running editor acts on ("cnof", "cnps", "cnss" or "cnsw"), with its data up
    // to the first NUL (for "cnof" the path in the file system's encoding: QFile::decodeName).
    // Emitted before the sender gets its answer, which is 1; unknown tags and data over 1024
    // bytes are answered 0 and not emitted.
    void commandReceived(quint32 tag, const QByteArray& text);

private:
    struct Connection;

    void acceptConnections();
    void serve(const std::shared_ptr<Connection>& connection);
    void drop(const std::shared_ptr<Connection>& connection);
    void forget(const std::shared_ptr<Connection>& connection);
    bool listen();
    void keepListening();
    bool connectToRunning(int timeoutMs);

    QString m_name;
    QLocalServer m_server;
    std::vector<std::shared_ptr<Connection>> m_connections; // oldest first
    std::chrono::milliseconds m_idleTimeout{3000};
    QTimer m_watch; // Primary: puts the server back when it stopped or lost its socket file
    QLocalSocket* m_client = nullptr; // Secondary: the connection to the running editor
};

// The single-instance half of start-up, for main(). Claims the socket; when another editor runs,
// either shows the "already running" message (no `file`; Italian or English as config.cne in
// `configFolder` says) in a plain message box, or forwards `file` to it. Returns true when this
// process is the editor and goes on to create the main window, false when it should end now.
bool startAsSingleInstance(SingleInstance& instance, const QString& file,
                           const std::filesystem::path& configFolder);

} // namespace cantelo
