// SPDX-License-Identifier: MIT
#pragma once
// The simulated reader on a pseudo-terminal with a chosen contact card at the IC contacts,
// and the frames the tool wrote to it.
#include "link_fixture.h"
#include "sim/cards/contact_commands.h"

namespace kvt::test {

class ContactTest : public LinkTest {
 protected:
  // A fresh card of that chip kind, pushed to the IC contacts.
  void insert(const std::string& kind) {
    reader([&](sim::Reader& r) {
      ASSERT_TRUE(sim::setContactCardKind(r.state(), kind));
      r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::IcContacts);
    });
  }

  // The command frames the reader received since the last call (acknowledgements skipped).
  std::vector<QByteArray> newFrames() {
    const std::vector<uint8_t> rx = host.received();
    std::vector<QByteArray> out;
    while (seen_ < rx.size()) {
      if (rx[seen_] != 0xF2) {
        ++seen_;
        continue;
      }
      if (seen_ + 4 > rx.size()) break;
      const size_t total = 6 + (size_t(rx[seen_ + 2]) << 8 | rx[seen_ + 3]);
      if (seen_ + total > rx.size()) break;
      out.emplace_back(reinterpret_cast<const char*>(&rx[seen_]), int(total));
      seen_ += total;
    }
    return out;
  }
  // The latest frame sent since the last look; empty when none was.
  QByteArray sentFrame() {
    const auto f = newFrames();
    return f.empty() ? QByteArray() : f.back();
  }
  // The data part of that frame (after "C", command and parameter code).
  QByteArray sentData() {
    const QByteArray f = sentFrame();
    return f.size() >= 9 ? f.mid(7, f.size() - 9) : QByteArray("<no frame>");
  }

  static QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

 private:
  size_t seen_ = 0;
};

}  // namespace kvt::test
