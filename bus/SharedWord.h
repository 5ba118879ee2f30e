#pragma once

#include <atomic>
#include <cstdint>

// Words that other processes change at the same time: reference counts and
// lock words in shared blocks. Every change is a sequentially consistent
// atomic increment or decrement, as every peer on the bus does it.

static_assert(std::atomic_ref<int32_t>::is_always_lock_free, "shared words must be lock-free across processes");

inline int32_t sharedIncrement(int32_t& word)
{
    return std::atomic_ref<int32_t>(word).fetch_add(1, std::memory_order_seq_cst) + 1;
}

inline int32_t sharedDecrement(int32_t& word)
{
    return std::atomic_ref<int32_t>(word).fetch_sub(1, std::memory_order_seq_cst) - 1;
}

inline int32_t sharedLoad(int32_t& word)
{
    return std::atomic_ref<int32_t>(word).load(std::memory_order_seq_cst);
}

inline void sharedStore(int32_t& word, int32_t value)
{
    std::atomic_ref<int32_t>(word).store(value, std::memory_order_seq_cst);
}
