#pragma once

#include <memory>
#include <typeinfo>

namespace morvanex::ui {

// What one section of a panel shows, as a plain value of any type with operator==: two are
// equal only when they hold the same type and equal values, so a section is made again only
// when what it shows has changed.
class ShownModel {
public:
    ShownModel() = default;
    template <typename Model>
    explicit ShownModel(Model value)
        : value_(std::make_shared<const Model>(std::move(value))), type_(&typeid(Model)),
          same_(&same<Model>) {}

    bool operator==(const ShownModel& other) const {
        if (!type_ || !other.type_)
            return type_ == other.type_;
        return *type_ == *other.type_ && same_(*this, other);
    }

    // Whether both hold values of one type (a widget made for one can take the other).
    bool sameType(const ShownModel& other) const {
        return type_ && other.type_ && *type_ == *other.type_;
    }

    // The value; only asked for with the type it was made from.
    template <typename Model> const Model& get() const {
        return *static_cast<const Model*>(value_.get());
    }

private:
    template <typename Model> static bool same(const ShownModel& a, const ShownModel& b) {
        return a.get<Model>() == b.get<Model>();
    }

    std::shared_ptr<const void> value_;
    const std::type_info* type_ = nullptr;
    bool (*same_)(const ShownModel&, const ShownModel&) = nullptr;
};

} // namespace morvanex::ui
