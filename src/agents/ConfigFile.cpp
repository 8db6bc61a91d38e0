#include "agents/ConfigFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <filesystem>
#include <system_error>

namespace morvanex::agents {
namespace {

std::filesystem::path nativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString reasonText(QString reason) {
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason.isEmpty() ? QStringLiteral("unknown error") : reason;
}

QString failure(const QString& what, const QString& reason) {
    return what + QStringLiteral(": ") + reasonText(reason) + QLatin1Char('.');
}

QString systemReason(const std::error_code& error) {
    return QString::fromLocal8Bit(error.message());
}

// Anything at the path counts, even a symbolic link that leads nowhere: a backup is never
// written through or over something already there.
bool somethingAt(const QString& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(nativePath(path), error));
}

std::optional<QString> makeParent(const QString& path) {
    const QString parent = QFileInfo(path).absolutePath();
    std::error_code error;
    std::filesystem::create_directories(nativePath(parent), error);
    if (error)
        return failure(QStringLiteral("Couldn't create the folder ") + parent, systemReason(error));
    return std::nullopt;
}

std::optional<QString> backUpOnce(const QString& path) {
    const QString backup = path + backupSuffix;
    if (!QFileInfo::exists(path) || somethingAt(backup))
        return std::nullopt;
    std::error_code error;
    std::filesystem::copy_file(nativePath(path), nativePath(backup),
                               std::filesystem::copy_options::none, error);
    if (!error)
        return std::nullopt;
    // A partial copy must not stand as the original forever, since backups are made once.
    if (error != std::errc::file_exists) {
        std::error_code ignored;
        std::filesystem::remove(nativePath(backup), ignored);
    }
    return failure(QStringLiteral("Couldn't back up ") + path + QStringLiteral(" to ") + backup,
                   systemReason(error));
}

std::optional<QString> writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    const QString reason = file.errorString();
    file.cancelWriting();
    return failure(QStringLiteral("Couldn't write ") + path, reason);
}

} // namespace

std::optional<QString> readConfigText(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    // Directories, pipes and devices are not configuration files; a pipe would block forever.
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> writeConfigText(const QString& path, const QString& text) {
    if (auto error = makeParent(path))
        return error;
    if (auto error = backUpOnce(path))
        return error;
    return writeWhole(path, text.toUtf8());
}

} // namespace morvanex::agents
