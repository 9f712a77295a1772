#pragma once
// The host's column-settings service: which columns of a grid a user sees, in which order and
// width, kept per user and grid key.
//
// Contract the module relies on:
// - One service per func: init, then getColInfo or save.
// - init(connectString, userId) opens the account and answers false when it cannot be opened or
//   no user is given.
// - getColInfo(key, mode) answers the settings of grid `key` as XML text without declaration, a
//   <columns key='..'> element of <column .../> elements: mode 0 the grid's defaults, any other
//   mode the user's own settings, else the defaults. Empty text when the grid has neither.
// - save(xml) stores a <columns key='..'> document (the key not empty) as the user's settings of
//   that grid, replacing the earlier ones, and answers true; false for any other text.
// - Database errors reach the caller.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace corvane {

class ColumnSet {
 public:
  virtual ~ColumnSet() = default;
  virtual bool init(const std::string& connectString, const std::string& userId) = 0;
  virtual std::string getColInfo(std::string& key, std::uint8_t& mode) = 0;
  virtual bool save(const std::string& settingsXml) = 0;
};

using ColumnSetFactory = std::function<std::unique_ptr<ColumnSet>()>;

// The embedded service, over the account's table ColumnSetting (the empty user holds defaults).
std::unique_ptr<ColumnSet> CreateColumnSet();

}  // namespace corvane
