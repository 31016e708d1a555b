// SPDX-License-Identifier: MIT
#include "svg_chart.h"

#include <algorithm>
#include <cmath>

#include "html_page.h"

namespace kvt::report {

namespace {

constexpr double kWidth = 700, kHeight = 230;
constexpr double kLeft = 62, kRight = 14, kTop = 14, kBottom = 42;
constexpr double kPlotW = kWidth - kLeft - kRight, kPlotH = kHeight - kTop - kBottom;

QString N(double v) { return QString::number(v, 'f', 1); }

// A number for an axis label: no decimals once it is large.
QString Label(double v) { return QString::number(v, 'f', v >= 100 || v == std::floor(v) ? 0 : 1); }

QString Open(const QString& label) {
  return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\" width=\"%1\" height=\"%2\" "
                        "role=\"img\" aria-label=\"%3\" font-family=\"DejaVu Sans, Arial, sans-serif\" "
                        "font-size=\"11\">\n<title>%3</title>\n")
      .arg(N(kWidth), N(kHeight), Html(label));
}

// Frame, horizontal grid with the value axis, the axis titles.
QString Axes(double yMax, const QString& yTitle, const QString& xTitle) {
  QString out = QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#fff\" stroke=\"#444\"/>\n")
                    .arg(N(kLeft), N(kTop), N(kPlotW), N(kPlotH));
  for (int i = 0; i <= 4; ++i) {
    const double v = yMax * i / 4;
    const double y = kTop + kPlotH - kPlotH * i / 4;
    out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#ddd\"/>"
                          "<text x=\"%4\" y=\"%5\" text-anchor=\"end\">%6</text>\n")
               .arg(N(kLeft), N(y), N(kLeft + kPlotW), N(kLeft - 5), N(y + 4), Label(v));
  }
  out += QStringLiteral("<text x=\"14\" y=\"%1\" transform=\"rotate(-90 14 %1)\" text-anchor=\"middle\">%2</text>\n")
             .arg(N(kTop + kPlotH / 2), Html(yTitle));
  out += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
             .arg(N(kLeft + kPlotW / 2), N(kHeight - 6), Html(xTitle));
  return out;
}

QString XTick(double x, const QString& text) {
  return QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"#444\"/>"
                        "<text x=\"%1\" y=\"%4\" text-anchor=\"middle\">%5</text>\n")
      .arg(N(x), N(kTop + kPlotH), N(kTop + kPlotH + 4), N(kTop + kPlotH + 16), Html(text));
}

}  // namespace

double NiceCeiling(double v, double least) {
  v = std::max(v, least);
  const double p = std::pow(10.0, std::floor(std::log10(v)));
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (v <= m * p * (1 + 1e-9)) return m * p;
  return 10 * p;
}

QString TrendSvg(const std::vector<qualify::TrendPoint>& points, qint64 lastCycle, const QString& label) {
  double slowest = 0;
  for (const auto& p : points)
    if (p.timed) slowest = std::max(slowest, p.maxUs / 1000.0);
  const double yMax = NiceCeiling(slowest * 1.05);
  const double span = std::max<qint64>(lastCycle - 1, 1);
  const auto x = [span](double cycle) { return kLeft + kPlotW * std::clamp((cycle - 1) / span, 0.0, 1.0); };
  const auto y = [yMax](double ms) { return kTop + kPlotH - kPlotH * std::min(ms / yMax, 1.0); };
  const auto middle = [lastCycle](const qualify::TrendPoint& p) {
    return (p.firstCycle + std::min<qint64>(p.lastCycle, std::max<qint64>(lastCycle, p.firstCycle))) / 2.0;
  };

  QString out = Open(label) + Axes(yMax, QStringLiteral("ms"), QStringLiteral("cycle"));
  for (int i = 0; i <= 4; ++i) {
    const double c = 1 + span * i / 4;
    out += XTick(x(c), QString::number(std::llround(c)));
  }
  QString upper, lower, mean;
  for (const auto& p : points) {
    if (!p.timed) continue;
    const double cx = x(middle(p));
    upper += N(cx) + QLatin1Char(',') + N(y(p.maxUs / 1000.0)) + QLatin1Char(' ');
    lower.prepend(N(cx) + QLatin1Char(',') + N(y(p.minUs / 1000.0)) + QLatin1Char(' '));
    mean += N(cx) + QLatin1Char(',') + N(y(p.meanMs())) + QLatin1Char(' ');
  }
  if (!mean.isEmpty()) {
    out += QStringLiteral("<polygon points=\"%1\" fill=\"#c6dbef\" stroke=\"none\"/>\n").arg((upper + lower).trimmed());
    out += QStringLiteral("<polyline points=\"%1\" fill=\"none\" stroke=\"#08519c\" stroke-width=\"1.5\"/>\n")
               .arg(mean.trimmed());
  }
  for (const auto& p : points) {
    if (!p.failures) continue;
    const double cx = x(middle(p));
    out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"3\" height=\"10\" fill=\"#d62728\">"
                          "<title>cycles %3 to %4: %5 failed</title></rect>\n")
               .arg(N(cx - 1.5), N(kTop + kPlotH - 10))
               .arg(p.firstCycle)
               .arg(std::min<qint64>(p.lastCycle, std::max<qint64>(lastCycle, p.firstCycle)))
               .arg(p.failures);
  }
  return out + QStringLiteral("</svg>\n");
}

QString HistogramSvg(const std::vector<qint64>& counts, double lowMs, double binMs, const QString& label) {
  const qint64 most = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
  const double yMax = NiceCeiling(double(most));
  QString out = Open(label) + Axes(yMax, QStringLiteral("motions"), QStringLiteral("ms"));
  const double n = std::max<size_t>(counts.size(), 1);
  const double w = kPlotW / n;
  for (size_t i = 0; i < counts.size(); ++i) {
    if (!counts[i]) continue;
    const double h = kPlotH * counts[i] / yMax;
    out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#6baed6\" stroke=\"#08519c\">"
                          "<title>%5 to %6 ms: %7</title></rect>\n")
               .arg(N(kLeft + w * i), N(kTop + kPlotH - h), N(std::max(w - 1, 1.0)), N(h),
                    MsText(lowMs + binMs * i), MsText(lowMs + binMs * (i + 1)))
               .arg(counts[i]);
  }
  for (int i = 0; i <= 4; ++i) out += XTick(kLeft + kPlotW * i / 4, Label(lowMs + binMs * n * i / 4));
  return out + QStringLiteral("</svg>\n");
}

}  // namespace kvt::report
