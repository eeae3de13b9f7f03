// The port list from the registry's map of serial devices, under Wine. HKLM\HARDWARE is volatile
// there: Wine writes \Device\Serial0 = COM1 when its server starts, and whatever a test writes
// lasts only while the same server runs, so each test writes the key it needs from here.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/SerialDeviceMap.h"
#include "update/PortList.h"

namespace {

using Entries = std::vector<std::string>;
constexpr const char* kKeyPath = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct Value {
  const char* name;
  DWORD type;
  std::string data;  // bytes as stored
};

std::string Sz(const char* text) {
  return std::string(text) + '\0';
}

class RegistryPortList : public ::testing::Test {
 protected:
  void SetUp() override { RemoveKey(); }
  // The key as Wine's server makes it at start, so that the run's shared prefix stays as found
  // (a key deleted there comes back only volatile, which `reg add` cannot make).
  void TearDown() override { WriteKey({{"\\Device\\Serial0", REG_SZ, Sz("COM1")}}); }

  static void RemoveKey() {
    const LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKeyPath);
    ASSERT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
  }

  // The key with exactly these values, written in this order. Volatile, as its parent is.
  static void WriteKey(const std::vector<Value>& values) {
    RemoveKey();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const Value& v : values) {
      EXPECT_EQ(RegSetValueExA(key, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                               static_cast<DWORD>(v.data.size())),
                ERROR_SUCCESS)
          << v.name;
    }
    RegCloseKey(key);
  }

  // The value names in the order in which the registry itself enumerates them.
  static std::vector<std::string> EnumeratedNames() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
  }

  static std::vector<std::string> Names(const std::vector<platform::RegistryValue>& values) {
    std::vector<std::string> names;
    for (const auto& v : values) names.push_back(v.name);
    return names;
  }

  PortList list_;
  std::string preferred_;
};

}  // namespace

TEST_F(RegistryPortList, TheBridgeIsListedAndPreferredBesideAnOrdinaryPort) {
  WriteKey(
      {{"\\Device\\Serial0", REG_SZ, Sz("COM1")}, {"\\Device\\Silabser0", REG_SZ, Sz("COM33")}});
  const auto map = platform::ReadSerialDeviceMap();
  ASSERT_TRUE(map.has_value());
  ASSERT_EQ(map->size(), 2u);

  EXPECT_TRUE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(list_.Entries(), (Entries{"COM1", "COM33 : TALVIRE"}));
  EXPECT_EQ(preferred_, "COM33 : TALVIRE");
  EXPECT_EQ(PortIndexFromEntry(preferred_), 32);

  EXPECT_FALSE(RefreshPortList(list_, preferred_));  // nothing changed in between
  EXPECT_EQ(preferred_, "COM33 : TALVIRE");
}

TEST_F(RegistryPortList, AMissingKeyIsNoMapAndAnEmptyKeyHasNoValues) {
  RefreshPortList(list_, preferred_, std::vector<platform::RegistryValue>{{"x", "COM4"}});

  EXPECT_FALSE(platform::ReadSerialDeviceMap().has_value());
  EXPECT_FALSE(RefreshPortList(list_, preferred_));

  WriteKey({});
  const auto map = platform::ReadSerialDeviceMap();
  ASSERT_TRUE(map.has_value());
  EXPECT_TRUE(map->empty());
  EXPECT_FALSE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(list_.Entries(), (Entries{"COM4"}));  // the last refresh's entries stay listed
}

TEST_F(RegistryPortList, OnlyStringValuesNamePorts) {
  const DWORD number = 7;
  WriteKey({{"\\Device\\Serial0", REG_SZ, Sz("COM1")},
            {"\\Device\\Number", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4)},
            {"\\Device\\Binary", REG_BINARY, "COM9"},
            {"\\Device\\Expand", REG_EXPAND_SZ, Sz("COM5")},
            {"\\Device\\Unterminated", REG_SZ, "COM6"},  // stored without its NUL
            {"\\Device\\Silabser3", REG_MULTI_SZ, Sz("COM7") + '\0'}});
  const auto map = platform::ReadSerialDeviceMap();
  ASSERT_TRUE(map.has_value());
  std::vector<std::string> data;
  for (const auto& v : *map) data.push_back(v.data);
  std::sort(data.begin(), data.end());
  EXPECT_EQ(data, (std::vector<std::string>{"COM1", "COM5", "COM6"}));

  EXPECT_TRUE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(list_.Entries(), (Entries{"COM1", "COM5", "COM6"}));
  EXPECT_EQ(preferred_, "");
}

// Whatever order the registry keeps its values in, the map follows it, and the bridge that comes
// first is the preferred one.
TEST_F(RegistryPortList, OfTwoBridgesTheFirstEnumeratedIsPreferred) {
  WriteKey({{"\\Device\\Silabser1", REG_SZ, Sz("COM40")},
            {"\\Device\\Serial0", REG_SZ, Sz("COM1")},
            {"\\Device\\Silabser0", REG_SZ, Sz("COM33")}});
  const std::vector<std::string> order = EnumeratedNames();
  ASSERT_EQ(order.size(), 3u);
  const auto map = platform::ReadSerialDeviceMap();
  ASSERT_TRUE(map.has_value());
  EXPECT_EQ(Names(*map), order);

  std::string firstBridge;
  for (const auto& v : *map)
    if (firstBridge.empty() && v.name.find("Silabser") != std::string::npos)
      firstBridge = v.data + " : TALVIRE";
  EXPECT_TRUE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(list_.Entries(), (Entries{"COM1", "COM33 : TALVIRE", "COM40 : TALVIRE"}));
  EXPECT_EQ(preferred_, firstBridge);
}
