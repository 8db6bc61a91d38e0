#include "ui/settings/ModuleList.h"

#include "ui/kit/IconTile.h"
#include "ui/settings/ListMove.h"

#include <QStringList>

namespace morvanex::ui::ModuleList {

std::vector<ModuleConfig> enabled(const std::vector<ModuleConfig>& modules) {
    std::vector<ModuleConfig> out;
    for (const ModuleConfig& m : modules) {
        if (m.enabled)
            out.push_back(m);
    }
    return out;
}

std::vector<ModuleConfig> disabled(const std::vector<ModuleConfig>& modules) {
    std::vector<ModuleConfig> out;
    for (const ModuleConfig& m : modules) {
        if (!m.enabled)
            out.push_back(m);
    }
    return out;
}

std::vector<ModuleConfig> move(const std::vector<ModuleConfig>& modules,
                               const std::set<std::size_t>& sources, std::size_t destination) {
    std::vector<ModuleConfig> out = listMove(enabled(modules), sources, destination);
    const std::vector<ModuleConfig> off = disabled(modules);
    out.insert(out.end(), off.begin(), off.end());
    return out;
}

std::optional<std::vector<ModuleConfig>> step(const std::vector<ModuleConfig>& modules,
                                              ModuleKind kind, int by) {
    const std::vector<ModuleConfig> on = enabled(modules);
    for (std::size_t i = 0; i < on.size(); ++i) {
        if (on[i].kind != kind)
            continue;
        const auto destination = stepDestination(i, by, on.size());
        if (!destination)
            return std::nullopt;
        return move(modules, {i}, *destination);
    }
    return std::nullopt;
}

ModuleConfig read(const std::vector<ModuleConfig>& modules, ModuleKind kind) {
    for (const ModuleConfig& m : modules) {
        if (m.kind == kind)
            return m;
    }
    return ModuleConfig{kind, false, DisplayStyle::icon};
}

std::optional<std::vector<ModuleConfig>> write(const std::vector<ModuleConfig>& modules,
                                               ModuleKind kind, const ModuleConfig& value) {
    std::vector<ModuleConfig> out = modules;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i].kind != kind)
            continue;
        const bool wasOn = out[i].enabled;
        out[i] = value;
        if (!wasOn && value.enabled) {
            out.erase(out.begin() + std::ptrdiff_t(i));
            std::size_t insertAt = 0;
            for (std::size_t j = 0; j < out.size(); ++j) {
                if (out[j].enabled)
                    insertAt = j + 1;
            }
            out.insert(out.begin() + std::ptrdiff_t(insertAt), value);
        }
        return out;
    }
    return std::nullopt;
}

QString displayName(ModuleKind kind) {
    return kind == ModuleKind::combined ? QStringLiteral("Overview") : title(kind);
}

QString tileSymbol(ModuleKind kind) {
    return kind == ModuleKind::combined ? IconTile::appGlyphName : symbol(kind);
}

Tint tint(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::combined:
        return Tint::indigo;
    case ModuleKind::cpu:
        return Tint::blue;
    case ModuleKind::gpu:
        return Tint::purple;
    case ModuleKind::memory:
        return Tint::green;
    case ModuleKind::disks:
        return Tint::gray;
    case ModuleKind::network:
        return Tint::teal;
    case ModuleKind::sensors:
        return Tint::red;
    case ModuleKind::battery:
        return Tint::green;
    case ModuleKind::weather:
        return Tint::teal;
    case ModuleKind::astronomy:
        return Tint::orange;
    case ModuleKind::time:
        return Tint::gray;
    }
    return Tint::gray;
}

std::vector<DisplayStyle> styles(ModuleKind kind) {
    using S = DisplayStyle;
    switch (kind) {
    case ModuleKind::cpu:
    case ModuleKind::gpu:
    case ModuleKind::memory:
    case ModuleKind::network:
        return {S::graphAndText, S::graph, S::text, S::icon, S::iconAndText};
    default:
        return {S::iconAndText, S::text, S::icon};
    }
}

QString label(DisplayStyle style) {
    switch (style) {
    case DisplayStyle::text:
        return QStringLiteral("Text");
    case DisplayStyle::graph:
        return QStringLiteral("Graph");
    case DisplayStyle::graphAndText:
        return QStringLiteral("Graph + Text");
    case DisplayStyle::icon:
        return QStringLiteral("Icon");
    case DisplayStyle::iconAndText:
        return QStringLiteral("Icon + Text");
    }
    return {};
}

QString hiddenNames(const std::vector<ModuleConfig>& modules) {
    QStringList names;
    for (const ModuleConfig& m : disabled(modules))
        names << displayName(m.kind);
    return names.join(QStringLiteral(", "));
}

QString hiddenCount(std::size_t count) {
    return QString::number(qulonglong(count)) + QStringLiteral(" more hidden");
}

} // namespace morvanex::ui::ModuleList
