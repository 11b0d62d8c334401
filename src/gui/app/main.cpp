// The editor's entry: one editor per user (a second start hands its file over and ends), settings
// from the user's configuration folder, the language file from the data folders, the main window
// shown as the settings say with the command-line song opened, the settings written back on close.
#include "core/app/config_file.h"
#include "core/app/remote_command.h"
#include "core/language/language.h"
#include "gui/app/data_folders_qt.h"
#include "gui/app/editor_session_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/single_instance_qt.h"
#include "gui/views/cantelo_style_qt.h"
#include "midi/system_outputs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

std::filesystem::path toPath(const QString& s) {
    return std::filesystem::path(s.toStdString());
}

// The first reg.cne of the data folders; the program's folder when none has one.
std::filesystem::path findLanguageFile() {
    for (const std::filesystem::path& folder : cantelo::dataFolders()) {
        std::error_code ec;
        const std::filesystem::path candidate = folder / cantelo::kLanguageFileName;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
    }
    return toPath(QCoreApplication::applicationDirPath()) / cantelo::kLanguageFileName;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cantelo-edit"));
    // The window titles end in the caption; Qt appends the display name to a title that does
    // not, so the two must be one.
    QApplication::setApplicationDisplayName(QString::fromLatin1(cantelo::TCanteloEd1::kCaption));
    QApplication::setApplicationVersion(QStringLiteral(CANTELO_VERSION));
    QApplication::setStyle(new cantelo::CanteloStyle);
    // The fonts the look is designed with, by their free metric-compatible twins.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window and quit."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.addPositionalArgument(QStringLiteral("song"),
                                 QStringLiteral("A .mid, .kar or .nvk file."));
    parser.process(app);

    const std::filesystem::path configFolder =
        toPath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    const QStringList positional = parser.positionalArguments();
    const QString firstArgument = positional.isEmpty() ? QString() : positional.constFirst();

    // A picture of the window is taken apart from any running editor.
    cantelo::SingleInstance instance;
    if (!parser.isSet(screenshot) &&
        !cantelo::startAsSingleInstance(instance, firstArgument, configFolder))
        return 0;

    bool found = false;
    cantelo::Configuration settings = cantelo::readConfiguration(configFolder, &found);
    const std::filesystem::path languageFile = findLanguageFile();
    if (!found) {
        // A first start speaks the desktop's language when the language file has it.
        std::vector<cantelo::LanguageEntry> languages;
        if (auto file = cantelo::LanguageFile::load(languageFile)) languages = file->languages();
        settings.languageIndex =
            cantelo::firstStartLanguage(QLocale::system().name().toStdString(), languages);
    }

    cantelo::TCanteloEd1 window(settings, languageFile);
    cantelo::EditorSession session(window, std::make_unique<cantelo::SystemOutputs>(),
                                   configFolder);
    QObject::connect(&instance, &cantelo::SingleInstance::commandReceived, &session,
                     [&session](quint32 tag, const QByteArray& text) {
                         // Answered first; a question the command asks must not hold the sender.
                         QTimer::singleShot(0, &session, [&session, tag, text] {
                             session.handleRemoteCommand(tag, text);
                         });
                     });
    QObject::connect(&window, &cantelo::TCanteloEd1::closing, &window, [&window, configFolder] {
        std::string error;
        if (!cantelo::writeConfiguration(configFolder, window.currentConfiguration(), &error))
            std::fprintf(stderr, "cantelo-edit: settings not saved: %s\n", error.c_str());
    });
    window.showAsConfigured();
    std::vector<std::string> arguments;
    if (!firstArgument.isEmpty())
        arguments.push_back(QFile::encodeName(firstArgument).toStdString());
    const cantelo::StartupFile startup = cantelo::startupFile(arguments);
    QTimer::singleShot(0, &session, [&session, startup] { session.openStartupFile(startup); });

    if (parser.isSet(screenshot)) {
        const QString target = parser.value(screenshot);
        QTimer::singleShot(1500, &window, [&window, target] {
            const bool saved = window.grab().save(target);
            if (!saved) std::fprintf(stderr, "cantelo-edit: cannot write the picture\n");
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return QApplication::exec();
}
