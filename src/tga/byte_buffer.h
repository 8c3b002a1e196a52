// A byte vector that does not zero what it grows by: a buffer that a read
// or the decoder fills right away is not written twice.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace tga {

template <typename T>
struct UninitialisedGrowth : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitialisedGrowth<U>;
    };
    UninitialisedGrowth() = default;
    template <typename U>
    UninitialisedGrowth(const UninitialisedGrowth<U>&) noexcept {}

    // resize(n) and the like: the new bytes keep whatever they held.
    template <typename U>
    void construct(U* place) noexcept(std::is_nothrow_default_constructible<U>::value) {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

using ByteBuffer = std::vector<std::uint8_t, UninitialisedGrowth<std::uint8_t>>;

}  // namespace tga
