#pragma once
// The firmware the wizard writes, embedded as Intel HEX text: one record per 55-byte slot,
// NUL-padded, in file order, closed by an all-zero slot. The table is generated at build time
// by hex2table from the project's HEX file, which refuses anything the update would write
// wrongly; the wizard therefore trusts it and tests neither checksums nor digits.
#include <cstddef>

inline constexpr std::size_t kFirmwareSlotSize = 55;
// At most 54 characters of text, so the NUL always fits.
inline constexpr std::size_t kFirmwareRecordMaxChars = kFirmwareSlotSize - 1;

struct FirmwareRecord {
  char text[kFirmwareSlotSize];
};
static_assert(sizeof(FirmwareRecord) == kFirmwareSlotSize);

// The embedded image, empty slot included (133 slots for firmware 1.5).
extern const FirmwareRecord FirmwareImage[];
extern const std::size_t FirmwareImageSlots;
// The SHA-256 of the HEX file the table was made from (64 hex digits), as sha256sum gives it.
extern const char FirmwareImageSha256[];
