#include "console/window/LogFileAndMenu.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QUrl>

#include "console/widgets/Memo.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/FileIO.h"
#include "platform/runtime/Timestamp.h"

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The folder the menu opens: the current log's, else the default one.
QString LogFolder(const TSessionRecorder& recorder) {
  if (!recorder.Path().empty()) return FromUtf8(FileIO::DirectoryOf(recorder.Path()));
  try {
    return FromUtf8(SessionLogFolder());
  } catch (const std::exception&) {
    return QDir::homePath();
  }
}

}  // namespace

void StartWindowLog(TSessionRecorder& recorder, const TConsoleOptions& options,
                    const std::function<void(const QString&)>& report) {
  if (options.NoLog) return;
  const auto now = std::chrono::system_clock::now();
  auto failed = [report](const std::string& message) {
    report("세션 로그를 기록할 수 없습니다: " + FromUtf8(message));
  };
  try {
    const std::string path =
        options.LogFile.empty() ? NewSessionLogPath(SessionLogFolder(), now) : options.LogFile;
    recorder.Start(
        std::make_unique<TSessionLog>(
            path, std::vector<std::string>{"dispenser-console session log",
                                           "started " + WallClockTimestamp(now)}),
        failed, [report](const std::string& notice) {
          report("세션 로그 파일을 나눌 수 없어 같은 파일에 계속 기록합니다: " + FromUtf8(notice));
        });
  } catch (const std::exception& error) {
    failed(error.what());
  }
}

bool SaveVisibleLines(const TMemo& log, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QByteArray text = (log.Lines().join('\n') + '\n').toUtf8();
  return file.write(text) == text.size() && file.flush();
}

void AddLogEntries(QMenu& menu, TMemo& log, const TSessionRecorder& recorder) {
  QObject::connect(menu.addAction("Save log as…"), &QAction::triggered, &log, [&log, &recorder] {
    const QString path = QFileDialog::getSaveFileName(
        log.window(), "Save log as", LogFolder(recorder) + "/log.txt", "Text (*.txt)");
    if (!path.isEmpty() && !SaveVisibleLines(log, path)) {
      ShowMessage("로그를 저장할 수 없습니다: " + path.toStdString());
    }
  });
  QObject::connect(menu.addAction("Open log folder"), &QAction::triggered, &log, [&recorder] {
    const QString folder = LogFolder(recorder);
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  });
}

TShownErrors::TShownErrors(TSessionRecorder& recorder) {
  if (Application == nullptr) return;
  FPrevious = Application->OnExceptionShown;
  Application->OnExceptionShown = [this, &recorder](const std::string& message) {
    if (FPrevious) FPrevious(message);
    recorder.Error(message);
  };
}

TShownErrors::~TShownErrors() {
  if (Application != nullptr) Application->OnExceptionShown = FPrevious;
}
