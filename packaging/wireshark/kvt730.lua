-- SPDX-License-Identifier: MIT
-- kvt730.lua: a Wireshark dissector for the serial protocol of KVT-730 card readers, as
-- "kvt730ctl monitor --pcap" and "kvt730ctl pcap" capture it.
--
-- Each packet of link type USER0 (147) is one unit of the line: a command or reply frame
-- (STX F2, address, length, text, ETX 03, check byte), a control byte (ACK 06, NAK 15,
-- EOT 04, ENQ 05) or bytes outside any frame; the packet direction says who sent it
-- (outbound: the application, inbound: the reader). Packets of link type USER1 (148) are
-- the monitor's own lines (timeouts, events) as text. The decoding follows the monitor's:
-- the same command names, reply texts and verdicts, so "kvt730.text" reads as the
-- monitor's line after its bytes.
--
-- Installed by the kvt730-tool package in Wireshark's global plugin folder; from a
-- checkout:  tshark -X lua_script:packaging/wireshark/kvt730.lua -r capture.pcapng

local kvt = Proto("kvt730", "KVT-730 reader protocol")

local f = {
  dir = ProtoField.string("kvt730.dir", "Direction"),
  kind = ProtoField.string("kvt730.kind", "Kind"),
  text = ProtoField.string("kvt730.text", "Decoded"),
  address = ProtoField.uint8("kvt730.address", "Address", base.HEX),
  length = ProtoField.uint16("kvt730.length", "Length"),
  command = ProtoField.string("kvt730.command", "Command and parameter code"),
  name = ProtoField.string("kvt730.name", "Name"),
  data = ProtoField.bytes("kvt730.data", "Data", base.SPACE),
  reply = ProtoField.string("kvt730.reply", "Reply kind"),
  status = ProtoField.bytes("kvt730.status", "Status or error code", base.SPACE),
  meaning = ProtoField.string("kvt730.meaning", "Meaning"),
  check = ProtoField.string("kvt730.check", "Check byte"),
  bcc = ProtoField.uint8("kvt730.bcc", "Check byte value", base.HEX),
  problem = ProtoField.string("kvt730.problem", "Problem"),
}
kvt.fields = { f.dir, f.kind, f.text, f.address, f.length, f.command, f.name, f.data, f.reply, f.status,
               f.meaning, f.check, f.bcc, f.problem }

local bxor = (bit32 and bit32.bxor) or bit.bxor
local band = (bit32 and bit32.band) or bit.band
local MAX_TEXT = 2048

