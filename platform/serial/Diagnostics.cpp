// The calling thread's last error and the debugger output line.
#include <mutex>

#include "platform/serial/CommDevice.h"
#include "platform/serial/DebugOutput.h"

namespace comm {

namespace {
thread_local std::int32_t lastError = 0;

std::mutex sinkMutex;
DebugOutputSink& Sink() {
  static DebugOutputSink sink = SystemDebugOutput;
  return sink;
}
}  // namespace

std::int32_t GetLastError() { return lastError; }
void SetLastError(std::int32_t error) { lastError = error; }

void OutputDebugStringA(const std::string& line) {
  DebugOutputSink sink;
  {
    std::lock_guard lock(sinkMutex);
    sink = Sink();
  }
  if (sink) sink(line);
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
  std::lock_guard lock(sinkMutex);
  DebugOutputSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

}  // namespace comm
