#pragma once
// The few calls that need the kernel's own terminal records (struct termios2) rather than the C
// library's struct termios. The two headers define the same names, so the kernel side lives in
// its own file (TermiosKernel.cpp) and only plain types cross this boundary.
#include <cstddef>
#include <cstdint>

#include "platform/SerialPort.h"

namespace platform::termios_kernel {

// Everything the port puts back at close: the terminal record with its exact speeds, and the
// modem-control lines when the device has them.
struct KernelState {
  alignas(8) unsigned char record[64];
  int modemLines;
  bool modemLinesValid;
};

// 0 or an errno value.
int SaveState(int fd, KernelState& state);
int RestoreState(int fd, const KernelState& state);

// The four flag words of a terminal record (the same values as in <termios.h>).
struct LineFlags {
  std::uint32_t input = 0, output = 0, control = 0, local = 0;
};

// The raw line that line asks for, made from the flags the terminal had: no canonical input,
// echo, signals or output processing; size, parity, stop bits and flow control as line says.
LineFlags RawLineFlags(LineFlags current, const LineSettings& line);

// Applies RawLineFlags and line.BaudRate in one kernel call: rates with a Bxxx constant use it,
// any other rate goes through BOTHER. The C library's tcsetattr cannot be used once a terminal
// runs at such a rate (it refuses the record it read back), hence the kernel record throughout.
int ApplyLine(int fd, const LineSettings& line);

// Sets both directions to any rate, through BOTHER; used for rates without a Bxxx constant.
int SetArbitrarySpeed(int fd, std::uint32_t bitsPerSecond);

// The speeds the terminal runs at, as the kernel holds them (also for rates set through BOTHER).
int GetSpeeds(int fd, std::uint32_t& inputSpeed, std::uint32_t& outputSpeed);

}  // namespace platform::termios_kernel
