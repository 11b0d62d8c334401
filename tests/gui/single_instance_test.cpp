#include "core/app/remote_command.h"
#include "gui/app/single_instance_qt.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <fstream>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace cantelo;

namespace {

sockaddr_un addressOf(const QString& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return address;
}

// Opens a connection to the socket at `name` that never sends anything.
int connectIdle(const QString& name) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = addressOf(name);
    // A full backlog would block the connect for good if the server stopped accepting.
    const timeval wait{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    return -1;
}

// Whether the server closed `fd` within `timeoutMs`.
bool closedByPeer(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    char byte = 0;
    return ::poll(&p, 1, timeoutMs) == 1 && ::read(fd, &byte, 1) <= 0;
}

// The second process: this same program started with "--second-start SERVER CONFIG [FILE]" runs
// the editor's start-up check and prints what a user would see; "--serve SERVER FILES IDLE_MS"
// is an editor limited to FILES descriptors that prints the first file handed to it and ends.
int runHelper(QStringList args) {
    const QString mode = args.takeFirst();
    SingleInstance instance(args.takeFirst());
    if (mode == "--serve") {
        const rlimit limit{args.at(0).toULong(), args.at(0).toULong()};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 5;
        instance.setIdleTimeout(std::chrono::milliseconds(args.at(1).toInt()));
        if (instance.claim() != SingleInstance::Role::Primary) return 4;
        QObject::connect(&instance, &SingleInstance::commandReceived,
                         [](quint32 tag, const QByteArray& text) {
                             if (tag != kTagOpenFile) return;
                             std::printf("opened %s\n", text.constData());
                             QCoreApplication::exit(0);
                         });
        std::printf("listening\n");
        std::fflush(stdout);
        return QCoreApplication::exec();
    }
    const std::filesystem::path config = args.takeFirst().toStdString();
    const QString file = args.isEmpty() ? QString() : args.takeFirst();
    // A message box would wait for a user: report it and close it.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("message %s|%s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
            box->accept();
        }
    });
    poll.start(20);
    return startAsSingleInstance(instance, file, config) ? 3 : 0;
}

struct Received {
    QString tag;
    QByteArray text;
    bool operator==(const Received&) const = default;
};

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        m_name = m_dir.filePath("editor.socket");
        m_received.clear();
    }

    void secondStartWithFileHandsItToTheRunningEditor() {
        SingleInstance editor(m_name);
        QCOMPARE(editor.claim(), SingleInstance::Role::Primary);
        listen(editor);
        QDir(m_dir.path()).mkdir("work");

        QProcess second;
        second.setWorkingDirectory(m_dir.filePath("work"));
        const auto [code, out] = run(second, {"--second-start", m_name, m_dir.path(), "song.KAR"});
        QCOMPARE(code, 0);
        QVERIFY2(!out.contains("message"), qPrintable(out));
        // A relative name is resolved in the second process's folder, not the editor's.
        const QByteArray expected = QFile::encodeName(m_dir.filePath("work/song.KAR"));
        QCOMPARE(m_received, (QList<Received>{{"cnsw", expected}, {"cnof", expected}}));
    }

    void secondStartWithoutFileShowsTheMessageInTheConfiguredLanguage() {
        SingleInstance editor(m_name);
        QCOMPARE(editor.claim(), SingleInstance::Role::Primary);
        listen(editor);

        QProcess second;
        auto [code, out] = run(second, {"--second-start", m_name, m_dir.path()});
        QCOMPARE(std::pair(code, out.trimmed()),
                 std::pair(0, QString("message Mi dispiace...|Cantelo Edit e' gia' attivo")));

        writeConfigWithLastByte(1);
        QProcess english;
        std::tie(code, out) = run(english, {"--second-start", m_name, m_dir.path()});
        QCOMPARE(std::pair(code, out.trimmed()),
                 std::pair(0, QString("message Sorry...|Cantelo Edit is still running!")));
        QVERIFY(m_received.isEmpty());
    }

    void socketLeftByACrashedEditorIsTakenOver() {
        // A bound socket file nobody listens on, as a killed editor leaves it.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address = addressOf(m_name);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFile::exists(m_name));

        SingleInstance editor(m_name);
        QVERIFY(editor.claim() == SingleInstance::Role::Primary && editor.isListening());
        SingleInstance second(m_name);
        QCOMPARE(second.claim(), SingleInstance::Role::Secondary);
        // The socket is the user's alone.
        QCOMPARE(QFileInfo(m_name).permissions() &
                     (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
    }

    void serverOutlivesAFloodOfIdleConnectionsAndStillTakesASong() {
        QProcess editor;
        editor.start(QCoreApplication::applicationFilePath(), {"--serve", m_name, "48", "300"});
        QVERIFY(editor.waitForReadyRead(10000));
        QCOMPARE(editor.readLine().trimmed(), QByteArray("listening"));

        // Far more idle connections than the editor has descriptors.
        std::vector<int> idle;
        for (int i = 0; i < 200; ++i)
            if (const int fd = connectIdle(m_name); fd >= 0) idle.push_back(fd);
        QCOMPARE(idle.size(), std::size_t(200));
        QVERIFY2(closedByPeer(idle.front(), 2000), "the oldest idle connection was kept");

        // A lone idle connection goes when its time is up, not at once.
        const int lone = connectIdle(m_name);
        QVERIFY(lone >= 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(closedByPeer(lone, 3000) && clock.elapsed() >= 200);

        // A socket file removed under a running editor comes back.
        QVERIFY(QFile::remove(m_name));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_name), 5000);

        SingleInstance second(m_name);
        QCOMPARE(second.claim(), SingleInstance::Role::Secondary);
        QVERIFY(second.forwardFile(m_dir.filePath("song.kar")));
        QVERIFY(editor.waitForFinished(10000) && editor.exitCode() == 0);
        QCOMPARE(QString::fromLocal8Bit(editor.readAll()).trimmed(),
                 "opened " + m_dir.filePath("song.kar"));
        for (const int fd : idle) ::close(fd);
        ::close(lone);
    }

private:
    void listen(SingleInstance& editor) {
        connect(&editor, &SingleInstance::commandReceived, this,
                [this](quint32 tag, const QByteArray& text) {
                    m_received.append({QString::fromStdString(remoteTagText(tag)), text});
                });
    }

    // Runs the helper while this process's event loop keeps serving the socket.
    std::pair<int, QString> run(QProcess& process, const QStringList& args) {
        process.start(QCoreApplication::applicationFilePath(), args);
        if (!process.waitForStarted(10000)) return {-1, "not started"};
        QElapsedTimer clock;
        clock.start();
        while (process.state() != QProcess::NotRunning && clock.elapsed() < 20000) QTest::qWait(20);
        process.waitForFinished(100);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput())};
    }

    void writeConfigWithLastByte(char last) {
        std::string record(35, '\0');
        record[33] = '\r';
        record[34] = last;
        std::ofstream(QFile::encodeName(m_dir.filePath("config.cne")).toStdString(),
                      std::ios::binary)
            << record;
    }

    QTemporaryDir m_dir;
    QString m_name;
    QList<Received> m_received;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (!args.isEmpty() && QStringList{"--second-start", "--serve"}.contains(args.first()))
        return runHelper(args);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "single_instance_test.moc"
