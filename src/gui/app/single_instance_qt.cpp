#include "gui/app/single_instance_qt.h"

#include "core/app/remote_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QMessageBox>
#include <QStandardPaths>

#include <algorithm>
#include <memory>

#include <unistd.h>

namespace cantelo {

namespace {

constexpr int kConnectTimeoutMs = 1000;
// Qt would otherwise buffer whatever a peer sends; the decoder needs far less at a time.
constexpr qint64 kReadBufferSize = 64 * 1024;
constexpr int kWatchIntervalMs = 1000;
constexpr int kProbeTimeoutMs = 100;

std::span<const std::uint8_t> bytesOf(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()),
            static_cast<std::size_t>(data.size())};
}

QByteArray toByteArray(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

} // namespace

// The state of one incoming connection. A handler may open a modal window whose event loop
// delivers more bytes of the same connection: `busy` keeps those for the outer loop, so the
// commands run one at a time and in order. The socket and its idle timer (a child of the
// socket) go together, deleted later, since either may be the sender of the running slot.
struct SingleInstance::Connection {
    QLocalSocket* socket = nullptr;
    QTimer* idle = nullptr;
    RemoteMessageDecoder decoder;
    bool busy = false;
    bool closed = false;
};

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_name(std::move(serverName)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    m_watch.setInterval(kWatchIntervalMs);
    connect(&m_watch, &QTimer::timeout, this, &SingleInstance::keepListening);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName() {
    const QString name = QStringLiteral("cantelo-edit-%1").arg(::getuid());
    // The runtime folder belongs to the user alone, so no other user can take the name first.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? name : QDir(runtime).filePath(name);
}

SingleInstance::Role SingleInstance::claim() {
    // Ask first: listening with user-only access puts the new socket in place by renaming it
    // over any old one, so it would take the name from a running editor too.
    if (connectToRunning(kConnectTimeoutMs)) return Role::Secondary;
    delete m_client;
    m_client = nullptr;
    m_watch.start();
    listen();
    return Role::Primary;
}

bool SingleInstance::listen() {
    // Nobody answers: whatever is left under the name belongs to an editor that did not close.
    QLocalServer::removeServer(m_name);
    if (m_server.listen(m_name)) return true;
    qWarning("cantelo-edit: cannot listen on %s: %s", qPrintable(m_name),
             qPrintable(m_server.errorString()));
    return false;
}

void SingleInstance::keepListening() {
    // A failed accept (no descriptor left) closes the server and removes its socket file, and a
    // cleanup of the runtime folder may remove the file alone: later starts would then find no
    // editor and start a second one.
    if (m_server.isListening() && QFileInfo::exists(m_server.fullServerName())) return;
    // An editor that started meanwhile owns the name now; taking it back would orphan it.
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(kProbeTimeoutMs)) return;
    m_server.close();
    listen();
}

bool SingleInstance::connectToRunning(int timeoutMs) {
    if (m_client && m_client->state() == QLocalSocket::ConnectedState) return true;
    delete m_client;
    m_client = new QLocalSocket(this);
    m_client->connectToServer(m_name);
    return m_client->waitForConnected(timeoutMs);
}

int SingleInstance::send(std::uint32_t tag, const QByteArray& data, int timeoutMs) {
    if (!connectToRunning(kConnectTimeoutMs)) return -1;
    m_client->write(toByteArray(encodeRemoteMessage(tag, bytesOf(data))));
    if (!m_client->waitForBytesWritten(timeoutMs)) return -1;
    while (m_client->bytesAvailable() < static_cast<qint64>(kRemoteReplySize)) {
        if (!m_client->waitForReadyRead(timeoutMs)) return -1;
    }
    const QByteArray reply = m_client->read(kRemoteReplySize);
    return decodeRemoteReply(bytesOf(reply)).value_or(-1);
}

bool SingleInstance::forwardFile(const QString& path) {
    QByteArray data = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    data.append('\0');
    // Whatever the editor answers, the file has been handed over; only reaching it matters.
    const bool shown = send(kTagShowWindow, data) >= 0;
    return send(kTagOpenFile, data) >= 0 || shown;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        if (m_connections.size() >= static_cast<std::size_t>(kMaxConnections)) {
            // A second start sends at once, so the connection waiting longest is the least
            // likely to be one; a connection whose command is still running is kept.
            const auto oldest = std::find_if(m_connections.begin(), m_connections.end(),
                                             [](const auto& c) { return !c->busy; });
            if (oldest == m_connections.end()) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            drop(std::shared_ptr<Connection>(*oldest));
        }
        socket->setReadBufferSize(kReadBufferSize);
        auto connection = std::make_shared<Connection>();
        connection->socket = socket;
        connection->idle = new QTimer(socket);
        connection->idle->setSingleShot(true);
        m_connections.push_back(connection);
        const std::weak_ptr<Connection> weak = connection;
        connect(connection->idle, &QTimer::timeout, this, [this, weak] {
            const auto c = weak.lock();
            if (!c) return;
            // A command waiting on a question is not idle.
            if (c->busy)
                c->idle->start(m_idleTimeout);
            else
                drop(c);
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, weak] {
            if (const auto c = weak.lock()) serve(c);
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, weak] {
            if (const auto c = weak.lock()) forget(c);
        });
        connection->idle->start(m_idleTimeout);
        // Bytes may have come with the connection, before readyRead was connected.
        if (socket->bytesAvailable() > 0) serve(connection);
    }
}

void SingleInstance::serve(const std::shared_ptr<Connection>& c) {
    if (c->busy || c->closed) return;
    c->busy = true;
    QLocalSocket* socket = c->socket;
    while (!c->closed && socket->bytesAvailable() > 0) {
        c->decoder.feed(bytesOf(socket->read(kReadBufferSize)));
        while (auto message = c->decoder.next()) {
            if (c->idle) c->idle->start(m_idleTimeout);
            const int result = remoteCommandResult(*message);
            if (result != 0)
                emit commandReceived(message->tag, QByteArray::fromStdString(message->text));
            if (!c->closed) socket->write(toByteArray(encodeRemoteReply(result)));
        }
    }
    c->busy = false;
    if (c->closed) forget(c);
}

void SingleInstance::drop(const std::shared_ptr<Connection>& c) {
    if (c->socket) c->socket->abort();
    forget(c);
}

void SingleInstance::forget(const std::shared_ptr<Connection>& c) {
    std::erase(m_connections, c);
    c->closed = true;
    // A command still running further up the stack uses the socket; it forgets it when done.
    if (c->busy || !c->socket) return;
    c->idle->stop();
    c->socket->deleteLater();
    c->socket = nullptr;
    c->idle = nullptr;
}

bool startAsSingleInstance(SingleInstance& instance, const QString& file,
                           const std::filesystem::path& configFolder) {
    if (instance.claim() == SingleInstance::Role::Primary) return true;
    if (!file.isEmpty()) {
        // The running editor checks the extension when it opens the file.
        instance.forwardFile(file);
        return false;
    }
    const RunningEditorMessage message = runningEditorMessage(configFolder);
    QMessageBox::information(nullptr, QString::fromLatin1(message.caption),
                             QString::fromLatin1(message.text), QMessageBox::Ok);
    return false;
}

} // namespace cantelo
