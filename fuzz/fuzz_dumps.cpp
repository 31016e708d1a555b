// The whole-card file readers and the access-bits decoder on arbitrary bytes: .mfd, .mct,
// .eml and .bin images, key files and trailer bytes. Each parse either gives an image of
// a card's size with every byte inside it, or an error text; a good image written again
// in its own format reads back the same.
#include <cstdint>
#include <cstdlib>

#include "dump/dump_formats.h"
#include "dump/key_list.h"
#include "insight/mifare_access.h"

using namespace kvt;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void parsed(const ParsedImage& p, bool (*sizeOk)(int)) {
  if (p.ok()) check(sizeOk(p.image.size()) && p.image.bytes().size() == p.image.size());
}

bool mifareSize(int n) { return n == 1024 || n == 4096; }
bool ultralightSize(int n) { return n == 64; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks what reads the rest.
  const QByteArray input(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
  switch (data[0] % 6) {
    case 0: {
      const ParsedImage p = ParseMct(input);
      parsed(p, mifareSize);
      if (p.ok()) check(ParseMct(WriteMct(p.image)).image == p.image);
      break;
    }
    case 1: {
      const ParsedImage p = ParseEml(input);
      parsed(p, mifareSize);
      if (p.ok()) check(ParseEml(WriteEml(p.image)).image.bytes() == p.image.bytes());
      break;
    }
    case 2: {
      const ParsedImage p = ParseMfd(input);
      parsed(p, mifareSize);
      if (p.ok()) check(ParseMct(WriteMct(p.image)).image == p.image);
      break;
    }
    case 3:
      parsed(ParseBin(input, 64), ultralightSize);
      break;
    case 4: {
      const ParsedKeys k = ParseKeyFile(input);
      for (const MifareKey6& key : k.keys) check(key.size() == 6);
      check(k.ok() || k.keys.empty());
      break;
    }
    case 5: {
      const QStringList lines = AccessLines(input, input.size() > 3 && (input[3] & 1));
      check(!lines.isEmpty() && lines.last().startsWith(QLatin1String("Access bits: ")));
      if (TrailerLocksForGood(input)) check(AccessBitsValid(input));
      if (input.size() >= 3 && AccessBitsValid(input))
        check(EncodeAccessBits(DecodeAccessBits(input).groups) == input.left(3));
      break;
    }
  }
  return 0;
}
