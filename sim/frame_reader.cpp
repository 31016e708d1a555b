// SPDX-License-Identifier: MIT
#include "sim/frame_reader.h"

#include <algorithm>

#include "sim/frame_codec.h"

namespace sim {

FrameReader::FrameReader(uint8_t address, size_t maxText)
    : address_(address), maxText_(std::max<size_t>(maxText, 3)) {}

void FrameReader::reset() {
  state_ = State::Idle;
  text_.clear();
  len_ = 0;
  textSeen_ = 0;
  bcc_ = 0;
  etxOk_ = false;
}

void FrameReader::feed(const uint8_t* data, size_t n, std::vector<HostEvent>& out) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = data[i];
    switch (state_) {
      case State::Idle:
        if (b == kStx) {
          reset();
          bcc_ = b;
          state_ = State::Address;
        } else if (b == kAck) {
          out.push_back(HostEvent{HostEvent::Kind::Ack, 0, 0, {}, false});
        } else if (b == kEot) {
          out.push_back(HostEvent{HostEvent::Kind::Eot, 0, 0, {}, false});
        } else {
          ++skipped_;
        }
        break;
      case State::Address:
        frameAddress_ = b;
        bcc_ ^= b;
        state_ = State::LenHi;
        break;
      case State::LenHi:
        len_ = static_cast<size_t>(b) << 8;
        bcc_ ^= b;
        state_ = State::LenLo;
        break;
      case State::LenLo:
        len_ |= b;
        bcc_ ^= b;
        state_ = len_ == 0 ? State::Etx : State::Text;
        break;
      case State::Text: {
        // Take as many text bytes at once as this chunk holds.
        const size_t take = std::min(len_ - textSeen_, n - i);
        for (size_t k = 0; k < take; ++k) bcc_ ^= data[i + k];
        const size_t room = maxText_ > text_.size() ? maxText_ - text_.size() : 0;
        const size_t keep = std::min(room, take);
        text_.insert(text_.end(), data + i, data + i + keep);
        textSeen_ += take;
        i += take - 1;
        if (textSeen_ == len_) state_ = State::Etx;
        break;
      }
      case State::Etx:
        etxOk_ = b == kEtx;
        bcc_ ^= b;
        state_ = State::Bcc;
        break;
      case State::Bcc:
        finishFrame(b, out);
        reset();
        break;
    }
  }
}

void FrameReader::finishFrame(uint8_t bccByte, std::vector<HostEvent>& out) {
  if (frameAddress_ != address_) {
    ++foreign_;
    return;
  }
  const bool intact = etxOk_ && bccByte == bcc_;
  if (!intact || len_ < 3 || text_[0] != kCommandMark) {
    out.push_back(HostEvent{HostEvent::Kind::BadFrame, 0, 0, {}, false});
    return;
  }
  HostEvent ev;
  ev.kind = HostEvent::Kind::Command;
  ev.cm = text_[1];
  ev.pm = text_[2];
  ev.data.assign(text_.begin() + 3, text_.end());
  ev.oversize = len_ > text_.size();
  out.push_back(std::move(ev));
}

}  // namespace sim
