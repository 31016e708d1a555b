// SPDX-License-Identifier: MIT
#pragma once
// The simulated reader on a pseudo-terminal with a chosen contactless card at the RF
// position, and the frames the tool wrote to it (from the contact card fixture).
#include "contact_fixture.h"
#include "sim/cards/rf_commands.h"

namespace kvt::test {

class RfTest : public ContactTest {
 protected:
  // A fresh card of that kind at the RF position, not yet activated.
  void insertRf(const std::string& kind) {
    reader([&](sim::Reader& r) {
      ASSERT_TRUE(sim::setRfCardKind(r.state(), kind));
      r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::RfAntenna);
    });
  }
  static QStringList cells(const char* spaced) { return QString::fromLatin1(spaced).split(' '); }
};

}  // namespace kvt::test