-- Command names: CM, PM and, for the commands with an APDU-style header in their data,
-- INS and P1 under a mask. The first matching row wins.
local NAMES = {
  {0x30, 0x30, nil, 0, 0, "INITIALIZE"}, {0x30, 0x31, nil, 0, 0, "INITIALIZE"},
  {0x30, 0x33, nil, 0, 0, "INITIALIZE"}, {0x30, 0x34, nil, 0, 0, "INITIALIZE"},
  {0x30, 0x35, nil, 0, 0, "INITIALIZE"}, {0x30, 0x37, nil, 0, 0, "INITIALIZE"},
  {0xDC, 0x31, nil, 0, 0, "Firmware version"},
  {0x31, 0x30, nil, 0, 0, "Card Status"}, {0x31, 0x31, nil, 0, 0, "Sensor Status"},
  {0x32, 0x39, nil, 0, 0, "Move card to the front"},
  {0x32, 0x30, nil, 0, 0, "Move card to the front, hold the card"},
  {0x32, 0x31, nil, 0, 0, "Move card to IC card operation position"},
  {0x32, 0x32, nil, 0, 0, "Move card to RF card operation position"},
  {0x32, 0x33, nil, 0, 0, "Move card to the error card bin"},
  {0x33, 0x30, nil, 0, 0, "Allowed"}, {0x33, 0x31, nil, 0, 0, "Prohibition"},
  {0xA2, 0x30, nil, 0, 0, "Read SN"}, {0xA3, 0x30, nil, 0, 0, "Unit configuration"},
  {0xA5, 0x30, nil, 0, 0, "Read Counter"}, {0xA5, 0x31, nil, 0, 0, "InitializeI Counter"},
  {0x50, 0x30, nil, 0, 0, "IC Card Type"}, {0x50, 0x31, nil, 0, 0, "RF Card Type"},
  {0x51, 0x30, nil, 0, 0, "CPU card cold reset"}, {0x51, 0x38, nil, 0, 0, "CPU card warm reset"},
  {0x51, 0x32, nil, 0, 0, "CPU card status"}, {0x51, 0x31, nil, 0, 0, "CPU card deactivate"},
  {0x51, 0x33, nil, 0, 0, "CPU card APDU (T=0)"}, {0x51, 0x34, nil, 0, 0, "CPU card APDU (T=1)"},
  {0x51, 0x39, nil, 0, 0, "CPU card APDU (auto)"},
  {0x52, 0x40, nil, 0, 0, "Choose SAM"}, {0x52, 0x30, nil, 0, 0, "SAM cold reset"},
  {0x52, 0x38, nil, 0, 0, "SAM warm reset"}, {0x52, 0x32, nil, 0, 0, "SAM card status"},
  {0x52, 0x31, nil, 0, 0, "SAM deactivate"}, {0x52, 0x39, nil, 0, 0, "SAM APDU"},
  {0x53, 0x30, nil, 0, 0, "SLE4442/4428 activate"}, {0x53, 0x31, nil, 0, 0, "Memory card deactivate"},
  {0x53, 0x32, nil, 0, 0, "SLE4442/4428 inquire status"},
  {0x53, 0x33, 0x20, 0x03, 0xFF, "SLE4442 verify password"},
  {0x53, 0x33, 0xD0, 0x02, 0xFF, "SLE4442 change password"},
  {0x53, 0x33, 0xB0, 0x02, 0xFF, "SLE4442 read security memory"},
  {0x53, 0x33, 0xB0, 0x00, 0xFF, "SLE4442 read main memory"},
  {0x53, 0x33, 0xB0, 0x01, 0xFF, "SLE4442 read protection memory"},
  {0x53, 0x33, 0xD0, 0x00, 0xFF, "SLE4442 write main memory"},
  {0x53, 0x33, 0xD0, 0x01, 0xFF, "SLE4442 write protection memory"},
  {0x53, 0x33, nil, 0, 0, "SLE4442 command"},
  {0x53, 0x34, 0x20, 0x00, 0x00, "SLE4428 check password"},
  {0x53, 0x34, 0x24, 0x00, 0x00, "SLE4428 change password"},
  {0x53, 0x34, 0xB0, 0x10, 0xFF, "SLE4428 read protection memory"},
  {0x53, 0x34, 0xB0, 0x00, 0x00, "SLE4428 read main memory"},
  {0x53, 0x34, 0xD0, 0x20, 0xF0, "SLE4428 write with protection bit"},
  {0x53, 0x34, 0xD0, 0x00, 0xF0, "SLE4428 write without protection bit"},
  {0x53, 0x34, nil, 0, 0, "SLE4428 command"},
  {0x54, 0x30, nil, 0, 0, "24Cxx activate"}, {0x54, 0x32, nil, 0, 0, "24Cxx inquire status"},
  {0x54, 0x33, 0xB0, 0x00, 0x00, "24Cxx read data"}, {0x54, 0x33, 0xD0, 0x00, 0x00, "24Cxx write data"},
  {0x54, 0x33, nil, 0, 0, "24Cxx command"},
  {0x60, 0x30, nil, 0, 0, "RF activate"}, {0x60, 0x31, nil, 0, 0, "RF deactivate"},
  {0x60, 0x32, nil, 0, 0, "RF inquire status"}, {0x60, 0x34, nil, 0, 0, "Type A APDU"},
  {0x60, 0x35, nil, 0, 0, "Type B APDU"},
  {0x60, 0x33, 0xD0, 0x00, 0x00, "Download password to EEPROM"},
  {0x60, 0x33, 0x21, 0x00, 0x00, "Load password from the EEPROM"},
  {0x60, 0x33, 0x20, 0x00, 0x00, "Check password"},
  {0x60, 0x33, 0xD5, 0x00, 0x00, "Change Password"},
  {0x60, 0x33, 0xB0, 0x00, 0x00, "Read block data"},
  {0x60, 0x33, 0xD1, 0x00, 0x00, "Write Block Data"},
  {0x60, 0x33, 0xD2, 0x00, 0x00, "Purse initialize"},
  {0x60, 0x33, 0xD3, 0x00, 0x00, "Purse increment"},
  {0x60, 0x33, 0xD4, 0x00, 0x00, "Purse decrement"},
  {0x60, 0x33, 0xB1, 0x00, 0x00, "Purse read"},
  {0x60, 0x33, nil, 0, 0, "Contactless card command"},
}

