#include "gui/app/single_instance_qt.h"

#include "core/app/remote_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QMessageBox>
#include <QStandardPaths>

#include <memory>

#include <unistd.h>

namespace cantelo {

namespace {

constexpr int kConnectTimeoutMs = 1000;
// Qt would otherwise buffer whatever a peer sends; the decoder needs far less at a time.
constexpr qint64 kReadBufferSize = 64 * 1024;

std::span<const std::uint8_t> bytesOf(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()),
            static_cast<std::size_t>(data.size())};
}

QByteArray toByteArray(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// The state of one incoming connection. A handler may open a modal window whose event loop
// delivers more bytes of the same connection: `busy` keeps those for the outer loop, so the
// commands run one at a time and in order.
struct Connection {
    RemoteMessageDecoder decoder;
    bool busy = false;
    bool closed = false;
};

} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_name(std::move(serverName)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
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
    // Nobody answers: whatever is left under the name belongs to an editor that did not close.
    QLocalServer::removeServer(m_name);
    if (m_server.listen(m_name)) return Role::Primary;
    qWarning("cantelo-edit: cannot listen on %s: %s", qPrintable(m_name),
             qPrintable(m_server.errorString()));
    return Role::Primary;
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
        socket->setReadBufferSize(kReadBufferSize);
        auto state = std::make_shared<Connection>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, state] {
            if (state->busy) return;
            state->busy = true;
            while (socket->bytesAvailable() > 0) {
                state->decoder.feed(bytesOf(socket->read(kReadBufferSize)));
                while (auto message = state->decoder.next()) {
                    const int result = remoteCommandResult(*message);
                    if (result != 0)
                        emit commandReceived(message->tag,
                                             QByteArray::fromStdString(message->text));
                    socket->write(toByteArray(encodeRemoteReply(result)));
                }
            }
            state->busy = false;
            if (state->closed) socket->deleteLater();
        });
        connect(socket, &QLocalSocket::disconnected, this, [socket, state] {
            // A handler still running further up the stack deletes the socket when it is done.
            if (state->busy)
                state->closed = true;
            else
                socket->deleteLater();
        });
    }
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
