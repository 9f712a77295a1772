#include "request/TempTables.h"

#include <array>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string_view>

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/ScratchTables.h"
#include "request/SqlGateway.h"

namespace corvane {

namespace {

using GuidBytes = std::array<unsigned char, 16>;

GuidBytes newRandomGuid() {
  std::random_device source;
  GuidBytes bytes{};
  for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(source() & 0xFF);
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // variant 1
  return bytes;
}

// Bytes 4k to 4k+3 read as one 32-bit number in the machine's byte order, as eight digits.
std::string groupText(const GuidBytes& bytes, std::size_t group) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data() + 4 * group, sizeof value);
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// A byte in hexadecimal: 0 to 9 with a leading zero, 10 to 15 a single letter.
std::string byteText(unsigned char byte) {
  char text[3];
  std::snprintf(text, sizeof text, byte < 10 ? "%02X" : "%X", static_cast<unsigned>(byte));
  return text;
}

// The seconds since local midnight, to the hundredth, as the system timer gives them.
double timerSeconds() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + static_cast<double>(milliseconds / 10) / 100;
}

constexpr std::string_view kTempPrefix = "tempdb..";

std::string withoutTempPrefix(const std::string& name) {
  if (name.size() < kTempPrefix.size()) return name;
  for (std::size_t i = 0; i < kTempPrefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != kTempPrefix[i]) return name;
  }
  return name.substr(kTempPrefix.size());
}

}  // namespace

std::string UniqueName(const GuidBytes& guid, double secondsSinceMidnight) {
  std::string name = "G";
  for (std::size_t group = 0; group < 3; ++group) name += groupText(guid, group);
  for (std::size_t i = 12; i < 16; ++i) name += byteText(guid[i]);
  for (const char c : CStr(Variant::dbl(secondsSinceMidnight))) {
    if (c != '.') name += c;
  }
  return name;
}

std::string GetUniqueName() {
  try {
    return UniqueName(newRandomGuid(), timerSeconds());
  } catch (const std::exception&) {
    return "";
  }
}

std::string GetTmpTableName() { return "vqtmp" + GetUniqueName(); }

std::string CreateTmpTable(db::Connection& connection, const std::string& columns) {
  const std::string name = GetTmpTableName();
  DropTmpTable(connection, name);
  sql::execute(connection, "CREATE TABLE tempdb.." + name + columns);
  RecordTmpTable(connection, name);
  return name;
}

void RecordTmpTable(db::Connection& connection, const std::string& name) {
  db::recordScratchTable(connection, withoutTempPrefix(name));
}

void DropTmpTable(db::Connection& connection, const std::string& name) {
  const std::string table = withoutTempPrefix(name);
  try {
    sql::execute(connection, "if exists(select 1 from tempdb..sysobjects where name=N'" + table +
                                 "' and xtype=N'U') drop table tempdb.." + table);
  } catch (...) {
    // A table that cannot be dropped now keeps its record, and is swept with the others of its day.
    return;
  }
  db::forgetScratchTable(connection, table);
}

std::string GetNewGuid(db::Connection& connection) {
  const db::Recordset rs = sql::open(connection, "Select NEWID() AS GUID");
  return CStr(rs.field("guid").value());
}

}  // namespace corvane
