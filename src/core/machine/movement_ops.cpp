// SPDX-License-Identifier: MIT
#include "movement_ops.h"

namespace kvt {

const MovementInfo kMovements[7] = {
    {Movement::Front, "MoveCardToFront1Btn", "the front", "the front", 0x32, 0x39,
     "Move card to the front", "Move card to the front success"},
    {Movement::FrontHold, "MoveCardToFront2Btn", "the front , hold the card", "the front,hold the card",
     0x32, 0x30, "Move card to the front", "Move card to the front success"},
    {Movement::IC, "MoveCardToICCBtn", "the IC card operation position", "the IC card operation position",
     0x32, 0x31, "Move card to IC card operation position",
     "Move card to IC card operation position success"},
    {Movement::RF, "MoveCardToRFBtn", "the RF card operation position", "the RF card operation position",
     0x32, 0x32, "Move card to RF card operation position",
     "Move card to RF card operation position success"},
    {Movement::ErrorBin, "MoveCardToRecycleBinBtn", "Error Card Bin", "Error Card Bin", 0x32, 0x33,
     "Move card to the error card bin", "Move card to the error card bin success"},
    {Movement::AllowEntry, "AllCardInBtn", "Allowed", "Allowed", 0x33, 0x30, "Allowed", "Allowed success"},
    {Movement::ForbidEntry, "NoCardInBtn", "Prohibition", "Prohibition", 0x33, 0x31, "Prohibition",
     "Prohibition success"},
};

const MovementInfo& MovementOf(Movement m) {
  for (const auto& i : kMovements)
    if (i.movement == m) return i;
  return kMovements[0];
}

Outcome MoveCard(Session& s, const QString& addressText, Movement m) {
  const MovementInfo& info = MovementOf(m);
  return RunConfirmedCommand(s, addressText, info.cm, info.pm, QString::fromLatin1(info.title),
                             QString::fromLatin1(info.success));
}

}  // namespace kvt
