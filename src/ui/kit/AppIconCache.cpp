#include "ui/kit/AppIconCache.h"

#include "platform/Log.h"
#include "platform/linux/ProcessTable.h"
#include "ui/kit/Palette.h"
#include "ui/kit/Symbols.h"

#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

namespace morvanex::ui {

AppIconCache::AppIconCache(platform::Roots roots, QStringList dataFolders)
    : roots_(std::move(roots)), dataFolders_(std::move(dataFolders)) {}

AppIconCache& AppIconCache::shared() {
    static AppIconCache instance;
    return instance;
}

std::optional<QImage> AppIconCache::icon(std::int32_t pid) {
    if (const auto found = cache_.constFind(pid); found != cache_.constEnd())
        return *found;
    if (cache_.size() > limit)
        cache_.clear();

    std::optional<QImage> made;
    const QString program = programName(pid);
    if (const QString iconName = platform::iconForProgram(entries(), program); !iconName.isEmpty())
        made = bitmap(iconNamed(iconName));
    if (!made)
        made = generic();
    if (made)
        cache_.insert(pid, *made);
    return made;
}

QString AppIconCache::programName(std::int32_t pid) const {
    const platform::ProcessTable table(roots_, 0);
    if (const QByteArray path = table.executablePath(pid); !path.isEmpty())
        return QFileInfo(QString::fromUtf8(path)).fileName();
    return QString::fromUtf8(table.shortName(pid));
}

QIcon AppIconCache::iconNamed(const QString& name) const {
    if (QFileInfo(name).isAbsolute())
        return QFileInfo::exists(name) ? QIcon(name) : QIcon();
    if (QIcon themed = QIcon::fromTheme(name); !themed.isNull())
        return themed;
    // Older programs leave their icon in the shared pixmaps folder instead of a theme.
    for (const QString& folder : dataFolders_)
        for (const char* suffix : {".png", ".svg", ".xpm"}) {
            const QString path =
                folder + QStringLiteral("/pixmaps/") + name + QLatin1String(suffix);
            if (QFileInfo::exists(path))
                return QIcon(path);
        }
    return {};
}

const std::vector<platform::DesktopEntry>& AppIconCache::entries() {
    if (!entries_)
        entries_ = platform::loadDesktopEntries(dataFolders_);
    return *entries_;
}

std::optional<QImage> AppIconCache::generic() {
    if (!generic_) {
        generic_ = bitmap(QIcon::fromTheme(QStringLiteral("application-x-executable")));
        if (!*generic_) {
            qCDebug(log::ui) << "the icon theme has no generic program icon; drawing our own";
            generic_ = drawnGeneric();
        }
    }
    return *generic_;
}

QImage AppIconCache::drawnGeneric() {
    // A grey tile with a white gear: readable on light and dark panels alike, since the
    // cache holds one image per process whatever the appearance.
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color(Tint::gray, Appearance::light));
        const QRectF tile(2, 2, side - 4, side - 4);
        painter.drawRoundedRect(tile, 7, 7);
        const double glyph = side * 0.55;
        Symbols::draw(painter, QStringLiteral("gearshape.fill"),
                      QRectF((side - glyph) / 2, (side - glyph) / 2, glyph, glyph),
                      Symbols::Paint::monochrome(Qt::white));
    }
    image.setDevicePixelRatio(2);
    return image;
}

std::optional<QImage> AppIconCache::bitmap(const QIcon& icon) {
    if (icon.isNull())
        return std::nullopt;
    const QPixmap pixmap = icon.pixmap(QSize(side, side), 1.0);
    if (pixmap.isNull())
        return std::nullopt;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(0, 0, side, side), pixmap);
    }
    image.setDevicePixelRatio(2);
    return image;
}

} // namespace morvanex::ui
