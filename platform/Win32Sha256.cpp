#include <windows.h>
// After windows.h.
#include <bcrypt.h>

#include <cstdint>

#include "platform/Sha256.h"

namespace platform {

// An empty string when the system cannot hash (it always can from Windows 7 on).
std::string Sha256Hex(std::string_view bytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) return {};
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::uint8_t digest[32] = {};
  bool ok = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) >= 0;
  // CNG takes at most a ULONG at a time.
  for (std::size_t at = 0; ok && at < bytes.size(); at += 1u << 30) {
    const std::size_t part = bytes.size() - at < (1u << 30) ? bytes.size() - at : (1u << 30);
    ok = BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)),
                        static_cast<ULONG>(part), 0) >= 0;
  }
  ok = ok && BCryptFinishHash(hash, digest, sizeof digest, 0) >= 0;
  if (hash) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!ok) return {};
  return HexOfBytes(digest, sizeof digest);
}

}  // namespace platform
