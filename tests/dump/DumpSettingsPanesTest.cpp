#include "dump/DumpSettingsPanes.h"

#include <gtest/gtest.h>

using namespace morvanex;
using ui::PanelDefaults;
using ui::PanelKeys::settingsPane;

namespace {

TEST(StoredSettingsPane, PutsBackWhatWasThereOrRemovesTheKeyAgain) {
    struct Row {
        const char* name;
        QVariant before;
    };
    const Row rows[] = {
        {"a pane name", QStringLiteral("weather")},
        {"a text that names no pane", QStringLiteral("nonsense")},
        {"absent", QVariant()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PanelDefaults defaults(platform::UserDefaults::inMemory());
        if (row.before.isValid())
            defaults.setValue(settingsPane, row.before);
        dump::StoredSettingsPane stored(defaults);
        defaults.setValue(settingsPane, QStringLiteral("about"));
        stored.restore();
        EXPECT_EQ(defaults.value(settingsPane), row.before);
        EXPECT_EQ(defaults.value(settingsPane).isValid(), row.before.isValid());
    }
}

} // namespace
