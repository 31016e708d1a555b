// SPDX-License-Identifier: MIT
#include "mifare_dump_ops.h"

#include "core/base/conversions.h"
#include "core/contact/contact_ops.h"
#include "core/insight/mifare_access.h"
#include "core/rf/rf_activation_ops.h"

namespace kvt {

namespace {

constexpr uint16_t kSwOk = 0x9000;

QByteArray apdu(uint8_t ins, int p1, int p2) {
  QByteArray a(1, '\0');
  return a + char(ins) + char(p1) + char(p2);
}

// The commands of one run on one card, stopping at the first exchange that fails.
class ClassicRun {
 public:
  ClassicRun(Session& s, const QString& address, const RunControl& control, RunEnd& end)
      : s_(s), address_(address), control_(control), end_(end) {}

  // Activates the card; its sector count (16 or 40), or 0 when the run cannot go on.
  int activate() {
    const ActivateOutcome o = RfActivate(s_, address_, 0);
    if (o.status != OpStatus::Done) {
      end_.status = o.status;
      return 0;
    }
    if (o.reply.at(6) == 'M' && o.reply.at(8) == 0x04) return 16;
    if (o.reply.at(6) == 'M' && o.reply.at(8) == 0x02) return 40;
    end_.status = OpStatus::BadInput;
    end_.message = Caution(QStringLiteral("The card in the RF field is not a Mifare Classic S50 or S70 card."));
    return 0;
  }

  bool failed() const { return end_.status != OpStatus::Done; }
  // Checked between blocks: true once the user asked to stop (the run then ends).
  bool stopping() {
    if (!end_.stopped && control_.stop()) end_.stopped = true;
    return end_.stopped;
  }

  // Authenticates the sector; false when the card refused the key (or the run failed).
  bool auth(int sector, bool keyB, const MifareKey6& key) {
    current_ = -1;
    const CardReply r = send(apdu(0x20, keyB ? 1 : 0, sector) + char(6) + key);
    if (r.status != OpStatus::Done || r.sw != kSwOk) return false;
    current_ = keyB ? 1 : 0;
    return true;
  }
  int current() const { return current_; }  // 0 key A, 1 key B, -1 none

  // The first candidate the card takes for that key of the sector.
  std::optional<MifareKey6> findKey(int sector, bool keyB, const std::vector<MifareKey6>& keys) {
    for (const MifareKey6& k : keys) {
      if (failed() || stopping()) return std::nullopt;
      if (auth(sector, keyB, k)) return k;
    }
    return std::nullopt;
  }

  std::optional<QByteArray> read(int sector, int block) {
    const CardReply r = send(apdu(0xB0, sector, block) + char(1));
    if (r.status != OpStatus::Done || r.sw != kSwOk || r.data.size() < mifare::kBlockBytes) return std::nullopt;
    return r.data.left(mifare::kBlockBytes);
  }

  bool write(int sector, int block, const QByteArray& data) {
    const CardReply r = send(apdu(0xD1, sector, block) + char(1) + data);
    return r.status == OpStatus::Done && r.sw == kSwOk;
  }

 private:
  CardReply send(const QByteArray& a) {
    const CardReply r = RfCardExchange(s_, address_, a);
    if (r.status != OpStatus::Done) end_.status = r.status;
    return r;
  }

