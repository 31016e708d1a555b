// SPDX-License-Identifier: MIT
#include "run_metrics.h"

#include <QHash>
#include <QHostAddress>
#include <QHostInfo>
#include <mutex>
#include <prometheus/counter.h>
#include <prometheus/exposer.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>

namespace kvt::report {

namespace {

using prometheus::Labels;

// Motion times of card readers: tens of milliseconds to seconds.
const prometheus::Histogram::BucketBoundaries kBuckets = {0.05, 0.1, 0.2, 0.3, 0.5, 0.75, 1, 1.5, 2, 3, 5, 10};

struct Families {
  explicit Families(prometheus::Registry& r)
      : cycles(prometheus::BuildCounter().Name("kvt730_cycles_total").Help("Wear cycles begun").Register(r)),
        motions(prometheus::BuildCounter()
                    .Name("kvt730_motions_total")
                    .Help("Card motions by move and result (ok or the failure class)")
                    .Register(r)),
        seconds(prometheus::BuildHistogram()
                    .Name("kvt730_motion_seconds")
                    .Help("Time of the card motions the reader answered")
                    .Register(r)),
        failures(prometheus::BuildCounter().Name("kvt730_failures_total").Help("Failures by class").Register(r)),
        verdict(prometheus::BuildGauge()
                    .Name("kvt730_last_verdict")
                    .Help("1 while the run passes (or passed), 0 once it failed")
                    .Register(r)) {}
  prometheus::Family<prometheus::Counter>& cycles;
  prometheus::Family<prometheus::Counter>& motions;
  prometheus::Family<prometheus::Histogram>& seconds;
  prometheus::Family<prometheus::Counter>& failures;
  prometheus::Family<prometheus::Gauge>& verdict;
};

class Unit : public UnitMetrics {
 public:
  Unit(Families& f, Labels labels)
      : f_(f),
        labels_(std::move(labels)),
        cycles_(f.cycles.Add(labels_)),
        verdict_(f.verdict.Add(labels_)) {
    verdict_.Set(1);
  }

  void cycle() override { cycles_.Increment(); }

  void motion(const QString& motion, const QString& result, std::optional<double> seconds) override {
    const QString key = motion + QLatin1Char('/') + result;
    prometheus::Counter*& c = motions_[key];
    if (!c) c = &f_.motions.Add(With({{"motion", motion.toStdString()}, {"result", result.toStdString()}}));
    c->Increment();
    if (!seconds) return;
    prometheus::Histogram*& h = seconds_[motion];
    if (!h) h = &f_.seconds.Add(With({{"motion", motion.toStdString()}}), kBuckets);
    h->Observe(*seconds);
  }

  void failure(const QString& cls) override {
    prometheus::Counter*& c = failures_[cls];
    if (!c) c = &f_.failures.Add(With({{"class", cls.toStdString()}}));
    c->Increment();
    verdict_.Set(0);
  }

  void verdict(bool passed) override { verdict_.Set(passed ? 1 : 0); }

 private:
  Labels With(const Labels& more) const {
    Labels l = labels_;
    l.insert(more.begin(), more.end());
    return l;
  }

  Families& f_;
  Labels labels_;
  prometheus::Counter& cycles_;
  prometheus::Gauge& verdict_;
  QHash<QString, prometheus::Counter*> motions_;
  QHash<QString, prometheus::Histogram*> seconds_;
  QHash<QString, prometheus::Counter*> failures_;
};

class Endpoint : public MetricsEndpoint {
 public:
  Endpoint(const std::string& bindAddress, const QString& host)
      : registry_(std::make_shared<prometheus::Registry>()), families_(*registry_), exposer_(bindAddress, 2) {
    exposer_.RegisterCollectable(registry_);
    const std::vector<int> ports = exposer_.GetListeningPorts();
    url_ = QStringLiteral("http://%1:%2/metrics").arg(host).arg(ports.empty() ? 0 : ports.front());
  }
  QString url() const override { return url_; }
  std::unique_ptr<UnitMetrics> unit(const QString& port, const QString& serial) override {
    return std::make_unique<Unit>(families_, Labels{{"port", port.toStdString()}, {"serial", serial.toStdString()}});
  }

 private:
  std::shared_ptr<prometheus::Registry> registry_;
  Families families_;
  prometheus::Exposer exposer_;
  QString url_;
};

std::mutex gMutex;
std::unique_ptr<Endpoint> gEndpoint;
QString gAsked;

// civetweb listens on numeric addresses: a name is looked up first, IPv6 goes in brackets.
std::optional<std::pair<std::string, QString>> BindAddress(const QString& hostPort, QString* error) {
  const int colon = static_cast<int>(hostPort.lastIndexOf(QLatin1Char(':')));
  QString host = hostPort.left(colon);
  const QString port = hostPort.mid(colon + 1);
  if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) host = host.mid(1, host.size() - 2);
  QHostAddress address(host);
  if (address.isNull()) {
    const QHostInfo info = QHostInfo::fromName(host);
    for (const QHostAddress& a : info.addresses())
      if (a.protocol() == QAbstractSocket::IPv4Protocol) {
        address = a;
        break;
      }
    if (address.isNull() && !info.addresses().isEmpty()) address = info.addresses().constFirst();
  }
  if (address.isNull()) {
    *error = QStringLiteral("--metrics %1: no such host %2").arg(hostPort, host);
    return std::nullopt;
  }
  const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
  const QString shown = v6 ? QLatin1Char('[') + address.toString() + QLatin1Char(']') : address.toString();
  return std::make_pair((shown + QLatin1Char(':') + port).toStdString(), shown);
}

}  // namespace

MetricsEndpoint* MetricsEndpoint::Serve(const QString& hostPort, QString* error, bool* created) {
  const std::lock_guard<std::mutex> lock(gMutex);
  if (created) *created = false;
  if (gEndpoint) {
    if (hostPort == gAsked) return gEndpoint.get();
    *error = QStringLiteral("--metrics %1: this run already serves at %2").arg(hostPort, gAsked);
    return nullptr;
  }
  const auto bind = BindAddress(hostPort, error);
  if (!bind) return nullptr;
  try {
    gEndpoint = std::make_unique<Endpoint>(bind->first, bind->second);
  } catch (const std::exception& e) {
    *error = QStringLiteral("--metrics %1: cannot listen there (%2)").arg(hostPort, QString::fromLocal8Bit(e.what()));
    return nullptr;
  }
  gAsked = hostPort;
  if (created) *created = true;
  return gEndpoint.get();
}

}  // namespace kvt::report
