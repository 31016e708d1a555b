// SPDX-License-Identifier: MIT
#include "pcsc_commands.h"

#include "core/pcsc/bounded_service.h"
#include "core/pcsc/pcsc_ops.h"
#include "core/pcsc/pcsclite_service.h"
#include "exit_status.h"
#include "insight_commands.h"
#include "output.h"

namespace kvt::cli {

namespace {

// Prints the outcome's lines, a failed call's meaning before the closing empty line; false
// when the service call failed.
bool Show(const pcsc::PcscOutcome& o) {
  const bool closed = !o.lines.isEmpty() && o.lines.last().isEmpty();
  for (int i = 0; i < o.lines.size() - (closed ? 1 : 0); ++i) PrintLine(o.lines[i]);
  if (o.called && o.result != 0) PrintField(QStringLiteral("Meaning"), pcsc::ResultMeaning(o.result));
  if (closed) PrintLine(QString());
  return o.ok();
}

}  // namespace

int RunPcscList(SmartCardService& service) {
  pcsc::PcscState st;
  if (!Show(pcsc::EstablishContext(service, st))) return kExitService;
  const pcsc::PcscOutcome list = pcsc::ListReaders(service, st);
  bool ok = Show(list);
  if (list.readers)
    for (const QString& name : *list.readers) PrintField(QStringLiteral("Reader"), name);
  ok = Show(pcsc::ReleaseContext(service, st)) && ok;
  return ok ? kExitOk : kExitService;
}

int RunPcscTransmit(SmartCardService& service, const QString* reader, const QStringList& apdus) {
  pcsc::PcscState st;
  if (!Show(pcsc::EstablishContext(service, st))) return kExitService;
  // Top to bottom; on the first error only the closing calls that have something to close.
  bool connected = false, inTransaction = false;
  bool ok = [&] {
    const pcsc::PcscOutcome list = pcsc::ListReaders(service, st);
    if (!Show(list)) return false;
    QString name = reader ? *reader : QString();
    if (!reader && list.readers && !list.readers->isEmpty()) name = list.readers->first();
    if (!Show(pcsc::Connect(service, st, name))) return false;
    connected = true;
    if (!Show(pcsc::BeginTransaction(service, st))) return false;
    inTransaction = true;
    if (!Show(pcsc::Status(service, st))) return false;
    for (const QString& apdu : apdus) {
      const pcsc::PcscOutcome sent = pcsc::Transmit(service, st, apdu);
      if (!sent.ok()) return Show(sent);  // with the code's meaning
      PrintLinesWithSw(sent.lines, sent.received);  // the block, its status word before the empty line
    }
    return true;
  }();
  if (inTransaction) ok = Show(pcsc::EndTransaction(service, st)) && ok;
  if (connected) ok = Show(pcsc::Disconnect(service, st)) && ok;
  ok = Show(pcsc::ReleaseContext(service, st)) && ok;
  return ok ? kExitOk : kExitService;
}

Runner BindPcsc(const CliOptions& o, QString* error) {
  const QString sub = o.operands.value(0);
  if (sub == QLatin1String("list")) {
    if (o.operands.size() != 1) {
      *error = QStringLiteral("pcsc list takes no operands");
      return {};
    }
    return [](Context&) {
      BoundedService service(std::make_unique<PcscLiteService>(), WaitMode::Block);
      return RunPcscList(service);
    };
  }
  if (sub == QLatin1String("transmit")) {
    const QStringList apdus = o.operands.mid(1);
    if (apdus.isEmpty()) {
      *error = QStringLiteral("pcsc transmit needs at least one APDU in hex, e.g. 00A40000023F00");
      return {};
    }
    for (const QString& apdu : apdus) {
      if (!pcsc::ParseApduText(apdu)) {
        *error = QStringLiteral("pcsc transmit \"%1\": not an APDU of hex digit pairs (%2 to %3 bytes)")
                     .arg(apdu)
                     .arg(pcsc::kApduHeaderSize)
                     .arg(pcsc::kSendBufferSize);
        return {};
      }
    }
    const std::optional<QString> reader = o.reader;
    return [apdus, reader](Context&) {
      // A call that does not answer is reported as a timeout instead of hanging the run.
      BoundedService service(std::make_unique<PcscLiteService>(), WaitMode::Block);
      return RunPcscTransmit(service, reader ? &*reader : nullptr, apdus);
    };
  }
  *error = QStringLiteral("pcsc: expected list or transmit");
  return {};
}

}  // namespace kvt::cli
