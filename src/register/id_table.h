#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace morvanex {

// Open addressing over the ids of the owner's entries: the owner keeps the entries, the table finds
// one by its hash and the owner's comparison. Each slot keeps 32 bits of the hash, so growing needs no
// entry and most misses no comparison.
class IdTable
{
public:
    static constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

    template <typename Equal> std::uint32_t find(std::uint64_t hash, Equal equal) const
    {
        if (m_slots.empty())
            return none;
        const auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t i = tag & mask();; i = (i + 1) & mask()) {
            const Slot& slot = m_slots[i];
            if (slot.id == none)
                return none;
            if (slot.tag == tag && equal(slot.id))
                return slot.id;
        }
    }

    void insert(std::uint64_t hash, std::uint32_t id)
    {
        if (2 * (m_count + 1) > m_slots.size())
            grow(std::max<std::size_t>(16, 2 * m_slots.size()));
        place(Slot{id, static_cast<std::uint32_t>(hash)});
        ++m_count;
    }

    void reserve(std::size_t entries)
    {
        std::size_t size = 16;
        while (size < 2 * entries)
            size *= 2;
        if (size > m_slots.size())
            grow(size);
    }

private:
    struct Slot
    {
        std::uint32_t id = none;
        std::uint32_t tag = 0;
    };

    std::size_t mask() const { return m_slots.size() - 1; }

    void place(Slot slot)
    {
        std::size_t i = slot.tag & mask();
        while (m_slots[i].id != none)
            i = (i + 1) & mask();
        m_slots[i] = slot;
    }

    void grow(std::size_t size)
    {
        std::vector<Slot> old(size);
        old.swap(m_slots);
        for (const Slot& slot : old)
            if (slot.id != none)
                place(slot);
    }

    std::vector<Slot> m_slots;
    std::size_t m_count = 0;
};

} // namespace morvanex
