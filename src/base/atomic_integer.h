// The runtime's atomic integer object: one signed 32-bit value shared between threads.
#pragma once

#include <atomic>
#include <cstdint>

class rg_YuanZiZhengShuLei {
public:
    rg_YuanZiZhengShuLei() = default;
    // Copying takes the other's value into this one with an atomic exchange.
    rg_YuanZiZhengShuLei(const rg_YuanZiZhengShuLei& other) { exchange(other.load()); }
    rg_YuanZiZhengShuLei& operator=(const rg_YuanZiZhengShuLei& other) {
        exchange(other.load());
        return *this;
    }

    // Stores value and gives back the one it replaced.
    std::int32_t exchange(std::int32_t value) { return number.exchange(value); }
    // Adds delta and gives back the new value.
    std::int32_t add(std::int32_t delta) { return number.fetch_add(delta) + delta; }
    std::int32_t load() const { return number.load(std::memory_order_relaxed); }

private:
    std::atomic<std::int32_t> number{0};
};
