// SPDX-License-Identifier: MIT
// Handlers for the card machine itself: initialise, firmware version, status,
// card movement, entry control, serial number, configuration and the capture
// counter.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "sim/command_handler.h"

namespace sim {

namespace cm {
inline constexpr uint8_t kInitialize = 0x30;
inline constexpr uint8_t kStatus = 0x31;
inline constexpr uint8_t kMove = 0x32;
inline constexpr uint8_t kEntry = 0x33;
inline constexpr uint8_t kSerialNumber = 0xA2;
inline constexpr uint8_t kConfiguration = 0xA3;
inline constexpr uint8_t kCaptureCounter = 0xA5;
inline constexpr uint8_t kFirmware = 0xDC;
}  // namespace cm

using HandlerEntry = std::pair<uint8_t, std::unique_ptr<CommandHandler>>;

// One handler per command code above.
std::vector<HandlerEntry> machineCommandHandlers();

}  // namespace sim