  Session& s_;
  QString address_;
  const RunControl& control_;
  RunEnd& end_;
  int current_ = -1;
};

QString keyText(const std::optional<MifareKey6>& k) {
  return k ? JoinedHex(*k) : QStringLiteral("unknown");
}

QString sizeName(int sectors) { return sectors == 16 ? QStringLiteral("1K (S50)") : QStringLiteral("4K (S70)"); }

Message sizeMismatch(int card, int wanted) {
  return Caution(QStringLiteral("The card is a Mifare Classic %1, not %2.").arg(sizeName(card), sizeName(wanted)));
}

// The keys that may be tried on a sector: A then B, those found.
std::vector<std::pair<bool, MifareKey6>> usableKeys(const std::optional<MifareKey6>& a,
                                                    const std::optional<MifareKey6>& b) {
  std::vector<std::pair<bool, MifareKey6>> keys;
  if (a) keys.emplace_back(false, *a);
  if (b) keys.emplace_back(true, *b);
  return keys;
}

}  // namespace

QString SectorDumpLine(const MifareSectorDump& d) {
  return QStringLiteral("Sector %1: key A %2, key B %3, %4/%5 blocks")
      .arg(HexByte(static_cast<uint8_t>(d.sector)), keyText(d.keyA), keyText(d.keyB))
      .arg(d.blocksRead)
      .arg(d.blocks);
}

bool MifareDumpResult::complete() const {
  if (status != OpStatus::Done || stopped || sectors.empty()) return false;
  for (const MifareSectorDump& d : sectors)
    if (d.blocksRead != d.blocks) return false;
  return sectors.size() == static_cast<size_t>(mifare::SectorCount(image.size()));
}

MifareDumpResult MifareDump(Session& s, const QString& addressText, const MifareDumpOptions& options,
                            const RunControl& control) {
  MifareDumpResult result;
  ClassicRun run(s, addressText, control, result);
  const int sectors = run.activate();
  if (!sectors) return result;
  if (options.sectors && *options.sectors != sectors) {
    result.status = OpStatus::BadInput;
    result.message = sizeMismatch(sectors, *options.sectors);
    return result;
  }
  result.image = CardImage(sectors == 16 ? mifare::k1kBytes : mifare::k4kBytes);
  for (int sector = 0; sector < sectors && !run.failed() && !run.stopping(); ++sector) {
    MifareSectorDump d;
    d.sector = sector;
    d.blocks = mifare::BlocksIn(sector);
    d.keyA = run.findKey(sector, false, options.keys);
    d.keyB = run.findKey(sector, true, options.keys);
    const int first = mifare::FirstBlock(sector);
    const int trailer = d.blocks - 1;
    std::vector<bool> done(static_cast<size_t>(d.blocks), false);
    for (const auto& [keyB, key] : usableKeys(d.keyA, d.keyB)) {
      if (run.failed() || run.stopping()) break;
      if (run.current() != int(keyB) && !run.auth(sector, keyB, key)) continue;
      for (int b = 0; b < d.blocks && !run.failed() && !run.stopping(); ++b) {
        if (done[static_cast<size_t>(b)]) continue;
        const auto data = run.read(sector, b);
        if (!data) {
          if (!run.failed()) run.auth(sector, keyB, key);  // a refusal may leave the sector closed
          continue;
        }
        done[static_cast<size_t>(b)] = true;
        ++d.blocksRead;
        const int offset = (first + b) * mifare::kBlockBytes;
        if (b != trailer) {
          result.image.set(offset, *data);
          continue;
        }
        // Key A never reads back; key B only where the access bits let this key read it.
        result.image.set(offset + 6, data->mid(6, 4));
        const AccessBits bits = DecodeAccessBits(data->mid(6, 3));
        const Keys keyBRead = TrailerRightsFor(bits.groups[3]).keyBRead;
        if (bits.valid && (static_cast<int>(keyBRead) & (keyB ? 2 : 1))) result.image.set(offset + 10, data->mid(10, 6));
      }
    }
    const int trailerOffset = (first + trailer) * mifare::kBlockBytes;
    if (d.keyA) result.image.set(trailerOffset, *d.keyA);
    if (d.keyB) result.image.set(trailerOffset + 10, *d.keyB);
    if (run.failed() && d.blocksRead == 0) break;  // the summary names only what was read
    result.sectors.push_back(d);
    control.report(sector + 1, sectors);
  }
  return result;
}

QString SectorRestoreLine(const MifareSectorRestore& r) {
  QString line = QStringLiteral("Sector %1: wrote %2/%3 blocks")
                     .arg(HexByte(static_cast<uint8_t>(r.sector)))
                     .arg(r.written.size())
                     .arg(r.planned);
  if (r.noKey) line += QStringLiteral("; no key found");
  if (!r.refused.isEmpty()) line += QStringLiteral("; refused by the card: ") + NumberList(r.refused);
  if (!r.missing.isEmpty()) line += QStringLiteral("; not in the file: ") + NumberList(r.missing);
  return line;
}

bool MifareRestoreResult::complete() const {
  if (status != OpStatus::Done || stopped || sectors.empty()) return false;
  for (const MifareSectorRestore& r : sectors)
    if (r.written.size() != r.planned || !r.missing.isEmpty()) return false;
  return true;
}

MifareRestoreResult MifareRestore(Session& s, const QString& addressText, const CardImage& image,
                                  const MifareRestoreOptions& options, const RunControl& control) {
  MifareRestoreResult result;
  const int sectors = mifare::SectorCount(image.size());
  if (!sectors) {
    result.status = OpStatus::BadInput;
    result.message = Caution(QStringLiteral("A Mifare Classic image holds 1024 or 4096 bytes."));
    return result;
  }
  // Every trailer passes the guard before anything is sent.
  if (options.trailers) {
    if (!BeginOperation(s)) {
      result.status = OpStatus::PortClosed;
      return result;
    }
    for (int sector = 0; sector < sectors; ++sector) {
      const int offset = mifare::TrailerBlock(sector) * mifare::kBlockBytes;
      if (!image.allKnown(offset, mifare::kBlockBytes)) continue;
      const QByteArray trailer = image.mid(offset, mifare::kBlockBytes);
      if (auto refusal = GuardTrailerWrite(s, sector, trailer, options.lock)) {
        result.status = refusal->status;
        result.message = refusal->message;
        result.lockRefused = options.lock == TrailerLock::Refuse && TrailerLocksForGood(trailer.mid(6, 3));
        return result;
      }
    }
  }
  ClassicRun run(s, addressText, control, result);
  const int cardSectors = run.activate();
  if (!cardSectors) return result;
  if (cardSectors != sectors) {
    result.status = OpStatus::BadInput;
    result.message = sizeMismatch(cardSectors, sectors);
    return result;
  }
  for (int sector = 0; sector < sectors && !run.failed() && !run.stopping(); ++sector) {
    MifareSectorRestore r;
    r.sector = sector;
    const int first = mifare::FirstBlock(sector);
    const int n = mifare::BlocksIn(sector);
    QList<int> blocks;  // in order; the trailer, when written, comes last
    for (int b = 0; b < n; ++b) {
      if ((sector == 0 && b == 0) || (b == n - 1 && !options.trailers)) continue;
      ++r.planned;
      if (image.allKnown((first + b) * mifare::kBlockBytes, mifare::kBlockBytes)) blocks << b;
      else r.missing << b;
    }
    if (!blocks.isEmpty()) {
      // The keys the image holds for the sector come first.
      const int trailer = (first + n - 1) * mifare::kBlockBytes;
      std::vector<MifareKey6> fromImage;
      if (image.allKnown(trailer, 6)) fromImage.push_back(image.mid(trailer, 6));
      if (image.allKnown(trailer + 10, 6)) fromImage.push_back(image.mid(trailer + 10, 6));
      const std::vector<MifareKey6> candidates = MergeKeys(fromImage, options.keys);
      const auto keyA = run.findKey(sector, false, candidates);
      const auto keyB = run.findKey(sector, true, candidates);
      r.noKey = !keyA && !keyB;
      const auto keys = usableKeys(keyA, keyB);
      for (int b : blocks) {
        if (run.failed() || run.stopping()) break;
        const QByteArray data = image.mid((first + b) * mifare::kBlockBytes, mifare::kBlockBytes);
        bool written = false;
        for (const auto& [keyB, key] : keys) {
          if (run.failed()) break;
          if (run.current() != int(keyB) && !run.auth(sector, keyB, key)) continue;
          written = run.write(sector, b, data);
          if (written) break;
          if (!run.failed()) run.auth(sector, keyB, key);  // a refusal may leave the sector closed
        }
        if (run.failed()) break;
        (written ? r.written : r.refused) << b;
      }
    }
    result.sectors.push_back(r);
    control.report(sector + 1, sectors);
  }
  return result;
}

}  // namespace kvt
