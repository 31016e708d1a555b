// SPDX-License-Identifier: MIT
#pragma once
// A rack's readers for Prometheus: one endpoint per process, served by prometheus-cpp's pull
// exposer while the runs last, each reader's series labelled with its port and serial number.
//
//   kvt730_cycles_total, kvt730_motions_total{motion,result}, kvt730_motion_seconds{motion}
//   (a histogram), kvt730_failures_total{class}, kvt730_last_verdict (1 pass, 0 fail)
#include <QString>
#include <memory>
#include <optional>

namespace kvt::report {

class UnitMetrics {
 public:
  virtual ~UnitMetrics() = default;
  virtual void cycle() = 0;
  // result: "ok", or the failure's class ("negative", "exchange", "position", "slow"); the
  // time goes into the histogram when the reader answered.
  virtual void motion(const QString& motion, const QString& result, std::optional<double> seconds) = 0;
  virtual void failure(const QString& failureClass) = 0;
  virtual void verdict(bool passed) = 0;
};

class MetricsEndpoint {
 public:
  // The process's endpoint, serving at hostPort ("127.0.0.1:9100"; port 0: one the system
  // picks) from the first call on; later calls share it. Null with *error when it cannot
  // listen there, or when another address was asked for before. *created: this call
  // started it.
  static MetricsEndpoint* Serve(const QString& hostPort, QString* error, bool* created = nullptr);

  virtual ~MetricsEndpoint() = default;
  // "http://127.0.0.1:41234/metrics"
  virtual QString url() const = 0;
  // The series of one reader (the same labels twice share them).
  virtual std::unique_ptr<UnitMetrics> unit(const QString& port, const QString& serial) = 0;
};

}  // namespace kvt::report
