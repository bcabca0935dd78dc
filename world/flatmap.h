#ifndef WORLD_FLATMAP_H
#define WORLD_FLATMAP_H

#include <algorithm>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

// An ordered map kept as one sorted array: the models are copied several times a cycle, and a
// copy of this is one allocation where a node map makes one per entry. It iterates in key order
// and operator[] inserts a value-initialised entry, as std::map does. Unlike std::map, an
// insertion moves the entries: no reference, pointer or iterator into the map may be held
// across an operator[] of a possibly new key.
template <typename Key, typename T, typename Compare = std::less<Key>>
class FlatMap {
  public:
    typedef Key key_type;
    typedef T mapped_type;
    typedef std::pair<Key, T> value_type;
    typedef typename std::vector<value_type>::iterator iterator;
    typedef typename std::vector<value_type>::const_iterator const_iterator;
    typedef std::size_t size_type;

    iterator begin() { return mEntries.begin(); }
    iterator end() { return mEntries.end(); }
    const_iterator begin() const { return mEntries.begin(); }
    const_iterator end() const { return mEntries.end(); }
    size_type size() const { return mEntries.size(); }
    bool empty() const { return mEntries.empty(); }
    void clear() { mEntries.clear(); }

    T& operator[](const Key& key) {
        const iterator it = LowerBound(key);
        if (it != mEntries.end() && !Compare()(key, it->first)) return it->second;
        return mEntries.insert(it, value_type(key, T()))->second;
    }

    iterator find(const Key& key) {
        const iterator it = LowerBound(key);
        return it != mEntries.end() && !Compare()(key, it->first) ? it : mEntries.end();
    }
    const_iterator find(const Key& key) const { return const_cast<FlatMap*>(this)->find(key); }
    size_type count(const Key& key) const { return find(key) != end() ? 1 : 0; }

    const T& at(const Key& key) const {
        const const_iterator it = find(key);
        if (it == end()) throw std::out_of_range("FlatMap::at: no such key");
        return it->second;
    }

  private:
    iterator LowerBound(const Key& key) {
        return std::lower_bound(
            mEntries.begin(), mEntries.end(), key,
            [](const value_type& entry, const Key& k) { return Compare()(entry.first, k); });
    }

    std::vector<value_type> mEntries;  // sorted by key, keys unique
};

#endif
