// SPDX-License-Identifier: MIT
// The whole-card file readers and the access-bits decoder on arbitrary bytes: .mfd, .mct,
// .eml and .bin images (Mifare and Ultralight), key files, trailer bytes and the lists of
// bytes a dump did not read. Each parse either gives an image of a card's size with every
// byte inside it, or an error text; a good image written again in its own format reads
// back the same; a list either applies whole or leaves the image alone.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/dump/dump_formats.h"
#include "core/dump/key_list.h"
#include "core/dump/unread_list.h"
#include "core/insight/mifare_access.h"

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
  switch (data[0] % 8) {
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
    case 6: {
      const ParsedImage p = ParseUltralightEml(input);
      parsed(p, ultralightSize);
      if (p.ok()) check(ParseUltralightEml(WriteUltralightEml(p.image)).image == p.image);
      break;
    }
    case 7: {
      // The input's low bits mark the bytes not read of a 64-byte image: its own list
      // gives them back; the input read as a list applies whole or not at all.
      CardImage image = CardImage::fromBytes(QByteArray(64, '\0'));
      for (int i = 0; i < std::min<int>(64, static_cast<int>(input.size())); ++i)
        if (input[i] & 1) image.forget(i, 1);
      const QByteArray file = WriteBin(image);
      CardImage back = CardImage::fromBytes(file);
      check(ApplyUnreadList(WriteUnreadList(image, file, QStringLiteral("u.bin")), file, &back).isEmpty());
      check(back == image);
      CardImage other = CardImage::fromBytes(file);
      if (!ApplyUnreadList(input, file, &other).isEmpty()) check(other == CardImage::fromBytes(file));
      break;
    }
  }
  return 0;
}
