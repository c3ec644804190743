#pragma once

#include <string>
#include <string_view>

namespace brivanta {

// Where each tree lives. The names go through the archive path rule (LoadTree, SaveTree)
// relative to the program directory, which is the current directory while the program runs.
// User names are GBK; file names on this system are UTF-8, so they are converted here.

// Custom tree: the user name, which the path rule turns into "Data/<user>.bvk".
std::string customTreeName(std::string_view userName);
// Address book: "<user>.ads", which the path rule turns into "Data/<user>.ads".
std::string addressBookName(std::string_view userName);
// Recommended tree, shared by every user: "<program directory>/System.bvk".
std::string recommendedTreeName(std::string_view programDirectory);
// Its backup, kept while the recommended tree is being replaced.
std::string recommendedBackupName(std::string_view programDirectory);

inline constexpr const char* kTipsFile = "tips.txt";
inline constexpr const char* kHelpFile = "Help/index.htm";
inline constexpr const char* kDataDirectory = "Data";

}  // namespace brivanta
