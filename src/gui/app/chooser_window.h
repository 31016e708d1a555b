// SPDX-License-Identifier: MIT
#pragma once
// The model chooser shown at start: one button per reader model.
#include <QWidget>
#include <functional>
#include <memory>

#include "core/base/app_state.h"
#include "core/base/notifier.h"
#include "core/link/port_map.h"
#include "core/link/timeouts.h"

namespace kvt {

class ReaderMainWindow;

class KVT_730_B_AboutDialog : public QWidget {
  Q_OBJECT
 public:
  // openModel creates and shows the main window of the chosen model; the chooser then
  // closes and deletes itself.
  explicit KVT_730_B_AboutDialog(std::function<void(Variant)> openModel, QWidget* parent = nullptr);

 private:
  void choose(Variant v);
  std::function<void(Variant)> openModel_;
};

// The main window of a model, unparented and not yet shown.
std::unique_ptr<ReaderMainWindow> CreateMainWindow(Variant v, AppState& state, Notifier& notifier,
                                                   const PortMap& ports, const Timeouts& timeouts = {});

}  // namespace kvt
