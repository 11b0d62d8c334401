#pragma once

// What the benchmarks of the windows share: one application on Qt's offscreen platform (unless
// the caller chose another) and the largest song of the corpus.
#include <QApplication>

#include <filesystem>
#include <string>

inline QApplication& benchApplication() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "cantelo_bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

inline std::string largestCorpusSong() {
    namespace fs = std::filesystem;
    fs::path largest;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(CANTELO_CORPUS_DIR, error))
        if (entry.is_regular_file() &&
            (largest.empty() || entry.file_size() > fs::file_size(largest)))
            largest = entry.path();
    return largest.string();
}
