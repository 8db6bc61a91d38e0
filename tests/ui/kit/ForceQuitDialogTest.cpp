#include "ui/kit/ForceQuitDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace morvanex::ui;

TEST(ForceQuitDialog, AnswersWithTheButtonChosen) {
    for (const char* choice : {"Force Quit", "Cancel"}) {
        QString text;
        QString informative;
        QStringList buttons;
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            timer.stop();
            text = box->text();
            informative = box->informativeText();
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == choice)
                    button->click();
        });
        timer.start();
        // An id with no process behind it: no icon beyond the generic one, if any.
        const bool confirmed =
            confirmForceQuit(999999, "Force quit “editor”?", "You will lose any unsaved changes.");
        EXPECT_EQ(confirmed, QString(choice) == "Force Quit");
        EXPECT_EQ(text, "Force quit “editor”?");
        EXPECT_EQ(informative, "You will lose any unsaved changes.");
        buttons.sort();
        EXPECT_EQ(buttons, (QStringList{"Cancel", "Force Quit"}));
    }
}
