// Times whole updates through the wizard on the real event loop: a real TFormMj, the loader
// simulator paced at 9600 bit/s, a user who clicks through steps 1 to 6 and then Connect. Each
// run is set against the bound its own schedule allows (see ScheduleBound.h).
//   orb42-bench-update [runs] [latency-ms]
// (runs default 3; prints details, then Markdown table rows). With a latency, each answer of the
// loader reaches the wizard that many milliseconds late, as behind a USB bridge: the rows then
// tell the whole update's time and how many record ticks overran their 100 ms.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "bench/ScheduleBound.h"
#include "bench/TickLog.h"
#include "support/ImageWords.h"
#include "support/QtHarness.h"

namespace {

using testsupport::RunLoopUntil;

void RunLoopFor(int ms) {
  RunLoopUntil([] { return false; }, ms);
}

void PrintPhases(const bench::UpdateFigures& f) {
  for (const bench::Phase& p : f.phases)
    std::printf(
        "  step %2d: %3d ticks, %5d bytes (%7.1f ms on the line): %8.1f ms, bound %8.1f ms\n",
        p.step, p.ticks, p.bytes, p.wireMs, p.measuredMs, p.boundMs);
}

struct RecordTicks {
  int count = 0;
  int overran = 0;  // took longer than their 100 ms period
  double longestMs = 0;
  double spacingMs = 0;  // how far apart the record ticks began, on average
};

// Step-9 ticks that took longer than their period or started late, and what the host added to
// the bytes' own time.
RecordTicks PrintRecordTicks(const bench::UpdateFigures& f) {
  int overran = 0, late = 0, count = 0;
  double overheadSum = 0, overheadMax = 0, longest = 0, prevStart = -1;
  for (const bench::TickWork& w : f.ticks) {
    if (w.span.step != 9) continue;
    const double took = w.span.endMs - w.span.startMs;
    const double overhead = took - w.wireMs - w.waitMs;
    ++count;
    overheadSum += overhead;
    overheadMax = std::max(overheadMax, overhead);
    longest = std::max(longest, took);
    if (took > 100.0) ++overran;
    if (prevStart >= 0 && w.span.startMs - prevStart > 102.0) ++late;
    prevStart = w.span.startMs;
  }
  if (count == 0) return {};
  double first = -1, last = 0;
  for (const bench::TickWork& w : f.ticks)
    if (w.span.step == 9) {
      if (first < 0) first = w.span.startMs;
      last = w.span.startMs;
    }
  const double spacing = (last - first) / (count - 1);
  std::printf("  step 9: ticks began %.3f ms apart on average\n", spacing);
  std::printf(
      "  step 9: %d record ticks, longest %.1f ms, %d over 100 ms, %d started > 2 ms late;"
      " host time beyond the bytes: mean %.2f ms, max %.2f ms a tick\n",
      count, longest, overran, late, overheadSum / count, overheadMax);
  return {count, overran, longest, spacing};
}

// The row of the record ticks of the run with the median count of overruns.
void PrintRecordTicksRow(std::vector<RecordTicks> ticks) {
  std::sort(ticks.begin(), ticks.end(),
            [](const RecordTicks& a, const RecordTicks& b) { return a.overran < b.overran; });
  const RecordTicks& t = ticks[ticks.size() / 2];
  std::printf(
      "| Its record ticks over their 100 ms (of %d; longest %.0f ms; %.1f ms apart on average) "
      "| %d | | |\n",
      t.count, t.longestMs, t.spacingMs, t.overran);
}

bool RunOnce(int run, unsigned latencyMs, bench::UpdateFigures& out, RecordTicks& ticks) {
  sim::Options options;
  options.pacing = true;
  options.inLatencyMs = latencyMs;
  testsupport::QtSimWizard w(options);
  TFormMj& f = w.Form();
  QPushButton* next = w.Window().Button(wizard::layout::ButtonSuivant);
  w.Window().show();
  // The user reads steps 1 to 6 and clicks Next; the click on step 6 is Connect.
  while (f.WizardStep < 6) {
    next->click();
    RunLoopFor(30);
  }
  RunLoopFor(300);
  bench::TickLog log(w.Window());
  w.Sim().ClearTranscript();
  const double click = bench::NowMs();
  next->click();
  const bool finished =
      RunLoopUntil([&] { return f.WizardStep == 10 && !f.TimerGestionSerie->Enabled(); }, 120000);
  const bool updated = testsupport::WordsDifferingFromImage(w.Sim().ProgramMemory()) == 0 &&
                       w.Sim().Eeprom()[126] == 1 && w.Sim().Eeprom()[127] == 5;
  if (!finished || !updated || !w.Dialogs().Shown().empty()) {
    std::printf("run %d: the update did not finish cleanly (step %d)\n", run, f.WizardStep);
    return false;
  }
  out = bench::Analyse(log.Ticks(), w.Sim().Transcript(), click);
  std::printf("run %d: %.1f ms, bound %.1f ms, ratio %.4f; %d bytes, %.1f ms on the line%s\n", run,
              out.measuredMs, out.boundMs, out.measuredMs / out.boundMs, out.bytes, out.wireMs, "");
  if (out.strayBytes) std::printf("  %d bytes fell outside every tick\n", out.strayBytes);
  PrintPhases(out);
  ticks = PrintRecordTicks(out);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const unsigned latencyMs = argc > 2 ? static_cast<unsigned>(std::max(0, std::atoi(argv[2]))) : 0;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  testsupport::QtApp();
  std::vector<bench::UpdateFigures> results;
  std::vector<RecordTicks> ticks;
  for (int run = 1; run <= runs; ++run) {
    bench::UpdateFigures f;
    RecordTicks t;
    if (!RunOnce(run, latencyMs, f, t)) return 1;
    results.push_back(std::move(f));
    ticks.push_back(t);
  }
  if (latencyMs > 0) {
    // The schedule's bound knows no latency: the rows tell the time and the overrunning ticks.
    std::vector<double> times;
    for (const auto& r : results) times.push_back(r.measuredMs);
    std::sort(times.begin(), times.end());
    std::printf(
        "| Whole update through the wizard at 9600 bit/s, each answer %u ms late (median of "
        "%d) | %.2f s | | |\n",
        latencyMs, runs, times[times.size() / 2] / 1000);
    PrintRecordTicksRow(ticks);
    return 0;
  }
  std::sort(results.begin(), results.end(), [](const auto& a, const auto& b) {
    return a.measuredMs / a.boundMs < b.measuredMs / b.boundMs;
  });
  const bench::UpdateFigures& median = results[results.size() / 2];
  const double worst = results.back().measuredMs / results.back().boundMs;
  const double ratio = median.measuredMs / median.boundMs;
  std::printf("| Whole update, Connect to finish (median of %d) | %.2f s | | |\n", runs,
              median.measuredMs / 1000);
  std::printf("| Schedule's bound for the same run | %.2f s | | |\n", median.boundMs / 1000);
  std::printf("| Ratio update / bound (worst of %d: %.4f) | %.4f | ≤ 1.03 | %s |\n", runs, worst,
              ratio, ratio <= 1.03 ? "yes" : "NO");
  std::printf("| Wire time of all %d bytes (11 bits at 9600 bit/s) | %.2f s | | |\n", median.bytes,
              median.wireMs / 1000);
  PrintRecordTicksRow(ticks);
  return ratio <= 1.03 ? 0 : 2;
}
