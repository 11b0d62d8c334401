#pragma once

// The frame and its session over recording outputs, as the session tests build them, with a
// scratch folder for the songs they copy from the corpus and the files they save.

#include "core/playback/recording_output.h"
#include "gui/app/editor_session_qt.h"
#include "gui/app/main_window.h"

#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>

namespace cantelo::test {

inline const std::filesystem::path kCorpus = CANTELO_CORPUS_DIR;

class RecorderOutputs final : public OutputProvider {
public:
    std::vector<std::string> list() override { return {"Recorder A", "Recorder B"}; }
    std::unique_ptr<MidiOutput> create(int index) override {
        auto output = std::make_unique<RecordingOutput>(list().at(static_cast<std::size_t>(index)));
        last = output.get();
        ++created;
        return output;
    }
    RecordingOutput* last = nullptr;
    int created = 0;
};

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
// Writes `bytes` to `path`; the path, or an empty string when it could not be written whole.
inline QString writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
}

class SessionFixture {
protected:
    // A new frame without a language file, shown, with its session.
    void startSession() {
        m_window = std::make_unique<TCanteloEd1>(Configuration{}, "/nonexistent/reg.cne");
        auto outputs = std::make_unique<RecorderOutputs>();
        m_outputs = outputs.get();
        m_session = std::make_unique<EditorSession>(*m_window, std::move(outputs),
                                                    m_dir.path().toStdString());
        m_window->show();
    }
    void endSession() {
        m_session.reset();
        m_window.reset();
    }
    // A copy of a corpus song in the scratch folder, under `name` (its own name when empty).
    QString copyOf(const char* corpusName, QString name = {}) {
        const QString target = m_dir.filePath(name.isEmpty() ? QString(corpusName) : name);
        QFile::remove(target);
        const auto from = QString::fromStdString((kCorpus / corpusName).string());
        return QFile::copy(from, target) ? target : QString();
    }
    // The song as a format 0 save writes it now.
    QByteArray savedBytes() {
        const QString path = m_dir.filePath(QStringLiteral("saved%1.mid").arg(m_saves++));
        if (!m_session->document().save(path.toStdString(), kFormatChoice0).result) return {};
        return fileBytes(path);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TCanteloEd1> m_window;
    RecorderOutputs* m_outputs = nullptr;
    std::unique_ptr<EditorSession> m_session;
    int m_saves = 0;
};

} // namespace cantelo::test
