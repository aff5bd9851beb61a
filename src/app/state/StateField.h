#pragma once

#include "imaging/Image.h"

#include <optional>
#include <utility>

namespace glyphon {

// Images count as changed by identity, as the window sees them: a new load of the same file is a new image.
inline bool sameValue(const std::optional<Image> &a, const std::optional<Image> &b) {
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->bitmap().cacheKey() == b->bitmap().cacheKey() && a->size() == b->size());
}

template <typename T> bool sameValue(const T &a, const T &b) {
    return a == b;
}

// Sets a notifying field and sends its signal; an unchanged value sets off nothing.
template <typename Object, typename T, typename U>
bool assignField(Object *object, T &field, U &&value, void (Object::*changed)()) {
    if (sameValue(field, static_cast<const T &>(value)))
        return false;
    field = std::forward<U>(value);
    emit(object->*changed)();
    return true;
}

} // namespace glyphon