local NEGATIVE = {
  ["00"] = "A given command code is unidentified", ["01"] = "Parameter is not correct",
  ["02"] = "Command execution is impossible", ["03"] = "Hardware does not support the command",
  ["04"] = "Command data error",
  ["05"] = "Tried to card feed commands before the IC contact release command",
  ["10"] = "Card jam", ["11"] = "Shutter failure",
  ["12"] = "Sensor failure of PD1, PD2, PD3, PDI / Card remains inside",
  ["13"] = "Irregular card length (LONG)", ["14"] = "Irregular card length (SHORT)",
  ["15"] = "F-ROM error / EEPROM error", ["16"] = "The card was moved forcibly",
  ["17"] = "Jam error at retrieve", ["18"] = "SW1 or SW2 error",
  ["19"] = "Card was not inserted from the rear", ["20"] = "Read Error (Parity error)",
  ["21"] = "Read Error", ["22"] = "Write Error", ["23"] = "Read Error (Only SS-ES-LRC)",
  ["24"] = "Read Error (no encode and/or no magnetic stripe)",
  ["25"] = "Write Verify Error (Quality error)", ["26"] = "Read Error (No SS)",
  ["27"] = "Read Error (No ES)", ["28"] = "Read Error (LRC error)",
  ["29"] = "Write Verify Error (Data discordance)", ["30"] = "Power Down",
  ["31"] = "DSR signal was turned to OFF", ["40"] = "Card was pulled out during capture",
  ["41"] = "Failure at IC contact solenoid or sensor ICD",
  ["43"] = "Card could not be set to IC contact position",
  ["45"] = "RAVI ejected the card forcibly",
  ["46"] = "The ejected card has not been withdrawn until the specified time",
  ["50"] = "Retract counter overflow", ["51"] = "Motor error", ["53"] = "Digital decode read error",
  ["54"] = "Anti-fishing pin moving error",
  ["55"] = "The command cannot be executed since the pin is down",
  ["58"] = "Anti-fishing pin is during the movement",
  ["60"] = "Abnormal condition was found on the power-line (Vcc) of IC card",
  ["61"] = "Receiving error of ATR", ["62"] = "The specified protocol does not agree with that of IC card",
  ["63"] = "IC card communication error (IC card does not respond).",
  ["64"] = "IC card communication error (Other than \226\128\15663\226\128\157)",
  ["65"] = "HOST sends command for IC card communication before receiving ATR",
  ["66"] = "Tried to communicate with IC card not supported in RAVI.",
  ["69"] = "Tried to communicate with IC card not supported in Protocol EMV2000.",
  ["80"] = "Write Error (No '1')", ["81"] = "Write Verify Error",
  ["A0"] = "Card issuing machine stack (boxes) and the channels are non-card",
  ["A1"] = "The Error Bin is Full", ["B0"] = "Not received Initialize command",
}
for _, reserved in ipairs({"06", "07", "08", "09", "32", "33", "34", "35", "36", "37", "38", "39", "42", "44",
                           "47", "48", "49", "52", "56", "57", "59", "67", "68"}) do
  NEGATIVE[reserved] = "--------"
