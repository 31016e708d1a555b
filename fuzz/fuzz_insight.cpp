// SPDX-License-Identifier: MIT
// The card insight decoders on any bytes. Input: one length byte n (taken modulo 64), n
// bytes of a card answer, then the text of a known-ATR list. The answer goes through the
// answer-to-reset, answer-to-select and historical-byte decoders and, by its first and
// last two bytes, the status-word texts; the list text is parsed from the buffer and
// asked for the answer's names.
#include <QRegularExpression>

#include "core/insight/atr.h"
#include "core/insight/ats.h"
#include "core/insight/historical_bytes.h"
#include "core/insight/known_atrs.h"
#include "core/insight/status_words.h"
#include "fuzz_support.h"

using namespace kvt::insight;

namespace {

// A decoding ends in an "Error" fact exactly when it reports one, and says something.
template <typename Info>
void CheckEnding(const Info& info) {
  KVT_FUZZ_CHECK(!info.facts.isEmpty());
  KVT_FUZZ_CHECK(info.error.has_value() == (info.facts.last().name == QLatin1String("Error")));
  for (const Fact& f : info.facts) KVT_FUZZ_CHECK(!f.name.isEmpty() && !f.value.isEmpty());
}

void CheckAtr(const QByteArray& answer) {
  const AtrInfo a = DecodeAtr(answer);
  CheckEnding(a);
  KVT_FUZZ_CHECK(a.historical.size() <= a.historicalCount);
  // Each warning is shown.
  const auto warning = [](const Fact& f) { return f.name == QLatin1String("Warning"); };
  KVT_FUZZ_CHECK(std::count_if(a.facts.begin(), a.facts.end(), warning) == a.warnings.size());
  if (!a.error) {
    KVT_FUZZ_CHECK(a.validTs && !a.protocols.isEmpty());
    KVT_FUZZ_CHECK(a.historical.size() == a.historicalCount);
    KVT_FUZZ_CHECK(a.tck.has_value() == a.tckRequired);
    uint8_t x = 0;
    for (int i = 1; i < answer.size(); ++i) x ^= static_cast<uint8_t>(answer[i]);
    if (a.tck) KVT_FUZZ_CHECK(a.tckOk == (x == 0));
  }
}

void CheckAts(const QByteArray& answer) {
  const AtsInfo a = DecodeAts(answer);
  CheckEnding(a);
  KVT_FUZZ_CHECK(a.fsc >= 16 && a.fsc <= 4096);
  if (!answer.isEmpty()) KVT_FUZZ_CHECK(a.historical.size() <= std::max(0, static_cast<uint8_t>(answer[0]) - 1));
}

void CheckSw(uint8_t sw1, uint8_t sw2) {
  static const QRegularExpression form(QStringLiteral("^SW [0-9A-F]{4}: \\S.*$"));
  KVT_FUZZ_CHECK(form.match(SwLine(sw1, sw2)).hasMatch());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int n = std::min<int>(data[0] % 64, static_cast<int>(size) - 1);
  const QByteArray answer(reinterpret_cast<const char*>(data + 1), n);
  const QByteArray listText(reinterpret_cast<const char*>(data + 1 + n), static_cast<int>(size) - 1 - n);

  CheckAtr(answer);
  CheckAts(answer);
  const QList<Fact> historical = DecodeHistoricalBytes(answer);
  KVT_FUZZ_CHECK(answer.isEmpty() == historical.isEmpty());
  if (!historical.isEmpty()) KVT_FUZZ_CHECK(historical.first().name == QLatin1String("Category indicator"));
  if (answer.size() >= 2) {
    CheckSw(static_cast<uint8_t>(answer[0]), static_cast<uint8_t>(answer[1]));
    KVT_FUZZ_CHECK(ResponseSwLine(answer).has_value());
  } else {
    KVT_FUZZ_CHECK(!ResponseSwLine(answer).has_value());
  }

  // The list with an entry naming this very answer in front of it (the list as given when
  // there is no answer to name): parsed once, as compiling its patterns is the costly part.
  const QByteArray own = answer.isEmpty() ? QByteArray() : answer.toHex(' ').toUpper() + "\n\tFuzz own entry\n\n";
  const QStringList names = KnownAtrList::Parse(own + listText).descriptions(answer);
  for (const QString& d : names) KVT_FUZZ_CHECK(!d.isEmpty() && !d.startsWith(QLatin1Char('\t')));
  if (!answer.isEmpty()) KVT_FUZZ_CHECK(!names.isEmpty() && names.first() == QLatin1String("Fuzz own entry"));
  return 0;
}
