// The handover sheet of the full example (16 sources, 192 zones): the
// document built from the imported configuration and written as PDF or as
// XHTML, as File > Export Sheet... and zemctl sheet do.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <fstream>
#include <sstream>

#include "editor/editor.h"
#include "sheet/sheet_pages.h"

namespace {

// Text is laid out through the GUI side of Qt: one application for the
// run, on the offscreen platform unless another is named.
void StartGui() {
  static int argc = 1;
  static char name[] = "bench_sheet";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
}

zem::ConfigModel FullExample() {
  StartGui();
  std::ifstream file(ZEM_SOURCE_DIR "/examples/full-16x192.zem", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  zem::Editor editor;
  editor.ImportFileText(text.str(), "full-16x192.zem");
  return editor.model;
}

zem::SheetTitleBlock Title() {
  zem::SheetTitleBlock title;
  title.site = "full-16x192";
  return title;
}

void Sheet(benchmark::State& state, zem::SheetFormat format) {
  const zem::ConfigModel model = FullExample();
  qsizetype bytes = 0;
  for (auto _ : state) {
    const zem::SheetDocument sheet = zem::BuildSheet(model, Title(), QDate(2026, 1, 1));
    const QByteArray file = zem::SheetFileBytes(sheet, format, QPageSize::A4);
    bytes = file.size();
    benchmark::DoNotOptimize(file.constData());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  if (format == zem::SheetFormat::Pdf) {
    // The page count the README quotes, outside the timing.
    QBuffer nowhere;
    QPdfWriter writer(&nowhere);
    writer.setPageSize(QPageSize(QPageSize::A4));
    state.counters["pages"] = zem::PaintSheet(zem::BuildSheet(model, Title(), QDate(2026, 1, 1)), writer);
  }
}

void BM_SheetPdf(benchmark::State& state) { Sheet(state, zem::SheetFormat::Pdf); }
void BM_SheetHtml(benchmark::State& state) { Sheet(state, zem::SheetFormat::Html); }

BENCHMARK(BM_SheetPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SheetHtml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
