// The bulk edits through the window on the full example, with every page
// shown afresh as the user sees it: a paste of 192 zone names into
// StringGrid2, Space on the whole 16 x 192 restrictions matrix, and Copy
// Audio to the 191 other zones through its dialog. Each iteration makes the
// edit (timed) and takes it back with Undo (not timed).
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <functional>
#include <memory>

#include "full_config.h"
#include "transfer/scripted_prompts.h"
#include "ui/matrix/matrix_grid_widget.h"
#include "ui/pages/choice_dialog.h"
#include "ui/window/main_window.h"

namespace {

struct Window {
  zem::Editor editor;
  zem::ScriptedPrompts prompts;
  std::unique_ptr<zem::MainWindow> window;
  Window() {
    editor.ImportFileText(zem::bench::FullConfigText(), "full.zem");
    window = std::make_unique<zem::MainWindow>(editor, prompts);
    window->show();
    QApplication::processEvents();
  }
  template <typename T>
  T* Find(const char* name) {
    return window->findChild<T*>(name);
  }
  void Show(zem::Page page) {
    Find<QTabWidget>("PageControl1")->setCurrentIndex(static_cast<int>(page));
    QApplication::processEvents();
  }
};

void Measure(benchmark::State& state, Window& w, const std::function<void()>& edit) {
  for (auto _ : state) {
    edit();
    QApplication::processEvents();  // the repaint
    state.PauseTiming();
    if (w.editor.history.Size() != 1) state.SkipWithError("not one step");
    w.Find<QAction>("Undo1")->trigger();
    w.editor.history.Clear();
    QApplication::processEvents();
    state.ResumeTiming();
  }
}

void BM_WindowPaste192ZoneNames(benchmark::State& state) {
  Window w;
  w.Show(zem::Page::SourceZoneNaming);
  QString text;
  for (int z = 1; z <= zem::kZones; ++z) text += QString("Suite %1\n").arg(z);
  QApplication::clipboard()->setText(text);
  auto* grid = w.Find<QTableView>("StringGrid2");
  grid->setFocus();
  Measure(state, w, [grid] {
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QApplication::sendEvent(grid, &paste);
  });
}
BENCHMARK(BM_WindowPaste192ZoneNames)->Unit(benchmark::kMillisecond);

void BM_WindowToggleRestrictions16x192(benchmark::State& state) {
  Window w;
  w.Show(zem::Page::Restrictions);
  auto* grid = w.Find<zem::MatrixGridWidget>("StringGrid4");
  Measure(state, w, [grid] {
    grid->setCurrentIndex(grid->model()->index(0, 0));
    grid->selectAll();
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(grid, &space);
  });
}
BENCHMARK(BM_WindowToggleRestrictions16x192)->Unit(benchmark::kMillisecond);

void BM_WindowCopyAudioTo191Zones(benchmark::State& state) {
  Window w;
  w.Show(zem::Page::ZoneAudioControls);
  Measure(state, w, [&w] {
    w.Find<QAction>("CopyAudioSettings1")->trigger();
    auto* dialog = w.Find<zem::ChoiceDialog>("CopyAudioDialog");
    dialog->findChild<QPushButton*>("CopyAudioSelectAll")->click();
    dialog->findChild<QPushButton*>("CopyAudioDialogOk")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  });
}
BENCHMARK(BM_WindowCopyAudioTo191Zones)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
