#include "agents/TomlEdit.h"

#include "agents/TomlSection.h"
#include "platform/Log.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <toml++/toml.h>

namespace morvanex::agents {
namespace {

constexpr std::string_view serversKey = "mcp_servers";
constexpr std::string_view entryKey = "morvanex";

std::optional<toml::table> parsed(const QString& text, const char* which) {
    const QByteArray utf8 = text.toUtf8();
    try {
        return toml::parse(std::string_view(utf8.constData(), std::size_t(utf8.size())));
    } catch (const toml::parse_error& error) {
        std::ostringstream where;
        where << error.source().begin;
        const std::string_view description = error.description();
        qCDebug(log::agents) << which << "TOML text does not parse:"
                             << QString::fromUtf8(description.data(), qsizetype(description.size()))
                             << "at" << QString::fromStdString(where.str());
        return std::nullopt;
    }
}

const toml::node* entryOf(const toml::table& document) {
    const toml::table* servers = document.get_as<toml::table>(serversKey);
    return servers ? servers->get(entryKey) : nullptr;
}

// The document less the entry, and less the servers table when the entry was all it held:
// that table exists only because of the entry.
void dropEntry(toml::table& document) {
    toml::table* servers = document.get_as<toml::table>(serversKey);
    if (!servers)
        return;
    servers->erase(entryKey);
    if (servers->empty())
        document.erase(serversKey);
}

template <typename T> bool sameValue(const toml::node& a, const toml::node& b) {
    return a.as<T>()->get() == b.as<T>()->get();
}

// Equal types and values all the way down; floats by their bits, so that nan equals nan.
bool sameNode(const toml::node& a, const toml::node& b) {
    if (a.type() != b.type())
        return false;
    switch (a.type()) {
    case toml::node_type::table: {
        const toml::table& left = *a.as_table();
        const toml::table& right = *b.as_table();
        if (left.size() != right.size())
            return false;
        for (const auto& [key, value] : left) {
            const toml::node* other = right.get(key.str());
            if (!other || !sameNode(value, *other))
                return false;
        }
        return true;
    }
    case toml::node_type::array: {
        const toml::array& left = *a.as_array();
        const toml::array& right = *b.as_array();
        if (left.size() != right.size())
            return false;
        for (std::size_t i = 0; i < left.size(); ++i) {
            if (!sameNode(left[i], right[i]))
                return false;
        }
        return true;
    }
    case toml::node_type::floating_point:
        return std::bit_cast<std::uint64_t>(a.as_floating_point()->get()) ==
               std::bit_cast<std::uint64_t>(b.as_floating_point()->get());
    case toml::node_type::string:
        return sameValue<std::string>(a, b);
    case toml::node_type::integer:
        return sameValue<std::int64_t>(a, b);
    case toml::node_type::boolean:
        return sameValue<bool>(a, b);
    case toml::node_type::date:
        return sameValue<toml::date>(a, b);
    case toml::node_type::time:
        return sameValue<toml::time>(a, b);
    case toml::node_type::date_time:
        return sameValue<toml::date_time>(a, b);
    case toml::node_type::none:
        return true;
    }
    return false;
}

// The entry as updatedToml writes it: this executable with the one argument "--mcp". Tables
// of the entry kept elsewhere in the file (its "env", say) may sit beside them.
bool isWrittenEntry(const toml::node* entry, const QString& executable) {
    const toml::table* table = entry ? entry->as_table() : nullptr;
    if (!table)
        return false;
    const auto command = table->get_as<std::string>("command");
    const auto args = table->get_as<toml::array>("args");
    if (!command || command->get() != executable.toStdString() || !args || args->size() != 1)
        return false;
    const auto argument = args->get_as<std::string>(0);
    return argument && argument->get() == "--mcp";
}

std::uint32_t lineOf(const QString& text, qsizetype offset) {
    return std::uint32_t(QStringView(text).left(offset).count(QLatin1Char('\n')) + 1);
}

} // namespace

std::variant<QString, TomlRefusal> checkedTomlUpdate(const QString& text, bool adding,
                                                     const QString& executable) {
    auto before = parsed(text, "The config file's");
    if (!before)
        return TomlRefusal::unreadable;
    // The edit handles the entry only as a table whose header line it finds: not as an inline
    // table, dotted keys or a header spelled another way, which it would leave behind.
    const auto section = tomlSection(text);
    const toml::node* entry = entryOf(*before);
    const toml::table* table = entry ? entry->as_table() : nullptr;
    if (entry && (!section || !table || table->is_inline()))
        return TomlRefusal::entryForm;
    // A header line that is not where the parser saw the entry begin lies inside a multi-line
    // string, and cutting there would cut the string.
    if (section && (!table || table->source().begin.line != lineOf(text, section->start)))
        return TomlRefusal::otherSettings;
    QString edited = updatedToml(text, adding, executable);
    auto after = parsed(edited, "The edited");
    if (!after)
        return TomlRefusal::otherSettings;
    const bool entryDone =
        adding ? isWrittenEntry(entryOf(*after), executable) : entryOf(*after) == nullptr;
    dropEntry(*before);
    dropEntry(*after);
    if (!sameNode(*before, *after))
        return TomlRefusal::otherSettings;
    if (!entryDone)
        return TomlRefusal::entryForm;
    return edited;
}

} // namespace morvanex::agents
