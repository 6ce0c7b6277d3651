// The line of a simulated device: output goes to the far end's buffer at
// once (unless held or stopped by flow control), input comes from SimPort.
// Its one thread runs the time-outs and moves waiting input into the device
// when the input queue has room again.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/serial/LineDriver.h"
#include "platform/serial/sim/SimState.h"

namespace comm::sim {

class SimLine : public LineDriver {
 public:
  explicit SimLine(std::shared_ptr<SimState> state);
  ~SimLine() override;

  void Start(LineDevice* device) override;
  void Shutdown() override;
  std::int32_t Configure(const DCB& dcb) override;
  std::int32_t Send(const std::uint8_t* data, std::size_t count, std::size_t* accepted) override;
  void WantWritable() override;
  bool WatchTxEmpty() override { return true; }  // the simulated line sends at once
  DWORD OutQueue() override { return 0; }
  std::int32_t ModemStatus(DWORD* status) override;
  std::int32_t Purge(DWORD flags) override;
  void ResumeReceive() override;
  void SetTimer(std::optional<Clock::time_point> when) override;

 private:
  void Run();
  void DeliverBacklog();

  const std::shared_ptr<SimState> state_;
  LineDevice* device_ = nullptr;

  std::mutex mu_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool resume_ = false;
  std::optional<Clock::time_point> timer_;
  std::thread thread_;
};

}  // namespace comm::sim
