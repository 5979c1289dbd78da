// A flat hash table from message keys to a small value: open addressing with
// linear probing in one vector, no node per entry, so that loading or
// marking a hundred thousand messages costs a few milliseconds. Entries are
// never removed (a value of zero stands for "nothing stored").
#pragma once

#include <cstddef>
#include <vector>

#include "core/readingstate.h"

namespace orv {

template <class V>
class KeyTable {
public:
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    void clear() {
        m_slots.clear();
        m_count = 0;
    }
    // Room for n entries without growing.
    void Reserve(std::size_t n) {
        std::size_t cap = 16;
        while (cap < n + n / 2 + 1) cap *= 2;
        if (cap > m_slots.size()) Rehash(cap);
    }
    const V* Find(MessageKey key) const {
        if (m_slots.empty()) return nullptr;
        for (std::size_t i = Home(key);; i = (i + 1) & (m_slots.size() - 1)) {
            const Slot& s = m_slots[i];
            if (!s.used) return nullptr;
            if (s.key == key) return &s.value;
        }
    }
    V* Find(MessageKey key) {
        return const_cast<V*>(static_cast<const KeyTable*>(this)->Find(key));
    }
    V Get(MessageKey key) const {
        const V* v = Find(key);
        return v ? *v : V{};
    }
    // The value of key, added as V{} when absent.
    V& operator[](MessageKey key) {
        if ((m_count + 1) * 3 > m_slots.size() * 2)
            Rehash(m_slots.empty() ? 16 : m_slots.size() * 2);
        for (std::size_t i = Home(key);; i = (i + 1) & (m_slots.size() - 1)) {
            Slot& s = m_slots[i];
            if (!s.used) {
                s.used = true;
                s.key = key;
                ++m_count;
                return s.value;
            }
            if (s.key == key) return s.value;
        }
    }
    // f(key, value) for every entry, in no particular order.
    template <class F>
    void ForEach(F&& f) const {
        for (const Slot& s : m_slots)
            if (s.used) f(s.key, s.value);
    }

private:
    struct Slot {
        MessageKey key = 0;
        V value{};
        bool used = false;
    };
    // The keys are well mixed already: their low bits pick the slot.
    std::size_t Home(MessageKey key) const {
        return static_cast<std::size_t>(key) & (m_slots.size() - 1);
    }
    void Rehash(std::size_t cap) {
        std::vector<Slot> old(cap);
        old.swap(m_slots);
        m_count = 0;
        for (const Slot& s : old)
            if (s.used) (*this)[s.key] = s.value;
    }

    std::vector<Slot> m_slots;
    std::size_t m_count = 0;
};

}  // namespace orv
