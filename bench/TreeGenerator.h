#pragma once

#include <random>
#include <string>

#include "core/trees/BookmarkTree.h"

namespace brivanta::bench {

// A custom tree of `entries` entries up to `maxDepth` levels deep: names of 4-30 GBK bytes
// (GB2312 characters), addresses of 20-80 bytes, roughly one entry in eight a folder. The
// top level of what is made is below `under` (kNoItem: the tree's top level).
inline void generateTree(BookmarkTree& tree, int entries, int maxDepth, unsigned seed = 42,
                         ItemId under = kNoItem) {
    std::mt19937 rng(seed);
    std::vector<ItemId> path;
    std::vector<bool> isFolder;
    NodeRecord record;
    for (int i = 0; i < entries; ++i) {
        // Go deeper only below a folder; otherwise stay or climb.
        int maxHere = static_cast<int>(path.size());
        if (maxHere > 0 && !isFolder[maxHere - 1])
            --maxHere;
        if (maxHere > maxDepth - 1)
            maxHere = maxDepth - 1;
        int depth = maxHere == 0 ? 0
                                 : std::uniform_int_distribution<int>(maxHere > 1 ? maxHere - 1 : 0,
                                                                      maxHere)(rng);
        path.resize(depth);
        isFolder.resize(depth);
        int chars = std::uniform_int_distribution<int>(2, 15)(rng);
        record.name.clear();
        for (int c = 0; c < chars; ++c) {
            record.name.push_back(static_cast<char>(0xB0 + rng() % 0x48));
            record.name.push_back(static_cast<char>(0xA1 + rng() % 0x5E));
        }
        bool folder = rng() % 8 == 0;
        record.address.clear();
        if (!folder) {
            int length = std::uniform_int_distribution<int>(20, 80)(rng);
            record.address = "http://www.example.com/";
            while (static_cast<int>(record.address.size()) < length) {
                record.address.push_back(static_cast<char>('a' + rng() % 26));
            }
            record.address.resize(length);
        }
        path.push_back(tree.InsertNode(record, depth == 0 ? under : path[depth - 1]));
        isFolder.push_back(folder);
    }
}

}  // namespace brivanta::bench