end

local MOVED = {
  [0x3239] = "Move card to the front success", [0x3230] = "Move card to the front success",
  [0x3231] = "Move card to IC card operation position success",
  [0x3232] = "Move card to RF card operation position success",
  [0x3233] = "Move card to the error card bin success",
  [0x3330] = "Allowed success", [0x3331] = "Prohibition success",
}

local SENSORS = {"Sensor 1 (PSS1)", "Sensor 2 (PSS2)", "Sensor 3 (PSS3)", "Sensor 4 (PSS4)", "Sensor 5 (PSS5)",
                 "Sensor 6 (PSS6)", "Sensor 7 (PSS7)", "Sensor 8 (PSS8)", "Sensor 9 (PSS9)",
                 "Sensor 10 (PSS10)", "Sensor KS1 (KS1)", "Sensor KS2 (KS2)"}

local CONFIG = {
  {"Card machiner identifies words", {["9"] = "KVT-730"}},
  {"Software code", nil},
  {"Support the type of card operation", {["0"] = "No read-write card function",
    I = "Only supports contactless IC card Read/Write", C = "Only supports RF Card Read/Write",
    E = "Supports RF and contactless IC card Read/Write"}},
  {"Communication Interface", {R = "RS-232 Interface", U = "USB Interface"}},
  {"IC Card Module Type", {["0"] = "No IC Card Read/Write Module",
    ["1"] = "There IC card contacts components, for the third-party ", ["2"] = "KVT Standard IC Card Read/Write Module"}},
  {"RF Card Module Type", {["0"] = "No RF Card Read/Write Module",
    ["1"] = "There RF card contacts components, for the third-party ", ["2"] = "KVT Standard RF Card Read/Write Module"}},
  {"SAM Card Module Type", {["0"] = "No SAM card operation functions", ["1"] = "Support for one SAM card operation",
    ["2"] = "Support two SAM card operation", ["3"] = "Support three SAM card operation",
    ["4"] = "Support four SAM card operation", ["5"] = "Support five SAM card operation"}},
  {"Dispense card component type", {["0"] = "Rub card issuer Components", ["1"] = "Drawing card issuer Components"}},
}

local IC_TYPES = {["00"] = "Unknow Type", ["10"] = "T=0 CPU Card", ["11"] = "T=1 CPU Card", ["20"] = "SLE4442 Card",
                  ["21"] = "SLE4428 Card", ["30"] = "24C01 Card", ["31"] = "24C02 Card", ["32"] = "24C04 Card",
                  ["33"] = "24C08 Card", ["34"] = "24C16 Card", ["35"] = "24C32 Card", ["36"] = "24C64 Card",
                  ["37"] = "24C128 Card", ["38"] = "24C256 Card"}
local RF_TYPES = {["00"] = {"Unknow Type", "Non_card"}, ["10"] = {"S50 card", "Mifare one S50 card"},
                  ["11"] = {"S70 card", "Mifare one S70 card"}, ["12"] = {"Ultralight card", "Mifare one UL card"},
                  ["20"] = {"Type A CPU", "Type A CPU card"}, ["30"] = {"Type B CPU", "Type B CPU card"}}
local MEMORY_SW = {
  ["9000"] = "Execute OK", ["6700"] = "The lenth of Lc is overflow and Command Cannot be Executed",
  ["6B00"] = "Parameter(P1/P2) is error and  Command Cannot be Executed", ["6F00"] = "Execute Error",
  ["6F01"] = "Verification Password error",
  ["6F02"] = "Card has been scrapped (password validation error over the number of cards permit error)",
  ["6D00"] = "INS error  Command Cannot be Executed", ["6E00"] = "CLA error  Command Cannot be Executed",
}
local RF_SW = {["9000"] = "Exxcute OK", ["6F00"] = "Execute Error"}

