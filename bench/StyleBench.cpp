// Saving the font options dialog on an open document: the dialog is made and shown, the mode is changed, and
// the save restyles every line, writes the subtitle file and stores the fields.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchDocuments.h"
#include "app/Unit1.h"
#include "platforms/headless/HeadlessWindowSystem.h"
#include "style/FontOptionUnit.h"
#include "style/Restyle.h"
#include "style/StyleStrings.h"
#include "tests/support/TemporaryFolder.h"

namespace titrelle::bench {
namespace {

constexpr int kYes = 0;

// <font color=#FFFFFF>{\fn黑体\fs18\pos(190,270)\}
const std::string kUntickedPrefix = "<font color=#FFFFFF>{\\fn\xBA\xDA\xCC\xE5\\fs18\\pos(190,270)\\}";

// The program on the headless shell with a resumed subtitle file of `count` subtitles, in a real folder.
class StyleBenchWindow {
 public:
  explicit StyleBenchWindow(int count) {
    const std::string video = folder_ + "/movie.mp4";
    std::ofstream(folder_ + "/movie.srt", std::ios::binary) << BenchFileViewText(count);
    system_.playerSettings.exists[video] = true;
    application_ = std::make_unique<Application>(system_);
    application_->Start();
    system_.openDialogAnswers.push_back(video);
    system_.messageBoxAnswers.push_back([](const MessageBoxRequest&) { return kYes; });
    Main("OpenButton").Click();
    system_.AdvanceMs(500);
  }
  ~StyleBenchWindow() { application_.reset(); }

  TForm1& Form() { return application_->Form1(); }
  HeadlessControl& Main(const std::string& name) { return system_.FindWindow("Form1").Get(name); }
  HeadlessControl& Dialog(const std::string& name) {
    return dynamic_cast<HeadlessWindow&>(*Form().FontOptionForm->Form).Get(name);
  }
  std::string SubtitleFile() {
    std::ifstream in(folder_ + "/movie.srt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The file view and the file in the given layout, as a save of the dialog leaves them.
  void SetDocument(const std::string& text, int omitClosingTag) {
    Form().Document.TempRichEdit.SetListingText(text);
    Form().Document.OmitClosingTag = omitClosingTag;
    // Each round is a document of its own: the texts earlier rounds left to the history would only pile up.
    Form().Document.History.Clear();
  }

  // The font button, a click on "缺省", the save button.
  void SaveDialogWithTickToggled() {
    Main("BitBtn1").Click();
    Dialog("CheckBoxDefault").Click();
    Dialog("SaveButton").Click();
  }

 private:
  TemporaryFolder folderHolder_{"style-bench"};
  std::string folder_ = folderHolder_.Path().string();
  HeadlessWindowSystem system_;
  std::unique_ptr<Application> application_;
};

void SaveDialog(benchmark::State& state, bool toCustom) {
  const int count = static_cast<int>(state.range(0));
  StyleBenchWindow window(count);
  const std::string defaultText = BenchFileViewText(count);
  const std::string customText = RestyleText(defaultText, kUntickedPrefix, StyleMode::Custom, 0).text;
  const std::string& before = toCustom ? defaultText : customText;
  const std::string& after =
      toCustom ? customText : RestyleText(customText, DefaultLinePrefix, StyleMode::Default, 1).text;
  for (auto _ : state) {
    state.PauseTiming();
    window.SetDocument(before, toCustom ? 0 : 1);
    state.ResumeTiming();
    window.SaveDialogWithTickToggled();
  }
  if (window.Form().Document.TempRichEdit.Text() != after || window.SubtitleFile() != after) {
    state.SkipWithError("the document was not restyled and saved");
  }
  state.SetComplexityN(count);
}

// The default layout to the custom one: every prefix replaced, every "</b>" removed, the file written.
void BM_SaveFontDialogDefaultToCustom(benchmark::State& state) { SaveDialog(state, true); }
// The custom layout back to the default one.
void BM_SaveFontDialogCustomToDefault(benchmark::State& state) { SaveDialog(state, false); }

BENCHMARK(BM_SaveFontDialogDefaultToCustom)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFontDialogCustomToDefault)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace titrelle::bench
