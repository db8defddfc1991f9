// The setter rule of every persistent property: compare, store only a new value, and tell
// the caller whether it changed so that it can notify its owner.
#pragma once

namespace vemora {

template <class T> bool StoreChanged(T& field, const T& value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace vemora