local function hex(bytes) -- "F2 00 03"
  local out = {}
  for i = 1, #bytes do out[i] = string.format("%02X", bytes[i]) end
  return table.concat(out, " ")
end

local function sub(bytes, from, to) -- bytes[from..to], 1-based, clipped
  local out = {}
  for i = math.max(from, 1), math.min(to, #bytes) do out[#out + 1] = bytes[i] end
  return out
end

-- Text in plain ASCII on one line: other bytes become ".".
local function printable(s)
  return (s:gsub("[%z\1-\31\127-\255]", "."))
end

local function chars(bytes)
  local out = {}
  for i = 1, #bytes do out[i] = string.char(bytes[i]) end
  return table.concat(out)
end

local function trim(s) return (s:gsub("^%s+", ""):gsub("%s+$", "")) end

local function command_name(cm, pm, data)
  for _, r in ipairs(NAMES) do
    if r[1] == cm and r[2] == pm then
      if r[3] == nil then return r[6] end
      if #data >= 3 and data[2] == r[3] and band(data[3], r[5]) == r[4] then return r[6] end
    end
  end
  return string.format("unknown command %02X %02X", cm, pm)
end

-- The reply buffer the tool's operations read: text, ETX and check byte; at(i) from 0,
-- 0 past its end.
local function reply_meaning(r)
  local len = #r
  local function at(i) return r[i + 1] or 0 end
  local last = math.min(len - 3, len - 1)
  local data = last >= 6 and sub(r, 7, last + 1) or {}
  local cm, pm = at(1), at(2)
  if at(0) == 0x4E then
    local code = printable(string.char(at(3), at(4)))
    local text = NEGATIVE[trim(code)]
    if text then return "Negative response:" .. code .. " | " .. text end
    return "Negative response:" .. code .. " (no text for this code)"
  end
  local function type_code() return trim(string.char(at(6), at(7))) end
  local function sw() return string.format("%02X%02X", at(len - 4), at(len - 3)) end
  local text
  if MOVED[cm * 256 + pm] then
    text = MOVED[cm * 256 + pm]
  elseif cm == 0x30 then
    text = "INITIALIZE Success / Initialize Information: " .. chars(data)
  elseif cm == 0xDC then
    text = "Fireware Ver:" .. chars(data)
  elseif cm == 0x31 and pm == 0x30 then
    local function pick(b, t) return t[b - 0x2F] or "" end
    text = "Card Status Success / " ..
      pick(at(3), {"No card in card channel", "There is card at front side",
                   "There is card at RF/IC card operation position"}) .. " / " ..
      pick(at(4), {"No card in stacker", "Lack of card in stacker", "Enough cards in stacker"}) .. " / " ..
      pick(at(5), {"The error card bin is not full", "The error card bin is full", ""})
  elseif cm == 0x31 and pm == 0x31 then
    local rows = {}
    for k = 1, math.min(12, #data) do
      rows[k] = SENSORS[k] .. ": " .. (data[k] == 0x30 and "Off" or data[k] == 0x31 and "On" or "")
    end
    text = table.concat(rows, " / ")
  elseif cm == 0xA2 then
    text = "Serial number: " .. chars(data):gsub("^ +", ""):gsub(" +$", "")
  elseif cm == 0xA3 then
    local rows = {}
    local function ch(i) return string.char(data[i + 1] or 0) end
    for k, row in ipairs(CONFIG) do
      local value
      if row[2] then value = row[2][ch(k == 1 and 0 or k + 2)] or "" else value = ch(1) .. ch(2) .. ch(3) .. ch(4) end
      rows[k] = row[1] .. ": " .. value
    end
    text = table.concat(rows, " / ")
  elseif cm == 0xA5 and pm == 0x30 then
    text = "Read Counter Success / Counter: " .. chars(data)
  elseif cm == 0xA5 and pm == 0x31 then
    text = "InitializeI Counter Success"
  elseif cm == 0x50 and pm == 0x30 then
    text = "Test IC Type Complete / " .. (IC_TYPES[type_code()] or "Unknow Error")
  elseif cm == 0x50 and pm == 0x31 then
    local t = RF_TYPES[type_code()]
    text = "Test RF Type Complete / " .. (t and t[1] or "Unknow Error")
  elseif (cm == 0x53 or cm == 0x60) and pm == 0x31 then
    text = "Deactivate success"
  elseif (cm == 0x53 and (pm == 0x33 or pm == 0x34)) or (cm == 0x54 and pm == 0x33) then
    text = (MEMORY_SW[sw()] or "Unknow Error") .. " / " .. sw()
  elseif cm == 0x60 and pm == 0x32 then
    local t = RF_TYPES[type_code()]
    text = "The RF Card is activated / " .. (t and t[2] or "")
  elseif cm == 0x60 and pm == 0x33 then
    text = (RF_SW[sw()] or "") .. " / " .. sw()
  else
    return string.format("positive, status %02X %02X %02X", at(3), at(4), at(5))
  end
  return printable(text)
end

-- The last command the application sent, to name the reply that answers it; reset for
-- each capture file.
local last_command
local names_seen = {}
function kvt.init()
  last_command = nil
  names_seen = {}
end

local function count(n) return n == 1 and "1 byte" or (n .. " bytes") end

-- The unit one packet holds, as the monitor decodes it.
local function decode(b, from_app, number)
  local u = {kind = "noise", bytes = b}
  local n = #b
  local single = {[0x06] = "ACK", [0x15] = "NAK", [0x04] = "EOT", [0x05] = "ENQ"}
  if n == 1 and single[b[1]] then
    u.kind = single[b[1]]:lower()
    u.name = single[b[1]]
    return u
  end
  if b[1] ~= 0xF2 then
    u.problem = count(n) .. " outside any frame"
    return u
  end
  u.kind = "bad-frame"
  if n > 1 then u.address = b[2] end
  u.check = "wrong"
  if n < 4 then
    u.problem = "cut short: " .. count(n) .. " of a frame header"
    return u
  end
  local len = b[3] * 256 + b[4]
  u.length = len
  if len < 3 then
    u.problem = "the length field says " .. len .. " text bytes: too few for a frame"
  elseif len > MAX_TEXT then
    u.problem = "the length field says " .. len .. " text bytes: longer than any frame"
  elseif n < len + 6 then
    u.problem = "cut short: " .. n .. " of " .. (len + 6) .. " bytes came"
  end
  if u.problem then return u end
  local expected = 0
  for i = 1, n - 1 do expected = bxor(expected, b[i]) end
  u.bcc = b[n]
  u.check = expected == b[n] and "ok" or "wrong"
  local text = sub(b, 5, 4 + len)
  u.cm, u.pm = text[2], text[3]
  local kind = text[1]
  if kind == 0x43 then
    u.kind = "command"
    u.data = sub(text, 4, #text)
    u.name = command_name(u.cm, u.pm, u.data)
  elseif kind == 0x50 or kind == 0x4E then
    u.kind = "reply"
    u.reply = string.char(kind)
    local lc = last_command
    local answers = lc and lc.cm == u.cm and lc.pm == u.pm
    u.name = names_seen[number] or command_name(u.cm, u.pm, answers and lc.data or {})
    local r = sub(b, 5, n)
    if kind == 0x50 then
      local last = math.min(#r - 3, #r - 1)
      u.data = last >= 6 and sub(r, 7, last + 1) or {}
    end
    u.status = kind == 0x50 and sub(r, 4, 6) or sub(r, 4, 5)
    u.meaning = reply_meaning(r)
  else
    u.cm, u.pm = nil, nil
    u.problem = string.format("the text starts with %02X: neither a command (43) nor a reply (50, 4E)", kind)
  end
  if b[n - 1] ~= 0x03 then
    u.kind = "bad-frame"
    u.problem = "no end byte 03 where the length field says the frame ends"
  elseif u.check ~= "ok" then
    u.kind = "bad-frame"
    u.problem = string.format("wrong check byte %02X, expected %02X", b[n], expected)
  end
  if from_app then
    if u.kind == "command" then
      last_command = {cm = u.cm, pm = u.pm, data = u.data}
    elseif u.kind == "bad-frame" then
      last_command = nil
    end
  end
  names_seen[number] = u.name
  return u
end

local function summary(u)
  local codes = string.format("%02X %02X", u.cm, u.pm)
  if u.reply then
    local s = "reply " .. u.reply .. " " .. codes .. " " .. u.name
    if u.meaning and u.meaning ~= "" then s = s .. ": " .. u.meaning end
    return s
  end
  local s = "command " .. codes .. " " .. u.name
  if u.data and #u.data > 0 then s = s .. ", data " .. hex(u.data) end
  return s
end

local function describe(u)
  if u.kind == "command" or u.kind == "reply" then
    local s = summary(u)
    if u.address and u.address > 0 then s = s .. string.format(" (address %02X)", u.address) end
    return s
  elseif u.kind == "bad-frame" then
    local s = "bad frame: " .. u.problem
    if u.cm and u.name then s = s .. " (" .. summary(u) .. ")" end
    return s
  elseif u.kind == "noise" then
    return "noise: " .. u.problem
  end
  return u.name
end

local function bytes_of(tvb)
  local b = {}
  for i = 0, tvb:len() - 1 do b[i + 1] = tvb(i, 1):uint() end
  return b
end

function kvt.dissector(tvb, pinfo, tree)
  pinfo.cols.protocol = "KVT-730"
  local from_app = pinfo.p2p_dir == 0
  local dir = from_app and "APP>RDR" or "RDR>APP"
  local u = decode(bytes_of(tvb), from_app, pinfo.number)
  local text = describe(u)
  local t = tree:add(kvt, tvb(), "KVT-730 " .. dir .. ": " .. text)
  t:add(f.dir, dir)
  t:add(f.kind, u.kind)
  t:add(f.text, text)
  if u.address then t:add(f.address, tvb(1, 1)) end
  if u.length then t:add(f.length, tvb(2, 2)) end
  if u.check then t:add(f.check, u.check) end
  if u.bcc then t:add(f.bcc, tvb(tvb:len() - 1, 1)) end
  if u.cm then t:add(f.command, string.format("%02X %02X", u.cm, u.pm)) end
  if u.name then t:add(f.name, u.name) end
  if u.data and #u.data > 0 then
    local offset = u.reply and 10 or 7
    t:add(f.data, tvb(offset, #u.data))
  end
  if u.reply then
    t:add(f.reply, u.reply)
    t:add(f.status, tvb(7, #u.status))
    t:add(f.meaning, u.meaning)
  end
  if u.problem then t:add(f.problem, u.problem) end
  pinfo.cols.info = dir .. " " .. text
end

-- The monitor's own lines: "timeout: ..." and "event: ...".
local notes = Proto("kvt730notes", "KVT-730 monitor notes")
function notes.dissector(tvb, pinfo, tree)
  pinfo.cols.protocol = "KVT-730"
  local text = tvb():string(ENC_UTF_8)
  local kind, meaning = text:match("^(%a+): (.*)$")
  local dir = pinfo.p2p_dir == 0 and "APP>RDR" or "RDR>APP"
  local t = tree:add(kvt, tvb(), "KVT-730 " .. dir .. ": " .. text)
  t:add(f.dir, dir)
  t:add(f.kind, kind or "event")
  t:add(f.text, text)
  t:add(f.meaning, meaning or text)
  pinfo.cols.info = dir .. " " .. text
end

local encap = DissectorTable.get("wtap_encap")
encap:add(wtap_encaps.USER0, kvt)
encap:add(wtap_encaps.USER1, notes)
