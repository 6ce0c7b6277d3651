// A thread whose body is a function; it waits for its end in its own
// destructor, as every derived thread must.
#pragma once

#include <functional>
#include <utility>

#include "platform/runtime/Threads.h"

class FunctionThread : public TThread {
 public:
  explicit FunctionThread(std::function<void(FunctionThread&)> body) : FBody(std::move(body)) {}
  ~FunctionThread() override { WaitFor(); }
  using TThread::Synchronize;

 protected:
  void Execute() override { FBody(*this); }

 private:
  std::function<void(FunctionThread&)> FBody;
};
