#include <cstdio>

#include "platform/runtime/Application.h"
#include "platform/runtime/LoopSources.h"
#include "platform/runtime/Threads.h"

HeadlessBackend::~HeadlessBackend() {
  if (FServesSources) MainThread::SetSourcesServed(false);
}

void HeadlessBackend::Initialize() {
  FServesSources = true;
  MainThread::SetSourcesServed(true);
}

void HeadlessBackend::Run() {
  MainThread::WaitUntil([this] { return FTerminated.load(); });
}

void HeadlessBackend::Terminate() {
  FTerminated.store(true);
  MainThread::Wake();
}

void HeadlessBackend::ProcessMessages() {
  MainThread::RunPending();
  MainThread::ServeSources();
}

void HeadlessBackend::ShowMessage(const std::string& text) {
  if (answer) {
    answer(text);
    return;
  }
  std::printf("[message] %s\n", text.c_str());
  std::fflush(stdout);
}

void HeadlessBackend::ShowException(const std::string& message) {
  // One line per report, whatever the message holds.
  std::string line = message;
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}
