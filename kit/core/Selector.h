#pragma once

// A selector is an interned method name (keywords joined in lower camel case, "tabClick",
// "performClick"). Equal names give the same selector, so comparison is by pointer.

#include <QString>

#include <functional>

namespace kit {

class Selector {
public:
    Selector() = default;
    Selector(const char* name);
    Selector(const QString& name);

    const QString& name() const;
    bool isNull() const { return name_ == nullptr; }
    explicit operator bool() const { return name_ != nullptr; }

    friend bool operator==(Selector a, Selector b) { return a.name_ == b.name_; }

private:
    const QString* name_ = nullptr;
};

inline QString stringFromSelector(Selector s) { return s.name(); }
inline Selector selectorFromString(const QString& name) { return name.isEmpty() ? Selector() : Selector(name); }

} // namespace kit

template <> struct std::hash<kit::Selector> {
    std::size_t operator()(kit::Selector s) const noexcept { return std::hash<const void*>()(&s.name()); }
};
