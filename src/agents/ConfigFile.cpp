#include "agents/ConfigFile.h"

#include "platform/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <unistd.h>

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

// What backing up did: whether this run made the backup, or why it could not.
struct Backup {
    bool made = false;
    std::optional<QString> error;
};

// How long a backup copy in the making may take before a copy under its temporary name counts
// as left behind by a run that was killed.
constexpr auto staleAfter = std::chrono::minutes(1);

// Whether `name` is one of the temporary names the copy of `backupName` is made under: the
// backup's name, a dot and six letters or digits.
bool isBackupTemporary(const QString& name, const QString& backupName) {
    if (name.size() != backupName.size() + 7 || !name.startsWith(backupName) ||
        name.at(backupName.size()) != QLatin1Char('.'))
        return false;
    for (const QChar c : QStringView(name).last(6)) {
        if (c.unicode() > 0x7f || !c.isLetterOrNumber())
            return false;
    }
    return true;
}

// Removes what a killed run left of a backup copy beside `path`: regular files under the copy's
// temporary names, untouched for longer than any copy takes. Anything else there, or a copy
// another run may still be writing, is left alone.
void removeStaleBackupTemporaries(const QString& path) {
    const QFileInfo file(path);
    const QString backupName = file.fileName() + backupSuffix;
    const QDir folder = file.absoluteDir();
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(
        -std::chrono::duration_cast<std::chrono::seconds>(staleAfter).count());
    // Every name is looked at, not matched against a pattern: the file's own name may hold
    // characters a pattern takes for wildcards.
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QFileInfo candidate(folder.filePath(name));
        if (!isBackupTemporary(name, backupName) || candidate.isSymLink() || !candidate.isFile() ||
            candidate.lastModified() > before)
            continue;
        std::error_code error;
        std::filesystem::remove(nativePath(candidate.filePath()), error);
        if (error)
            qCWarning(log::agents) << "Couldn't remove the unfinished backup copy"
                                   << candidate.filePath() << ":" << systemReason(error);
    }
}

Backup backUpOnce(const QString& path) {
    const QString backup = path + backupSuffix;
    if (!QFileInfo::exists(path) || somethingAt(backup))
        return {};
    const auto failed = [&](const QString& reason) {
        return Backup{false, failure(QStringLiteral("Couldn't back up ") + path +
                                         QStringLiteral(" to ") + backup,
                                     reason)};
    };
    // The copy gets the backup's name only once it is whole: backups are made once, so a copy
    // cut short (the process killed, the disk full) must never stand as the original.
    QTemporaryFile copy(backup + QStringLiteral(".XXXXXX"));
    if (!copy.open())
        return failed(copy.errorString());
    QFile original(path);
    if (!original.open(QIODevice::ReadOnly))
        return failed(original.errorString());
    constexpr qint64 chunkSize = qint64(1) << 20;
    while (!original.atEnd()) {
        const QByteArray chunk = original.read(chunkSize);
        if (original.error() != QFileDevice::NoError)
            return failed(original.errorString());
        if (copy.write(chunk) != chunk.size())
            return failed(copy.errorString());
    }
    if (!copy.flush())
        return failed(copy.errorString());
    if (::fsync(copy.handle()) != 0)
        return failed(systemReason(std::error_code(errno, std::generic_category())));
    const std::filesystem::path copyPath = nativePath(copy.fileName());
    std::error_code error;
    // The backup keeps the original's permissions: settings files can hold keys and tokens.
    const auto mode = std::filesystem::status(nativePath(path), error).permissions();
    if (!error)
        std::filesystem::permissions(copyPath, mode, error);
    if (error)
        return failed(systemReason(error));
    // A hard link never replaces a backup that appeared meanwhile; on a file system without
    // hard links the copy is renamed after one more look.
    std::filesystem::create_hard_link(copyPath, nativePath(backup), error);
    if (error == std::errc::file_exists)
        return {};
    if (error) {
        if (somethingAt(backup))
            return {};
        std::filesystem::rename(copyPath, nativePath(backup), error);
        if (error)
            return failed(systemReason(error));
    }
    return Backup{true, std::nullopt};
}

} // namespace

std::optional<QString> readConfigText(const QString& path) {
    std::error_code error;
    const auto status = std::filesystem::status(nativePath(path), error);
    // Nothing there, or a link to a file not made yet: the file counts as empty.
    if (status.type() == std::filesystem::file_type::not_found)
        return QString();
    // A link that loops, or a path the system refuses to resolve, is something the user made
    // that cannot be read; it must not be taken for a missing file and replaced.
    if (error)
        return std::nullopt;
    // Directories, pipes and devices are not configuration files; a pipe would block forever.
    if (status.type() != std::filesystem::file_type::regular)
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
    removeStaleBackupTemporaries(path);
    // The new text is written out in full before the backup is made, so that a write the
    // system refuses (a read-only file, a full disk, a size limit) leaves no backup behind.
    // The explicit flush matters: commit() alone does not report a write the system cut
    // short, and would put the truncated text in the file's place.
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    const auto writeFailed = [&] {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(QStringLiteral("Couldn't write ") + path, reason);
    };
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return writeFailed();
    const Backup backup = backUpOnce(path);
    if (backup.error) {
        file.cancelWriting();
        return backup.error;
    }
    if (file.commit())
        return std::nullopt;
    // The file is unchanged, so the backup this run made would claim a change that never was.
    if (backup.made) {
        std::error_code error;
        std::filesystem::remove(nativePath(path + backupSuffix), error);
        if (error)
            qCWarning(log::agents) << "Couldn't remove the backup of" << path << "after a failed"
                                   << "write:" << systemReason(error);
    }
    return writeFailed();
}

} // namespace morvanex::agents
