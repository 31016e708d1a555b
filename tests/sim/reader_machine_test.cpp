// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "reply_helpers.h"
#include "sim/reader_model.h"

using sim::Reader;
using simtest::ask;
using simtest::bytes;

// Frames for other addresses are the frame reader's test; the echoed address is
// checked on the reply of kvt730-sim --address 2 (program_test).
TEST(ReaderMachine, CardPositionAndEntryControlShowInStatusAndSensors) {
  Reader r;
  ASSERT_TRUE(r.insertCard());
  EXPECT_FALSE(r.insertCard());
  EXPECT_EQ(ask(r, '1', '0').status[0], '1');
  EXPECT_EQ(ask(r, '1', '1').data.substr(0, 6), "110000");

  EXPECT_EQ(ask(r, '2', '1').kind, 'P');
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::Inside);
  EXPECT_EQ(ask(r, '1', '0').status[0], '2');
  const auto icSensors = ask(r, '1', '1').data;
  ASSERT_EQ(icSensors.size(), 12u);
  EXPECT_EQ(icSensors.substr(0, 6), "001110");
  EXPECT_EQ(ask(r, '2', '2').kind, 'P');
  EXPECT_EQ(ask(r, '1', '1').data.substr(0, 6), "001101");
  EXPECT_FALSE(r.removeCard());

  EXPECT_EQ(ask(r, '2', '9').kind, 'P');
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::Front);
  EXPECT_TRUE(r.removeCard());
  EXPECT_EQ(ask(r, '1', '0').status[0], '0');
  EXPECT_EQ(r.stackerCards(), 50);  // the card came from outside, not from the stacker

  // Entry control gates inserted cards.
  EXPECT_EQ(ask(r, '3', '1').kind, 'P');
  EXPECT_FALSE(r.entryAllowed());
  EXPECT_FALSE(r.insertCard());
  EXPECT_EQ(ask(r, '1', '1').data[6], '0');
  EXPECT_EQ(ask(r, '3', '0').kind, 'P');
  EXPECT_TRUE(r.insertCard());
  EXPECT_EQ(ask(r, '3', '2').error, "01");
}

TEST(ReaderMachine, StackerDispensesUntilEmpty) {
  Reader r;
  r.setStackerCards(5);
  EXPECT_EQ(ask(r, '1', '0').status[1], '2');
  EXPECT_EQ(ask(r, '2', '1').kind, 'P');  // dispensed to the IC position
  EXPECT_EQ(r.stackerCards(), 4);
  EXPECT_EQ(ask(r, '1', '0').status, "210");
  EXPECT_EQ(ask(r, '2', '0').kind, 'P');  // moves the same card, no new one
  EXPECT_EQ(r.stackerCards(), 4);
  EXPECT_EQ(ask(r, '1', '1').data.substr(10), "10");  // KS1 on, KS2 off when low
  r.setStackerCards(0);
  EXPECT_TRUE(r.removeCard());
  EXPECT_EQ(ask(r, '1', '0').status, "000");
  for (uint8_t pm : {'9', '0', '1', '2', '3'}) EXPECT_EQ(ask(r, '2', pm).error, "A0") << pm;
  EXPECT_EQ(ask(r, '2', '5').error, "01");
}

TEST(ReaderMachine, CaptureFillsBinAndCountsUntilFull) {
  Reader r;
  r.setBinCapacity(2);
  r.setCardPosition(Reader::CardPos::Inside);
  EXPECT_EQ(ask(r, '2', '3').kind, 'P');
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::None);
  EXPECT_EQ(ask(r, 0xA5, '0').data, "001");
  EXPECT_EQ(ask(r, '2', '3').kind, 'P');  // nothing in the channel: one from the stacker
  EXPECT_EQ(r.stackerCards(), 49);
  EXPECT_EQ(r.binCards(), 2);
  EXPECT_EQ(ask(r, '1', '0').status[2], '1');
  EXPECT_EQ(ask(r, '1', '1').data[7], '1');
  EXPECT_EQ(ask(r, '2', '3').error, "A1");
  EXPECT_EQ(r.stackerCards(), 49);
  EXPECT_EQ(ask(r, 0xA5, '0').data, "002");
}

TEST(ReaderMachine, InitializeOptionsDecideCardAndCounter) {
  struct Case {
    uint8_t pm;
    Reader::CardPos after;
    int bin;
    int counter;
  };
  const Case cases[] = {{'0', Reader::CardPos::Front, 0, 0},  {'4', Reader::CardPos::Front, 0, 0},
                        {'1', Reader::CardPos::None, 1, 0},   {'5', Reader::CardPos::None, 1, 1},
                        {'3', Reader::CardPos::Inside, 0, 0}, {'7', Reader::CardPos::Inside, 0, 0}};
  for (const auto& c : cases) {
    Reader r;
    r.setCardPosition(Reader::CardPos::Inside);
    const auto a = ask(r, '0', c.pm);
    EXPECT_EQ(a.kind, 'P') << c.pm;
    EXPECT_FALSE(a.data.empty());
    EXPECT_TRUE(r.initialised());
    EXPECT_EQ(r.cardPosition(), c.after) << c.pm;
    EXPECT_EQ(r.binCards(), c.bin) << c.pm;
    EXPECT_EQ(r.captureCounter(), c.counter) << c.pm;
    EXPECT_EQ(r.stackerCards(), 50);
  }
  Reader r;
  EXPECT_EQ(ask(r, '0', '2').error, "01");
  EXPECT_EQ(ask(r, '0', '6').error, "01");
  EXPECT_FALSE(r.initialised());
  // After an initialise without counting, captures stop counting too.
  EXPECT_EQ(ask(r, '0', '1').kind, 'P');
  EXPECT_EQ(ask(r, '2', '3').kind, 'P');
  EXPECT_EQ(r.binCards(), 1);
  EXPECT_EQ(r.captureCounter(), 0);
  // A reader that must be initialised first refuses everything else until then.
  Reader strict;
  strict.setRequireInitialize(true);
  EXPECT_EQ(ask(strict, '1', '0').error, "B0");
  EXPECT_EQ(ask(strict, 0xDC, '1').error, "B0");
  EXPECT_EQ(ask(strict, '0', '3').kind, 'P');
  EXPECT_EQ(ask(strict, '1', '0').kind, 'P');
}

TEST(ReaderMachine, UnitInformationCommands) {
  // The firmware text, a set configuration and a set counter read back are tests/core's.
  Reader r;
  EXPECT_EQ(ask(r, 0xDC, '0').error, "01");
  EXPECT_EQ(ask(r, 0xA2, '0', {0x12}).data, "KVT730MA10012345");
  EXPECT_EQ(ask(r, 0xA2, '0').error, "04");
  EXPECT_EQ(ask(r, 0xA3, '0').data, "9V100ER2221");
  EXPECT_EQ(ask(r, 0xA5, '1', bytes("042")).kind, 'P');
  EXPECT_EQ(ask(r, 0xA5, '1', bytes("4x2")).error, "04");
  EXPECT_EQ(ask(r, 0xA5, '1', bytes("42")).error, "04");
  EXPECT_EQ(r.captureCounter(), 42);
  EXPECT_EQ(ask(r, 0xA5, '2').error, "01");
  EXPECT_EQ(ask(r, 0x7E, '0').error, "00");
}
