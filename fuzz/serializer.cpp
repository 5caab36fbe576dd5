// serializer.cpp - drives MemReadSerializer with a script taken from the input itself: each
// byte read picks the next operation, so truncated values, hostile string
// lengths and position jumps all come up. Checks that a failed read never
// moves the position (a string's length excepted) and never leaves the block.
#include "tier0/Serializer.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  MemReadSerializer s(data, static_cast<uint32_t>(size));
  Check(s.GetSize() == size);
  unsigned char raw[64];
  for (int steps = 0; steps < 4096 && !s.IsEOF(); ++steps) {
    uint8_t op = 0;
    s.DataUInt8(op);
    const uint32_t before = s.GetPosition();
    bool threw = false;
    bool isString = false;
    try {
      switch (op % 16) {
        case 0: {
          int8_t v;
          s.DataInt8(v);
          break;
        }
        case 1: {
          uint8_t v;
          s.DataUInt8(v);
          break;
        }
        case 2: {
          int16_t v;
          s.DataInt16(v);
          break;
        }
        case 3: {
          uint16_t v;
          s.DataUInt16(v);
          break;
        }
        case 4: {
          int32_t v;
          s.DataInt32(v);
          break;
        }
        case 5: {
          uint32_t v;
          s.DataUInt32(v);
          break;
        }
        case 6: {
          int64_t v;
          s.DataInt64(v);
          break;
        }
        case 7: {
          uint64_t v;
          s.DataUInt64(v);
          break;
        }
        case 8: {
          float v;
          s.DataFloat(v);
          break;
        }
        case 9: {
          double v;
          s.DataDouble(v);
          break;
        }
        case 10: {
          Vector3D v;
          s.DataVector3D(v);
          break;
        }
        case 11: {
          std::string v;
          isString = true;
          s.DataString(v);
          Check(v.size() <= size);
          break;
        }
        case 12: {
          s.DataRaw(raw, (op >> 4) * 4u);
          break;
        }
        case 13: {
          s.DataRaw(nullptr, op >> 4);
          break;
        }
        case 14: {
          uint32_t target = 0;
          s.DataUInt32(target);
          // Mostly stay inside the block so the walk goes on.
          Check(s.SetPosition(op & 0x80 ? target : target % (static_cast<uint32_t>(size) + 1)) <=
                size);
          break;
        }
        default: {
          s.DataRaw(raw, 0);
          break;
        }
      }
    } catch (const SerializeException& e) {
      threw = true;
      Check(e.what() != nullptr && e.GetErrorCode() != 0 && e.GetFunction() != nullptr);
    }
    Check(s.GetPosition() <= s.GetSize());
    if (threw) Check(s.GetPosition() == before || (isString && s.GetPosition() == before + 4));
  }
  return 0;
}
