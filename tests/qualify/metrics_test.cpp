// SPDX-License-Identifier: MIT
// The metrics of a run as a rack's Prometheus meets them: one endpoint for every reader of
// --ports, each with its labels, answering while the run goes on; and Debian's real
// prometheus scraping a wear run on the simulator.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "ctl_process.h"
#include "test_files.h"

namespace {

// kvt730ctl started with --metrics HOST:0; the address it prints once it serves.
class ServingRun {
 public:
  explicit ServingRun(const QStringList& args) {
    proc_.start(QStringLiteral(KVT730CTL_PATH), args + QStringList{"--metrics", "127.0.0.1:0"});
    QElapsedTimer t;
    t.start();
    while (url_.isEmpty() && t.elapsed() < 30000 && proc_.state() != QProcess::NotRunning) {
      proc_.waitForReadyRead(100);
      err_ += QString::fromUtf8(proc_.readAllStandardError());
      const auto m = QRegularExpression("kvt730ctl: metrics at (http://\\S+)").match(err_);
      if (m.hasMatch()) url_ = QUrl(m.captured(1));
    }
  }
  ~ServingRun() { stop(); }
  const QUrl& url() const { return url_; }
  // SIGTERM, then the exit status.
  int stop() {
    if (proc_.state() != QProcess::NotRunning) {
      ::kill(static_cast<pid_t>(proc_.processId()), SIGTERM);
      if (!proc_.waitForFinished(20000)) proc_.kill();
    }
    return proc_.exitStatus() == QProcess::NormalExit ? proc_.exitCode() : -1;
  }
  QString err() { return err_ + QString::fromUtf8(proc_.readAllStandardError()); }

 private:
  QProcess proc_;
  QString err_;
  QUrl url_;
};

// GET on a loopback HTTP server; the body, empty on failure.
QByteArray Get(const QUrl& url) {
  QTcpSocket s;
  s.connectToHost(url.host(), static_cast<quint16>(url.port()));
  if (!s.waitForConnected(5000)) return {};
  s.write("GET " + url.path(QUrl::FullyEncoded).toUtf8() + (url.hasQuery() ? "?" + url.query(QUrl::FullyEncoded).toUtf8() : QByteArray()) +
          " HTTP/1.0\r\nHost: " + url.host().toUtf8() + "\r\n\r\n");
  QByteArray all;
  // HTTP/1.0: the server closes the connection after its answer.
  while (s.state() == QAbstractSocket::ConnectedState && s.waitForReadyRead(5000)) all += s.readAll();
  all += s.readAll();
  const int body = all.indexOf("\r\n\r\n");
  return body < 0 ? QByteArray() : all.mid(body + 4);
}

// The value of the first sample line starting with `series` (name and labels), -1 if none.
double Sample(const QByteArray& text, const QString& series) {
  for (const QByteArray& line : text.split('\n'))
    if (line.startsWith(series.toUtf8() + ' ')) return line.mid(series.size() + 1).toDouble();
  return -1;
}

quint16 FreePort() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost);
  return s.serverPort();
}

}  // namespace

