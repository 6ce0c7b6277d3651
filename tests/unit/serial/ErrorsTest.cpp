// Port errors: the code table, both message forms, the carried numbers.
#include <gtest/gtest.h>

#include "serial/ComErrors.h"

namespace {

TEST(PortErrorText, GivesEachTableTextExactly) {
  const char* expected[] = {
      "Unable to open com port",
      "WriteFile function failed",
      "ReadFile function failed",
      "Invalid Async parameter",
      "PurgeComm function failed",
      "Unable to get async status",
      "SetCommState function failed",
      "SetCommTimeouts failed",
      "SetupComm function failed",
      "ClearCommError function failed",
      "GetCommModemStatus function failed",
      "EscapeCommFunction function failed",
      "TransmitCommChar function failed",
      "Cannot set property while connected",
      "EnumPorts function failed",
      "Failed to store settings",
      "Failed to load settings",
      "Link (un)registration failed",
      "Cannot change led state if ComPort is selected",
      "Cannot wait for event if event thread is created",
      "WaitForEvent method failed",
      "A component is linked to OnRxBuf event",
      "Registry error",
  };
  for (int code = 1; code <= 23; ++code) {
    EXPECT_EQ(PortErrorText(code), expected[code - 1]) << "code " << code;
  }
}

TEST(PortErrorText, NamesCodesOutsideTheTableByNumber) {
  EXPECT_EQ(PortErrorText(0), "Unknown Error #0");
  EXPECT_EQ(PortErrorText(24), "Unknown Error #24");
  EXPECT_EQ(PortErrorText(-7), "Unknown Error #-7");
  EXPECT_EQ(PortErrorText(256), "Unknown Error #256");
}

TEST(EComPort, ComposesNameAndCodeText) {
  const EComPort error("COM1", ecConnectedProperty);
  EXPECT_EQ(error.Message(), "COM1 Error: Cannot set property while connected");
  EXPECT_EQ(error.ErrorCode(), 14);
  // The LED's name carries its own trailing blank.
  EXPECT_EQ(EComPort("ComLed ", ecLedState).Message(),
            "ComLed  Error: Cannot change led state if ComPort is selected");
}

TEST(EComPort, KeepsAFinishedMessageWithCodeZero) {
  const EComPort error("something went wrong");
  EXPECT_EQ(error.Message(), "something went wrong");
  EXPECT_EQ(error.ErrorCode(), 0);
}

TEST(EComPortExt, PutsTheNameLastAndCarriesTheSystemErrorOutsideTheMessage) {
  try {
    throw EComPortExt("COM1", ecSetState, 87);
  } catch (const EComPort& error) {  // caught as the base class
    EXPECT_EQ(error.Message(), "COM Port Error: SetCommState function failed on COM1");
    EXPECT_STREQ(error.what(), "COM Port Error: SetCommState function failed on COM1");
    EXPECT_EQ(error.ErrorCode(), 7);
    ASSERT_NE(dynamic_cast<const EComPortExt*>(&error), nullptr);
    EXPECT_EQ(dynamic_cast<const EComPortExt&>(error).SystemErrorCode(), 87);
  }
  EXPECT_EQ(EComPortExt("EnumComPorts", ecRegistry, 2).Message(),
            "COM Port Error: Registry error on EnumComPorts");
}

}  // namespace
