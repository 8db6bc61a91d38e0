#pragma once

#include "base/SettingsRecords.h"
#include "ui/kit/Palette.h"

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;

namespace morvanex::ui {

class SymbolIcon;

// Shows an action's shortcut and captures a new one. It stores nothing: the owner says whether
// it records and hears what it captured. While recording it takes every key press of the
// application (shortcut overrides included, so no menu or window shortcut fires and nothing
// reaches a text field).
class ShortcutRecorder : public QWidget {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> onStart = [] {};
        std::function<void(std::optional<HotKey>)> onRecord = [](std::optional<HotKey>) {};
        std::function<void()> onCancel = [] {};
    };

    ShortcutRecorder(Appearance appearance, Callbacks callbacks, QWidget* parent = nullptr);
    ~ShortcutRecorder() override;

    // What the owner gives: the binding, whether this recorder listens, whether the system
    // refused the binding. Listening starts and stops only on a change of `isRecording`.
    void setState(const std::optional<HotKey>& hotKey, bool isRecording, bool failed);

    // The caption for a state.
    static QString caption(const std::optional<HotKey>& hotKey, bool isRecording, bool invalid);

    QString text() const;
    bool isListening() const { return listening_; }
    bool isInvalid() const { return invalid_; }
    bool showsWarning() const;
    bool showsClear() const;
    QWidget* captionField() const { return field_; }
    QWidget* clearControl() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void listen();
    void stopListening();
    void refresh();
    void handleKey(QKeyEvent& event);

    Appearance appearance_;
    Callbacks callbacks_;
    std::optional<HotKey> hotKey_;
    bool isRecording_ = false;
    bool failed_ = false;
    bool listening_ = false;
    bool invalid_ = false;
    SymbolIcon* warning_;
    QWidget* field_;
    QLabel* label_;
    SymbolIcon* clear_;
};

} // namespace morvanex::ui
