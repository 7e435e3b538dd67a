// Timings of a page switch on a full configuration: the refresh of the
// editor and a full repaint of the favorites grid.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include "full_config.h"
#include "ui/favorites/favorites_view.h"
#include "ui/matrix/matrix_grid_widget.h"

namespace {

void BM_RefreshPages(benchmark::State& state) {
  zem::Editor editor;
  editor.ImportFileText(zem::bench::FullConfigText(), "full.zem");
  for (auto _ : state) {
    editor.RefreshPages();
    benchmark::DoNotOptimize(editor.model.unit.FavoriteStore);
  }
}
BENCHMARK(BM_RefreshPages)->Unit(benchmark::kMicrosecond);

void BM_RepaintFavoritesGrid(benchmark::State& state) {
  zem::Editor editor;
  editor.ImportFileText(zem::bench::FullConfigText(), "full.zem");
  zem::FavoritesView page(editor);
  page.resize(689, 381);
  page.show();
  QApplication::processEvents();
  for (auto _ : state) {
    page.Grid()->Refresh();
    QPixmap picture = page.Grid()->grab();
    benchmark::DoNotOptimize(picture);
  }
}
BENCHMARK(BM_RepaintFavoritesGrid)->Unit(benchmark::kMicrosecond);

// What a tab change to the favorites page costs: the refresh, the page's
// resynchronisation and the repaint of its grid.
void BM_TabChangeToFavorites(benchmark::State& state) {
  zem::Editor editor;
  editor.ImportFileText(zem::bench::FullConfigText(), "full.zem");
  zem::FavoritesView page(editor);
  page.resize(689, 381);
  page.show();
  QApplication::processEvents();
  for (auto _ : state) {
    editor.PageChosen(zem::Page::Favorites);
    page.SyncFromEditor();
    QPixmap picture = page.grab();
    benchmark::DoNotOptimize(picture);
  }
}
BENCHMARK(BM_TabChangeToFavorites)->Unit(benchmark::kMicrosecond);

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
