// StoredZip.cpp - local headers, central directory and end record of a zip
// archive with stored entries.
#include "common/StoredZip.h"

#include <cstdint>
#include <initializer_list>

namespace kaztest {
namespace {

uint32_t Crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Little-endian fields of the given byte widths.
void Put(std::string& out, std::initializer_list<std::pair<uint32_t, int>> fields) {
  for (const auto& [value, bytes] : fields)
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string out, central;
  for (const auto& [name, data] : entries) {
    const auto offset = static_cast<uint32_t>(out.size()), crc = Crc32(data),
               size = static_cast<uint32_t>(data.size()),
               length = static_cast<uint32_t>(name.size());
    // Version 1.0, no flags, stored, a fixed date.
    Put(out, {{0x04034b50, 4},
              {10, 2},
              {0, 2},
              {0, 2},
              {0, 2},
              {0x21, 2},
              {crc, 4},
              {size, 4},
              {size, 4},
              {length, 2},
              {0, 2}});
    out += name + data;
    Put(central, {{0x02014b50, 4},
                  {20, 2},
                  {10, 2},
                  {0, 2},
                  {0, 2},
                  {0, 2},
                  {0x21, 2},
                  {crc, 4},
                  {size, 4},
                  {size, 4},
                  {length, 2},
                  {0, 2},
                  {0, 2},
                  {0, 2},
                  {0, 2},
                  {0, 4},
                  {offset, 4}});
    central += name;
  }
  const auto directory = static_cast<uint32_t>(out.size()),
             count = static_cast<uint32_t>(entries.size());
  out += central;
  Put(out, {{0x06054b50, 4},
            {0, 2},
            {0, 2},
            {count, 2},
            {count, 2},
            {static_cast<uint32_t>(central.size()), 4},
            {directory, 4},
            {0, 2}});
  return out;
}

}  // namespace kaztest
