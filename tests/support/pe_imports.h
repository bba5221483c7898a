// Reads the import table of a PE file on disk: which functions of which DLLs it needs to load.
#pragma once

#include <map>
#include <set>
#include <string>

namespace testsupport {

// DLL name (upper case) -> imported function names. Empty when the file is not a PE (32- or
// 64-bit) or cannot be read; ordinal imports appear as "#<ordinal>".
std::map<std::string, std::set<std::string>> ReadImports(const std::string& path);

}  // namespace testsupport
