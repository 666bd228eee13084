#pragma once

#include "Deliverable.h"

#include <QString>

// The user picks ports as "COM1" .. "COM256". On Linux each number stands for
// a device file: an entry of the program's settings group PortMap
// (COM3=/dev/ttyUSB0) wins; otherwise COM1-32 are /dev/ttyS0-31, COM33-64
// /dev/ttyUSB0-31 and COM65-96 /dev/ttyACM0-31. Higher numbers have no
// default device.
namespace PortNames {

// Number of a "COMn" name (case-insensitive), or 0 when it is not one.
int PortNumber(const QString& comName);

// Default device for a port number, or an empty string.
QString DefaultDevice(int portNumber);

// Settings key that holds the program's port map ("\Zyn\Ql4100t\PortMap").
QString MapKey(Deliverable deliverable);
// Settings key of the program's port choice ("\Zyn\Ql4100t\Port": ComPort,
// maxBdRate, FlashVerify, FlashIdCode).
QString PortKey(Deliverable deliverable);

// The program's port map entry for a port number, or an empty string.
QString MappedDevice(Deliverable deliverable, int portNumber);

// Device path for "COMn", or an empty string when the number has none.
QString DevicePath(Deliverable deliverable, const QString& comName);

} // namespace PortNames
