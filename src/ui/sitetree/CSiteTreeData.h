// Data a tree item may carry: an int and a text. The tree owns it and frees it with its item.
#pragma once

#include <string>

namespace zl {

class CSiteTreeData {
  public:
    CSiteTreeData();
    CSiteTreeData(int value, std::string text);
    CSiteTreeData(const CSiteTreeData& other);
    CSiteTreeData& operator=(const CSiteTreeData& other);
    ~CSiteTreeData();

    int value = 0;
    std::string text;

    // Objects alive now (tests check that the tree frees what it owns).
    static int LiveCount();
};

}  // namespace zl
