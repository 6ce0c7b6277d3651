// The SIM port: a virtual dispenser behind the in-memory simulated serial
// device, opened through the engine's ordinary device registry, so that the
// window, the command-line tool and demos run the whole port engine where no
// serial device and no pseudo-terminal exist. Its names are in SimPortName.h.
//
// Every distinct name (letter case of "SIM" aside) is one dispenser that lives
// as long as the program: closing the port and opening it again finds the
// machine as it was, as a dispenser on a line stays on. Each dispenser's own
// thread answers the frames the port writes; it sleeps until bytes arrive or
// a reply is due.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/simulator/DispenserSetup.h"
#include "console/simulator/VirtualDispenser.h"

// Registers the SIM names with the device registry; later calls do nothing.
void RegisterSimDispenser();

// What a SIM port's dispenser has received and answered (for tests and
// demos).
class TSimDispenser {
 public:
  // The latest exchanges, oldest first: each command frame with its reply,
  // each ignored piece with the reason (at most kKeptExchanges of them).
  virtual std::vector<TExchange> Exchanges() const = 0;

  static constexpr std::size_t kKeptExchanges = 1024;

  virtual ~TSimDispenser() = default;

 protected:
  TSimDispenser() = default;
};

// The dispenser behind a SIM port name once that name was opened; null before,
// or for a name that is no SIM port name.
std::shared_ptr<const TSimDispenser> FindSimDispenser(std::string_view name);

// Switches off every SIM dispenser whose port is closed: the next open of its
// name finds a machine as fresh as at the program's start (for tests).
void RestartSimDispensers();
