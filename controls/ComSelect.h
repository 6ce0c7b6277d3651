// TComSelect: the logic of a property selector. It lists the values of one
// port setting as text in an item list it does not own, turns a chosen text
// back into a value, writes that value to a bound port and finds the item
// of the port's current value.
#pragma once

#include <cstdint>
#include <string>

#include "serial/CPort.h"

// The port setting a selector is bound to.
enum TComProperty : std::uint8_t {
  cpNone,
  cpPort,
  cpBaudRate,
  cpDataBits,
  cpStopBits,
  cpParity,
  cpFlowControl
};

// What a combo box does with its port and setting, apart from the widget.
class TComSelect : public TObject {
 public:
  std::string ClassName() const override { return "TComSelect"; }

  // Stores the setting, empties Items and lists the setting's values: the
  // machine's ports (sorted), or the texts of the enumerators in their
  // order. A port list that cannot be read raises code 23; Items then stays
  // empty.
  void FillItems(TComProperty value);
  // Stores the value the text names in the bound setting's selection field
  // (text forms with their fallbacks), then ApplyToPort if AutoApply is on.
  void TakeText(const std::string& text);
  // Writes the bound setting's selection field to ComPort through the
  // port's own setter; nothing without a port or for cpNone.
  void ApplyToPort();
  // The index of the item that names the port's current value (ignoring
  // letter case), or -1; a found value is taken into the selection field.
  void FindCurrentValue(int& index);

  // The selection fields: the value last chosen or shown, one per setting.
  std::string SelPort;
  TBaudRate SelBaudRate = brCustom;
  TDataBits SelDataBits = dbFive;
  TStopBits SelStopBits = sbOneStopBit;
  TParityBits SelParity = prNone;
  TFlowControl SelFlowControl = fcHardware;

  TStrings* Items = nullptr;          // the owning control's item list, not owned
  TComProperty ComProperty = cpNone;  // the setting listed
  TCustomComPort* ComPort = nullptr;  // not owned
  bool AutoApply = false;             // write the chosen value to the port at once
  // Where the port list comes from (see EnumComPorts); empty: the machine's
  // own ports.
  std::string PortListSource;

 private:
  // Stores the value the text names in the bound setting's selection field.
  void StoreText(const std::string& text);
  // The text of the port's current value of the bound setting.
  std::string CurrentText() const;
};
