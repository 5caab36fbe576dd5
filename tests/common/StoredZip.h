// StoredZip.h - the bytes of a zip archive with stored (uncompressed)
// entries: all a ".pak" package needs in tests, without a zip tool.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kaztest {

// Entries are (name, contents) in archive order.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace kaztest