TEST(Metrics, OneEndpointServesEveryReaderOfTheRackWithItsLabels) {
  ServingRun run({"--simulate", "--ports", "COM1,COM2", "wear", "--cycles", "100000000", "--path", "ic,rf"});
  ASSERT_TRUE(run.url().isValid()) << run.err().toStdString();
  EXPECT_EQ(run.url().path(), "/metrics");
  const QString labels = "port=\"%1\",serial=\"KVT730MA10012345\"";
  const QString serial = ",serial=\"KVT730MA10012345\"";
  QByteArray text;
  QElapsedTimer t;
  t.start();
  // Until both readers have made a few cycles.
  while (t.elapsed() < 30000 && (Sample(text, "kvt730_cycles_total{" + labels.arg("COM1") + "}") < 3 ||
                                 Sample(text, "kvt730_cycles_total{" + labels.arg("COM2") + "}") < 3))
    text = Get(run.url());
  for (const char* port : {"COM1", "COM2"}) {
    const QString l = labels.arg(port);
    SCOPED_TRACE(port);
    const double cycles = Sample(text, "kvt730_cycles_total{" + l + "}");
    EXPECT_GE(cycles, 3);
    const double ok =
        Sample(text, "kvt730_motions_total{motion=\"rf\",port=\"" + QString(port) + "\",result=\"ok\"" + serial + "}");
    EXPECT_GE(ok, cycles);
    EXPECT_LE(ok, cycles + 1);
    EXPECT_GE(Sample(text, "kvt730_motion_seconds_count{motion=\"ic\"," + l + "}"), cycles);
    EXPECT_GE(Sample(text, "kvt730_motion_seconds_bucket{motion=\"ic\"," + l + ",le=\"+Inf\"}"), cycles);
    EXPECT_EQ(Sample(text, "kvt730_last_verdict{" + l + "}"), 1);
  }
  EXPECT_TRUE(text.contains("# TYPE kvt730_motion_seconds histogram"));
  EXPECT_FALSE(text.contains("kvt730_failures_total{"));  // nothing failed
  EXPECT_EQ(run.stop(), 130);
}

TEST(Prometheus, ScrapesAWearRunOnTheSimulator) {
  const QString prometheus = QStandardPaths::findExecutable("prometheus");
  if (prometheus.isEmpty()) GTEST_SKIP() << "prometheus is not installed (Debian package prometheus)";
  ctl_test::SimProcess reader({"--motion-ms", "5", "--jam-rate", "0.05", "--seed", "11"});
  ASSERT_TRUE(reader.ok());
  ServingRun run({"--port", reader.device(), "wear", "--cycles", "100000000", "--path", "ic,front-hold"});
  ASSERT_TRUE(run.url().isValid()) << run.err().toStdString();

  QTemporaryDir dir;
  const quint16 web = FreePort();
  const QByteArray config = "global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                            "scrape_configs:\n  - job_name: kvt730\n    static_configs:\n      - targets: ['" +
                            QStringLiteral("%1:%2").arg(run.url().host()).arg(run.url().port()).toUtf8() + "']\n";
  ASSERT_TRUE(test_files::writeFile(dir.filePath("prometheus.yml"), config));
  QProcess server;
  server.setProcessChannelMode(QProcess::MergedChannels);
  server.start(prometheus, {"--config.file=" + dir.filePath("prometheus.yml"), "--storage.tsdb.path=" + dir.filePath("data"),
                            QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(web)});
  ASSERT_TRUE(server.waitForStarted(10000));
  const auto query = [web](const QString& q) {
    QUrl url(QStringLiteral("http://127.0.0.1:%1/api/v1/query").arg(web));
    url.setQuery("query=" + QString::fromLatin1(QUrl::toPercentEncoding(q)));
    return QJsonDocument::fromJson(Get(url)).object().value("data").toObject().value("result").toArray();
  };
  QJsonArray motions, failures;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 90000 && (motions.isEmpty() || failures.isEmpty())) {
    QThread::msleep(500);
    motions = query("kvt730_motions_total{result=\"ok\",motion=\"ic\"} > 0");
    failures = query("sum by (class, serial) (kvt730_failures_total)");
  }
  const qint64 pid = server.processId();
  ::kill(static_cast<pid_t>(pid), SIGTERM);
  server.waitForFinished(20000);
  ASSERT_EQ(motions.size(), 1) << server.readAll().right(2000).toStdString();
  const QJsonObject metric = motions[0].toObject().value("metric").toObject();
  EXPECT_EQ(metric.value("serial").toString(), "KVT730MA10012345");
  EXPECT_EQ(metric.value("port").toString(), reader.device());
  EXPECT_EQ(metric.value("job").toString(), "kvt730");
  EXPECT_GT(motions[0].toObject().value("value").toArray()[1].toString().toDouble(), 0);
  ASSERT_EQ(failures.size(), 1);
  EXPECT_EQ(failures[0].toObject().value("metric").toObject().value("class").toString(), "negative");
  EXPECT_EQ(run.stop(), 130);
}
