#include "mproxynameindex.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Names of every length up to 20 around the hash's load boundaries (3, 4, 7, 8, 9, 16 bytes),
// and names that differ only in their last, first or middle byte: every one is found with its
// own value, and near misses are not found.
TEST(NameIndexTest, FindsEveryNameAndNoNearMiss) {
  std::map<std::string, int> table;
  std::vector<std::string> misses;
  for (size_t length = 1; length <= 20; ++length) {
    for (char last : {'a', 'b', '0'}) {
      std::string name(length - 1, 'x');
      name += last;
      table.emplace(name, static_cast<int>(table.size()));
    }
    misses.push_back(std::string(length, 'y'));
    misses.push_back(std::string(length - 1, 'x').append(1, 'c'));
    std::string middle(length, 'x');
    middle[length / 2] = 'z';
    if (length > 1) misses.push_back(middle.append("a"));
  }
  for (int i = 0; i < 300; ++i) table.emplace(std::string("a").append(std::to_string(i % 4)).append("_").append(std::to_string(i)), i);
  table.emplace("", -1);
  MProxyNameIndex<int> index;
  index.rebuild(table);
  for (const auto& [name, value] : table) {
    const int* found = index.find(name);
    ASSERT_NE(found, nullptr) << '"' << name << '"';
    EXPECT_EQ(*found, value) << name;
  }
  for (const std::string& name : misses) EXPECT_EQ(index.find(name), nullptr) << name;
  EXPECT_EQ(index.find("a1_2"), nullptr);  // "a2_2" is there, as are "a1_1" and "a1_21"
}

// An index follows its table only through rebuild; a cleared one finds nothing.
TEST(NameIndexTest, RebuildFollowsTheTable) {
  std::map<std::string, int> table{{"x", 1}};
  MProxyNameIndex<int> index;
  EXPECT_EQ(index.find("x"), nullptr);
  index.rebuild(table);
  table.emplace("y", 2);
  EXPECT_EQ(index.find("y"), nullptr);
  index.rebuild(table);
  ASSERT_NE(index.find("y"), nullptr);
  EXPECT_EQ(*index.find("y"), 2);
  index.clear();
  EXPECT_EQ(index.find("x"), nullptr);
}

}  // namespace
