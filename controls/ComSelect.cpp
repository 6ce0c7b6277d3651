#include "controls/ComSelect.h"

#include "serial/ComPortList.h"
#include "serial/ComText.h"

namespace {

template <std::size_t N>
void AddAll(TStrings& items, const std::array<std::string_view, N>& texts) {
  for (std::string_view text : texts) items.Add(std::string(text));
}

}  // namespace

void TComSelect::FillItems(TComProperty value) {
  ComProperty = value;
  Items->Clear();
  switch (value) {
    case cpNone:
      break;
    case cpPort:
      if (PortListSource.empty()) {
        EnumComPorts(*Items);
      } else {
        EnumComPorts(*Items, PortListSource);
      }
      break;
    case cpBaudRate:
      AddAll(*Items, BaudRateTexts);
      break;
    case cpDataBits:
      AddAll(*Items, DataBitsTexts);
      break;
    case cpStopBits:
      AddAll(*Items, StopBitsTexts);
      break;
    case cpParity:
      AddAll(*Items, ParityTexts);
      break;
    case cpFlowControl:
      AddAll(*Items, FlowControlTexts);
      break;
  }
}

void TComSelect::TakeText(const std::string& text) {
  StoreText(text);
  if (AutoApply) ApplyToPort();
}

void TComSelect::StoreText(const std::string& text) {
  switch (ComProperty) {
    case cpNone:
      break;
    case cpPort:
      SelPort = text;
      break;
    case cpBaudRate:
      SelBaudRate = TextToBaudRate(text);
      break;
    case cpDataBits:
      SelDataBits = TextToDataBits(text);
      break;
    case cpStopBits:
      SelStopBits = TextToStopBits(text);
      break;
    case cpParity:
      SelParity = TextToParity(text);
      break;
    case cpFlowControl:
      SelFlowControl = TextToFlowControl(text);
      break;
  }
}

void TComSelect::ApplyToPort() {
  if (ComPort == nullptr) return;
  switch (ComProperty) {
    case cpNone:
      break;
    case cpPort:
      ComPort->SetPort(SelPort);
      break;
    case cpBaudRate:
      ComPort->SetBaudRate(SelBaudRate);
      break;
    case cpDataBits:
      ComPort->SetDataBits(SelDataBits);
      break;
    case cpStopBits:
      ComPort->SetStopBits(SelStopBits);
      break;
    case cpParity:
      ComPort->Parity().SetBits(SelParity);
      break;
    case cpFlowControl:
      ComPort->FlowControl().SetFlowControl(SelFlowControl);
      break;
  }
}

std::string TComSelect::CurrentText() const {
  switch (ComProperty) {
    case cpPort:
      return ComPort->Port();
    case cpBaudRate:
      return BaudRateToText(ComPort->BaudRate());
    case cpDataBits:
      return DataBitsToText(ComPort->DataBits());
    case cpStopBits:
      return StopBitsToText(ComPort->StopBits());
    case cpParity:
      return ParityToText(ComPort->Parity().Bits());
    case cpFlowControl:
      return FlowControlToText(ComPort->FlowControl().FlowControl());
    case cpNone:
      break;
  }
  return {};
}

void TComSelect::FindCurrentValue(int& index) {
  index = -1;
  if (ComPort == nullptr || ComProperty == cpNone) return;
  index = Items->IndexOf(CurrentText());
  if (index < 0) return;
  // The item's own text, read back as a chosen one is, but not written to
  // the port it came from.
  StoreText(Items->Get(index));
}
