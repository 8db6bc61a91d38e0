#pragma once

#include <QString>
#include <optional>

namespace morvanex::platform {

// Starting the application when the user logs in, as the desktop's session manager does it: a
// desktop entry in the user's autostart folder whose Exec line runs this executable. The entry
// counts as on while its file exists and does not hide itself.
class AutostartEntry {
public:
    // `folder` defaults to $XDG_CONFIG_HOME/autostart, `executable` to the running program.
    explicit AutostartEntry(QString folder = defaultFolder(),
                            QString executable = runningExecutable());

    static QString defaultFolder();
    static QString runningExecutable();
    static inline const QString fileName = QStringLiteral("morvanex.desktop");

    QString filePath() const;
    bool isEnabled() const;

    // Each returns the reason it failed, or nothing when the entry is now as asked.
    std::optional<QString> enable() const;
    std::optional<QString> disable() const;

    // The entry's text for an executable (its Exec value quoted as desktop entries want it).
    static QByteArray entryText(const QString& executable);
    // The Exec value that runs exactly `executable`.
    static QString quotedExec(const QString& executable);
    // Whether an entry's text asks to be left out ("Hidden=true", or the GNOME switch off).
    static bool hidesItself(const QByteArray& text);

private:
    QString folder_;
    QString executable_;
};

} // namespace morvanex::platform
