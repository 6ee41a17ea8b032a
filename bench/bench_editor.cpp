// The macro text editor on large files, on Qt's offscreen platform with the
// window shown, so layout and painting are part of every figure:
//
//   open       read, decode and show the file; held_MB is the memory the
//              open file then holds
//   keystroke  one typed character in the middle of the text, painted
//   save       encode and write the whole text
//
// over generated macros of 1, 10 and 50 MB (CR LF lines of mixed ASCII and
// CP932 text, with the one bare LF that the builder's report pages leave) and
// a 6 MB file that is one single line.
//
//   bench_editor [benchmark options]
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <utility>

#include "K7QBldEditDoc.h"
#include "K7QBldEditMainFrm.h"

namespace {

struct SFile {
  const char* name;
  std::size_t bytes;
  bool oneLine;
};

const SFile kFiles[] = {
    {"1MB", std::size_t{1} << 20, false},
    {"10MB", std::size_t{10} << 20, false},
    {"50MB", std::size_t{50} << 20, false},
    {"6MB-one-line", std::size_t{6} << 20, true},
};

QTemporaryDir* g_folder = nullptr;

// "売上" and "ソ" in CP932; the latter has the trail byte 0x5C.
const std::string kUriage = "\x94\x84\x8f\xe3";
const std::string kSo = "\x83\x5c";

std::string MacroText(const SFile& file) {
  std::string text;
  text.reserve(file.bytes + 256);
  const char* lineEnd = file.oneLine ? "" : "\r\n";
  for (unsigned row = 0; text.size() < file.bytes; ++row) {
    text += "<TR><TD>$(V_COLUMN_" + std::to_string(row % 97) + ")</TD><TD>" + kUriage +
            std::to_string(row) + kSo + "</TD></TR>" + lineEnd;
    if (!file.oneLine && row == 1000) text += "%}\n";
  }
  return text;
}

QString FilePath(const SFile& file) {
  const QString path = g_folder->filePath(QString::fromLatin1(file.name) + ".k7q");
  if (!QFile::exists(path)) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    const std::string text = MacroText(file);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  return path;
}

// Resident memory in MB, from the kernel's view of this process, after the
// allocator returned what it holds free.
double ResidentMb() {
  ::malloc_trim(0);
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return 0;
  char line[256];
  double kb = 0;
  while (std::fgets(line, sizeof line, status))
    if (std::sscanf(line, "VmRSS: %lf kB", &kb) == 1) break;
  std::fclose(status);
  return kb / 1024;
}

// Lets the window lay out and paint what changed, as it would before the
// next key arrives.
void Settle(CMainFrame& frame) {
  QCoreApplication::processEvents();
  frame.View()->viewport()->repaint();
}

std::unique_ptr<CMainFrame> ShownFrame() {
  auto frame = std::make_unique<CMainFrame>(
      QString(), [](QMessageBox::Icon, const QString& text, QMessageBox::StandardButtons) {
        std::fprintf(stderr, "bench_editor: %s\n", qPrintable(text));
        return QMessageBox::Ok;
      });
  frame->show();
  Settle(*frame);
  return frame;
}

void MoveToMiddle(CMainFrame& frame) {
  QPlainTextEdit* view = frame.View();
  QTextCursor cursor = view->textCursor();
  cursor.setPosition(view->document()->characterCount() / 2);
  view->setTextCursor(cursor);
  Settle(frame);
}

void TypeKey(CMainFrame& frame, char key) {
  const QString text(QLatin1Char{key});
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (key - 'a'), Qt::NoModifier, text);
  QCoreApplication::sendEvent(frame.View(), &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + (key - 'a'), Qt::NoModifier, text);
  QCoreApplication::sendEvent(frame.View(), &release);
}

void BM_Open(benchmark::State& state, const SFile& file) {
  const QString path = FilePath(file);
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<CMainFrame> frame = ShownFrame();
    const double before = ResidentMb();
    state.ResumeTiming();
    if (!frame->OpenDocumentFile(path)) state.SkipWithError("open failed");
    Settle(*frame);
    state.PauseTiming();
    state.counters["held_MB"] = ResidentMb() - before;
    if (frame->Doc()->IsReadOnly()) state.SkipWithError("opened read-only");
    frame.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.bytes));
}

void BM_Keystroke(benchmark::State& state, const SFile& file) {
  std::unique_ptr<CMainFrame> frame = ShownFrame();
  if (!frame->OpenDocumentFile(FilePath(file)) || frame->Doc()->IsReadOnly()) {
    state.SkipWithError("open failed");
    return;
  }
  MoveToMiddle(*frame);
  const int before = frame->View()->document()->characterCount();
  for (auto _ : state) {
    TypeKey(*frame, 'x');
    Settle(*frame);
  }
  if (frame->View()->document()->characterCount() != before + state.iterations())
    state.SkipWithError("keys were not typed");
}

void BM_Save(benchmark::State& state, const SFile& file) {
  std::unique_ptr<CMainFrame> frame = ShownFrame();
  if (!frame->OpenDocumentFile(FilePath(file)) || frame->Doc()->IsReadOnly()) {
    state.SkipWithError("open failed");
    return;
  }
  MoveToMiddle(*frame);
  for (auto _ : state) {
    state.PauseTiming();
    TypeKey(*frame, 'x');
    Settle(*frame);
    state.ResumeTiming();
    if (!frame->SaveDocument()) state.SkipWithError("save failed");
    Settle(*frame);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.bytes));
}

// Named "open/10MB" and so on, so --benchmark_filter can pick sizes.
void RegisterAll() {
  const std::pair<const char*, void (*)(benchmark::State&, const SFile&)> operations[] = {
      {"open", BM_Open}, {"keystroke", BM_Keystroke}, {"save", BM_Save}};
  for (const auto& [name, function] : operations)
    for (const SFile& file : kFiles)
      benchmark::RegisterBenchmark((std::string(name) + "/" + file.name).c_str(), function, file)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
}

}  // namespace

// The offscreen platform says this once per window; it means nothing here.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (message.contains(QLatin1String("propagateSizeHints"))) return;
  std::fprintf(stderr, "%s%s\n", type == QtDebugMsg ? "" : "bench_editor: ", qPrintable(message));
}

int main(int argc, char** argv) {
  qInstallMessageHandler(QuietMessages);
  // Windows need a platform; a private settings folder keeps the user's
  // builder settings out of the figures.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir folder;
  g_folder = &folder;
  ::setenv("XDG_CONFIG_HOME", qPrintable(folder.filePath("config")), 1);
  ::setenv("XDG_RUNTIME_DIR", qPrintable(folder.path()), 1);
  QApplication application(argc, argv);
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
