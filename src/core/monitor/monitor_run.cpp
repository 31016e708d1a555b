// SPDX-License-Identifier: MIT
#include "monitor_run.h"

#include <future>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

namespace kvt::monitor {

qint64 NowUs() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<qint64>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

namespace {

LineUnit Event(Side about, const QString& text) {
  LineUnit u;
  u.timeUs = NowUs();
  u.from = about;
  u.kind = UnitKind::Event;
  u.meaning = text;
  return u;
}

QString SideWord(Side s) { return s == Side::App ? QStringLiteral("application") : QStringLiteral("reader"); }

}  // namespace

// The forwarding thread's state: both sides, the decoder, and the line as the application
// last set it.
class Forwarder {
 public:
  Forwarder(MonitorRun& run, const MonitorSetup& setup) : run_(run), setup_(setup), decoder_(setup.waits), line_(setup.line) {}

  StartResult open() {
    StartResult r;
    reader_ = MakeSidePort(setup_.reader);
    if (setup_.app) {
      app_ = MakeSidePort(*setup_.app);
    } else {
      auto terminal = std::make_unique<AppTerminal>(setup_.appLink);
      terminal_ = terminal.get();
      app_ = std::move(terminal);
    }
    r.error = reader_->open(line_);
    r.device = setup_.reader;
    if (r.error != OpenError::None) return r;
    r.side = Side::App;
    r.error = app_->open(line_);
    r.device = setup_.app.value_or(QString());
    if (r.error != OpenError::None) {
      if (terminal_) r.detail = terminal_->linkError();
      reader_->close();
      return r;
    }
    r.ok = true;
    return r;
  }

  QString appDevice() const { return app_->name(); }

  void loop() {
    units_.push_back(Event(Side::Reader, QStringLiteral("forwarding between the reader at %1 and the application at %2, %3")
                                             .arg(reader_->name(), app_->name(), line_.text())));
    flushUnits();
    while (!run_.stop_.load()) {
      waitOnce();
      if (terminal_) noticeTerminal();
      pass(*app_, Side::App);
      pass(*reader_, Side::Reader);
      reopen(*reader_, Side::Reader);
      if (!terminal_) reopen(*app_, Side::App);
      if (terminal_ && terminal_->applicationOpen() && NowUs() >= nextSettingsCheck_) follow(NowUs());
      decoder_.tick(NowUs(), units_);
      flushUnits();
    }
    decoder_.flush(units_);
    flushUnits();
    app_->close();
    reader_->close();
  }

 private:
  void waitOnce() {
    std::vector<pollfd> fds{{run_.wake_, POLLIN, 0}};
    for (SidePort* p : {reader_.get(), app_.get()}) {
      if (p->descriptor() < 0) continue;
      fds.push_back({p->descriptor(), static_cast<short>(POLLIN | (p->backlog() > 0 ? POLLOUT : 0)), 0});
    }
    if (terminal_) fds.push_back({terminal_->noticeDescriptor(), POLLIN, 0});
    const qint64 now = NowUs();
    qint64 next = std::min(decoder_.nextDeadlineUs(), now + 1000000);
    if (!reader_->isOpen() || !app_->isOpen()) next = std::min(next, retryAt_);
    if (terminal_ && terminal_->applicationOpen()) next = std::min(next, nextSettingsCheck_);
    const int ms = static_cast<int>(std::clamp<qint64>((next - now + 999) / 1000, 0, 1000));
    ::poll(fds.data(), fds.size(), ms);
    if (fds[0].revents & POLLIN) {
      uint64_t count = 0;
      (void)!::read(run_.wake_, &count, sizeof count);
    }
  }

  void noticeTerminal() {
    for (const AppTerminal::Notice n : terminal_->notices()) {
      const bool opened = n == AppTerminal::Notice::Opened;
      // Its last bytes before closing are passed on first.
      if (!opened) pass(*app_, Side::App);
      units_.push_back(Event(Side::App, opened ? QStringLiteral("the application opened its port")
                                               : QStringLiteral("the application closed its port")));
      if (opened) nextSettingsCheck_ = 0;
    }
  }

  // What arrived on one side goes to the other at once, and only then to the decoder.
  void pass(SidePort& from, Side side) {
    SidePort& to = side == Side::App ? *reader_ : *app_;
    if (to.backlog() > 0) to.drain();
    if (!from.isOpen()) return;
    const std::optional<QByteArray> got = from.take();
    if (!got) {
      lost(side);
      return;
    }
    if (got->isEmpty()) return;
    const qint64 t = NowUs();
    // A speed the application set goes to the reader before the bytes sent at it.
    if (side == Side::App && terminal_) follow(t);
    if (to.isOpen() && !to.put(*got)) lost(side == Side::App ? Side::Reader : Side::App);
    decoder_.feed(side, *got, t, units_);
    if (const qint64 dropped = to.takeDropped())
      units_.push_back(Event(side == Side::App ? Side::Reader : Side::App,
                             QStringLiteral("%1 bytes for the %2 were dropped: it does not take them")
                                 .arg(dropped)
                                 .arg(SideWord(side == Side::App ? Side::Reader : Side::App))));
  }

