#include "gui/app/data_folders_qt.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QStringList>

namespace cantelo {

std::vector<std::filesystem::path> dataFolders() {
    QStringList folders;
    const QString fromEnv = qEnvironmentVariable("CANTELO_DATA_DIR");
    if (!fromEnv.isEmpty()) folders << fromEnv;
    const QString programDir = QCoreApplication::applicationDirPath();
    folders << programDir << programDir + QStringLiteral("/../share/cantelo-edit")
            << programDir + QStringLiteral("/../data");
    folders << QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
    std::vector<std::filesystem::path> out;
    for (const QString& folder : folders) out.emplace_back(folder.toStdString());
    return out;
}

} // namespace cantelo
