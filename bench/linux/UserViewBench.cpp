// The Linux user view on its own: filling it with a resumed document's derived text until its first screen
// is drawn, and a key typed at the end of a huge line until the screen shows it. Qt's offscreen platform.
//
//   build/bench/bench/titrelle_userview_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <memory>
#include <string>

#include "BenchDocuments.h"
#include "document/UserViewDerivation.h"
#include "platforms/linux/UserViewWidget.h"

namespace titrelle::bench {
namespace {

QApplication& Qt() {
  static int argc = 1;
  static char name[] = "titrelle_userview_bench";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// The view the size it has in the main window, shown.
std::unique_ptr<UserViewWidget> ShownView() {
  Qt();
  auto view = std::make_unique<UserViewWidget>();
  view->resize(560, 500);
  view->show();
  view->viewport()->grab();
  return view;
}

// What a resume does to the view: the text set, the caret put at the end, the screen drawn.
void BM_UserViewFill(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string text = DeriveUserViewText(BenchFileViewText(count));
  auto view = ShownView();
  for (auto _ : state) {
    view->SetText(text);
    view->SetCaret(view->Lines().End());
    view->viewport()->grab();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

// A character typed at the end of a line of `bytes` bytes, the screen drawn after it.
void BM_UserViewKeyOnHugeLine(benchmark::State& state) {
  const auto bytes = static_cast<std::size_t>(state.range(0));
  auto view = ShownView();
  view->SetText(DeriveUserViewText(BenchFileViewTextWithHugeLine(4, 2, bytes)));
  view->SetCaret({6, static_cast<int>(view->Lines().Line(6).size())});
  view->setFocus();
  for (auto _ : state) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(view.get(), &key);
    view->viewport()->grab();
  }
  if (view->Lines().Line(6).size() < bytes) state.SkipWithError("the keys did not reach the line");
}

}  // namespace

BENCHMARK(BM_UserViewFill)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UserViewKeyOnHugeLine)->Arg(1000000)->Arg(5000000)->Unit(benchmark::kMillisecond);

}  // namespace titrelle::bench