  void lost(Side side) {
    SidePort& p = side == Side::App ? *app_ : *reader_;
    p.close();
    if (side == Side::Reader) decoder_.forgetExchange();
    retryAt_ = NowUs() + setup_.retryMs * 1000LL;
    units_.push_back(Event(side, QStringLiteral("the %1 side is gone (%2): opening it again every %3 s")
                                     .arg(SideWord(side), p.name())
                                     .arg(setup_.retryMs / 1000.0)));
  }

  void reopen(SidePort& p, Side side) {
    if (p.isOpen() || NowUs() < retryAt_) return;
    if (p.open(line_) != OpenError::None) {
      retryAt_ = NowUs() + setup_.retryMs * 1000LL;
      return;
    }
    units_.push_back(Event(side, QStringLiteral("the %1 side is back (%2) at %3").arg(SideWord(side), p.name(), line_.text())));
  }

  // The application's line settings on its terminal, carried over to the reader's side.
  void follow(qint64 t) {
    nextSettingsCheck_ = t + 200000;
    const LineSettings set = terminal_->settings();
    if (set == line_ || set.baud == 0) return;
    line_ = set;
    QString what = QStringLiteral("the application set %1: ").arg(set.text());
    if (!reader_->isOpen()) {
      what += QStringLiteral("the reader side takes it when it is back");
    } else {
      switch (reader_->apply(set)) {
        case Applied::Yes: what += QStringLiteral("the reader side follows"); break;
        case Applied::NotHere: what += QStringLiteral("the reader side (%1) keeps its server's setting").arg(reader_->name()); break;
        case Applied::Refused: what += QStringLiteral("the reader side refused it"); break;
      }
    }
    LineUnit u = Event(Side::App, what);
    u.timeUs = t;
    units_.push_back(std::move(u));
  }

  void flushUnits() {
    if (!units_.empty()) run_.push(units_);
    units_.clear();
  }

  MonitorRun& run_;
  MonitorSetup setup_;
  StreamDecoder decoder_;
  LineSettings line_;
  std::unique_ptr<SidePort> reader_;
  std::unique_ptr<SidePort> app_;
  AppTerminal* terminal_ = nullptr;
  qint64 retryAt_ = 0;
  qint64 nextSettingsCheck_ = 0;
  std::vector<LineUnit> units_;
};

MonitorRun::~MonitorRun() { stop(); }

StartResult MonitorRun::start(const MonitorSetup& setup) {
  stop();
  stop_ = false;
  finished_ = false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    queue_.clear();
    dropped_ = 0;
  }
  maxQueued_ = std::max<size_t>(1, setup.maxQueued);
  wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  std::promise<StartResult> opened;
  std::future<StartResult> result = opened.get_future();
  // The ports are made and opened on the forwarding thread, which is the one that uses
  // them (their sockets belong to the thread that made them).
  thread_ = std::thread([this, setup, promise = std::move(opened)]() mutable {
    Forwarder f(*this, setup);
    const StartResult r = f.open();
    if (r.ok) {
      std::lock_guard<std::mutex> lock(mu_);
      appDevice_ = f.appDevice();
    }
    promise.set_value(r);
    if (r.ok) f.loop();
    finished_ = true;
    ready_.notify_all();
  });
  const StartResult r = result.get();
  if (!r.ok) stop();
  return r;
}

QString MonitorRun::appDevice() const {
  std::lock_guard<std::mutex> lock(mu_);
  return appDevice_;
}

void MonitorRun::push(std::vector<LineUnit>& units) {
  bool wasEmpty = false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    wasEmpty = queue_.empty();
    for (LineUnit& u : units) {
      if (queue_.size() >= maxQueued_) {
        ++dropped_;
        continue;
      }
      if (dropped_ > 0 && queue_.size() + 1 < maxQueued_) {
        queue_.push_back(Event(Side::Reader, QStringLiteral("%1 units were not shown: the output did not keep up").arg(dropped_)));
        dropped_ = 0;
      }
      queue_.push_back(std::move(u));
    }
  }
  // Whoever takes the units is waiting only when there were none.
  if (wasEmpty) ready_.notify_all();
}

std::vector<LineUnit> MonitorRun::take(int waitMs, size_t max) {
  std::unique_lock<std::mutex> lock(mu_);
  if (queue_.empty() && waitMs > 0)
    ready_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return !queue_.empty() || finished_.load(); });
  std::vector<LineUnit> out;
  while (!queue_.empty() && out.size() < max) {
    out.push_back(std::move(queue_.front()));
    queue_.pop_front();
  }
  return out;
}

void MonitorRun::stop() {
  stop_ = true;
  if (wake_ >= 0) {
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
  }
  if (thread_.joinable()) thread_.join();
  if (wake_ >= 0) ::close(wake_);
  wake_ = -1;
}

}  // namespace kvt::monitor
