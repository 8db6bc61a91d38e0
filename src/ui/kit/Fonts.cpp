#include "ui/kit/Fonts.h"

#include "platform/Log.h"

#include <QFontDatabase>
#include <QStringList>

namespace morvanex::ui::Fonts {

namespace {

const char* const kFamily = "DejaVu Sans";
const char* const kFolder = "/usr/share/fonts/truetype/dejavu/";
const char* const kFiles[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf",
                              "DejaVuSans-BoldOblique.ttf"};

bool registerFiles() {
    bool any = false;
    for (const char* file : kFiles) {
        const QString path = QString::fromLatin1(kFolder) + QString::fromLatin1(file);
        if (QFontDatabase::addApplicationFont(path) >= 0)
            any = true;
    }
    if (!any && !QFontDatabase::families().contains(QString::fromLatin1(kFamily)))
        qCWarning(log::ui) << "the DejaVu Sans font files were not found under" << kFolder
                           << "; texts use the system's fallback font";
    return any;
}

} // namespace

QString family() {
    static const bool registered = registerFiles();
    (void)registered;
    return QString::fromLatin1(kFamily);
}

QFont font(double pixelSize, QFont::Weight weight) {
    QFont result(family());
    result.setPixelSize(qMax(1, qRound(pixelSize)));
    result.setWeight(weight);
    result.setStyleHint(QFont::SansSerif);
    result.setHintingPreference(QFont::PreferNoHinting);
    result.setKerning(true);
    return result;
}

} // namespace morvanex::ui::Fonts
